// F5 and F6 on real files: the two walks as they differ, their reports, and that selecting
// never destroys a recording.

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>

#include "Immutable.h"
#include "ReplayHarness.h"

namespace clipwarden::test {
namespace {

struct Selecting : ::testing::Test {
    ReplayHarness h;

    void Library(std::initializer_list<const char*> names, const char* current) {
        for (const char* name : names) {
            h.Store(name);
        }
        h.AccountForSlot();
        h.library.cursor().SetCurrentReplay(current);
    }
    std::string Slot() { return ReadFile(h.Path("replay.rep")); }
};

TEST_F(Selecting, NextAndPreviousOfTheMiddleEntry) {
    Library({"a.rep", "b.rep", "c.rep"}, "b.rep");
    h.selection.SelectNextReplay();
    EXPECT_EQ(h.library.cursor().currentReplay(), "c.rep");
    EXPECT_EQ(Slot(), "content of c.rep");
    ASSERT_EQ(h.view.log.size(), 1U);
    EXPECT_EQ(h.view.log[0], "[14:03:27] c.rep has been selected for replay!");
    EXPECT_EQ(h.LastGameText(), "~h~[14:03:27] ~w~~b~c.rep~w~ has been selected for replay!");
    std::error_code error;
    EXPECT_EQ(h.library.cursor().accountedSlot(), h.files.Stamp(h.Path("replay.rep"), error));

    h.library.cursor().SetCurrentReplay("b.rep");
    h.selection.SelectPreviousReplay();
    EXPECT_EQ(h.library.cursor().currentReplay(), "a.rep");
    EXPECT_EQ(Slot(), "content of a.rep");
}

TEST_F(Selecting, NoWrapAroundAndNothingPostedAtTheEnds) {
    Library({"a.rep", "b.rep", "c.rep"}, "c.rep");
    h.selection.SelectNextReplay();
    h.library.cursor().SetCurrentReplay("a.rep");
    h.selection.SelectPreviousReplay();
    EXPECT_TRUE(h.view.log.empty());
    EXPECT_FALSE(std::filesystem::exists(h.Path("replay.rep")));
}

TEST_F(Selecting, NextStopsWhenOnlyTheSlotFollows) {
    Library({"a.rep", "b.rep", "replay.rep"}, "b.rep");
    h.selection.SelectNextReplay();
    EXPECT_TRUE(h.view.log.empty());
    EXPECT_EQ(Slot(), "content of replay.rep");
}

TEST_F(Selecting, BothWalksStepOverTheSlot) {
    Library({"a.rep", "replay.rep", "s.rep"}, "a.rep");
    h.selection.SelectNextReplay();
    EXPECT_EQ(h.library.cursor().currentReplay(), "s.rep");
    h.selection.SelectPreviousReplay();
    EXPECT_EQ(h.library.cursor().currentReplay(), "a.rep");
    EXPECT_EQ(Slot(), "content of a.rep");
}

TEST_F(Selecting, PreviousOfTheFirstStoredReplayAfterTheSlotDoesNothing) {
    Library({"replay.rep", "s.rep"}, "s.rep");
    h.selection.SelectPreviousReplay();
    EXPECT_TRUE(h.view.log.empty());
}

TEST_F(Selecting, NothingToWalkFrom) {
    Library({"a.rep"}, "a.rep");
    h.selection.SelectNextReplay();
    h.selection.SelectPreviousReplay();
    h.library.cursor().SetCurrentReplay("");
    h.selection.SelectNextReplay();
    h.selection.SelectPreviousReplay();
    h.library.cursor().SetCurrentReplay("deleted.rep");
    h.selection.SelectNextReplay();
    h.selection.SelectPreviousReplay();
    EXPECT_TRUE(h.view.log.empty());
}

TEST_F(Selecting, BothWalksStepOverNamesOfAnyCaseAndNameThemAsStored) {
    Library({"replay0101-1.rep", "REPLAY0101-2.REP", "replay0101-3.rep"}, "replay0101-3.rep");
    h.selection.SelectPreviousReplay();
    EXPECT_EQ(Slot(), "content of REPLAY0101-2.REP");
    h.selection.SelectNextReplay();
    EXPECT_EQ(Slot(), "content of replay0101-3.rep");
    h.selection.SelectPreviousReplay();
    h.selection.SelectPreviousReplay();
    EXPECT_EQ(Slot(), "content of replay0101-1.rep");
    ASSERT_EQ(h.view.log.size(), 4U);
    EXPECT_EQ(h.view.log[0], "[14:03:27] REPLAY0101-2.REP has been selected for replay!");
    EXPECT_EQ(h.LastGameText(),
              "~h~[14:03:27] ~w~~b~replay0101-1.rep~w~ has been selected for replay!");
    // A current replay remembered in another case is still found.
    h.library.cursor().SetCurrentReplay("Replay0101-1.REP");
    h.selection.SelectNextReplay();
    EXPECT_EQ(h.library.cursor().currentReplay(), "REPLAY0101-2.REP");
}

TEST_F(Selecting, NextStepsThroughTheListingOnePerCallThenStops) {
    Library({"a.rep", "b.rep", "c.rep", "d.rep"}, "a.rep");
    for (int i = 0; i < 6; ++i) {
        h.selection.SelectNextReplay();
    }
    ASSERT_EQ(h.view.log.size(), 3U);
    EXPECT_EQ(h.view.log[2], "[14:03:27] d.rep has been selected for replay!");
    EXPECT_EQ(Slot(), "content of d.rep");
}

TEST_F(Selecting, AKeyNeverTouchesTheSlotWhileItsRecordingIsBeingCopied) {
    Library({"a.rep", "b.rep"}, "a.rep");
    h.view.holdAside = true;
    h.Record("a long recording");
    h.Tick(); // settled: its copy is on its way
    ASSERT_EQ(h.view.aside.size(), 1U);
    h.selection.SelectNextReplay();
    h.Tick();
    EXPECT_EQ(Slot(), "a long recording");
    ASSERT_EQ(h.view.log.size(), 1U);
    EXPECT_EQ(h.view.log[0], std::string("[14:03:27] replay.rep") + kSuffixStillWriting);
    EXPECT_EQ(h.view.aside.size(), 1U) << "one copy at a time";

    auto [work, done] = std::move(h.view.aside.front());
    h.view.aside.clear();
    work();
    done();
    EXPECT_EQ(h.view.log.back(), "[14:03:27] replay0612-0.rep saved!");
    EXPECT_EQ(ReadFile(h.Path("replay0612-0.rep")), "a long recording");
    h.view.holdAside = false;
    h.selection.SelectPreviousReplay(); // now the slot is stored, the keys work again
    EXPECT_EQ(Slot(), "content of b.rep");
}

TEST_F(Selecting, TheCaptureTickTakesNoSelectedReplayForANewRecording) {
    Library({"a.rep", "b.rep"}, "a.rep");
    h.selection.SelectNextReplay();
    h.Tick();
    h.Tick();
    EXPECT_EQ(h.Listing(), "a.rep b.rep replay.rep");
    EXPECT_EQ(h.view.log.size(), 1U);
}

TEST_F(Selecting, AFailedCopyNamesTheReplayKeepsTheStampAndLeavesTheSlotWhole) {
    Library({"a.rep", "b.rep", "c.rep"}, "b.rep");
    h.Record("the slot");
    h.AccountForSlot();
    const auto accounted = h.library.cursor().accountedSlot();
    {
        Immutable locked(h.dir.str());
        if (!locked.ok()) {
            GTEST_SKIP() << "cannot make the folder unchangeable here";
        }
        h.selection.SelectNextReplay();
    }
    ASSERT_EQ(h.view.log.size(), 1U);
    EXPECT_EQ(h.view.log[0].rfind("[14:03:27] c.rep: ", 0), 0U) << h.view.log[0];
    EXPECT_EQ(h.view.log[0].back(), '!');
    EXPECT_EQ(h.library.cursor().currentReplay(), "c.rep");
    EXPECT_EQ(h.library.cursor().accountedSlot(), accounted);
    EXPECT_EQ(Slot(), "the slot");
    EXPECT_EQ(h.Listing(), "a.rep b.rep c.rep replay.rep");
}

TEST_F(Selecting, PlayRefusesADamagedReplayAndHandsOverOtherBytesAsBefore) {
    Library({"other.rep"}, "other.rep");
    h.Store("broken.rep", std::string("gtaVC7f\0", 8) + "then no buffer at all");
    EXPECT_FALSE(h.selection.SelectReplay("broken.rep"));
    ASSERT_EQ(h.view.log.size(), 1U);
    EXPECT_EQ(h.view.log[0], "[14:03:27] broken.rep is damaged (its size, 29 bytes, is not that "
                             "of 1 to 8 whole buffers) and would hang the game, so it was not "
                             "selected.");
    EXPECT_EQ(h.LastGameText(), "~h~[14:03:27] ~w~~b~broken.rep~w~ is damaged: skipped!");
    EXPECT_FALSE(std::filesystem::exists(h.Path("replay.rep")));
    EXPECT_EQ(h.library.cursor().currentReplay(), "other.rep");

    // Without the game's header the game refuses a file itself, harmlessly: it goes in as ever.
    EXPECT_TRUE(h.selection.SelectReplay("other.rep"));
    EXPECT_EQ(Slot(), "content of other.rep");
}

TEST_F(Selecting, AnUnwritableSlotFailsWithoutAHalfFile) {
    Library({"a.rep", "b.rep"}, "a.rep");
    h.Record("the slot");
    h.AccountForSlot();
    {
        Immutable locked(h.Path("replay.rep"));
        if (!locked.ok() || geteuid() != 0) {
            GTEST_SKIP() << "cannot make replay.rep unchangeable in a writable folder here";
        }
        h.selection.SelectNextReplay();
    }
    ASSERT_EQ(h.view.log.size(), 1U);
    EXPECT_EQ(h.view.log[0], "[14:03:27] b.rep: Operation not permitted!");
    EXPECT_EQ(Slot(), "the slot");
    EXPECT_EQ(h.Listing(), "a.rep b.rep replay.rep");
    for (const auto& entry : std::filesystem::directory_iterator(h.dir.str())) {
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
    }
}

TEST_F(Selecting, ARecordingNotYetStoredIsCapturedBeforeTheSlotIsOverwritten) {
    Library({"a.rep", "b.rep", "c.rep"}, "b.rep");
    h.Record("unsaved recording");
    h.capture.CaptureTick(); // seen once, not yet settled
    h.clock.steady += kSettleMilliseconds;
    h.selection.SelectNextReplay(); // before the tick that would have stored it
    EXPECT_EQ(ReadFile(h.Path("replay0612-0.rep")), "unsaved recording");
    ASSERT_EQ(h.view.log.size(), 1U) << "the new capture is the last entry: F6 has no next";
    EXPECT_EQ(h.view.log[0], "[14:03:27] replay0612-0.rep saved!");
    h.selection.SelectPreviousReplay();
    EXPECT_EQ(h.library.cursor().currentReplay(), "c.rep");
    EXPECT_EQ(Slot(), "content of c.rep");
}

TEST_F(Selecting, AKeyWhileTheGameIsStillWritingSelectsNothingAndWaitsForNothing) {
    Library({"a.rep", "b.rep", "c.rep"}, "b.rep");
    h.Record("just written");
    h.selection.SelectNextReplay();
    EXPECT_EQ(Slot(), "just written");
    EXPECT_EQ(h.library.cursor().currentReplay(), "b.rep");
    ASSERT_EQ(h.view.log.size(), 1U);
    EXPECT_EQ(h.view.log[0], "[14:03:27] replay.rep: the game is still writing it, so nothing "
                             "was selected; press the key again in a moment!");
    EXPECT_EQ(h.view.recheckIn, 500) << "the capture looks again once it may have settled";
    h.clock.steady += kSettleMilliseconds;
    h.selection.SelectNextReplay();
    EXPECT_EQ(ReadFile(h.Path("replay0612-0.rep")), "just written");
}

TEST_F(Selecting, AnEmptySlotIsNoRecordingAndNeverStored) {
    Library({"a.rep", "b.rep"}, "a.rep");
    h.Record("");
    h.Tick();
    h.selection.SelectNextReplay();
    EXPECT_EQ(Slot(), "content of b.rep");
    EXPECT_EQ(h.Listing(), "a.rep b.rep replay.rep");
}

TEST_F(Selecting, AVanishedSlotHoldsNothingToProtectAndTheKeysGoOn) {
    Library({"a.rep", "b.rep"}, "a.rep");
    h.Record("never stored");
    h.capture.CaptureTick();
    std::filesystem::remove(h.Path("replay.rep"));
    h.Tick();
    ASSERT_EQ(h.view.log.size(), 1U);
    EXPECT_EQ(h.view.log[0], "[14:03:27] replay.rep: No such file or directory!");
    h.selection.SelectNextReplay();
    EXPECT_EQ(Slot(), "content of b.rep");
    h.selection.SelectPreviousReplay();
    EXPECT_EQ(Slot(), "content of a.rep");
}

TEST_F(Selecting, WhenThatCaptureFailsTheSlotIsLeftAlone) {
    Library({"a.rep", "b.rep", "replay0612-32767.rep"}, "a.rep");
    h.Record("unsaved recording");
    h.capture.CaptureTick();
    h.view.log.clear();
    h.clock.steady += kSettleMilliseconds;
    h.selection.SelectNextReplay();
    EXPECT_EQ(Slot(), "unsaved recording");
    EXPECT_EQ(h.library.cursor().currentReplay(), "a.rep");
    ASSERT_EQ(h.view.log.size(), 1U);
    EXPECT_EQ(h.view.log[0],
              "[14:03:27] replay.rep: Overflow: replay0612-32767.rep holds the highest number a "
              "capture name can have today; rename it or move it out of the replay folder!");
}

} // namespace
} // namespace clipwarden::test
