#pragma once

#include <memory>
#include <string>

namespace clipwarden {

/** Starts the game the way the shell's "open" would. */
class GameLauncher {
public:
    GameLauncher() = default;
    virtual ~GameLauncher() = default;
    GameLauncher(const GameLauncher&) = delete;
    GameLauncher& operator=(const GameLauncher&) = delete;
    GameLauncher(GameLauncher&&) = delete;
    GameLauncher& operator=(GameLauncher&&) = delete;

    /** Starts `executable` shown normally with `folder` as its working directory. Returns ""
     *  when it started or failed in a way not worth telling, else one line for the log. */
    virtual std::string Open(const std::string& executable, const std::string& folder) = 0;
};

std::unique_ptr<GameLauncher> CreateGameLauncher();

/** Where the game is installed by default on this platform. */
std::string DefaultGameFolder();

/** Where players keep their games: the user's home and the variables that move its parts.
 *  An empty home searches nothing. */
struct SearchPlaces {
    std::string home;
    std::string winePrefix; ///< $WINEPREFIX
    std::string dataHome;   ///< $XDG_DATA_HOME, or "" for ~/.local/share
    std::string configHome; ///< $XDG_CONFIG_HOME, or "" for ~/.config
};

/** Where this platform looks for the game's folders when they are not set. */
SearchPlaces DefaultSearchPlaces();

} // namespace clipwarden
