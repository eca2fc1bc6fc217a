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
    EXPECT_EQ(h.library.cursor().accountedSlotStamp(),
              h.files.Stamp(h.Path("replay.rep"), error)->text);

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

TEST_F(Selecting, PreviousLowerCasesNamesAndStillCopiesTheFileAsStored) {
    Library({"Clip.rep", "d.rep"}, "d.rep");
    h.selection.SelectPreviousReplay();
    EXPECT_EQ(h.library.cursor().currentReplay(), "clip.rep");
    EXPECT_EQ(Slot(), "content of Clip.rep");
    ASSERT_EQ(h.view.log.size(), 1U);
    EXPECT_EQ(h.view.log[0], "[14:03:27] clip.rep has been selected for replay!");
    h.selection.SelectNextReplay(); // "clip.rep" is not listed as such
    EXPECT_EQ(h.view.log.size(), 1U);
}

TEST_F(Selecting, PreviousDoesNothingFromANameWithCapitals) {
    Library({"a.rep", "B.rep"}, "B.rep");
    h.selection.SelectPreviousReplay();
    EXPECT_TRUE(h.view.log.empty());
    h.library.cursor().SetCurrentReplay("a.rep");
    h.selection.SelectNextReplay();
    EXPECT_EQ(h.library.cursor().currentReplay(), "B.rep");
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

TEST_F(Selecting, TheCaptureTickTakesNoSelectedReplayForANewRecording) {
    Library({"a.rep", "b.rep"}, "a.rep");
    h.selection.SelectNextReplay();
    h.capture.CaptureTick();
    h.capture.CaptureTick();
    EXPECT_EQ(h.Listing(), "a.rep b.rep replay.rep");
    EXPECT_EQ(h.view.log.size(), 1U);
}

TEST_F(Selecting, AFailedCopyNamesTheReplayKeepsTheStampAndLeavesTheSlotWhole) {
    Library({"a.rep", "b.rep", "c.rep"}, "b.rep");
    h.Record("the slot");
    h.AccountForSlot();
    const std::string accounted = h.library.cursor().accountedSlotStamp();
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
    EXPECT_EQ(h.library.cursor().accountedSlotStamp(), accounted);
    EXPECT_EQ(Slot(), "the slot");
    EXPECT_EQ(h.Listing(), "a.rep b.rep c.rep replay.rep");
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
    h.selection.SelectNextReplay(); // before any capture tick saw it
    EXPECT_EQ(ReadFile(h.Path("replay0612-0.rep")), "unsaved recording");
    ASSERT_EQ(h.view.log.size(), 1U) << "the new capture is the last entry: F6 has no next";
    EXPECT_EQ(h.view.log[0], "[14:03:27] replay0612-0.rep saved!");
    h.selection.SelectPreviousReplay();
    EXPECT_EQ(h.library.cursor().currentReplay(), "c.rep");
    EXPECT_EQ(Slot(), "content of c.rep");
}

TEST_F(Selecting, WhenThatCaptureFailsTheSlotIsLeftAlone) {
    Library({"a.rep", "b.rep", "replay0612-32767.rep"}, "a.rep");
    h.Record("unsaved recording");
    h.selection.SelectNextReplay();
    EXPECT_EQ(Slot(), "unsaved recording");
    EXPECT_EQ(h.library.cursor().currentReplay(), "a.rep");
    ASSERT_EQ(h.view.log.size(), 1U);
    EXPECT_EQ(h.view.log[0].rfind("[14:03:27] replay.rep: Overflow", 0), 0U) << h.view.log[0];
}

// Recordings at random moments, captured by ticks or by selections, with F5 and F6 between:
// every recording ends up in the library, byte for byte, and nothing half-written remains.
TEST(SelectionAndCapture, TwoHundredRecordingsAmongRandomSelectionsAreAllKept) {
    ReplayHarness h;
    for (const char* name : {"a.rep", "b.rep", "c.rep"}) {
        h.Store(name);
    }
    h.library.cursor().AccountForSlot(h.clock.DateTimeText());
    std::mt19937 random(20261207);
    std::set<std::string> recordings;
    for (int i = 0; i < 200; ++i) {
        std::string content = "recording " + std::to_string(i) + " ";
        content.append(random() % 3000, static_cast<char>('a' + i % 26));
        h.Record(content);
        recordings.insert(content);
        // At least one tick or key press follows each recording, as the game never saves two
        // replays within one second.
        for (int steps = 1 + static_cast<int>(random() % 3); steps > 0; --steps) {
            switch (random() % 3) {
            case 0:
                h.capture.CaptureTick();
                break;
            case 1:
                h.selection.SelectPreviousReplay();
                break;
            default:
                h.selection.SelectNextReplay();
                break;
            }
        }
    }
    h.capture.CaptureTick();
    std::set<std::string> stored;
    for (const auto& entry : std::filesystem::directory_iterator(h.dir.str())) {
        const std::string name = entry.path().filename().string();
        ASSERT_NE(name.front(), '.') << "a temporary was left behind: " << name;
        if (name != "replay.rep") {
            stored.insert(ReadFile(entry.path().string()));
        }
    }
    for (const auto& recording : recordings) {
        EXPECT_TRUE(stored.count(recording)) << recording.substr(0, 16) << " was lost";
    }
    for (const auto& line : h.view.log) {
        EXPECT_EQ(line.find(": "), std::string::npos) << "unexpected failure: " << line;
    }
}

} // namespace
} // namespace clipwarden::test
