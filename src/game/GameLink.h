#pragma once

#include <string>

#include "core/AppState.h"
#include "game/PlaybackWatch.h"
#include "game/StatusView.h"
#include "notify/Notifier.h"
#include "platform/Clock.h"
#include "platform/ProcessService.h"

namespace clipwarden {

inline constexpr const char* kGameExecutable = "gta-vc.exe";
inline constexpr const char* kStatusChecking = "Checking if GTA:VC is running...";
inline constexpr const char* kStatusRunning = "GTA:VC is running!";
inline constexpr const char* kStatusNotRunning = "GTA:VC is NOT running!";

/** Keeps one open handle to the running game: probes it every tick and, when the probe reads
 *  nothing, looks for the game again. */
class GameLink {
public:
    GameLink(AppState& state, ProcessService& processes, Clock& clock, PlaybackWatch& watch,
             StatusView& view, Notifier& notifier)
        : state_(state), processes_(processes), clock_(clock), watch_(watch), view_(view),
          notifier_(notifier) {}

    /** Probe, playback step, re-attach when the probe read nothing, status caption. */
    void Timer2_Timer();

    /** Sets gameProcessId to the first process named gta-vc.exe in system order, else 0. */
    void FindGameProcess();

    /** Opens the process, releasing the handle held before; true when a handle was got. */
    bool OpenGameProcess(ProcessId id);

    [[nodiscard]] ProcessId gameProcessId() const { return gameProcessId_; }
    [[nodiscard]] bool gameRunning() const { return gameRunning_; }

private:
    AppState& state_;
    ProcessService& processes_;
    Clock& clock_;
    PlaybackWatch& watch_;
    StatusView& view_;
    Notifier& notifier_;
    ProcessId gameProcessId_ = 0;
    bool gameRunning_ = false;
    ProcessId refusalReportedFor_ = 0;
};

/** The characters before the first NUL, or the whole text. */
std::string TrimAtNul(const std::string& text);

} // namespace clipwarden
