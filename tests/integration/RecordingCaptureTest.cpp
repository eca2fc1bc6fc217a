// Capture of new recordings on real files: naming, reporting, and that nothing is ever lost,
// overwritten or left half-written.

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <filesystem>

#include "Immutable.h"
#include "InterferingFileSystem.h"
#include "ReplayHarness.h"

namespace clipwarden::test {
namespace {

bool NoTemporariesIn(const std::string& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename().string().rfind(".clipwarden-", 0) == 0) {
            return false;
        }
    }
    return true;
}

TEST(Capture, NothingHappensWhileReplayRepIsUnchanged) {
    ReplayHarness h;
    h.Record("first");
    h.AccountForSlot();
    h.Tick();
    h.Tick();
    EXPECT_TRUE(h.view.log.empty());
    EXPECT_EQ(h.Listing(), "replay.rep");
}

TEST(Capture, StoresANewRecordingByteForByteAndReportsIt) {
    ReplayHarness h;
    h.Record("old");
    h.AccountForSlot();
    const std::string content("new\0recording\xff", 15);
    h.Record(content);
    h.Tick();
    EXPECT_EQ(ReadFile(h.Path("replay0612-0.rep")), content);
    ASSERT_EQ(h.view.log.size(), 1U);
    EXPECT_EQ(h.view.log[0], "[14:03:27] replay0612-0.rep saved!");
    EXPECT_EQ(h.echo.str(), "[14:03:27] replay0612-0.rep saved!\n");
    EXPECT_EQ(h.LastGameText(), "~h~[14:03:27] ~w~~b~replay0612-0.rep~w~ saved!");
    EXPECT_EQ(h.library.cursor().currentReplay(), "replay0612-0.rep");
    h.Tick();
    EXPECT_EQ(h.view.log.size(), 1U) << "the stored recording counts as accounted for";
    EXPECT_TRUE(NoTemporariesIn(h.dir.str()));
}

TEST(Capture, TwoRecordingsGetConsecutiveNumbersAndAnOlderStampCountsToo) {
    ReplayHarness h;
    h.Record("zero");
    h.AccountForSlot();
    h.Record("one");
    h.Tick();
    h.Record("two");
    h.Tick();
    WriteFileAt(h.Path("replay.rep"), "three, older", 1'000'000);
    h.Tick();
    EXPECT_EQ(ReadFile(h.Path("replay0612-0.rep")), "one");
    EXPECT_EQ(ReadFile(h.Path("replay0612-1.rep")), "two");
    EXPECT_EQ(ReadFile(h.Path("replay0612-2.rep")), "three, older");
}

TEST(Capture, ASlotCreatedAfterStartUpIsCaptured) {
    ReplayHarness h;
    h.Tick();
    EXPECT_TRUE(h.view.log.empty());
    h.Record("first ever");
    h.Tick();
    EXPECT_EQ(ReadFile(h.Path("replay0612-0.rep")), "first ever");
}

TEST(Capture, NeverOverwritesWhatHoldsTheNextName) {
    ReplayHarness h;
    h.Record("old");
    h.AccountForSlot();
    std::filesystem::create_directory(h.Path("replay0612-0.rep")); // not listed, still there
    h.Store(".hidden");
    h.Record("new");
    h.Tick();
    EXPECT_TRUE(std::filesystem::is_directory(h.Path("replay0612-0.rep")));
    EXPECT_EQ(ReadFile(h.Path("replay0612-1.rep")), "new");
    EXPECT_EQ(h.view.log.back(), "[14:03:27] replay0612-1.rep saved!");
}

TEST(Capture, SpentNumberingIsReportedOnceAndTheRecordingIsKeptForLater) {
    ReplayHarness h;
    h.Record("old");
    h.AccountForSlot();
    h.library.cursor().SetCurrentReplay("a.rep");
    const auto accounted = h.library.cursor().accountedSlot();
    h.Store("replay0612-32767.rep");
    h.Record("precious");
    for (int tick = 0; tick < 5; ++tick) {
        h.Tick();
    }
    ASSERT_EQ(h.view.log.size(), 1U);
    EXPECT_EQ(h.view.log[0].rfind("[14:03:27] replay.rep: Overflow", 0), 0U) << h.view.log[0];
    EXPECT_EQ(h.view.log[0].back(), '!');
    EXPECT_EQ(h.LastGameText().find("~h~[14:03:27] ~w~~b~replay.rep~w~: Overflow"), 0U);
    EXPECT_EQ(h.library.cursor().currentReplay(), "a.rep");
    EXPECT_EQ(h.library.cursor().accountedSlot(), accounted);

    h.clock.ddmm = "0712"; // a new day frees the numbering
    h.Tick();
    EXPECT_EQ(ReadFile(h.Path("replay0712-0.rep")), "precious");
    EXPECT_EQ(h.view.log.back(), "[14:03:27] replay0712-0.rep saved!");
}

