// The game link against the stand-in game as a real process, through the real /proc backend.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "ChildProcess.h"
#include "GameLinkRig.h"
#include "platform/linux/ProcProcessService.h"
#include "Processes.h"
#include "TempDir.h"

namespace clipwarden::test {
namespace {

/** Whether this process holds a descriptor of the given /proc/<pid>/mem. */
bool HoldsMemoryOf(pid_t pid) {
    const std::vector<pid_t> held = MemoriesHeldBy(getpid());
    return std::find(held.begin(), held.end(), pid) != held.end();
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

/** Whether the process's real user is ours, read from /proc apart from the backend. */
bool RunsAsUs(const std::filesystem::path& process) {
    const std::string status = ReadFile(process / "status");
    const auto uid = status.find("\nUid:\t");
    return uid != std::string::npos &&
           std::stoul(status.substr(uid + 6)) == static_cast<unsigned long>(getuid());
}

/** The live processes of this user named gta-vc.exe, read from /proc apart from the backend:
 *  other programs on the machine may run one too. */
std::vector<pid_t> GamesRunning() {
    std::vector<pid_t> games;
    for (const pid_t id : ProcessIds()) {
        const Descendant process = DescribeProcess(id);
        if (process.name == "gta-vc.exe" && !process.zombie &&
            RunsAsUs("/proc/" + std::to_string(id))) {
            games.push_back(id);
        }
    }
    std::sort(games.begin(), games.end());
    return games;
}

struct GameProcess : ::testing::Test, GameLinkRig {
    /** Opens this test's own game, whatever else runs on the machine. */
    void Attach(const FakeGame& game) {
        ASSERT_TRUE(link.OpenGameProcess(static_cast<ProcessId>(game.pid())));
        link.GameLinkTick(); // recognises it
    }
    void DisplayTick() {
        if (view.gameTextTimer) {
            GameTextTick();
        }
    }
};

TEST_F(GameProcess, AttachesOnTheFirstTickAfterTheGameStarts) {
    if (GamesRunning().empty()) {
        link.GameLinkTick();
        EXPECT_EQ(view.status, "GTA:VC is NOT running!");
    }
    FakeGame game;
    link.GameLinkTick();
    EXPECT_EQ(view.status, "GTA:VC is running!");
    EXPECT_NE(link.handle(), 0);
    EXPECT_EQ(link.FindGameProcess(), static_cast<ProcessId>(GamesRunning().front()));
}

TEST_F(GameProcess, LogsPlaybackStartedAndStopped) {
    FakeGame game;
    cursor.SetCurrentReplay("replay0612-3.rep");
    game.Command("playback 1"); // already playing when attached
    ASSERT_TRUE(link.OpenGameProcess(static_cast<ProcessId>(game.pid())));
    EXPECT_TRUE(Events().empty());
    link.GameLinkTick();
    ASSERT_EQ(Events().size(), 1U);
    EXPECT_EQ(Events()[0], "[14:03:27] Playback of replay0612-3.rep started!");
    link.GameLinkTick();
    game.Command("playback 2");
    link.GameLinkTick();
    ASSERT_EQ(Events().size(), 2U);
    EXPECT_EQ(Events()[1], "[14:03:27] Playback of replay0612-3.rep stopped!");
}

TEST_F(GameProcess, ACapturesTextIsShownInAllThreeBuffersForFiveTicksThenCleared) {
    FakeGame game;
    Attach(game);
    PostNamed(notifier, "14:03:27", "replay0612-3.rep", kSuffixSaved);
    const std::string expected = Hex(BuildTextBlock(inGameText.pendingText()));
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
    EXPECT_FALSE(view.gameTextTimer);
}

TEST_F(GameProcess, EachRecognisedVersionGetsItsTextAndItsPlaybackWatchInItsOwnPlaces) {
    for (const std::string version : {"1.0", "steam"}) {
        FakeGame game({FakeGame::Binary(), "--version", version});
        view.log.clear();
        Attach(game);
        ASSERT_FALSE(view.log.empty());
        EXPECT_EQ(view.log[0], std::string("[14:03:27] GTA:VC ") +
                                   (version == "1.0" ? "1.0" : "Steam") + " recognised.");
        notifier.PostNotification("", "Hi");
        DisplayTick();
        const auto there = game.Command("show " + version);
        EXPECT_EQ(there[0].substr(0, 17), "flag1=31 flag2=31") << version;
        EXPECT_EQ(there[1], "text1=Hi");
        EXPECT_EQ(there[3], "text3=Hi");
        EXPECT_EQ(game.Command("show 1.1")[0].substr(0, 17), "flag1=00 flag2=00")
            << "nothing at 1.1's places";
        game.Command("playback 1"); // at this version's playback flag
        link.GameLinkTick();
        EXPECT_EQ(Events().size(), 1U) << version;
        while (view.gameTextTimer) {
            DisplayTick();
        }
        game.Command("playback 0");
        link.GameLinkTick();
    }
}

TEST_F(GameProcess, NothingIsWrittenIntoAnExecutableThatIsNotRecognised) {
    for (const std::string version : {"none", "0badc0de", "steam-packed"}) {
        FakeGame game({FakeGame::Binary(), "--version", version});
        view.log.clear();
        Attach(game);
        EXPECT_EQ(link.layout(), nullptr) << version;
        notifier.PostNotification("", "Hi");
        while (view.gameTextTimer) {
            DisplayTick();
        }
        for (const std::string at : {"1.0", "1.1", "steam"}) {
            const auto shown = game.Command("show " + at);
            EXPECT_EQ(shown[0].substr(0, 17), "flag1=00 flag2=00") << version << " at " << at;
            EXPECT_EQ(shown[1], "text1=") << version << " at " << at;
        }
        ASSERT_EQ(view.log.size(), 1U) << version;
        if (version == "steam-packed") {
            game.Command("signature steam");
            link.GameLinkTick();
            EXPECT_EQ(link.layout(), &kLayoutSteam);
            EXPECT_EQ(view.log.back(), "[14:03:27] GTA:VC Steam recognised.");
        }
    }
}

TEST_F(GameProcess, ASecondNotificationThreeTicksInShowsForFiveMoreTicks) {
    FakeGame game;
    Attach(game);
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
        Attach(game);
        EXPECT_TRUE(HoldsMemoryOf(pid));
        game.Command("playback 1");
        link.GameLinkTick();
        game.Send("exit");
        game.ReadUntil("ok");
        while (game.Alive()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        link.GameLinkTick();
    }
    ASSERT_EQ(Events().size(), 2U);
    EXPECT_NE(Events()[1].find("stopped!"), std::string::npos);
    EXPECT_FALSE(HoldsMemoryOf(pid));
    if (GamesRunning().empty()) {
        EXPECT_EQ(view.status, "GTA:VC is NOT running!");
        EXPECT_EQ(link.handle(), 0);
    }
}

TEST_F(GameProcess, AGameRestartedBetweenTwoTicksIsAttachedAgain) {
    auto first = std::make_unique<FakeGame>();
    Attach(*first);
    first.reset();
    FakeGame second;
    link.GameLinkTick();
    EXPECT_EQ(view.status, "GTA:VC is running!");
    if (GamesRunning() == std::vector<pid_t>{second.pid()}) {
        notifier.PostNotification("", "again");
        DisplayTick();
        EXPECT_EQ(second.Command("show")[1], "text1=again");
    }
}

TEST_F(GameProcess, OfTwoGamesTheFirstInIdOrderIsAttached) {
    FakeGame a;
    FakeGame b;
    EXPECT_EQ(link.FindGameProcess(), static_cast<ProcessId>(GamesRunning().front()));
    EXPECT_LE(GamesRunning().front(), std::min(a.pid(), b.pid()));
}

TEST_F(GameProcess, AnotherUsersGameIsNoneOfOurs) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "starting a game as another user needs root";
    }
    TempDir dir;
    std::filesystem::permissions(dir.str(), std::filesystem::perms(0755));
    std::filesystem::copy_file(FakeGame::Binary(), dir / "gta-vc.exe");
    FakeGame theirs({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                     dir / "gta-vc.exe"});
    FakeGame ours;
    const auto listed = [&](pid_t pid) {
        const auto all = processes->Snapshot();
        return std::any_of(all.begin(), all.end(), [&](const ProcessEntry& entry) {
            return entry.id == static_cast<ProcessId>(pid);
        });
    };
    EXPECT_TRUE(listed(ours.pid()));
    EXPECT_FALSE(listed(theirs.pid())) << "root could open it, but it is not this user's game";
    EXPECT_EQ(link.FindGameProcess(), static_cast<ProcessId>(GamesRunning().front()));
    EXPECT_NE(link.FindGameProcess(), static_cast<ProcessId>(theirs.pid()));
}

TEST_F(GameProcess, AZombieIsNotAGame) {
    FakeGame game;
    const pid_t pid = game.pid();
    kill(pid, SIGKILL);
    siginfo_t info{};
    waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT); // dead, not yet collected
    EXPECT_FALSE(processes->IsAlive(static_cast<ProcessId>(pid)));
    EXPECT_TRUE(processes->IsAlive(static_cast<ProcessId>(getpid())));
    EXPECT_NE(link.FindGameProcess(), static_cast<ProcessId>(pid));
}

