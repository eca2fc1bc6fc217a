#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/notify/Notifier.h"
#include "core/ports/Clock.h"
#include "core/ports/FileSystem.h"
#include "core/gamefiles/ReplayReader.h"
#include "core/replays/CaptureTimer.h"
#include "core/replays/ReplayLibrary.h"

namespace clipwarden {

/** How long replay.rep must keep one stamp before it counts as a finished recording. */
inline constexpr std::int64_t kSettleMilliseconds = 500;

/** How long a replay.rep with other names (hard links) must keep one stamp: a writer through
 *  another name is seen by no watch of this folder, and may pause between its writes. */
inline constexpr std::int64_t kLinkedSettleMilliseconds = 10'000;

/** How long a replay of the game caught in part (its header, not yet its whole size) must keep
 *  one stamp: the game may pause in its writing where no close can be seen, and a part is no
 *  replay. A part that stays this long is stored all the same, so that nothing is lost. */
inline constexpr std::int64_t kPartReplaySettleMilliseconds = 10'000;

/** Where the folder watch sees replay.rep closed after writing, how long nothing more may
 *  happen to it before it counts as a finished recording. */
inline constexpr std::int64_t kQuietMilliseconds = 100;

/** Where no close can be seen: how long a slot that holds a whole replay must keep its stamp
 *  before it is stored (a second look, against a writer other than the game). */
inline constexpr std::int64_t kSecondLookMilliseconds = 50;

/** A write seen by the watch without its close counts for this long at most: a close the
 *  watch missed must not keep a recording from being stored for good. */
inline constexpr std::int64_t kWritingExpiresMilliseconds = 10'000;

enum class CaptureOutcome {
    NothingNew,    ///< replay.rep holds what is already accounted for, or nothing at all
    Saved,         ///< a new recording was stored and reported
    Settling,      ///< replay.rep changed too lately to be a finished recording; not copied yet
    Gone,          ///< a recording not yet stored has vanished from replay.rep
    Failed,        ///< the recording could not be stored; it stays unaccounted for
    NotARecording, ///< replay.rep is a link, a FIFO, a device or a folder: nothing to store
};

struct CaptureResult {
    CaptureOutcome outcome = CaptureOutcome::NothingNew;
    std::string name;        ///< the stored name, or the name the failure concerns
    std::string description; ///< why it failed
};

/** Copies each new recording of replay.rep into the library under the next capture name.
 *  A slot whose bytes are a whole replay of the game (by the reader's hard checks) is stored
 *  as soon as nobody writes it: at the close seen after writing, or where no close can be
 *  seen, at a second look kSecondLookMilliseconds later that finds the same stamp; the bytes
 *  checked are the bytes stored. Any other recording is copied only once it has settled (the
 *  same stamp seen at two moments at least kSettleMilliseconds apart on the program's own
 *  clock, or kQuietMilliseconds after its close). A recording counts as stored only once a
 *  complete copy sits under a name that held nothing before; until then it stays unaccounted
 *  for and is tried again. An empty replay.rep is never a recording. */
class RecordingCapture {
public:
    RecordingCapture(FileSystem& files, Clock& clock, ReplayLibrary& library, Notifier& notifier,
                     CaptureTimer& timer)
        : files_(files), clock_(clock), library_(library), notifier_(notifier), timer_(timer) {}

    /** At start-up and when the library moves to another folder: replay.rep counts as
     *  accounted for when the library already holds its recording; otherwise it is a new
     *  recording, which the capture ticks store. What was seen in another folder is forgotten. */
    void TakeSlotAtStartUp();

    /** The once-a-second tick (and the re-checks it asks for). A failure is reported once
     *  until it changes or a capture succeeds. */
    void CaptureTick();

    /** Stores the recording in replay.rep when it is settled and not accounted for yet.
     *  Reports a save; leaves reporting anything else to the caller. */
    CaptureResult CaptureIfNew();

    /** What the folder watch saw of replay.rep: opened, written to, or closed after writing
     *  (or moved in whole). A recording closed and left alone for kQuietMilliseconds is
     *  stored at once; while it is open for writing nothing is stored. */
    void SlotOpened();
    void SlotWritten();
    void SlotClosed();
    /** Changed, where whether it is still open cannot be told (Windows): looked at again. */
    void SlotChanged();
    /** Closed without a write: one opener fewer. */
    void SlotReleased();
    /** Events were lost: who has it open is not known any more, and the settle decides. */
    void SlotUnknown();

