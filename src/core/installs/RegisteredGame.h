#pragma once

#include <optional>
#include <string>

#include "core/ports/FileSystem.h"
#include "core/ports/Registry.h"

namespace clipwarden {

/** A game folder found through what installers noted in the registry. */
struct RegisteredGame {
    std::string folder;
    std::string foundIn; ///< "the Steam library C:\Games"; "" for the retail default
};

/** Where a Windows player has the game, when no folder is stored: the first of these that
 *  holds gta-vc.exe. Steam's own folder, then each library its libraryfolders.vdf lists; the
 *  uninstall entry "Steam App 12110"; the Rockstar Games Launcher's and the retail
 *  installer's entries; last the retail default `retailDefault`. */
std::optional<RegisteredGame> FindRegisteredGame(Registry& registry, FileSystem& files,
                                                 const std::string& retailDefault);

/** True when `folder` holds an ordinary file named gta-vc.exe in any letter case. */
bool GameExecutablePresent(FileSystem& files, const std::string& folder);

} // namespace clipwarden
