#pragma once

#include <string>
#include <vector>

#include "core/notify/Notifier.h"
#include "core/ports/Clock.h"
#include "core/ports/FileSystem.h"
#include "core/replays/RecordingCapture.h"
#include "core/replays/ReplayLibrary.h"

namespace clipwarden {

/** F5 and F6: copy the stored replay before or after the current one over replay.rep. */
class ReplaySelection {
public:
    ReplaySelection(FileSystem& files, Clock& clock, ReplayLibrary& library, Notifier& notifier,
                    RecordingCapture& capture)
        : files_(files), clock_(clock), library_(library), notifier_(notifier), capture_(capture) {}

    /** F6: the stored replay after the current one as listed, replay.rep left out. No
     *  wrap-around; a damaged replay is stepped over. Failures are reported, never thrown. */
    void SelectNextReplay();

    /** F5: the stored replay before the current one, likewise. */
    void SelectPreviousReplay();

    /** The Library window's play: `name`, a stored replay, goes into replay.rep as F5/F6
     *  would put it there, the slot's own recording stored first; the cursor moves to it.
     *  A damaged replay, which would hang the game, is refused. False when nothing was
     *  selected (already reported). */
    bool SelectReplay(const std::string& name);

private:
    /** One step through the listing, names matched ignoring letter case as the game's file
     *  system does; +1 is F6, -1 is F5. */
    void Step(int direction);

    /** Stores a recording in replay.rep that is not accounted for yet, so that selecting
     *  never overwrites it. False (after reporting why) when the slot must stay as it is. */
    bool SecureSlot();

    /** A stored replay read once for the slot: its bytes, or why they must not go there. */
    struct Checked {
        std::string bytes;
        std::int64_t modified = 0;
        std::string damage; ///< why the game would hang on it; "" when it would not
        bool failed = false; ///< it could not be read (already reported)
    };
    Checked Check(const std::string& name);

    /** "name is damaged (why) and would hang the game" and `outcome`, in the log and the game. */
    void PostDamaged(const std::string& name, const std::string& why, const std::string& outcome);

    /** Makes `chosen` current and writes its checked bytes over replay.rep. */
    bool Apply(const std::string& chosen, const Checked& checked);

    FileSystem& files_;
    Clock& clock_;
    ReplayLibrary& library_;
    Notifier& notifier_;
    RecordingCapture& capture_;
};

} // namespace clipwarden