    /** `saved` hears of each recording stored, once the library has taken it. */
    void OnSaved(std::function<void()> saved) { saved_ = std::move(saved); }

    /** Posts the failure of a capture ("replay.rep" when no name could be formed). */
    void PostFailure(const CaptureResult& result);

private:
    /** A copy of the slot on its way into the library. */
    struct Copy {
        FileStamp before;        ///< the slot as it was when the copy began
        std::string slot;        ///< the path of replay.rep it copies
        std::string name;        ///< the capture name it goes to
        std::string destination; ///< its path
        std::string temporary;   ///< what the copy wrote; "" when it failed
        /** The slot's bytes, read once and found a whole replay with the stamp unchanged
         *  across the read; empty for a copy of the file itself. */
        std::shared_ptr<const std::string> replay;
        std::shared_ptr<const ReplayReading> reading; ///< what the reader made of `replay`
        std::error_code error;
        unsigned generation = 0; ///< the folder it was taken in
        bool returned = false;   ///< CaptureIfNew has returned while it was still running
        CaptureResult result;    ///< once finished
    };

    /** Commits a finished copy on the GUI thread. A copy that finished after CaptureIfNew
     *  returned reports its own failure. */
    void FinishCopy(Copy& copy);

    /** Keeps what the reader made of a stored copy in the details index, from the bytes just
     *  copied: the file is not read again for it. */
    void IndexStoredCopy(const Copy& copy);

    /** Says once, in the log and the game, when the replay folder's disk has less than twice
     *  the recording's size free; the copy is tried all the same. */
    void WarnOfLowSpace(std::uint64_t size);

    /** Posts a failure once until it changes or a capture succeeds. */
    void ReportOnce(const CaptureResult& result);

    CaptureResult Fail(const std::string& name, const std::string& description);

    /** Whether `slot` has kept its stamp for the settle time; asks for a re-check if not. */
    bool Settled(const FileStamp& slot);

    /** Whether the slot begins as a replay of the game but has not its whole size yet. */
    bool PartOfAReplay(const std::string& path, const FileStamp& slot);

    /** The slot's bytes when they are a whole replay of the game, read once while its stamp
     *  stayed `slot`; nothing otherwise. Each stamp is read only once. */
    std::shared_ptr<const std::string> ReadWholeReplay(const std::string& path,
                                                       const FileStamp& slot);

    /** Whether a slot that holds a whole replay is done with: nobody writes it, and its close
     *  was seen or a second look finds it unchanged; asks for a re-check if not. */
    bool DoneWith(const FileStamp& slot);

    /** Whether a writer holds the slot open, as far as the watch can tell. */
    bool OpenForWriting(std::int64_t now) const;

    FileSystem& files_;
    Clock& clock_;
    ReplayLibrary& library_;
    Notifier& notifier_;
    CaptureTimer& timer_;
    std::optional<FileStamp> lastSeen_; ///< replay.rep as last read, kept when it vanishes
    std::optional<FileStamp> settling_; ///< the stamp being watched for settling
    std::int64_t settlingSince_ = 0;
    std::optional<std::string> lastReportedFailure_;
    bool lowSpaceSaid_ = false;             ///< until there is room again
    std::optional<std::int64_t> writtenAt_; ///< a write seen, its close not yet
    std::optional<std::int64_t> closedAt_;  ///< a close seen, nothing after it yet
    std::optional<FileStamp> closedStamp_;  ///< the slot as it was at that close
    /** Opens seen less closes: while another opener (a second writer) holds it, one writer's
     *  close is no end of the recording. */
    int openers_ = 0;
    std::int64_t openedAt_ = 0; ///< the last open seen
    std::shared_ptr<Copy> copying_;         ///< the copy in flight, if any
    /** The last stamp whose bytes were read, when it was first seen, and its bytes when they
     *  are a whole replay (else none). */
    std::optional<FileStamp> looked_;
    std::int64_t lookedAt_ = 0;
    std::shared_ptr<const std::string> lookedReplay_;
    std::shared_ptr<const ReplayReading> lookedReading_;
    bool settlingPart_ = false; ///< the stamp that settles is part of a replay
    unsigned generation_ = 0; ///< counts the folders taken, so a late copy knows its own
    std::function<void()> saved_;
};

} // namespace clipwarden
