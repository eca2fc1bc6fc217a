#include "core/game/GameLink.h"

#include <array>

#include "core/Text.h"
#include "core/game/GameMemoryLayout.h"

namespace clipwarden {

GameLink::~GameLink() {
    processes_.Close(game_);
}

void GameLink::GameLinkTick() {
    std::array<std::byte, 1> buffer{};
    const std::size_t count = processes_.Read(game_, kPlaybackFlag, buffer);
    watch_.OnPlaybackFlag(count == 1 ? std::to_integer<std::uint8_t>(buffer[0]) : 0);
    if (count == 0) {
        gameRunning_ = OpenGameProcess(FindGameProcess());
    }
    view_.SetStatusText(gameRunning_ ? kStatusRunning : kStatusNotRunning);
}

ProcessId GameLink::FindGameProcess() {
    for (const ProcessEntry& entry : processes_.Snapshot()) {
        // A game that has ended but is not yet reaped has no memory to read.
        if (ToLowerAscii(entry.exeFile) == kGameExecutable && processes_.IsAlive(entry.id)) {
            return entry.id;
        }
    }
    return 0;
}

bool GameLink::OpenGameProcess(ProcessId id) {
    OpenFailure failure = OpenFailure::NotFound;
    const ProcessHandle handle = id == 0 ? 0 : processes_.Open(id, failure);
    processes_.Close(game_);
    game_ = handle;
    if (failure == OpenFailure::Refused && refusalReportedFor_ != id) {
        refusalReportedFor_ = id;
        notifier_.PostNotification(
            LogText(clock_.TimeOfDayText(),
                    "GTA:VC is running (process " + std::to_string(id) +
                        "), but the system does not let Clipwarden read its memory. Start the "
                        "game from Clipwarden (Options, autorun), or allow it as the README's "
                        "\"Memory access\" section says."),
            {});
    }
    return handle != 0;
}

} // namespace clipwarden
