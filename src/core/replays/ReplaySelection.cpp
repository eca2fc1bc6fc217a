#include "core/replays/ReplaySelection.h"

#include "core/Text.h"

namespace clipwarden {

void ReplaySelection::SelectNextReplay() {
    if (!SecureSlot()) {
        return;
    }
    std::error_code error;
    const auto names = library_.ListReplays(error);
    if (error) {
        return; // nothing was chosen yet, so nothing is reported
    }
    std::string chosen;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] != library_.cursor().currentReplay()) {
            continue;
        }
        if (i + 1 < names.size()) {
            chosen = names[i + 1];
            if (chosen == kReplaySlot) {
                chosen = i + 2 < names.size() ? names[i + 2] : std::string();
            }
        }
        break;
    }
    if (!chosen.empty()) {
        Apply(chosen);
    }
}

void ReplaySelection::SelectPreviousReplay() {
    if (!SecureSlot()) {
        return;
    }
    std::error_code error;
    const auto names = library_.ListReplays(error);
    if (error) {
        return;
    }
    std::string chosen;
    std::string remembered;
    for (const std::string& listed : names) {
        const std::string name = ToLowerAscii(listed);
        if (name == kReplaySlot) {
            continue;
        }
        if (name == library_.cursor().currentReplay()) {
            chosen = remembered;
        }
        remembered = name;
    }
    if (!chosen.empty()) {
        Apply(chosen);
    }
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
    case CaptureOutcome::NothingNew:
    case CaptureOutcome::Saved:
        return true;
    }
    return false;
}

void ReplaySelection::Apply(const std::string& chosen) {
    library_.cursor().SetCurrentReplay(chosen);
    const std::string slot = library_.PathOf(kReplaySlot);
    // F5 hands over a lower-cased name; a case-sensitive file system finds it as stored.
    const std::string source = library_.PathOf(files_.ResolveName(library_.folder(), chosen));
    const auto fail = [&](const std::error_code& error) {
        PostNamed(notifier_, clock_.TimeOfDayText(), chosen, FailureSuffix(files_.Describe(error)));
    };

    std::error_code error;
    const std::string temporary = files_.CopyToTemporary(source, slot, error);
    if (temporary.empty() || !files_.CommitTemporary(temporary, slot, true, error)) {
        fail(error);
        return;
    }
    PostNamed(notifier_, clock_.TimeOfDayText(), chosen, kSuffixSelected);
    const auto stamp = files_.Stamp(slot, error);
    if (!stamp) {
        fail(error);
        return;
    }
    library_.cursor().AccountForSlot(*stamp);
}

} // namespace clipwarden
