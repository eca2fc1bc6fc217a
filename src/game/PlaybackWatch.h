#pragma once

#include <cstdint>

#include "core/AppState.h"
#include "notify/Notifier.h"
#include "platform/Clock.h"

namespace clipwarden {

/** Logs when the game starts and stops playing a replay, judged from its playback flag. */
class PlaybackWatch {
public:
    PlaybackWatch(AppState& state, Clock& clock, Notifier& notifier)
        : state_(state), clock_(clock), notifier_(notifier) {}

    /** The byte of this tick's probe, 0 when the read failed. Only 1 means playing. */
    void OnPlaybackFlag(std::uint8_t flag);

    [[nodiscard]] bool playbackActive() const { return playbackActive_; }

private:
    AppState& state_;
    Clock& clock_;
    Notifier& notifier_;
    bool playbackActive_ = false;
};

} // namespace clipwarden