TEST(Capture, AReadOnlyFolderFailsOnceLosesNothingAndRecoversLater) {
    ReplayHarness h;
    h.Record("old");
    h.AccountForSlot();
    h.Record("kept in the slot");
    {
        Immutable locked(h.dir.str());
        if (!locked.ok()) {
            GTEST_SKIP() << "cannot make a folder read-only here";
        }
        h.Tick();
        h.Tick();
        h.Tick();
    }
    ASSERT_EQ(h.view.log.size(), 1U);
    EXPECT_NE(h.view.log[0].find("replay0612-0.rep: "), std::string::npos) << h.view.log[0];
    EXPECT_EQ(h.view.log[0].find("saved"), std::string::npos);
    EXPECT_EQ(h.Listing(), "replay.rep");
    h.Tick();
    EXPECT_EQ(ReadFile(h.Path("replay0612-0.rep")), "kept in the slot");
    EXPECT_EQ(h.view.log.back(), "[14:03:27] replay0612-0.rep saved!");
}

TEST(Capture, ASlotThatVanishesBeforeItIsStoredIsReportedNotSaved) {
    ReplayHarness h;
    h.Record("old");
    h.AccountForSlot();
    h.Record("new");
    // The tick reads the new stamp but the copy finds no file: simulate by removing it between
    // a failed attempt and the next one.
    {
        Immutable locked(h.dir.str());
        if (!locked.ok()) {
            GTEST_SKIP() << "cannot make a folder read-only here";
        }
        h.Tick();
    }
    std::filesystem::remove(h.Path("replay.rep"));
    h.Tick();
    for (const auto& line : h.view.log) {
        EXPECT_EQ(line.find("saved"), std::string::npos) << line;
    }
    EXPECT_NE(h.view.log.back().find("replay.rep: No such file or directory!"), std::string::npos)
        << h.view.log.back();
}

TEST(Capture, ALinkOrAFifoInTheSlotIsNotARecordingAndNothingIsReadThroughIt) {
    ReplayHarness h;
    TempDir elsewhere;
    const std::string secret = elsewhere / "id_rsa";
    WriteFileAt(secret, "private key", h.now);
    chmod(secret.c_str(), 0600);
    std::filesystem::create_symlink(secret, h.Path("replay.rep"));
    h.Tick();
    h.Tick();
    std::filesystem::remove(h.Path("replay.rep"));
    ASSERT_EQ(mkfifo(h.Path("replay.rep").c_str(), 0600), 0);
    h.Tick(); // would wait for a writer for good if the FIFO were opened for reading
    EXPECT_EQ(h.Listing(), "") << "nothing stored";
    EXPECT_EQ(h.view.log, (std::vector<std::string>{"[14:03:27] replay.rep: not a recording!"}))
        << "said once, whichever it is";

    // Swapped in between a look and the open, it is still never waited on.
    std::error_code error;
    EXPECT_EQ(h.files.CopyToTemporary(h.Path("replay.rep"), h.Path("x.rep"), error), "");
    EXPECT_EQ(error, NotARecording());
    EXPECT_FALSE(h.files.SameContents(h.Path("replay.rep"), secret, error));
    EXPECT_EQ(error, NotARecording());

    // F6 has nothing to protect there, and puts a stored replay in its place.
    h.Store("replay0101-1.rep");
    h.Store("replay0101-2.rep");
    h.library.cursor().SetCurrentReplay("replay0101-1.rep");
    h.selection.SelectNextReplay();
    EXPECT_EQ(ReadFile(h.Path("replay.rep")), "content of replay0101-2.rep");
}

TEST(Capture, ACopyIsNeverReadableByMoreThanItsSource) {
    ReplayHarness h;
    h.Record("a private recording");
    chmod(h.Path("replay.rep").c_str(), 0600);
    const mode_t mask = umask(022);
    h.Tick();
    umask(mask);
    struct stat info {};
    ASSERT_EQ(stat(h.Path("replay0612-0.rep").c_str(), &info), 0) << h.Listing();
    EXPECT_EQ(info.st_mode & 0777, 0600U);
}

