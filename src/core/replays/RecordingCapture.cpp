#include "core/replays/RecordingCapture.h"

#include "core/Text.h"
#include "core/gamefiles/ReplayReader.h"

namespace clipwarden {

void RecordingCapture::TakeSlotAtStartUp() {
    lastSeen_.reset();
    settling_.reset();
    writtenAt_.reset();
    closedAt_.reset();
    openers_ = 0;
    lastReportedFailure_.reset();
    copying_.reset(); // a copy still in flight finishes into its own folder, unaccounted here
    looked_.reset();
    lookedReplay_.reset();
    lookedReading_.reset();
    ++generation_;
    library_.cursor().ForgetSlot();
    std::error_code error;
    const auto slot = files_.Stamp(library_.PathOf(kReplaySlot), error);
    if (slot && slot->size > 0 && library_.HoldsCopyOf(*slot)) {
        library_.cursor().AccountForSlot(*slot);
    }
}

void RecordingCapture::SlotOpened() {
    // A close seen stands: a write after this open, or a changed stamp, overrules it (an
    // open alone is as likely a reader, as Clipwarden itself is).
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
    // At once: a whole replay is stored now; anything else waits for the quiet time.
    timer_.RecheckCaptureIn(0);
}

void RecordingCapture::SlotChanged() {
    timer_.RecheckCaptureIn(0);
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
    std::shared_ptr<const std::string> replay =
        OpenForWriting(clock_.SteadyMilliseconds()) ? nullptr : ReadWholeReplay(slot, *before);
    if (replay ? !DoneWith(*before) : !Settled(*before)) {
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
    copy->reading = replay ? lookedReading_ : nullptr;
    copy->replay = std::move(replay);
    copying_ = copy;
    // A large recording takes a while to copy: off the GUI thread where the view can.
    FileSystem& files = files_;
    timer_.RunAside(
        [copy, &files, slot] {
            if (!copy->replay) {
                copy->temporary = files.CopyToTemporary(slot, copy->destination, copy->error);
                return;
            }
            // The bytes that were checked, with the slot's time, as a copy keeps it.
            copy->temporary = files.WriteTemporary(copy->destination, *copy->replay, copy->error);
            if (!copy->temporary.empty() &&
                !files.SetModified(copy->temporary, copy->before.modified, copy->error)) {
                files.DiscardTemporary(copy->temporary);
                copy->temporary.clear();
            }
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
               !copy.replay && (!after || *after != copy.before)) {
        // The game wrote again while we copied; the finished file is copied once it settles.
        // (Bytes read whole and checked are that recording as it was: they stand, since the
        // next save may begin at once.)
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
            IndexStoredCopy(copy);
            settling_.reset();
            if (closedStamp_ == copy.before) {
                closedAt_.reset(); // a close seen since belongs to the next recording
            }
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

bool RecordingCapture::OpenForWriting(std::int64_t now) const {
    // A write without its close, or another opener that still holds it: the close asks again.
    return (writtenAt_ && now - *writtenAt_ < kWritingExpiresMilliseconds) ||
           (openers_ > 0 && now - openedAt_ < kWritingExpiresMilliseconds);
}

std::shared_ptr<const std::string> RecordingCapture::ReadWholeReplay(const std::string& path,
                                                                   const FileStamp& slot) {
    if (!IsWholeReplaySize(slot.size)) {
        return nullptr; // caught while it is written, or no replay of the game's
    }
    if (looked_ == slot) {
        return lookedReplay_;
    }
    looked_ = slot;
    lookedAt_ = clock_.SteadyMilliseconds();
    lookedReplay_.reset();
    lookedReading_.reset();
    std::error_code error;
    auto bytes = files_.ReadSmallFile(path, kMostReplayBytes, error);
    if (!bytes) {
        return nullptr;
    }
    // The stamp right after the read: the bytes checked are those of this stamp alone.
    const auto after = files_.Stamp(path, error);
    if (!after || *after != slot) {
        looked_.reset();
        return nullptr;
    }
    auto reading = std::make_shared<const ReplayReading>(ReadReplay(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size())));
    if (reading->kind == ReplayReading::Kind::Replay) {
        lookedReplay_ = std::make_shared<const std::string>(std::move(*bytes));
        lookedReading_ = std::move(reading);
    }
    return lookedReplay_;
}

bool RecordingCapture::PartOfAReplay(const std::string& path, const FileStamp& slot) {
    if (IsWholeReplaySize(slot.size) || slot.size < 8) {
        return false;
    }
    const auto header = files_.ReadText(path, 8);
    return header && *header == std::string("gtaVC7f\0", 8);
}

bool RecordingCapture::DoneWith(const FileStamp& slot) {
    if (slot.links > 1) {
        return Settled(slot); // a writer through another name is seen by no watch
    }
    if (closedAt_ && closedStamp_ == slot) {
        return true;
    }
    const std::int64_t waited = clock_.SteadyMilliseconds() - lookedAt_;
    if (waited >= kSecondLookMilliseconds) {
        return true;
    }
    timer_.RecheckCaptureIn(static_cast<int>(kSecondLookMilliseconds - waited));
    return false;
}

bool RecordingCapture::Settled(const FileStamp& slot) {
    const std::int64_t now = clock_.SteadyMilliseconds();
    if (OpenForWriting(now)) {
        return false;
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
        settlingPart_ = PartOfAReplay(library_.PathOf(kReplaySlot), slot);
    }
    const std::int64_t settle = linked          ? kLinkedSettleMilliseconds
                                : settlingPart_ ? kPartReplaySettleMilliseconds
                                                : kSettleMilliseconds;
    const std::int64_t waited = now - settlingSince_;
    if (waited >= settle) {
        return true;
    }
    timer_.RecheckCaptureIn(static_cast<int>(settle - waited));
    return false;
}

void RecordingCapture::IndexStoredCopy(const Copy& copy) {
    if (!copy.reading) {
        return; // other bytes: the Library reads them when it needs to
    }
    std::error_code error;
    const auto stored = files_.Stamp(copy.destination, error);
    if (!stored) {
        return;
    }
    library_.details().index().Put(copy.name, *stored, *copy.reading);
    if (const std::string line = library_.details().Save(); !line.empty()) {
        notifier_.PostNotification(LogText(clock_.TimeOfDayText(), line), {});
    }
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
