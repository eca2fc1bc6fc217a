#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/ports/FileSystem.h"

namespace clipwarden {

/** Where the library stands: the replay the F5/F6 walks start from, and the recording of
 *  replay.rep already accounted for (stored, selected, or found stored at start-up). */
class ReplayCursor {
public:
    /** File name (no folder) of the replay last captured or selected; "" before the first. */
    [[nodiscard]] const std::string& currentReplay() const { return currentReplay_; }
    void SetCurrentReplay(std::string name) {
        currentReplay_ = std::move(name);
        Moved();
    }

    /** The stamp of replay.rep already accounted for; nothing before the first. A slot with
     *  another stamp holds a new recording. */
    [[nodiscard]] const std::optional<FileStamp>& accountedSlot() const { return accountedSlot_; }
    void AccountForSlot(FileStamp stamp) {
        accountedSlot_ = std::move(stamp);
        Moved();
    }
    void ForgetSlot() {
        accountedSlot_.reset();
        Moved();
    }

    /** `moved` is called after every change above (one watcher: the Library window); an
     *  empty function stops it. */
    void OnMoved(std::function<void()> moved) { moved_ = std::move(moved); }

private:
    void Moved() const {
        if (moved_) {
            moved_();
        }
    }

    std::string currentReplay_;
    std::optional<FileStamp> accountedSlot_;
    std::function<void()> moved_;
};

} // namespace clipwarden
