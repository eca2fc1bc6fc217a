#pragma once

#include <memory>
#include <sstream>

#include "Fakes.h"
#include "TempDir.h"
#include "core/notify/Notifier.h"
#include "core/replays/RecordingCapture.h"
#include "core/replays/ReplayLibrary.h"
#include "core/replays/ReplaySelection.h"
#include "platform/posix/PosixFileSystem.h"

namespace clipwarden::test {

/** The replay library over real files in a temporary folder, with a clock of our own. */
struct ReplayHarness {
    TempDir dir;
    FakeMainView view;
    FakeGameText gameText;
    std::ostringstream echo;
    FakeClock clock;
    PosixFileSystem files;
    Notifier notifier{view, gameText, echo};
    TempDir cache; ///< the user's cache folder, where the details index lives
    ReplayLibrary library{files, clock, cache.str()};
    RecordingCapture capture{files, clock, library, notifier, view};
    ReplaySelection selection{files, clock, library, notifier, capture};
    long long now = 1'700'000'000;    ///< stamps of recordings, rising
    long long stored = 1'600'000'000; ///< stamps of stored files, apart from every recording

    ReplayHarness() {
        library.SetFolder(dir.str());
        library.details().Open(dir.str());
    }

    std::string Path(const std::string& name) const { return dir / name; }

    /** A stored file with a distinct stamp each time. */
    void Store(const std::string& name, const std::string& content = {}) {
        WriteFileAt(Path(name), content.empty() ? "content of " + name : content, stored -= 10);
    }

    /** The game writes a new recording: new bytes and a new stamp. */
    void Record(const std::string& content) { WriteFileAt(Path("replay.rep"), content, now += 5); }

    /** Takes the recording in replay.rep as stored already. */
    void AccountForSlot() {
        std::error_code error;
        if (const auto stamp = files.Stamp(Path("replay.rep"), error)) {
            library.cursor().AccountForSlot(*stamp);
        }
    }

    /** A capture tick that sees replay.rep, then one after it has had time to settle. */
    void Tick() {
        capture.CaptureTick();
        clock.steady += kSettleMilliseconds;
        capture.CaptureTick();
    }

    /** The game text of the last notification that had one; "" when none had. */
    std::string LastGameText() const {
        return gameText.shown.empty() ? std::string() : gameText.shown.back();
    }

    std::string Listing() {
        std::error_code error;
        std::string out;
        for (const auto& name : library.ListReplays(error)) {
            out += (out.empty() ? "" : " ") + name;
        }
        return out;
    }
};

} // namespace clipwarden::test
