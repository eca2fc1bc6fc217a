// Attaching to the game, its status caption and the playback watch, over fake processes.

#include <gtest/gtest.h>

#include "Fakes.h"
#include "core/game/GameLink.h"
#include "core/game/GameMemoryLayout.h"

#include <optional>

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

    /** A process of that name; a game with the signature of 1.1 unless told otherwise. */
    void Start(ProcessId id, const std::string& name = "gta-vc.exe",
               std::optional<std::uint32_t> signature = kSignature11) {
        processes.processes[id] = {name, false, {}};
        Sign(id, signature);
    }
    void Sign(ProcessId id, std::optional<std::uint32_t> signature) {
        processes.Sign(id, signature);
    }
    void Flag(ProcessId id, unsigned char value, const GameLayout& layout = kLayout11) {
        processes.processes[id].memory[layout.playbackFlag] = value;
    }
    /** The log without the lines that name the game's version. */
    [[nodiscard]] std::vector<std::string> Events() const { return WithoutVersionLines(view.log); }
};

TEST_F(Linking, WithoutTheGameEveryTickScansAndSaysNotRunning) {
    EXPECT_EQ(view.status, "Checking if GTA:VC is running...");
    Start(5, "bash");
    link.GameLinkTick();
    link.GameLinkTick();
    EXPECT_EQ(view.status, "GTA:VC is NOT running!");
    EXPECT_EQ(processes.snapshots, 2);
    EXPECT_EQ(link.handle(), 0);
    EXPECT_TRUE(Events().empty());
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

TEST_F(Linking, AGameStillRefusedAfterAFewSecondsIsNotRunningAndSaidOncePerProcess) {
    Start(30);
    processes.processes[30].refuse = true;
    link.GameLinkTick();
    EXPECT_TRUE(Events().empty()) << "a launcher may hand it over in a moment";
    for (int tick = 0; tick < 6; ++tick) {
        clock.steady += 1000;
        link.GameLinkTick();
    }
    EXPECT_EQ(view.status, "GTA:VC is NOT running!");
    EXPECT_TRUE(processes.open.empty());
    ASSERT_EQ(Events().size(), 1U);
    EXPECT_NE(Events()[0].find("process 30"), std::string::npos);
    EXPECT_NE(Events()[0].find("Memory access"), std::string::npos);
    processes.processes.erase(30);
    Start(31);
    processes.processes[31].refuse = true;
    link.GameLinkTick();
    clock.steady += kRefusalGraceMilliseconds;
    link.GameLinkTick();
    EXPECT_EQ(Events().size(), 2U);
}

TEST_F(Linking, AGameHandedOverIsWatchedLikeOneFoundAndLeftWhenItEnds) {
    Start(30);
    processes.processes[30].refuse = true;
    link.GameLinkTick();
    // What a launcher's descriptor gives: the same process, opened elsewhere.
    processes.processes[30].refuse = false;
    OpenFailure failure = OpenFailure::None;
    const ProcessHandle handed = processes.Open(30, failure);
    processes.processes[30].refuse = true;
    link.UseHandedOverGame(30, handed);
    EXPECT_EQ(view.status, "GTA:VC is running!");
    EXPECT_EQ(link.handle(), handed);
    ASSERT_NE(link.layout(), nullptr) << "recognised like a game found here";
    cursor.SetCurrentReplay("replay0612-3.rep");
    Flag(30, 1);
    clock.steady += kRefusalGraceMilliseconds;
    link.GameLinkTick();
    EXPECT_EQ(Events(),
              (std::vector<std::string>{
                  "[14:03:27] The launcher handed GTA:VC (process 30) over to Clipwarden.",
                  "[14:03:27] Playback of replay0612-3.rep started!"}))
        << "and no word of the refusal before it";

    processes.processes.erase(30); // the game ends: back to the scan
    link.GameLinkTick();
    EXPECT_EQ(view.status, "GTA:VC is NOT running!");
    EXPECT_EQ(link.handle(), 0);
}

TEST_F(Linking, PlaybackLinesFollowTheFlag) {
    cursor.SetCurrentReplay("replay0612-3.rep");
    Start(40);
    Flag(40, 1); // already playing when attached
    link.GameLinkTick();
    EXPECT_TRUE(Events().empty()) << "the attaching tick's read had failed";
    link.GameLinkTick();
    link.GameLinkTick();
    ASSERT_EQ(Events().size(), 1U);
    EXPECT_EQ(Events()[0], "[14:03:27] Playback of replay0612-3.rep started!");
    EXPECT_TRUE(gameText.shown.empty()) << "playback lines put no text into the game";
    cursor.SetCurrentReplay("other.rep");
    Flag(40, 2);
    link.GameLinkTick();
    ASSERT_EQ(Events().size(), 2U);
    EXPECT_EQ(Events()[1], "[14:03:27] Playback of other.rep stopped!");
    Flag(40, 0);
    link.GameLinkTick();
    EXPECT_EQ(Events().size(), 2U);
}

TEST_F(Linking, TheGameExitingDuringPlaybackLogsStoppedThenNotRunning) {
    Start(50);
    Flag(50, 1);
    link.GameLinkTick();
    link.GameLinkTick();
    processes.processes.erase(50);
    link.GameLinkTick();
    ASSERT_EQ(Events().size(), 2U);
    EXPECT_NE(Events()[1].find("stopped!"), std::string::npos);
    EXPECT_EQ(view.status, "GTA:VC is NOT running!");
}

TEST_F(Linking, EachVersionsPlaybackFlagIsWatchedWhereItKeepsIt) {
    for (const GameLayout* layout : {&kLayout10, &kLayout11, &kLayoutSteam}) {
        view.log.clear();
        const std::uint32_t signature = layout == &kLayout10   ? kSignature10
                                        : layout == &kLayout11 ? kSignature11
                                                               : kSignatureSteam;
        Start(60, "gta-vc.exe", signature);
        link.GameLinkTick();
        ASSERT_EQ(view.log.size(), 1U);
        EXPECT_EQ(view.log[0], std::string("[14:03:27] GTA:VC ") + layout->name + " recognised.");
        Flag(60, 1, *layout);
        link.GameLinkTick();
        EXPECT_EQ(Events().size(), 1U) << layout->name;
        processes.processes.erase(60);
        link.GameLinkTick();
    }
}

TEST_F(Linking, AnExecutableThatIsNotRecognisedIsRunningButNeitherWatchedNorTold) {
    Start(70, "gta-vc.exe", 0x12345678);
    Flag(70, 1);
    link.GameLinkTick();
    link.GameLinkTick();
    EXPECT_EQ(view.status, "GTA:VC is running!");
    EXPECT_EQ(link.layout(), nullptr);
    ASSERT_EQ(view.log.size(), 1U) << "said once per attach, and no playback line";
    EXPECT_NE(view.log[0].find("signature 0x12345678"), std::string::npos) << view.log[0];
    EXPECT_NE(view.log[0].find("in-game messages and the replay watch are off"), std::string::npos);

    Start(71, "gta-vc.exe", std::nullopt); // the signature's page cannot be read
    processes.processes.erase(70);
    link.GameLinkTick();
    link.GameLinkTick();
    EXPECT_EQ(view.status, "GTA:VC is running!");
    ASSERT_EQ(view.log.size(), 2U);
    EXPECT_NE(view.log[1].find("cannot be read"), std::string::npos) << view.log[1];

    // A process of that name with no readable memory at all (a wrapper script) is attached
    // anew every tick: still said once.
    processes.processes[71].unreadable.insert(kLivenessProbe);
    for (int tick = 0; tick < 5; ++tick) {
        link.GameLinkTick();
    }
    EXPECT_EQ(view.log.size(), 2U) << view.log.back();
    EXPECT_GT(processes.snapshots, 5);
}

TEST_F(Linking, ThePackedSteamEditionIsRecognisedOnceItHasUnpacked) {
    Start(80, "gta-vc.exe", kSignatureSteamPacked);
    link.GameLinkTick();
    link.GameLinkTick();
    EXPECT_EQ(link.layout(), nullptr);
    ASSERT_EQ(view.log.size(), 1U);
    EXPECT_NE(view.log[0].find("still unpacking"), std::string::npos) << view.log[0];
    Sign(80, kSignatureSteam);
    link.GameLinkTick();
    EXPECT_EQ(link.layout(), &kLayoutSteam);
    ASSERT_EQ(view.log.size(), 2U);
    EXPECT_EQ(view.log[1], "[14:03:27] GTA:VC Steam recognised.");
}

} // namespace
} // namespace clipwarden::test
