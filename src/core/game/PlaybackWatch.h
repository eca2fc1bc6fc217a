#pragma once

#include <cstdint>

#include "core/notify/Notifier.h"
#include "core/ports/Clock.h"
#include "core/replays/ReplayCursor.h"

namespace clipwarden {

/** Logs when the game starts and stops playing a replay, judged from its playback flag. */
class PlaybackWatch {
public:
    PlaybackWatch(const ReplayCursor& cursor, Clock& clock, Notifier& notifier)
        : cursor_(cursor), clock_(clock), notifier_(notifier) {}

    /** The byte of this tick's probe, 0 when the read failed. Only 1 means playing. */
    void OnPlaybackFlag(std::uint8_t flag);

    [[nodiscard]] bool playbackActive() const { return playbackActive_; }

private:
    const ReplayCursor& cursor_;
    Clock& clock_;
    Notifier& notifier_;
    bool playbackActive_ = false;
};

} // namespace clipwarden
