#include "core/replays/ReplaySelection.h"

#include <algorithm>

#include "core/Text.h"
#include "core/gamefiles/ReplayReader.h"

namespace clipwarden {

// Names compare as the game's file system does: ignoring letter case.

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
    std::erase_if(names, [](const std::string& name) { return EqualIgnoringAsciiCase(name, kReplaySlot); });
    const std::string current = library_.cursor().currentReplay();
    const auto at = std::find_if(names.begin(), names.end(), [&](const std::string& name) {
        return EqualIgnoringAsciiCase(name, current);
    });
    if (at == names.end()) {
        return;
    }
    // Each stored replay in the key's direction, until one is fit for the game; a damaged one
    // is stepped over, and the cursor never rests on it. The names as stored: the log and the
    // game then show the file as it is.
    const char* key = direction > 0 ? "F6" : "F5";
    std::vector<std::pair<std::string, std::string>> damaged; // name, why
    auto index = static_cast<std::ptrdiff_t>(at - names.begin());
    for (index += direction; index >= 0 && index < static_cast<std::ptrdiff_t>(names.size());
         index += direction) {
        const std::string& candidate = names[static_cast<std::size_t>(index)];
        Checked checked = Check(candidate);
        if (checked.failed) {
            // Reported; the next press goes on past it, as after any failed copy.
            library_.cursor().SetCurrentReplay(candidate);
            return;
        }
        if (!checked.damage.empty()) {
            damaged.emplace_back(candidate, checked.damage);
            continue;
        }
        for (const auto& [name, why] : damaged) {
            PostDamaged(name, why, std::string("; ") + key + " went on to " + candidate + ".");
        }
        Apply(candidate, checked);
        return;
    }
    for (const auto& [name, why] : damaged) {
        PostDamaged(name, why,
                    std::string("; ") + key + " found no replay " +
                        (direction > 0 ? "after" : "before") + " it, so nothing was selected.");
    }
}

bool ReplaySelection::SelectReplay(const std::string& name) {
    if (!SecureSlot()) {
        return false;
    }
    Checked checked = Check(name);
    if (checked.failed) {
        library_.cursor().SetCurrentReplay(name);
        return false;
    }
    if (!checked.damage.empty()) {
        PostDamaged(name, checked.damage, ", so it was not selected.");
        return false;
    }
    return Apply(name, checked);
}

void ReplaySelection::PostDamaged(const std::string& name, const std::string& why,
                                  const std::string& outcome) {
    const std::string time = clock_.TimeOfDayText();
    notifier_.PostNotification(
        LogText(time, name + " is damaged (" + why + ") and would hang the game" + outcome),
        GameText(time, name, " is damaged: skipped!"));
}

ReplaySelection::Checked ReplaySelection::Check(const std::string& name) {
    Checked checked;
    const std::string source = library_.PathOf(name);
    const auto fail = [&](const std::string& why) {
        PostNamed(notifier_, clock_.TimeOfDayText(), name, FailureSuffix(why));
        checked.failed = true;
        return checked;
    };
    std::error_code error;
    const auto stamp = files_.Stamp(source, error);
    if (!stamp) {
        return fail(files_.Describe(error));
    }
    if (const std::string why = WhyTooLarge(stamp->size); !why.empty()) {
        return fail(why);
    }
    // Read once: the bytes checked here are the bytes the slot receives.
    auto bytes = files_.ReadSmallFile(source, kLargestRecording, error);
    if (!bytes) {
        return fail(files_.Describe(error));
    }
    const ReplayReading reading = ReadReplay(std::span(
        reinterpret_cast<const std::uint8_t*>(bytes->data()),
        std::min(bytes->size(), kMostReplayBytes)));
    if (reading.kind == ReplayReading::Kind::Damaged) {
        checked.damage = reading.why;
    }
    checked.bytes = std::move(*bytes);
    checked.modified = stamp->modified;
    return checked;
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

bool ReplaySelection::Apply(const std::string& chosen, const Checked& checked) {
    library_.cursor().SetCurrentReplay(chosen);
    const std::string slot = library_.PathOf(kReplaySlot);
    const auto fail = [&](const std::error_code& error) {
        PostNamed(notifier_, clock_.TimeOfDayText(), chosen, FailureSuffix(files_.Describe(error)));
    };

    std::error_code error;
    // The copy keeps the stored replay's time, as every copy of a recording does: a slot that
    // matches a stored replay in size and time is found to be stored at the next start.
    const std::string temporary = files_.WriteTemporary(slot, checked.bytes, error);
    if (temporary.empty()) {
        fail(error);
        return false;
    }
    if (!files_.SetModified(temporary, checked.modified, error) ||
        !files_.CommitTemporary(temporary, slot, true, error)) {
        files_.DiscardTemporary(temporary);
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