TEST_F(GameProcess, AGameThatTakesItsNameSoonAfterStartingIsFoundAtOnce) {
    // As under Wine, whose process is named after the .exe only once it runs.
    FakeGame game({FakeGame::Binary(), "--name", "wine-preloader"});
    const auto ours = static_cast<ProcessId>(game.pid());
    EXPECT_NE(link.FindGameProcess(), ours);
    game.Command("name gta-vc.exe");
    const auto running = GamesRunning();
    ASSERT_NE(std::find(running.begin(), running.end(), game.pid()), running.end());
    EXPECT_EQ(link.FindGameProcess(), static_cast<ProcessId>(running.front()));
    // The name in any letter case, as the scan at rest asks for it.
    game.Command("name GTA-VC.EXE");
    const auto named = processes->FindNamed("gta-vc.exe");
    EXPECT_NE(std::find(named.begin(), named.end(), ours), named.end());
}

TEST_F(GameProcess, AtRestTheListingIsSkippedYetANewGameIsFoundAtOnce) {
    // No process counts as young and no reading of all names is due: only a new process
    // makes the scan list /proc again.
    auto lean = CreateProcProcessService(std::chrono::milliseconds(0), std::chrono::hours(1));
    lean->FindNamed("gta-vc.exe"); // the first scan lists every process
    FakeGame game;
    const auto found = lean->FindNamed("gta-vc.exe");
    EXPECT_NE(std::find(found.begin(), found.end(), static_cast<ProcessId>(game.pid())),
              found.end());
    game.Command("exit");
    ASSERT_TRUE(Eventually([&] { return !lean->IsAlive(static_cast<ProcessId>(game.pid())); }));
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
