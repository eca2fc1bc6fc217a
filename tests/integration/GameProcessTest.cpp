// The game link against the stand-in game as a real process, through the real /proc backend.

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <thread>

#include "ChildProcess.h"
#include "GameLinkRig.h"

namespace clipwarden::test {
namespace {

/** Whether this process holds a descriptor of the given /proc/<pid>/mem. */
bool HoldsMemoryOf(pid_t pid) {
    const std::string target = "/proc/" + std::to_string(pid) + "/mem";
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (std::filesystem::read_symlink(entry.path(), error).string() == target) {
            return true;
        }
    }
    return false;
}

int OpenDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr) {
            ++count;
        }
        closedir(dir);
    }
    return count;
}

std::string Hex(const TextBlock& block) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (std::byte b : block) {
        const auto v = std::to_integer<unsigned>(b);
        out.push_back(digits[v >> 4]);
        out.push_back(digits[v & 15]);
    }
    return out;
}

struct GameProcess : ::testing::Test, GameLinkRig {
    void Attach() {
        link.Timer2_Timer();
        ASSERT_EQ(view.status, "GTA:VC is running!");
    }
    void DisplayTick() {
        if (view.timer3) {
            display.Timer3_Timer();
        }
    }
};

TEST_F(GameProcess, AttachesOnTheFirstTickAfterTheGameStarts) {
    link.Timer2_Timer();
    EXPECT_EQ(view.status, "GTA:VC is NOT running!");
    FakeGame game;
    link.Timer2_Timer();
    EXPECT_EQ(view.status, "GTA:VC is running!");
    EXPECT_EQ(link.gameProcessId(), static_cast<ProcessId>(game.pid()));
    EXPECT_NE(state.gameProcess, 0);
}

TEST_F(GameProcess, LogsPlaybackStartedAndStopped) {
    FakeGame game;
    state.currentReplay = "replay0612-3.rep";
    game.Command("playback 1"); // already playing when attached
    Attach();
    EXPECT_TRUE(view.log.empty());
    link.Timer2_Timer();
    ASSERT_EQ(view.log.size(), 1U);
    EXPECT_EQ(view.log[0], "[14:03:27] Playback of replay0612-3.rep started!");
    link.Timer2_Timer();
    game.Command("playback 2");
    link.Timer2_Timer();
    ASSERT_EQ(view.log.size(), 2U);
    EXPECT_EQ(view.log[1], "[14:03:27] Playback of replay0612-3.rep stopped!");
}

TEST_F(GameProcess, ACapturesTextIsShownInAllThreeBuffersForFiveTicksThenCleared) {
    FakeGame game;
    Attach();
    PostNamed(notifier, "14:03:27", "replay0612-3.rep", kSuffixSaved);
    const std::string expected = Hex(BuildTextBlock(state.pendingGameText));
    for (int tick = 0; tick < 5; ++tick) {
        DisplayTick();
        const auto shown = game.Command("show raw");
        ASSERT_EQ(shown.size(), 4U);
        EXPECT_EQ(shown[0].substr(0, 23), "flag1=31 flag2=31 playb");
        for (int i = 1; i <= 3; ++i) {
            EXPECT_EQ(shown[i], "text" + std::to_string(i) + "=" + expected);
        }
    }
    EXPECT_EQ(game.Command("show")[1], "text1=~h~[14:03:27] ~w~~b~replay0612-3.rep~w~ saved!");
    DisplayTick();
    const auto cleared = game.Command("show raw");
    std::string blank;
    for (int b = 0; b < 512; ++b) {
        blank += "20"; // spaces, never NULs
    }
    EXPECT_EQ(cleared[0].substr(0, 17), "flag1=30 flag2=30");
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(cleared[i], "text" + std::to_string(i) + "=" + blank);
    }
    EXPECT_FALSE(view.timer3);
}

TEST_F(GameProcess, Version10WritesEightLowerAndStillReadsThePlaybackFlagInPlace) {
    FakeGame game;
    view.SelectVersionOption(false);
    Attach();
    notifier.PostNotification("", "Hi");
    DisplayTick();
    const auto at10 = game.Command("show 1.0");
    EXPECT_EQ(at10[0].substr(0, 17), "flag1=31 flag2=31");
    EXPECT_EQ(at10[1], "text1=Hi");
    EXPECT_EQ(at10[3], "text3=Hi");
    const auto at11 = game.Command("show 1.1");
    EXPECT_EQ(at11[0].substr(0, 17), "flag1=00 flag2=00");
    game.Command("playback 1");
    link.Timer2_Timer();
    EXPECT_EQ(view.log.size(), 1U);
}