TEST(Capture, AFullDiskLeavesNoHalfCopyAndTheSlotWhole) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    }
    ReplayHarness h;
    const std::string mountPoint = h.dir / "small";
    std::filesystem::create_directory(mountPoint);
    if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "this system does not let the test mount a tmpfs";
    }
    h.library.SetFolder(mountPoint);
    const std::string big(40 * 1024, 'r');
    WriteFileAt(mountPoint + "/replay.rep", big, h.now + 5);
    h.Tick(); // 40 KiB slot + 40 KiB copy do not fit in 64 KiB
    const bool clean = NoTemporariesIn(mountPoint);
    const std::string listing = h.Listing();
    const std::string slot = ReadFile(mountPoint + "/replay.rep");
    umount(mountPoint.c_str());
    ASSERT_EQ(h.view.log.size(), 2U) << "the low-space warning, then the failure";
    EXPECT_NE(h.view.log[0].find("is free on the disk of the replay folder"), std::string::npos)
        << h.view.log[0];
    EXPECT_NE(h.view.log[1].find("No space left on device; free some space there, or choose "
                                 "another replay folder!"),
              std::string::npos)
        << h.view.log[1];
    EXPECT_TRUE(clean);
    EXPECT_EQ(listing, "replay.rep");
    EXPECT_EQ(slot, big);
}

TEST(Capture, ACopyTakenWhileTheGameWritesIsDroppedAndTakenAgainWhenSettled) {
    ReplayHarness h;
    InterferingFileSystem files(h.files);
    RecordingCapture capture{files, h.clock, h.library, h.notifier, h.view};
    h.Record("old");
    h.AccountForSlot();
    h.Record("half");
    files.afterCopy = [&] { WriteFileAt(h.Path("replay.rep"), "half and the rest", h.now + 1); };
    capture.CaptureTick();
    h.clock.steady += kSettleMilliseconds;
    capture.CaptureTick();
    EXPECT_EQ(h.Listing(), "replay.rep");
    EXPECT_TRUE(h.view.log.empty());
    EXPECT_TRUE(NoTemporariesIn(h.dir.str()));
    files.afterCopy = nullptr;
    capture.CaptureTick();
    EXPECT_EQ(h.Listing(), "replay.rep") << "the changed slot has to settle first";
    h.clock.steady += kSettleMilliseconds;
    capture.CaptureTick();
    EXPECT_EQ(ReadFile(h.Path("replay0612-0.rep")), "half and the rest");
    EXPECT_EQ(h.view.log.size(), 1U);
}

TEST(Capture, LowSpaceIsSaidOnceInTheLogAndTheGameAndTheCopyIsTriedAllTheSame) {
    ReplayHarness h;
    InterferingFileSystem files(h.files);
    RecordingCapture capture{files, h.clock, h.library, h.notifier, h.view};
    const auto tick = [&] { // seen, then seen again once settled
        capture.CaptureTick();
        h.clock.steady += kSettleMilliseconds;
        capture.CaptureTick();
    };
    files.freeBytes = 5'000; // less than twice each recording below
    for (const char* recording : {"first take", "second take"}) {
        h.Record(std::string(3'000, recording[0]));
        tick();
    }
    ASSERT_EQ(h.view.log.size(), 3U)
        << "one warning, then a saved! line for each: " << h.view.log.back();
    EXPECT_NE(h.view.log[0].find("Only 5.0 kB is free on the disk of the replay folder, less "
                                 "than twice the 3.0 kB of the new recording"),
              std::string::npos)
        << h.view.log[0];
    EXPECT_NE(h.view.log[0].find("empty the trash"), std::string::npos);
    EXPECT_NE(h.view.log[1].find("saved!"), std::string::npos);
    EXPECT_NE(h.gameText.shown.front().find("the disk is nearly full!"), std::string::npos);

    files.freeBytes = 1'000'000; // room again, then short once more: said again
    h.Record("third take");
    tick();
    files.freeBytes = 10;
    h.Record("fourth take");
    tick();
    EXPECT_EQ(h.view.log.size(), 6U);
    EXPECT_NE(h.view.log[4].find("is free on the disk"), std::string::npos);
}

} // namespace
} // namespace clipwarden::test
