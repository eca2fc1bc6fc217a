#pragma once

#include <cstdint>
#include <string>

#include "platform/KeyboardHookService.h"
#include "platform/ProcessService.h"

namespace clipwarden {

/** The program state several parts share. Owned by the composition root, passed by reference;
 *  everything touching it runs on the GUI thread. */
struct AppState {
    std::string replayDir;       ///< replay folder, no trailing separator
    std::string currentReplay;   ///< anchor of the F5/F6 walks
    std::string lastReplayStamp; ///< stamp text of replay.rep already accounted for
    ProcessHandle gameProcess = 0;
    std::string pendingGameText; ///< at most kGameTextLimit characters
    std::int16_t gameTextTicks = 0;
    HookHandle keyboardHook = 0;
};

} // namespace clipwarden
