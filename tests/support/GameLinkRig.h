#pragma once

#include <memory>
#include <sstream>

#include "Fakes.h"
#include "core/game/GameLink.h"
#include "core/game/InGameText.h"
#include "core/notify/Notifier.h"
#include "core/ports/ProcessService.h"
#include "core/replays/ReplayCursor.h"

namespace clipwarden::test {

/** The game link and the in-game text over the real process backend, against a plain main
 *  window. */
struct GameLinkRig {
    FakeMainView view;
    FakeClock clock;
    std::ostringstream echo;
    std::unique_ptr<ProcessService> processes = CreateProcessService();
    ReplayCursor cursor;
    InGameText inGameText{*processes, view};
    Notifier notifier{view, inGameText, echo};
    PlaybackWatch watch{cursor, clock, notifier};
    GameLink link{*processes, clock, watch, view, notifier};

    /** The log without the lines that name the game's version. */
    [[nodiscard]] std::vector<std::string> Events() const { return WithoutVersionLines(view.log); }

    /** A game-text tick at the locations of the game as recognised. */
    void GameTextTick() { inGameText.GameTextTick(link.handle(), link.layout()); }
};

} // namespace clipwarden::test
