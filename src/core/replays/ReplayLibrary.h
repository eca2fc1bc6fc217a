#pragma once

#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "core/ports/Clock.h"
#include "core/ports/FileSystem.h"
#include "core/replays/DetailsStore.h"
#include "core/replays/LibraryLabels.h"
#include "core/replays/ReplayCursor.h"

namespace clipwarden {

inline constexpr const char* kReplaySlot = "replay.rep";
inline constexpr int kHighestReplayNumber = 32767;
/** The game's recordings hold at most 800,008 bytes. A file far larger is none of its: it is
 *  never read, copied or handed to the game, whatever its name. */
inline constexpr std::uint64_t kLargestRecording = 64ULL * 1024 * 1024;

/** Why a file of `size` bytes is no recording of the game's; "" when its size may be one. */
std::string WhyTooLarge(std::uint64_t size);

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
    ReplayLibrary(FileSystem& files, Clock& clock, std::string detailsCache = {})
        : files_(files), clock_(clock), labels_(files), details_(files, std::move(detailsCache)) {}

    /** The folder every operation works in, without a trailing separator; set at start-up. */
    void SetFolder(std::string folder) { folder_ = std::move(folder); }
    [[nodiscard]] const std::string& folder() const { return folder_; }

    ReplayCursor& cursor() { return cursor_; }
    [[nodiscard]] const ReplayCursor& cursor() const { return cursor_; }

    LibraryLabels& labels() { return labels_; }

    /** What the reader made of the stored files, kept in the user's cache folder. */
    DetailsStore& details() { return details_; }

    /** Drops the details of stored files that went (to the trash) and writes the index; a line
     *  for the log when it could not be written, else "". */
    std::string ForgetDetails(const std::vector<std::string>& names);
    [[nodiscard]] const LibraryLabels& labels() const { return labels_; }

    /** Every *.rep of the replay folder, replay.rep included, in listing order. */
    std::vector<std::string> ListReplays(std::error_code& error);

    /** The stored replays: every *.rep but replay.rep (in any letter case), in listing order,
     *  the set F5/F6 step through. */
    std::vector<std::string> StoredReplays(std::error_code& error);

    /** Whether the stored replay `name` with stamp `stored` is the current one: the F5/F6
     *  cursor, or a copy of the recording replay.rep holds as accounted for. */
    [[nodiscard]] bool IsCurrentReplay(const std::string& name, const FileStamp& stored) const;

    /** The stored replay that holds the same bytes as the file at `path` (stamp `stamp`),
     *  or "". With `sameTime`, only those of the same modification time are read (a copy
     *  keeps it), else all of the same size. */
    std::string FindCopyOf(const std::string& path, const FileStamp& stamp, bool sameTime);

    /** `changed` hears of each stored replay that Clipwarden added or removed, by name, and
     *  "" when everything may have changed (another folder); one watcher, "" function stops. */
    void OnChanged(std::function<void(const std::string& name)> changed) {
        changed_ = std::move(changed);
    }
    void Changed(const std::string& name) const {
        if (changed_) {
            changed_(name);
        }
    }

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
    LibraryLabels labels_;
    DetailsStore details_;
    std::function<void(const std::string&)> changed_;
};

} // namespace clipwarden
