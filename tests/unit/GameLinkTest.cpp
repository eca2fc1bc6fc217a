// Attaching to the game, its status caption and the playback watch, over fake processes.

#include <gtest/gtest.h>

#include "Fakes.h"
#include "core/game/GameLink.h"
#include "core/game/GameMemoryLayout.h"

namespace clipwarden::test {
namespace {

struct Linking : ::testing::Test {
    FakeMainView view;
    FakeGameText gameText;
    FakeProcesses processes;
    FakeClock clock;
    std::ostringstream echo;
    Notifier notifier{view, gameText, echo};
    ReplayCursor cursor;
    PlaybackWatch watch{cursor, clock, notifier};
    GameLink link{processes, clock, watch, view, notifier};

    void Start(ProcessId id, const std::string& name = "gta-vc.exe") {
        processes.processes[id] = {name, false, {}};
    }
    void Flag(ProcessId id, unsigned char value) {
        processes.processes[id].memory[kPlaybackFlag] = value;
    }
};

TEST_F(Linking, WithoutTheGameEveryTickScansAndSaysNotRunning) {
    EXPECT_EQ(view.status, "Checking if GTA:VC is running...");
    Start(5, "bash");
    link.GameLinkTick();
    link.GameLinkTick();
    EXPECT_EQ(view.status, "GTA:VC is NOT running!");
    EXPECT_EQ(processes.snapshots, 2);
    EXPECT_EQ(link.handle(), 0);
    EXPECT_TRUE(view.log.empty());
}

TEST_F(Linking, AttachesOnTheFirstTickAndProbesFromTheNext) {
    link.GameLinkTick();
    Start(77);
    link.GameLinkTick();
    EXPECT_EQ(view.status, "GTA:VC is running!");
    EXPECT_NE(link.handle(), 0);
    const int scans = processes.snapshots;
    link.GameLinkTick();
    link.GameLinkTick();
    EXPECT_EQ(processes.snapshots, scans) << "an attached game is probed, not searched";
    EXPECT_EQ(processes.open.size(), 1U);
}

TEST_F(Linking, MatchesTheWholeNameInAnyCaseAndTakesTheFirstInSystemOrder) {
    Start(3, "gta-vc.exe.bak");
    Start(4, "xgta-vc.exe");
    Start(9, "GTA-VC.EXE");
    Start(12, "gta-vc.exe");
    EXPECT_EQ(link.FindGameProcess(), 9U);
    Start(1, "gta-vc.exe");
    EXPECT_EQ(link.FindGameProcess(), 1U);
    processes.processes[1].zombie = true;
    EXPECT_EQ(link.FindGameProcess(), 9U) << "a zombie is passed over";
}

TEST_F(Linking, TheGameExitingReleasesTheHandleAndARestartIsAttachedAgain) {
    Start(20);
    link.GameLinkTick();
    processes.processes.erase(20);
    link.GameLinkTick();
    EXPECT_EQ(view.status, "GTA:VC is NOT running!");
    EXPECT_EQ(link.handle(), 0);
    EXPECT_TRUE(processes.open.empty());

    Start(21);
    link.GameLinkTick();
    const ProcessHandle first = link.handle();
    processes.processes.erase(21);
    Start(22); // restarted between two ticks
    link.GameLinkTick();
    EXPECT_EQ(view.status, "GTA:VC is running!");
    EXPECT_NE(link.handle(), first);
    EXPECT_EQ(processes.open.size(), 1U);
}

TEST_F(Linking, ARefusedGameIsNotRunningAndSaidOncePerProcess) {
    Start(30);
    processes.processes[30].refuse = true;
    for (int tick = 0; tick < 4; ++tick) {
        link.GameLinkTick();
    }
    EXPECT_EQ(view.status, "GTA:VC is NOT running!");
    EXPECT_TRUE(processes.open.empty());
    ASSERT_EQ(view.log.size(), 1U);
    EXPECT_NE(view.log[0].find("process 30"), std::string::npos);
    EXPECT_NE(view.log[0].find("Memory access"), std::string::npos);
    processes.processes.erase(30);
    Start(31);
    processes.processes[31].refuse = true;
    link.GameLinkTick();
    EXPECT_EQ(view.log.size(), 2U);
}

TEST_F(Linking, PlaybackLinesFollowTheFlag) {
    cursor.SetCurrentReplay("replay0612-3.rep");
    Start(40);
    Flag(40, 1); // already playing when attached
    link.GameLinkTick();
    EXPECT_TRUE(view.log.empty()) << "the attaching tick's read had failed";
    link.GameLinkTick();
    link.GameLinkTick();
    ASSERT_EQ(view.log.size(), 1U);
    EXPECT_EQ(view.log[0], "[14:03:27] Playback of replay0612-3.rep started!");
    EXPECT_TRUE(gameText.shown.empty()) << "playback lines put no text into the game";
    cursor.SetCurrentReplay("other.rep");
    Flag(40, 2);
    link.GameLinkTick();
    ASSERT_EQ(view.log.size(), 2U);
    EXPECT_EQ(view.log[1], "[14:03:27] Playback of other.rep stopped!");
    Flag(40, 0);
    link.GameLinkTick();
    EXPECT_EQ(view.log.size(), 2U);
}

TEST_F(Linking, TheGameExitingDuringPlaybackLogsStoppedThenNotRunning) {
    Start(50);
    Flag(50, 1);
    link.GameLinkTick();
    link.GameLinkTick();
    processes.processes.erase(50);
    link.GameLinkTick();
    ASSERT_EQ(view.log.size(), 2U);
    EXPECT_NE(view.log[1].find("stopped!"), std::string::npos);
    EXPECT_EQ(view.status, "GTA:VC is NOT running!");
}

TEST_F(Linking, ThePlaybackFlagIsReadAt0xA10AFEOnly) {
    Start(60);
    processes.processes[60].memory[kPlaybackFlag - 8] = 1;
    link.GameLinkTick();
    link.GameLinkTick();
    EXPECT_TRUE(view.log.empty());
    Flag(60, 1);
    link.GameLinkTick();
    EXPECT_EQ(view.log.size(), 1U);
}

} // namespace
} // namespace clipwarden::test
