#pragma once

#include <ostream>
#include <string>

#include "core/ports/Clock.h"
#include "core/ports/FileManager.h"
#include "core/ports/FileSystem.h"
#include "core/ports/FolderWatch.h"
#include "core/ports/GameLauncher.h"
#include "core/ports/KeySource.h"
#include "core/ports/ProcessService.h"
#include "core/ports/Registry.h"
#include "core/ports/SettingsStore.h"
#include "core/ports/ShellFolders.h"
#include "core/ports/Trash.h"

namespace clipwarden {

/** The operating-system services the program runs on, chosen by the composition root. */
struct Services {
    FileSystem& files;
    Clock& clock;
    SettingsStore& settings;
    ShellFolders& shell;
    ProcessService& processes;
    KeySource& keys;
    GameLauncher& launcher;
    Trash& trash;
    FileManager& fileManager;
    FolderWatch& folderWatch;
    Registry& registry; ///< where Windows installers note the game's folder
    std::ostream& logEcho; ///< every log line is also written here
    std::string defaultGameFolder;
    SearchPlaces searchPlaces; ///< where to look for the game's folders; empty looks nowhere
};

} // namespace clipwarden
