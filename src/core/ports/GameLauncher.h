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

} // namespace clipwarden
