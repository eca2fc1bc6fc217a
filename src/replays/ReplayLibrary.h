#pragma once

#include <string>
#include <system_error>
#include <vector>

#include "core/AppState.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"

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

/** The replay folder as the library: its listing, the start-up scan and capture naming. */
class ReplayLibrary {
public:
    ReplayLibrary(AppState& state, FileSystem& files, Clock& clock)
        : state_(state), files_(files), clock_(clock) {}

    /** Every *.rep of the replay folder, replay.rep included, in listing order. */
    std::vector<std::string> ListReplays(std::error_code& error);

    /** The last stored replay in listing order; "" when there is none or the listing fails. */
    std::string FindLastReplay();

    /** The name for the next capture made today, one above today's highest number. */
    ReplayName NextReplayName();

    /** The same day's name with the given number. */
    static std::string CaptureName(const std::string& ddmm, int number);

    /** replayDir joined with a file name. */
    [[nodiscard]] std::string PathOf(const std::string& name) const;

private:
    AppState& state_;
    FileSystem& files_;
    Clock& clock_;
};

} // namespace clipwarden
