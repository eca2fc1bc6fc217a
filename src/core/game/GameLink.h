#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/game/GameMemoryLayout.h"
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

/** How long a game must stay refused before the log says so: a `clipwarden --launch` that
 *  started it hands it over within moments, and then there is nothing to tell. */
inline constexpr std::int64_t kRefusalGraceMilliseconds = 5000;

/** Keeps one open handle to the running game: probes it every tick and, when the probe reads
 *  nothing, looks for the game again. */
class GameLink {
public:
    GameLink(ProcessService& processes, Clock& clock, PlaybackWatch& watch, StatusView& view,
             Notifier& notifier)
        : processes_(processes), clock_(clock), watch_(watch), view_(view), notifier_(notifier) {}

    /** `recognised` runs once per attach, when the game's executable has been recognised. */
    void OnRecognised(std::function<void(const GameLayout&)> recognised) {
        recognised_ = std::move(recognised);
    }
    ~GameLink();
    GameLink(const GameLink&) = delete;
    GameLink& operator=(const GameLink&) = delete;
    GameLink(GameLink&&) = delete;
    GameLink& operator=(GameLink&&) = delete;

    /** Probe, recognition, playback step, re-attach when the probe read nothing, status. */
    void GameLinkTick();

    /** The first live process named gta-vc.exe (any letter case) in system order, else 0. */
    ProcessId FindGameProcess();

    /** Opens the process, releasing the handle held before; true when a handle was got. */
    bool OpenGameProcess(ProcessId id);

    /** Takes a game that a launcher opened and handed over, in place of the one held: it is
     *  then watched and written to like a game found here, until its probe reads nothing. */
    void UseHandedOverGame(ProcessId id, ProcessHandle handle);

    /** The open game, 0 when none. */
    [[nodiscard]] ProcessHandle handle() const { return game_; }

    /** Where the open game keeps its data; nothing until its executable is recognised. */
    [[nodiscard]] const GameLayout* layout() const { return layout_; }
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
    ProcessId refused_ = 0;         ///< the game refused on the last look, 0 when none
    std::int64_t refusedSince_ = 0; ///< when it was first refused, on the steady clock

    /** Reads the game's signature until it is one Clipwarden knows; says once per attach what
     *  it found when it is not. */
    void Recognise();
    /** The byte of the playback flag at the game's layout (`probed` when the liveness probe
     *  read it already), 0 when the layout is unknown or the flag unreadable. */
    std::uint8_t PlaybackFlag(std::uint8_t probed);

    ProcessId gameId_ = 0;
    const GameLayout* layout_ = nullptr;
    std::string lastSaid_; ///< what was said about this attach's signature, so it is said once
    std::function<void(const GameLayout&)> recognised_;
};

} // namespace clipwarden
