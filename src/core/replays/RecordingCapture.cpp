#include "core/replays/RecordingCapture.h"

#include "core/Text.h"

namespace clipwarden {

void RecordingCapture::TakeSlotAtStartUp() {
    lastSeen_.reset();
    settling_.reset();
    writtenAt_.reset();
    closedAt_.reset();
    openers_ = 0;
    lastReportedFailure_.reset();
    copying_.reset(); // a copy still in flight finishes into its own folder, unaccounted here
    ++generation_;
    library_.cursor().ForgetSlot();
    std::error_code error;
    const auto slot = files_.Stamp(library_.PathOf(kReplaySlot), error);
    if (slot && slot->size > 0 && library_.HoldsCopyOf(*slot)) {
        library_.cursor().AccountForSlot(*slot);
    }
}

void RecordingCapture::SlotOpened() {
    closedAt_.reset(); // something more may come: the settle decides then
    ++openers_;
    openedAt_ = clock_.SteadyMilliseconds();
}

void RecordingCapture::SlotReleased() {
    if (openers_ > 0 && --openers_ == 0 && closedAt_) {
        timer_.RecheckCaptureIn(static_cast<int>(kQuietMilliseconds));
    }
}

void RecordingCapture::SlotUnknown() {
    openers_ = 0;
    closedAt_.reset();
    writtenAt_.reset();
}

void RecordingCapture::SlotWritten() {
    writtenAt_ = clock_.SteadyMilliseconds();
    closedAt_.reset();
}

void RecordingCapture::SlotClosed() {
    writtenAt_.reset();
    if (openers_ > 0) {
        --openers_;
    }
    std::error_code error;
    closedStamp_ = files_.Stamp(library_.PathOf(kReplaySlot), error);
    closedAt_ = clock_.SteadyMilliseconds();
    timer_.RecheckCaptureIn(static_cast<int>(kQuietMilliseconds));
}

void RecordingCapture::CaptureTick() {
    ReportOnce(CaptureIfNew());
}

void RecordingCapture::ReportOnce(const CaptureResult& result) {
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
    if (copying_) {
        // Until it is stored, the recording is in the slot alone: nothing may touch it.
        return {CaptureOutcome::Settling, kReplaySlot, "the game is still writing it"};
    }
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
    if (const std::string why = WhyTooLarge(before->size); !why.empty()) {
        return Fail(kReplaySlot, why);
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

    WarnOfLowSpace(before->size);
    auto copy = std::make_shared<Copy>();
    copy->before = *before;
    copy->name = next.name;
    copy->slot = slot;
    copy->destination = library_.PathOf(next.name);
    copy->generation = generation_;
    copying_ = copy;
    // A large recording takes a while to copy: off the GUI thread where the view can.
    FileSystem& files = files_;
    timer_.RunAside(
        [copy, &files, slot] {
            copy->temporary = files.CopyToTemporary(slot, copy->destination, copy->error);
        },
        [this, copy] { FinishCopy(*copy); });
    if (copying_ == copy) {
        copy->returned = true;
        return {CaptureOutcome::Settling, kReplaySlot, "the game is still writing it"};
    }
    return copy->result;
}

void RecordingCapture::FinishCopy(Copy& copy) {
    const bool current = copy.generation == generation_;
    if (current) {
        copying_.reset();
    }
    const std::string& slot = copy.slot;
    std::error_code error;
    if (copy.temporary.empty()) {
        copy.result = Fail(copy.name, files_.Describe(copy.error));
    } else if (const std::optional<FileStamp> after = files_.Stamp(slot, error);
               !after || *after != copy.before) {
        // The game wrote again while we copied; the finished file is copied once it settles.
        files_.DiscardTemporary(copy.temporary);
        if (current) {
            Settled(after.value_or(copy.before));
        }
        copy.result = {CaptureOutcome::Settling, kReplaySlot, "the game is still writing it"};
    } else if (!files_.CommitTemporary(copy.temporary, copy.destination, false, error)) {
        copy.result = Fail(copy.name, files_.Describe(error));
    } else {
        PostNamed(notifier_, clock_.TimeOfDayText(), copy.name, kSuffixSaved);
        copy.result = {CaptureOutcome::Saved, copy.name, {}};
        if (current) {
            // A name that comes back never inherits the label of the replay it once held.
            if (std::string why; !library_.labels().Forget(copy.name, why)) {
                notifier_.PostNotification(
                    LogText(clock_.TimeOfDayText(), copy.name +
                                                        ": the label of an earlier replay "
                                                        "of that name could not be dropped (" +
                                                        why + ")."),
                    {});
            }
            library_.cursor().SetCurrentReplay(copy.name);
            library_.cursor().AccountForSlot(copy.before);
            settling_.reset();
            closedAt_.reset();
            lastReportedFailure_.reset();
            library_.Changed(copy.name);
            if (saved_) {
                saved_();
            }
        }
    }
    if (copy.returned && current) {
        ReportOnce(copy.result);
    }
}

bool RecordingCapture::Settled(const FileStamp& slot) {
    const std::int64_t now = clock_.SteadyMilliseconds();
    if (writtenAt_ && now - *writtenAt_ < kWritingExpiresMilliseconds) {
        return false; // open for writing: its close asks again
    }
    if (openers_ > 0 && now - openedAt_ < kWritingExpiresMilliseconds) {
        return false; // another opener still holds it: the last close asks again
    }
    // A close seen here says nothing of a writer through another of the file's names.
    const bool linked = slot.links > 1;
    if (closedAt_ && closedStamp_ == slot && !linked) {
        const std::int64_t quiet = now - *closedAt_;
        if (quiet >= kQuietMilliseconds) {
            return true;
        }
        timer_.RecheckCaptureIn(static_cast<int>(kQuietMilliseconds - quiet));
        return false;
    }
    if (settling_ != slot) {
        settling_ = slot;
        settlingSince_ = now;
    }
    const std::int64_t settle = linked ? kLinkedSettleMilliseconds : kSettleMilliseconds;
    const std::int64_t waited = now - settlingSince_;
    if (waited >= settle) {
        return true;
    }
    timer_.RecheckCaptureIn(static_cast<int>(settle - waited));
    return false;
}

void RecordingCapture::WarnOfLowSpace(std::uint64_t size) {
    const auto free = files_.FreeBytes(library_.folder());
    if (!free || *free / 2 >= size) {
        lowSpaceSaid_ = false;
        return;
    }
    if (lowSpaceSaid_) {
        return;
    }
    lowSpaceSaid_ = true;
    const std::string time = clock_.TimeOfDayText();
    notifier_.PostNotification(
        LogText(time, "Only " + SizeText(*free) +
                          " is free on the disk of the replay folder, "
                          "less than twice the " +
                          SizeText(size) +
                          " of the new recording. Clipwarden tries to store it all the same; "
                          "to make room, let housekeeping remove old replays, empty the trash "
                          "(a replay moved there frees its space only then), or choose a "
                          "replay folder on another disk."),
        GameText(time, kReplaySlot, ": the disk is nearly full!"));
}

void RecordingCapture::PostFailure(const CaptureResult& result) {
    PostNamed(notifier_, clock_.TimeOfDayText(), result.name, FailureSuffix(result.description));
}

CaptureResult RecordingCapture::Fail(const std::string& name, const std::string& description) {
    return {CaptureOutcome::Failed, name, description};
}

} // namespace clipwarden
