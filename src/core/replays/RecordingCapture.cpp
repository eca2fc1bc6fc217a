#include "core/replays/RecordingCapture.h"

namespace clipwarden {

void RecordingCapture::CaptureTick() {
    const CaptureResult result = CaptureIfNew();
    if (result.outcome != CaptureOutcome::Failed) {
        return;
    }
    // The same failure would otherwise fill the log once a second.
    const std::string failure = result.name + FailureSuffix(result.description);
    if (lastReportedFailure_ != failure) {
        lastReportedFailure_ = failure;
        PostFailure(result);
    }
}

CaptureResult RecordingCapture::CaptureIfNew() {
    const std::string slot = library_.PathOf(kReplaySlot);
    std::error_code error;
    const std::optional<FileStamp> before = files_.Stamp(slot, error);
    if (before) {
        newReplayStamp_ = before->text;
    }
    if (newReplayStamp_.empty()) {
        newReplayStamp_ = library_.cursor().accountedSlotStamp();
    }
    if (library_.cursor().accountedSlotStamp() == newReplayStamp_) {
        return {};
    }
    if (!before) {
        // A recording not yet stored has become unreadable: say why, keep trying.
        return Fail(kReplaySlot, files_.Describe(error));
    }

    ReplayName next = library_.NextReplayName();
    if (!next.failure.empty()) {
        return Fail(kReplaySlot, next.failure);
    }
    // Something the listing does not show (a folder, a hidden file) may hold the name.
    while (files_.Exists(library_.PathOf(next.name))) {
        if (next.number == kHighestReplayNumber) {
            return Fail(kReplaySlot, "Overflow: no free capture name is left for today");
        }
        next.name = ReplayLibrary::CaptureName(next.ddmm, ++next.number);
    }
    const std::string destination = library_.PathOf(next.name);

    const std::string temporary = files_.CopyToTemporary(slot, destination, error);
    if (temporary.empty()) {
        return Fail(next.name, files_.Describe(error));
    }
    const std::optional<FileStamp> after = files_.Stamp(slot, error);
    if (!after || *after != *before) {
        // The game was still writing; the next tick copies the finished file.
        files_.DiscardTemporary(temporary);
        return {CaptureOutcome::StillWriting, kReplaySlot, "the game is still writing it"};
    }
    if (!files_.CommitTemporary(temporary, destination, false, error)) {
        return Fail(next.name, files_.Describe(error));
    }

    PostNamed(notifier_, clock_.TimeOfDayText(), next.name, kSuffixSaved);
    library_.cursor().SetCurrentReplay(next.name);
    library_.cursor().AccountForSlot(newReplayStamp_);
    lastReportedFailure_.reset();
    return {CaptureOutcome::Saved, next.name, {}};
}

void RecordingCapture::PostFailure(const CaptureResult& result) {
    PostNamed(notifier_, clock_.TimeOfDayText(), result.name, FailureSuffix(result.description));
}

CaptureResult RecordingCapture::Fail(const std::string& name, const std::string& description) {
    return {CaptureOutcome::Failed, name, description};
}

} // namespace clipwarden
