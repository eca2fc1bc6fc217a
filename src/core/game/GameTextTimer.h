#pragma once

namespace clipwarden {

/** The once-a-second tick of the in-game text, which runs only while a text is on show. */
class GameTextTimer {
public:
    GameTextTimer() = default;
    virtual ~GameTextTimer() = default;
    GameTextTimer(const GameTextTimer&) = delete;
    GameTextTimer& operator=(const GameTextTimer&) = delete;
    GameTextTimer(GameTextTimer&&) = delete;
    GameTextTimer& operator=(GameTextTimer&&) = delete;

    /** Starts or stops the tick; starting a running tick leaves its rhythm alone. */
    virtual void RunGameTextTimer(bool running) = 0;
};

} // namespace clipwarden
