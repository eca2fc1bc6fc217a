#include "core/game/PlaybackWatch.h"

namespace clipwarden {

void PlaybackWatch::OnPlaybackFlag(std::uint8_t flag) {
    const bool playing = flag == 1;
    if (playing == playbackActive_) {
        return;
    }
    playbackActive_ = playing;
    const char* suffix = playing ? " started!" : " stopped!";
    notifier_.PostNotification(
        LogText(clock_.TimeOfDayText(), "Playback of " + cursor_.currentReplay() + suffix), {});
}

} // namespace clipwarden
