#include "core/replays/RecordingCapture.h"

namespace clipwarden {

void RecordingCapture::TakeSlotAtStartUp() {
    lastSeen_.reset();
    settling_.reset();
    lastReportedFailure_.reset();
    library_.cursor().ForgetSlot();
    std::error_code error;
    const auto slot = files_.Stamp(library_.PathOf(kReplaySlot), error);
    if (slot && slot->size > 0 && library_.HoldsCopyOf(*slot)) {
        library_.cursor().AccountForSlot(*slot);
    }
}

void RecordingCapture::CaptureTick() {
    const CaptureResult result = CaptureIfNew();
    if (result.outcome != CaptureOutcome::Failed && result.outcome != CaptureOutcome::Gone &&
        result.outcome != CaptureOutcome::NotARecording) {
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
        lastSeen_ = before;
    } else if (error == NotARecording()) {
        // Nothing is read from it, so nothing can hang on it or leak out of it.
        lastSeen_.reset();
        return {CaptureOutcome::NotARecording, kReplaySlot, files_.Describe(error)};
    }
    if (!lastSeen_ || lastSeen_ == library_.cursor().accountedSlot() || lastSeen_->size == 0) {
        return {};
    }
    if (!before) {
        // A recording not yet stored has become unreadable: say why, keep trying.
        const CaptureOutcome outcome = error == std::errc::no_such_file_or_directory
                                           ? CaptureOutcome::Gone
                                           : CaptureOutcome::Failed;
        return {outcome, kReplaySlot, files_.Describe(error)};
    }
    if (!Settled(*before)) {
        return {CaptureOutcome::Settling, kReplaySlot, "the game is still writing it"};
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
        // The game wrote again while we copied; the finished file is copied once it settles.
        files_.DiscardTemporary(temporary);
        Settled(after.value_or(*before));
        return {CaptureOutcome::Settling, kReplaySlot, "the game is still writing it"};
    }
    if (!files_.CommitTemporary(temporary, destination, false, error)) {
        return Fail(next.name, files_.Describe(error));
    }

    PostNamed(notifier_, clock_.TimeOfDayText(), next.name, kSuffixSaved);
    library_.cursor().SetCurrentReplay(next.name);
    library_.cursor().AccountForSlot(*before);
    settling_.reset();
    lastReportedFailure_.reset();
    return {CaptureOutcome::Saved, next.name, {}};
}

bool RecordingCapture::Settled(const FileStamp& slot) {
    const std::int64_t now = clock_.SteadyMilliseconds();
    if (settling_ != slot) {
        settling_ = slot;
        settlingSince_ = now;
    }
    const std::int64_t waited = now - settlingSince_;
    if (waited >= kSettleMilliseconds) {
        return true;
    }
    timer_.RecheckCaptureIn(static_cast<int>(kSettleMilliseconds - waited));
    return false;
}

void RecordingCapture::PostFailure(const CaptureResult& result) {
    PostNamed(notifier_, clock_.TimeOfDayText(), result.name, FailureSuffix(result.description));
}

CaptureResult RecordingCapture::Fail(const std::string& name, const std::string& description) {
    return {CaptureOutcome::Failed, name, description};
}

} // namespace clipwarden
