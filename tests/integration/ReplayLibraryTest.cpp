// The replay folder's listing, the start-up scan and the naming of captures, on real files.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "ReplayHarness.h"
#include "platform/posix/PosixFileSystem.h"

namespace clipwarden::test {
namespace {

TEST(FolderListing, ListsOrdinaryFilesOnlyMatchingIgnoringCaseInNtfsOrder) {
    ReplayHarness h;
    for (const char* name : {"b.rep", "a.rep", "C.REP", "A.rep", "notes.txt", ".hidden.rep"}) {
        h.Store(name);
    }
    std::filesystem::create_directory(h.Path("folder.rep"));
    std::filesystem::create_symlink(h.Path("b.rep"), h.Path("link.rep"));
    std::filesystem::create_symlink(h.Path("missing"), h.Path("dangling.rep"));
    std::filesystem::create_symlink(h.Path("folder.rep"), h.Path("dirlink.rep"));
    EXPECT_EQ(h.Listing(), "A.rep a.rep b.rep C.REP link.rep");
}

TEST(FolderListing, HandlesNamesThatAreNotTextOrHoldBlanksAndControls) {
    ReplayHarness h;
    const std::string odd = std::string("bad\xff\xfe name\t\x01") + ".rep";
    h.Store(odd);
    h.Store("with space.rep");
    std::error_code error;
    const auto names = h.library.ListReplays(error);
    ASSERT_FALSE(error);
    ASSERT_EQ(names.size(), 2U);
    EXPECT_EQ(names[0], odd);
    EXPECT_EQ(h.library.FindLastReplay(), "with space.rep");
}

TEST(FolderListing, MissingFolderIsAnErrorNotAnEmptyLibrary) {
    ReplayHarness h;
    h.library.SetFolder(h.dir / "gone");
    std::error_code error;
    EXPECT_TRUE(h.library.ListReplays(error).empty());
    EXPECT_TRUE(error);
    EXPECT_FALSE(h.library.NextReplayName().failure.empty());
}

TEST(Wildcard, MatchesStarsAndIgnoresCase) {
    EXPECT_TRUE(WildcardMatch("*.rep", "x.REP"));
    EXPECT_TRUE(WildcardMatch("replay0612-*.rep", "REPLAY0612-.rep"));
    EXPECT_TRUE(WildcardMatch("a*b*c", "aXXbYYbc"));
    EXPECT_FALSE(WildcardMatch("*.rep", "x.rep.bak"));
    EXPECT_FALSE(WildcardMatch("replay0612-*.rep", "replay0613-1.rep"));
    EXPECT_TRUE(WildcardMatch("gta-vc.exe", "GTA-VC.EXE"));
}

TEST(FindLastReplay, IgnoresTheSlotAndReturnsTheLastStoredEntry) {
    ReplayHarness h;
    EXPECT_EQ(h.library.FindLastReplay(), "");
    h.Store("replay.rep");
    EXPECT_EQ(h.library.FindLastReplay(), "");
    h.Store("a.rep");
    h.Store("s.rep"); // listed after replay.rep
    EXPECT_EQ(h.Listing(), "a.rep replay.rep s.rep");
    EXPECT_EQ(h.library.FindLastReplay(), "s.rep");
    std::filesystem::remove(h.Path("s.rep"));
    h.Store("b.rep"); // listed before replay.rep
    EXPECT_EQ(h.library.FindLastReplay(), "b.rep");
}

struct NamingCase {
    std::vector<std::string> stored;
    std::string expected; ///< next name, or "" for an overflow
};

class NextReplayNameTest : public ::testing::TestWithParam<NamingCase> {};

TEST_P(NextReplayNameTest, NamesOneAboveTodaysHighestNumber) {
    ReplayHarness h;
    for (const auto& name : GetParam().stored) {
        h.Store(name);
    }
    const ReplayName next = h.library.NextReplayName();
    if (GetParam().expected.empty()) {
        EXPECT_TRUE(next.name.empty());
        EXPECT_EQ(next.failure.rfind("Overflow: " + GetParam().stored.back() + " holds", 0), 0U)
            << "names the file in the way: " << next.failure;
        EXPECT_NE(next.failure.find("rename it or move it"), std::string::npos) << next.failure;
    } else {
        EXPECT_EQ(next.name, GetParam().expected);
        EXPECT_TRUE(next.failure.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Numbering, NextReplayNameTest,
    ::testing::Values(NamingCase{{}, "replay0612-0.rep"},
                      NamingCase{{"replay.rep", "replay0512-9.rep", "replay0613-4.rep"},
                                 "replay0612-0.rep"},
                      NamingCase{{"replay0612-0.rep", "replay0612-1.rep", "replay0612-2.rep"},
                                 "replay0612-3.rep"},
                      NamingCase{{"replay0612-0.rep", "replay0612-5.rep"}, "replay0612-6.rep"},
                      NamingCase{{"replay0612-007.rep"}, "replay0612-8.rep"},
                      NamingCase{{"replay0612-x.rep"}, "replay0612-1.rep"},
                      NamingCase{{"replay0612-.rep"}, "replay0612-1.rep"},
                      NamingCase{{"replay0612-2.5.rep"}, "replay0612-3.rep"},
                      NamingCase{{"replay0612-3.5.rep"}, "replay0612-5.rep"},
                      NamingCase{{"replay0612- 4abc.rep"}, "replay0612-5.rep"},
                      NamingCase{{"REPLAY0612-4.REP"}, "replay0612-5.rep"},
                      NamingCase{{"replay0612-32766.rep"}, "replay0612-32767.rep"},
                      NamingCase{{"replay0612-32767.rep"}, ""},
                      NamingCase{{"replay0612-32768.rep"}, ""},
                      NamingCase{{"replay0612-3.rep", "replay0612-40000.rep"}, ""},
                      NamingCase{{"replay0612-99999999999999999999.rep"}, ""}));

TEST(NextReplayName, UsesTodaysDayAndMonth) {
    ReplayHarness h;
    h.clock.ddmm = "2503";
    h.Store("replay0612-7.rep");
    EXPECT_EQ(h.library.NextReplayName().name, "replay2503-0.rep");
}

} // namespace
} // namespace clipwarden::test