TEST_F(GameProcess, ASecondNotificationThreeTicksInShowsForFiveMoreTicks) {
    FakeGame game;
    Attach();
    notifier.PostNotification("", "first");
    DisplayTick();
    DisplayTick();
    DisplayTick();
    notifier.PostNotification("", "second");
    for (int tick = 0; tick < 5; ++tick) {
        DisplayTick();
        EXPECT_EQ(game.Command("show")[2], "text2=second") << tick;
    }
    DisplayTick();
    EXPECT_EQ(game.Command("show")[2], "text2=");
}

TEST_F(GameProcess, TheGameExitingLogsStoppedAndReleasesTheHandle) {
    pid_t pid = 0;
    {
        FakeGame game;
        pid = game.pid();
        Attach();
        EXPECT_TRUE(HoldsMemoryOf(pid));
        game.Command("playback 1");
        link.Timer2_Timer();
        game.Send("exit");
        game.ReadUntil("ok");
        while (game.Alive()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        link.Timer2_Timer();
    }
    ASSERT_EQ(view.log.size(), 2U);
    EXPECT_NE(view.log[1].find("stopped!"), std::string::npos);
    EXPECT_EQ(view.status, "GTA:VC is NOT running!");
    EXPECT_EQ(state.gameProcess, 0);
    EXPECT_FALSE(HoldsMemoryOf(pid));
}

TEST_F(GameProcess, AGameRestartedBetweenTwoTicksIsAttachedAgain) {
    auto first = std::make_unique<FakeGame>();
    Attach();
    first.reset();
    FakeGame second;
    link.Timer2_Timer();
    EXPECT_EQ(view.status, "GTA:VC is running!");
    EXPECT_EQ(link.gameProcessId(), static_cast<ProcessId>(second.pid()));
    notifier.PostNotification("", "again");
    DisplayTick();
    EXPECT_EQ(second.Command("show")[1], "text1=again");
}

TEST_F(GameProcess, OfTwoGamesTheFirstInIdOrderIsAttached) {
    FakeGame a;
    FakeGame b;
    link.FindGameProcess();
    EXPECT_EQ(link.gameProcessId(), static_cast<ProcessId>(std::min(a.pid(), b.pid())));
}

TEST_F(GameProcess, AZombieIsNotAGame) {
    FakeGame game;
    const pid_t pid = game.pid();
    kill(pid, SIGKILL);
    siginfo_t info{};
    waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT); // dead, not yet collected
    EXPECT_FALSE(processes->IsAlive(static_cast<ProcessId>(pid)));
    EXPECT_TRUE(processes->IsAlive(static_cast<ProcessId>(getpid())));
    link.FindGameProcess();
    EXPECT_NE(link.gameProcessId(), static_cast<ProcessId>(pid));
}

TEST_F(GameProcess, WaitingLongForTheGameLeaksNoDescriptor) {
    const int before = OpenDescriptors();
    link.Timer2_Timer();
    const int scanning = OpenDescriptors(); // the open names of the running processes
    for (int tick = 0; tick < 1000; ++tick) {
        link.Timer2_Timer();
    }
    EXPECT_EQ(OpenDescriptors(), scanning);
    EXPECT_EQ(view.status, "GTA:VC is NOT running!");
    processes.reset();
    EXPECT_EQ(OpenDescriptors(), before - 1) << "everything released with the service";
}

TEST_F(GameProcess, ProcessesThatEndGiveBackTheirDescriptors) {
    link.Timer2_Timer();
    const int scanning = OpenDescriptors();
    {
        FakeGame a;
        FakeGame b;
        link.FindGameProcess();
        EXPECT_GE(OpenDescriptors(), scanning + 2 * 2 + 2) << "their pipes and their names";
    }
    link.FindGameProcess();
    EXPECT_EQ(OpenDescriptors(), scanning);
}

TEST_F(GameProcess, AnOpenTheSystemRefusesIsToldApartFromAMissingGame) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to start the game as another user";
    }
    FakeGame game;
    const pid_t child = fork();
    if (child == 0) {
        // An ordinary user may not open another user's game.
        if (setgid(65534) != 0 || setuid(65534) != 0) {
            _exit(3);
        }
        OpenFailure failure = OpenFailure::None;
        const ProcessHandle handle = processes->Open(static_cast<ProcessId>(game.pid()), failure);
        OpenFailure missing = OpenFailure::None;
        processes->Open(999999999, missing);
        _exit(handle == 0 && failure == OpenFailure::Refused && missing == OpenFailure::NotFound
                  ? 0
                  : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
} // namespace clipwarden::test
