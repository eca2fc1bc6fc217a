#pragma once

#include <string>

namespace clipwarden {

/** Where the game text of a notification goes to be shown inside the game. */
class GameTextSink {
public:
    GameTextSink() = default;
    virtual ~GameTextSink() = default;
    GameTextSink(const GameTextSink&) = delete;
    GameTextSink& operator=(const GameTextSink&) = delete;
    GameTextSink(GameTextSink&&) = delete;
    GameTextSink& operator=(GameTextSink&&) = delete;

    /** Replaces whatever text waits or is on show with `text` (never empty). */
    virtual void Show(const std::string& text) = 0;
};

} // namespace clipwarden
