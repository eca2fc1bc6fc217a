#include "game/GameLink.h"

#include <array>

#include "core/Text.h"
#include "game/GameMemoryLayout.h"

namespace clipwarden {

void GameLink::Timer2_Timer() {
    std::array<std::byte, 1> buffer{};
    const std::size_t count = processes_.Read(state_.gameProcess, kPlaybackFlag, buffer);
    watch_.OnPlaybackFlag(count == 1 ? std::to_integer<std::uint8_t>(buffer[0]) : 0);
    if (count == 0) {
        gameRunning_ = false;
        FindGameProcess();
        if (OpenGameProcess(gameProcessId_)) {
            gameRunning_ = true;
        }
    }
    view_.SetStatusText(gameRunning_ ? kStatusRunning : kStatusNotRunning);
}

void GameLink::FindGameProcess() {
    gameProcessId_ = 0;
    for (const ProcessEntry& entry : processes_.Snapshot()) {
        // A game that has ended but is not yet reaped has no memory to read.
        if (ToLowerAscii(TrimAtNul(entry.exeFile)) == kGameExecutable &&
            processes_.IsAlive(entry.id)) {
            gameProcessId_ = entry.id;
            return;
        }
    }
}

bool GameLink::OpenGameProcess(ProcessId id) {
    OpenFailure failure = OpenFailure::NotFound;
    const ProcessHandle handle = id == 0 ? 0 : processes_.Open(id, failure);
    if (state_.gameProcess != 0) {
        processes_.Close(state_.gameProcess);
    }
    state_.gameProcess = handle;
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

std::string TrimAtNul(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

} // namespace clipwarden
