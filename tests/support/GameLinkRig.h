#pragma once

#include <memory>
#include <sstream>

#include "Fakes.h"
#include "game/GameDisplay.h"
#include "game/GameLink.h"
#include "notify/Notifier.h"
#include "platform/ProcessService.h"

namespace clipwarden::test {

/** The game link and display over the real process backend, against a plain main window. */
struct GameLinkRig {
    AppState state;
    FakeMainView view;
    FakeClock clock;
    std::ostringstream echo;
    std::unique_ptr<ProcessService> processes = CreateProcessService();
    Notifier notifier{state, view, echo};
    PlaybackWatch watch{state, clock, notifier};
    GameLink link{state, *processes, clock, watch, view, notifier};
    GameDisplay display{state, *processes, view, view};

    GameLinkRig() { view.SelectVersionOption(true); }
    ~GameLinkRig() {
        if (processes) {
            processes->Close(state.gameProcess);
        }
    }
    GameLinkRig(const GameLinkRig&) = delete;
    GameLinkRig& operator=(const GameLinkRig&) = delete;
    GameLinkRig(GameLinkRig&&) = delete;
    GameLinkRig& operator=(GameLinkRig&&) = delete;
};

} // namespace clipwarden::test
