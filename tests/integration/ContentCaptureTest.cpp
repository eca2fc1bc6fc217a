// Capture by content on real files: a slot that holds a whole replay of the game is stored as
// soon as nobody writes it, the very bytes that were checked; anything else keeps its wait.

#include <gtest/gtest.h>

#include <filesystem>

#include "InterferingFileSystem.h"
#include "ReplayHarness.h"
#include "ReplayWriter.h"

namespace clipwarden::test {
namespace {

std::string Replay(int frames) {
    replaywriter::ScriptedDrive drive;
    drive.frames = frames;
    const auto bytes = replaywriter::BuildReplay(drive);
    return {bytes.begin(), bytes.end()};
}

/** The harness with a file system that can interfere, and a recording already accounted for. */
struct ContentCapture : ::testing::Test {
    ReplayHarness h;
    InterferingFileSystem files{h.files};
    RecordingCapture capture{files, h.clock, h.library, h.notifier, h.view};

    void SetUp() override {
        h.Record("accounted for");
        h.AccountForSlot();
    }
    /** The game's save as the folder watch sees it on Linux: open, write, close. */
    void SaveSeenByTheWatch(const std::string& bytes) {
        capture.SlotOpened();
        capture.SlotWritten();
        h.Record(bytes);
        capture.SlotClosed();
    }
};

TEST_F(ContentCapture, AWholeReplayIsStoredAtItsCloseForeignBytesAfterTheQuietTime) {
    const std::string replay = Replay(30);
    SaveSeenByTheWatch(replay);
    EXPECT_EQ(h.view.recheckIn, 0);
    capture.CaptureTick(); // no time has passed
    ASSERT_EQ(h.Listing(), "replay.rep replay0612-0.rep");
    EXPECT_TRUE(ReadFile(h.Path("replay0612-0.rep")) == replay);
    EXPECT_EQ(std::filesystem::last_write_time(h.Path("replay0612-0.rep")),
              std::filesystem::last_write_time(h.Path("replay.rep")));
    // Indexed from the bytes it just copied.
    std::error_code error;
    const auto stored = h.files.Stamp(h.Path("replay0612-0.rep"), error);
    ASSERT_TRUE(stored);
    const IndexedReplay* indexed = h.library.details().index().Find("replay0612-0.rep", *stored);
    ASSERT_NE(indexed, nullptr);
    EXPECT_EQ(indexed->reading.details.frames, 30);

    SaveSeenByTheWatch(replay.substr(0, 100'008) + "x"); // no whole replay: today's rule
    capture.CaptureTick();
    EXPECT_EQ(h.Listing(), "replay.rep replay0612-0.rep");
    EXPECT_EQ(h.view.recheckIn, kQuietMilliseconds);
    h.clock.steady += kQuietMilliseconds;
    capture.CaptureTick();
    EXPECT_EQ(h.Listing(), "replay.rep replay0612-0.rep replay0612-1.rep");
    EXPECT_EQ(h.library.details().index().size(), 1U) << "other bytes are read when needed";
}

TEST_F(ContentCapture, WhileOpenForWritingEvenAWholeReplayWaitsForTheClose) {
    capture.SlotOpened();
    capture.SlotWritten();
    h.Record(Replay(10)); // one whole buffer so far; the writer holds the file open
    capture.CaptureTick();
    h.clock.steady += 5 * kSettleMilliseconds;
    capture.CaptureTick();
    EXPECT_EQ(h.Listing(), "replay.rep");
    const std::string whole = Replay(400);
    h.Record(whole);
    capture.SlotClosed();
    capture.CaptureTick();
    EXPECT_EQ(h.Listing(), "replay.rep replay0612-0.rep");
    EXPECT_TRUE(ReadFile(h.Path("replay0612-0.rep")) == whole);
}

TEST_F(ContentCapture, WithoutACloseASecondLookFindsItUnchangedAndStoresIt) {
    const std::string replay = Replay(20);
    h.Record(replay);
    capture.CaptureTick();
    EXPECT_EQ(h.Listing(), "replay.rep");
    EXPECT_EQ(h.view.recheckIn, kSecondLookMilliseconds);
    h.clock.steady += kSecondLookMilliseconds;
    capture.CaptureTick();
    EXPECT_TRUE(ReadFile(h.Path("replay0612-0.rep")) == replay);

    // Foreign bytes keep the settle.
    h.Record("foreign bytes");
    capture.CaptureTick();
    h.clock.steady += kSecondLookMilliseconds;
    capture.CaptureTick();
    EXPECT_EQ(h.Listing(), "replay.rep replay0612-0.rep");
    h.clock.steady += kSettleMilliseconds;
    capture.CaptureTick();
    EXPECT_EQ(ReadFile(h.Path("replay0612-1.rep")), "foreign bytes");
}

TEST_F(ContentCapture, ASlotRewrittenWhileItIsReadIsNeverStoredMixed) {
    const std::string first = Replay(20);
    const std::string second = Replay(25);
    h.Record(first);
    files.afterRead = [&] {
        files.afterRead = nullptr;
        h.Record(second); // the next save, while the first was being read
    };
    capture.CaptureTick();
    h.clock.steady += kSecondLookMilliseconds;
    capture.CaptureTick();
    h.clock.steady += kSecondLookMilliseconds;
    capture.CaptureTick();
    EXPECT_EQ(h.Listing(), "replay.rep replay0612-0.rep");
    EXPECT_TRUE(ReadFile(h.Path("replay0612-0.rep")) == second);
}

TEST_F(ContentCapture, TheNextSaveDuringTheCopyLosesNeitherRecording) {
    const std::string first = Replay(20);
    const std::string second = Replay(25);
    files.afterWrite = [&] {
        files.afterWrite = nullptr;
        capture.SlotOpened();
        capture.SlotWritten();
        h.Record(second);
        capture.SlotClosed();
    };
    SaveSeenByTheWatch(first);
    capture.CaptureTick();
    capture.CaptureTick();
    EXPECT_EQ(h.Listing(), "replay.rep replay0612-0.rep replay0612-1.rep");
    EXPECT_TRUE(ReadFile(h.Path("replay0612-0.rep")) == first);
    EXPECT_TRUE(ReadFile(h.Path("replay0612-1.rep")) == second);
}

TEST_F(ContentCapture, StartUpFindsARecordingStoredByContentAndStoresItNoMore) {
    SaveSeenByTheWatch(Replay(15));
    capture.CaptureTick();
    ASSERT_EQ(h.Listing(), "replay.rep replay0612-0.rep");
    RecordingCapture restarted{h.files, h.clock, h.library, h.notifier, h.view};
    restarted.TakeSlotAtStartUp();
    h.Tick();
    restarted.CaptureTick();
    h.clock.steady += kSettleMilliseconds;
    restarted.CaptureTick();
    EXPECT_EQ(h.Listing(), "replay.rep replay0612-0.rep");
}

} // namespace
} // namespace clipwarden::test
