#pragma once

#include <string>
#include <system_error>
#include <vector>

#include "core/ports/Clock.h"
#include "core/ports/FileSystem.h"
#include "core/replays/ReplayCursor.h"

namespace clipwarden {

inline constexpr const char* kReplaySlot = "replay.rep";
inline constexpr int kHighestReplayNumber = 32767;

/** A capture name, or why none could be formed. */
struct ReplayName {
    std::string name;    ///< empty when `failure` is set
    std::string failure; ///< one line: the listing failed or the day's numbering is spent
    std::string ddmm;
    int number = 0;
};

/** The replay folder as the library: its listing, the start-up scan, capture naming, and the
 *  cursor that captures and the F5/F6 walks move. */
class ReplayLibrary {
public:
    ReplayLibrary(FileSystem& files, Clock& clock) : files_(files), clock_(clock) {}

    /** The folder every operation works in, without a trailing separator; set at start-up. */
    void SetFolder(std::string folder) { folder_ = std::move(folder); }
    [[nodiscard]] const std::string& folder() const { return folder_; }

    ReplayCursor& cursor() { return cursor_; }
    [[nodiscard]] const ReplayCursor& cursor() const { return cursor_; }

    /** Every *.rep of the replay folder, replay.rep included, in listing order. */
    std::vector<std::string> ListReplays(std::error_code& error);

    /** The last stored replay in listing order; "" when there is none or the listing fails. */
    std::string FindLastReplay();

    /** The name for the next capture made today, one above today's highest number. */
    ReplayName NextReplayName();

    /** Whether a stored replay holds the same bytes as replay.rep, whose stamp is `slot`.
     *  Reads only stored replays of the slot's size and modification time. */
    bool HoldsCopyOf(const FileStamp& slot);

    /** The same day's name with the given number. */
    static std::string CaptureName(const std::string& ddmm, int number);

    /** The folder joined with a file name. */
    [[nodiscard]] std::string PathOf(const std::string& name) const;

private:
    FileSystem& files_;
    Clock& clock_;
    std::string folder_;
    ReplayCursor cursor_;
};

} // namespace clipwarden
