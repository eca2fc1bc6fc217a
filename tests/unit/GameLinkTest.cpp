// Attaching to the game, its status caption and the playback watch, over fake processes.

#include <gtest/gtest.h>

#include "Fakes.h"
#include "game/GameLink.h"
#include "game/GameMemoryLayout.h"

namespace clipwarden::test {
namespace {

struct Linking : ::testing::Test {
    AppState state;
    FakeMainView view;
    FakeProcesses processes;
    FakeClock clock;
    std::ostringstream echo;
    Notifier notifier{state, view, echo};
    PlaybackWatch watch{state, clock, notifier};
    GameLink link{state, processes, clock, watch, view, notifier};

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
    link.Timer2_Timer();
    link.Timer2_Timer();
    EXPECT_EQ(view.status, "GTA:VC is NOT running!");
    EXPECT_EQ(processes.snapshots, 2);
    EXPECT_EQ(state.gameProcess, 0);
    EXPECT_TRUE(view.log.empty());
}

TEST_F(Linking, AttachesOnTheFirstTickAndProbesFromTheNext) {
    link.Timer2_Timer();
    Start(77);
    link.Timer2_Timer();
    EXPECT_EQ(view.status, "GTA:VC is running!");
    EXPECT_NE(state.gameProcess, 0);
    const int scans = processes.snapshots;
    link.Timer2_Timer();
    link.Timer2_Timer();
    EXPECT_EQ(processes.snapshots, scans) << "an attached game is probed, not searched";
    EXPECT_EQ(processes.open.size(), 1U);
}

TEST_F(Linking, MatchesTheWholeNameInAnyCaseAndTakesTheFirstInSystemOrder) {
    Start(3, "gta-vc.exe.bak");
    Start(4, "xgta-vc.exe");
    Start(9, "GTA-VC.EXE");
    Start(12, "gta-vc.exe");
    link.FindGameProcess();
    EXPECT_EQ(link.gameProcessId(), 9U);
    EXPECT_EQ(TrimAtNul(std::string("gta-vc.exe\0junk", 15)), "gta-vc.exe");
    EXPECT_EQ(TrimAtNul("plain"), "plain");
    Start(1, std::string("gta-vc.exe\0", 11));
    link.FindGameProcess();
    EXPECT_EQ(link.gameProcessId(), 1U);
    processes.processes[1].zombie = true;
    link.FindGameProcess();
    EXPECT_EQ(link.gameProcessId(), 9U) << "a zombie is passed over";
}

TEST_F(Linking, TheGameExitingReleasesTheHandleAndARestartIsAttachedAgain) {
    Start(20);
    link.Timer2_Timer();
    processes.processes.erase(20);
    link.Timer2_Timer();
    EXPECT_EQ(view.status, "GTA:VC is NOT running!");
    EXPECT_EQ(state.gameProcess, 0);
    EXPECT_TRUE(processes.open.empty());

    Start(21);
    link.Timer2_Timer();
    const ProcessHandle first = state.gameProcess;
    processes.processes.erase(21);
    Start(22); // restarted between two ticks
    link.Timer2_Timer();
    EXPECT_EQ(view.status, "GTA:VC is running!");
    EXPECT_NE(state.gameProcess, first);
    EXPECT_EQ(processes.open.size(), 1U);
}

TEST_F(Linking, ARefusedGameIsNotRunningAndSaidOncePerProcess) {
    Start(30);
    processes.processes[30].refuse = true;
    for (int tick = 0; tick < 4; ++tick) {
        link.Timer2_Timer();
    }
    EXPECT_EQ(view.status, "GTA:VC is NOT running!");
    EXPECT_TRUE(processes.open.empty());
    ASSERT_EQ(view.log.size(), 1U);
    EXPECT_NE(view.log[0].find("process 30"), std::string::npos);
    EXPECT_NE(view.log[0].find("Memory access"), std::string::npos);
    processes.processes.erase(30);
    Start(31);
    processes.processes[31].refuse = true;
    link.Timer2_Timer();
    EXPECT_EQ(view.log.size(), 2U);
}

TEST_F(Linking, PlaybackLinesFollowTheFlag) {
    state.currentReplay = "replay0612-3.rep";
    Start(40);
    Flag(40, 1); // already playing when attached
    link.Timer2_Timer();
    EXPECT_TRUE(view.log.empty()) << "the attaching tick's read had failed";
    link.Timer2_Timer();
    link.Timer2_Timer();
    ASSERT_EQ(view.log.size(), 1U);
    EXPECT_EQ(view.log[0], "[14:03:27] Playback of replay0612-3.rep started!");
    EXPECT_FALSE(view.timer3) << "playback lines put no text into the game";
    state.currentReplay = "other.rep";
    Flag(40, 2);
    link.Timer2_Timer();
    ASSERT_EQ(view.log.size(), 2U);
    EXPECT_EQ(view.log[1], "[14:03:27] Playback of other.rep stopped!");
    Flag(40, 0);
    link.Timer2_Timer();
    EXPECT_EQ(view.log.size(), 2U);
}

TEST_F(Linking, TheGameExitingDuringPlaybackLogsStoppedThenNotRunning) {
    Start(50);
    Flag(50, 1);
    link.Timer2_Timer();
    link.Timer2_Timer();
    processes.processes.erase(50);
    link.Timer2_Timer();
    ASSERT_EQ(view.log.size(), 2U);
    EXPECT_NE(view.log[1].find("stopped!"), std::string::npos);
    EXPECT_EQ(view.status, "GTA:VC is NOT running!");
}

TEST_F(Linking, ThePlaybackFlagIsReadAtTheSameAddressForVersion10) {
    view.SelectVersionOption(false);
    Start(60);
    processes.processes[60].memory[kPlaybackFlag - 8] = 1;
    link.Timer2_Timer();
    link.Timer2_Timer();
    EXPECT_TRUE(view.log.empty());
    Flag(60, 1);
    link.Timer2_Timer();
    EXPECT_EQ(view.log.size(), 1U);
}

} // namespace
} // namespace clipwarden::test
