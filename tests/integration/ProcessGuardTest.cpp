// The guard every test program has: a stand-in that a test leaves running fails the program,
// even when its launcher is gone and nothing but the test program knows of it.

#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <filesystem>

#include "ChildProcess.h"
#include "TempDir.h"

namespace clipwarden::test {
namespace {

/** Run only by the test below, in a program of its own: starts a stand-in game through a
 *  shell that leaves it behind as an orphan, as a killed launcher would. */
TEST(LeavesAGameBehind, DISABLED_OnPurpose) {
    // Its input a FIFO that it holds open for writing itself: it never reads an end.
    TempDir dir;
    ChildProcess shell({"/bin/sh", "-c", "mkfifo \"$1\" && \"$0\" <>\"$1\" >/dev/null & echo $!",
                        FakeGame::Binary(), dir / "input"});
    const pid_t game = std::atoi(shell.ReadLine().c_str());
    ASSERT_TRUE(Eventually([&] { return DescribeProcess(game).name == "gta-vc.exe"; }));
    EXPECT_TRUE(Eventually([&] { return !shell.Alive(); }));
}

TEST(ProcessGuard, FailsTheProgramThatLeavesAGameRunningAndEndsTheGame) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    ChildProcess run({self, "--gtest_also_run_disabled_tests",
                      "--gtest_filter=LeavesAGameBehind.DISABLED_OnPurpose"},
                     {}, true);
    const auto lines = run.ReadUntil("left process", std::chrono::seconds(60));
    ASSERT_FALSE(lines.empty());
    const std::string& said = lines.back();
    ASSERT_NE(said.find("LeavesAGameBehind.DISABLED_OnPurpose left process "), std::string::npos) << said;
    EXPECT_NE(said.find("(gta-vc.exe) running: " + FakeGame::Binary()), std::string::npos) << said;
    const pid_t game = std::atoi(said.c_str() + said.find("left process ") + 13);
    EXPECT_TRUE(Eventually([&] { return !run.Alive(); }));
    EXPECT_EQ(run.ExitStatus(), 1) << "a test that leaves a game running fails its program";
    EXPECT_TRUE(Eventually([&] {
        const Descendant after = DescribeProcess(game);
        return after.pid == 0 || after.zombie;
    })) << "the game left behind was ended";
}

} // namespace
} // namespace clipwarden::test
