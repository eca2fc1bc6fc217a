#include "core/game/GameLink.h"

#include <array>
#include <cstdio>

#include "core/Text.h"

namespace clipwarden {

GameLink::~GameLink() {
    processes_.Close(game_);
}

void GameLink::GameLinkTick() {
    std::array<std::byte, 1> buffer{};
    const std::size_t count = processes_.Read(game_, kLivenessProbe, buffer);
    if (count == 1) {
        Recognise();
        watch_.OnPlaybackFlag(PlaybackFlag(std::to_integer<std::uint8_t>(buffer[0])));
    } else {
        watch_.OnPlaybackFlag(0);
        gameRunning_ = OpenGameProcess(FindGameProcess());
        Recognise();
    }
    view_.SetStatusText(gameRunning_ ? kStatusRunning : kStatusNotRunning);
}

std::uint8_t GameLink::PlaybackFlag(std::uint8_t probed) {
    if (layout_ == nullptr) {
        return 0; // no playback watch in an executable that was not recognised
    }
    if (layout_->playbackFlag == kLivenessProbe) {
        return probed;
    }
    std::array<std::byte, 1> flag{};
    return processes_.Read(game_, layout_->playbackFlag, flag) == 1
               ? std::to_integer<std::uint8_t>(flag[0])
               : 0;
}

void GameLink::Recognise() {
    if (game_ == 0 || layout_ != nullptr) {
        return;
    }
    std::array<std::byte, 4> bytes{};
    std::string said;
    if (processes_.Read(game_, kSignatureAddress, bytes) != bytes.size()) {
        said = "The version of GTA:VC (process " + std::to_string(gameId_) +
               ") cannot be read, so Clipwarden shows no messages in it and does not watch its "
               "replays.";
    } else {
        std::uint32_t signature = 0;
        for (std::size_t i = bytes.size(); i > 0; --i) { // little-endian
            signature = (signature << 8) | std::to_integer<std::uint32_t>(bytes[i - 1]);
        }
        layout_ = LayoutOfSignature(signature);
        if (layout_ != nullptr) {
            said = std::string("GTA:VC ") + layout_->name + " recognised.";
        } else if (signature == kSignatureSteamPacked) {
            said = "GTA:VC (Steam) is still unpacking itself; Clipwarden shows its messages "
                   "once it has.";
        } else {
            char hex[11];
            std::snprintf(hex, sizeof(hex), "0x%08X", signature);
            said = std::string("GTA:VC (process ") + std::to_string(gameId_) +
                   ") is an executable Clipwarden does not know (signature " + hex +
                   "): in-game messages and the replay watch are off for it.";
        }
    }
    if (said != lastSaid_) {
        lastSaid_ = said;
        notifier_.PostNotification(LogText(clock_.TimeOfDayText(), said), {});
    }
    if (layout_ != nullptr && recognised_) {
        recognised_(*layout_);
    }
}

ProcessId GameLink::FindGameProcess() {
    for (const ProcessId id : processes_.FindNamed(kGameExecutable)) {
        // A game that has ended but is not yet reaped has no memory to read.
        if (processes_.IsAlive(id)) {
            return id;
        }
    }
    return 0;
}

void GameLink::UseHandedOverGame(ProcessId id, ProcessHandle handle) {
    processes_.Close(game_);
    game_ = handle;
    gameId_ = id;
    gameRunning_ = handle != 0;
    refused_ = 0;
    layout_ = nullptr;
    lastSaid_.clear();
    notifier_.PostNotification(
        LogText(clock_.TimeOfDayText(), "The launcher handed GTA:VC (process " +
                                            std::to_string(id) + ") over to Clipwarden."),
        {});
    GameLinkTick();
}

bool GameLink::OpenGameProcess(ProcessId id) {
    OpenFailure failure = OpenFailure::NotFound;
    const ProcessHandle handle = id == 0 ? 0 : processes_.Open(id, failure);
    processes_.Close(game_);
    game_ = handle;
    const ProcessId attached = handle != 0 ? id : 0;
    if (attached != gameId_) {
        lastSaid_.clear(); // a process that cannot be read is attached anew each tick
    }
    gameId_ = attached;
    layout_ = nullptr; // recognised anew for every attach
    if (failure != OpenFailure::Refused) {
        refused_ = 0;
    } else if (refused_ != id) {
        refused_ = id;
        refusedSince_ = clock_.SteadyMilliseconds();
    }
    if (failure == OpenFailure::Refused && refusalReportedFor_ != id &&
        clock_.SteadyMilliseconds() - refusedSince_ >= kRefusalGraceMilliseconds) {
        refusalReportedFor_ = id;
        notifier_.PostNotification(
            LogText(clock_.TimeOfDayText(),
                    "GTA:VC is running (process " + std::to_string(id) +
                        "), but the system does not let Clipwarden read its memory. Start the "
                        "game through Clipwarden: in Steam, Lutris or Heroic with the launch "
                        "option clipwarden --launch %command%, for a Wine copy with Options, "
                        "autorun; the README's \"Memory access\" section says more."),
            {});
    }
    return handle != 0;
}

} // namespace clipwarden
