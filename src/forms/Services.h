#pragma once

#include <ostream>

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/KeyboardHookService.h"
#include "platform/ProcessService.h"
#include "platform/SettingsStore.h"
#include "shell/GameLauncher.h"
#include "shell/ShellFolders.h"

namespace clipwarden {

/** The operating-system services the program runs on, chosen by the composition root. */
struct Services {
    FileSystem& files;
    Clock& clock;
    SettingsStore& settings;
    ShellFolders& shell;
    ProcessService& processes;
    KeyboardHookService& hooks;
    GameLauncher& launcher;
    std::ostream& logEcho; ///< every log line is also written here
    std::string defaultGameFolder;
};

} // namespace clipwarden
