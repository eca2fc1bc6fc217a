#pragma once

#include <string>

namespace clipwarden {

/** Where the library stands: the replay the F5/F6 walks start from, and the recording of
 *  replay.rep already accounted for (stored, selected, or there at start-up). */
class ReplayCursor {
public:
    /** File name (no folder) of the replay last captured or selected; "" before the first. */
    [[nodiscard]] const std::string& currentReplay() const { return currentReplay_; }
    void SetCurrentReplay(std::string name) { currentReplay_ = std::move(name); }

    /** The stamp text of replay.rep already accounted for; a different one is a new recording. */
    [[nodiscard]] const std::string& accountedSlotStamp() const { return accountedSlotStamp_; }
    void AccountForSlot(std::string stamp) { accountedSlotStamp_ = std::move(stamp); }

private:
    std::string currentReplay_;
    std::string accountedSlotStamp_;
};

} // namespace clipwarden
