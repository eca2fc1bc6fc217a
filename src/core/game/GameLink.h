#pragma once

#include <string>

#include "core/game/PlaybackWatch.h"
#include "core/game/StatusView.h"
#include "core/notify/Notifier.h"
#include "core/ports/Clock.h"
#include "core/ports/ProcessService.h"

namespace clipwarden {

inline constexpr const char* kGameExecutable = "gta-vc.exe";
inline constexpr const char* kStatusChecking = "Checking if GTA:VC is running...";
inline constexpr const char* kStatusRunning = "GTA:VC is running!";
inline constexpr const char* kStatusNotRunning = "GTA:VC is NOT running!";

/** Keeps one open handle to the running game: probes it every tick and, when the probe reads
 *  nothing, looks for the game again. */
class GameLink {
public:
    GameLink(ProcessService& processes, Clock& clock, PlaybackWatch& watch, StatusView& view,
             Notifier& notifier)
        : processes_(processes), clock_(clock), watch_(watch), view_(view), notifier_(notifier) {}
    ~GameLink();
    GameLink(const GameLink&) = delete;
    GameLink& operator=(const GameLink&) = delete;
    GameLink(GameLink&&) = delete;
    GameLink& operator=(GameLink&&) = delete;

    /** Probe, playback step, re-attach when the probe read nothing, status caption. */
    void GameLinkTick();

    /** The first live process named gta-vc.exe (any letter case) in system order, else 0. */
    ProcessId FindGameProcess();

    /** Opens the process, releasing the handle held before; true when a handle was got. */
    bool OpenGameProcess(ProcessId id);

    /** The open game, 0 when none. */
    [[nodiscard]] ProcessHandle handle() const { return game_; }
    [[nodiscard]] bool gameRunning() const { return gameRunning_; }

private:
    ProcessService& processes_;
    Clock& clock_;
    PlaybackWatch& watch_;
    StatusView& view_;
    Notifier& notifier_;
    ProcessHandle game_ = 0;
    bool gameRunning_ = false;
    ProcessId refusalReportedFor_ = 0;
};

} // namespace clipwarden
