#include "core/replays/ReplaySelection.h"

#include "core/Text.h"

namespace clipwarden {

namespace {

/** Names compare as the game's file system does: ignoring letter case. */
bool SameName(const std::string& a, const std::string& b) {
    return ToLowerAscii(a) == ToLowerAscii(b);
}

} // namespace

void ReplaySelection::SelectNextReplay() {
    Step(+1);
}

void ReplaySelection::SelectPreviousReplay() {
    Step(-1);
}

void ReplaySelection::Step(int direction) {
    if (!SecureSlot()) {
        return;
    }
    std::error_code error;
    std::vector<std::string> names = library_.ListReplays(error);
    if (error) {
        return; // nothing was chosen yet, so nothing is reported
    }
    std::erase_if(names, [](const std::string& name) { return SameName(name, kReplaySlot); });
    const std::string& current = library_.cursor().currentReplay();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!SameName(names[i], current)) {
            continue;
        }
        // The names as stored: the log and the game then show the file as it is.
        if (direction > 0 && i + 1 < names.size()) {
            Apply(names[i + 1]);
        } else if (direction < 0 && i > 0) {
            Apply(names[i - 1]);
        }
        return;
    }
}

bool ReplaySelection::SelectReplay(const std::string& name) {
    return SecureSlot() && Apply(name);
}

bool ReplaySelection::SecureSlot() {
    const CaptureResult result = capture_.CaptureIfNew();
    switch (result.outcome) {
    case CaptureOutcome::Failed:
        capture_.PostFailure(result);
        return false;
    case CaptureOutcome::Settling:
        // Never wait in a key press: the recording is stored once it settles, and the key
        // can be pressed again then.
        PostNamed(notifier_, clock_.TimeOfDayText(), kReplaySlot, kSuffixStillWriting);
        return false;
    case CaptureOutcome::Gone: // nothing left in the slot to protect
    case CaptureOutcome::NotARecording:
    case CaptureOutcome::NothingNew:
    case CaptureOutcome::Saved:
        return true;
    }
    return false;
}

bool ReplaySelection::Apply(const std::string& chosen) {
    library_.cursor().SetCurrentReplay(chosen);
    const std::string slot = library_.PathOf(kReplaySlot);
    const std::string source = library_.PathOf(chosen);
    const auto fail = [&](const std::error_code& error) {
        PostNamed(notifier_, clock_.TimeOfDayText(), chosen, FailureSuffix(files_.Describe(error)));
    };

    std::error_code error;
    if (const auto stored = files_.Stamp(source, error); stored) {
        if (const std::string why = WhyTooLarge(stored->size); !why.empty()) {
            PostNamed(notifier_, clock_.TimeOfDayText(), chosen, FailureSuffix(why));
            return false;
        }
    }
    const std::string temporary = files_.CopyToTemporary(source, slot, error);
    if (temporary.empty() || !files_.CommitTemporary(temporary, slot, true, error)) {
        fail(error);
        return false;
    }
    PostNamed(notifier_, clock_.TimeOfDayText(), chosen, kSuffixSelected);
    const auto stamp = files_.Stamp(slot, error);
    if (!stamp) {
        fail(error);
        return false;
    }
    library_.cursor().AccountForSlot(*stamp);
    return true;
}

} // namespace clipwarden
