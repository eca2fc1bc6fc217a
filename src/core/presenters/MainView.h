#pragma once

#include <string>

#include "core/game/GameMemoryLayout.h"
#include "core/game/GameTextTimer.h"
#include "core/game/StatusView.h"
#include "core/notify/LogView.h"
#include "core/ports/ShellFolders.h"
#include "core/replays/CaptureTimer.h"

namespace clipwarden {

/** What the main window shows and does when the presenter tells it to. */
class MainView : public LogView, public StatusView, public GameTextTimer, public CaptureTimer {
public:
    virtual void ShowReplayFolder(const std::string& folder) = 0;

    /** Selects the version's option ("GTA:VC v. 1.0" or "GTA:VC v. 1.1"), the other not. */
    virtual void ShowVersion(GameVersion version) = 0;

    /** The native window, owner of the pickers and of the game launch. */
    virtual WindowRef Handle() = 0;

    /** Shows the single Options window, creating it when it is not open. */
    virtual void ShowOptionsWindow() = 0;

    /** Asks a yes/no question over the main window; true for yes. */
    virtual bool Confirm(const std::string& question) = 0;
};

} // namespace clipwarden
