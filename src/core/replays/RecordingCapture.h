#pragma once

#include <optional>
#include <string>

#include "core/notify/Notifier.h"
#include "core/ports/Clock.h"
#include "core/ports/FileSystem.h"
#include "core/replays/ReplayLibrary.h"

namespace clipwarden {

enum class CaptureOutcome {
    NothingNew,   ///< replay.rep holds what is already accounted for
    Saved,        ///< a new recording was stored and reported
    StillWriting, ///< replay.rep changed while it was copied; the copy was dropped
    Failed,       ///< the recording could not be stored; it stays unaccounted for
};

struct CaptureResult {
    CaptureOutcome outcome = CaptureOutcome::NothingNew;
    std::string name;        ///< the stored name, or the name the failure concerns
    std::string description; ///< why it failed
};

/** Copies each new recording of replay.rep into the library under the next capture name.
 *  A recording counts as stored only once a complete, unchanged copy sits under a name that
 *  held nothing before; until then it stays unaccounted for and is tried again. */
class RecordingCapture {
public:
    RecordingCapture(FileSystem& files, Clock& clock, ReplayLibrary& library, Notifier& notifier)
        : files_(files), clock_(clock), library_(library), notifier_(notifier) {}

    /** The once-a-second tick. A failure is reported once until it changes or a capture
     *  succeeds. */
    void CaptureTick();

    /** Stores the recording in replay.rep when it is not accounted for yet. Reports a save;
     *  leaves reporting a failure to the caller. */
    CaptureResult CaptureIfNew();

    /** Posts the failure of a capture ("replay.rep" when no name could be formed). */
    void PostFailure(const CaptureResult& result);

private:
    CaptureResult Fail(const std::string& name, const std::string& description);

    FileSystem& files_;
    Clock& clock_;
    ReplayLibrary& library_;
    Notifier& notifier_;
    std::string newReplayStamp_;
    std::optional<std::string> lastReportedFailure_;
};

} // namespace clipwarden
