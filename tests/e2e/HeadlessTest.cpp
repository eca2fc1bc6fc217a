// The real clipwarden without any display, driven through its files and the stand-in game.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "ChildProcess.h"
#include "ReplayWriter.h"
#include "HeadlessCommand.h"
#include "TempDir.h"

namespace clipwarden::test {
namespace {

constexpr long long kEarlier = 1'600'000'000; ///< a modification time long before any start

std::string TodayDDMM() {
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    char text[8];
    strftime(text, sizeof(text), "%d%m", &local);
    return text;
}

struct Headless : ::testing::Test {
    TempDir home;
    std::string replays = home / "replays";
    std::string slot = replays + "/replay.rep";
    std::unique_ptr<ChildProcess> app;

    void SetUp() override {
        std::filesystem::create_directories(replays);
        std::filesystem::create_directories(home / "config/Clipwarden");
        WriteFile(home / "config/Clipwarden/Clipwarden.conf",
                  "[Main]\nGTAVC-replays=" + replays + "\n");
    }
    /** Starts Clipwarden and waits until it has started up: it says so on standard error
     *  once it is watching. Returns the log lines of the start-up. */
    std::vector<std::string> Start() {
        app = std::make_unique<ChildProcess>(HeadlessCommand(home.str()),
                                             std::vector<std::string>{}, true);
        return Expect("running without a window");
    }
    /** The stand-in game, started the way a Steam or Lutris player starts it: through
     *  clipwarden --launch, which hands it to the running instance. The game is then a
     *  descendant of the program that opens it, as a system with Yama's ptrace_scope 1
     *  demands. */
    std::unique_ptr<FakeGame> Game(const std::vector<std::string>& args = {}) {
        std::vector<std::string> command = {"--launch", FakeGame::Binary()};
        command.insert(command.end(), args.begin(), args.end());
        return std::make_unique<FakeGame>(HeadlessCommand(home.str(), command));
    }
    /** Fails, naming the process, when Clipwarden holds another game's memory than the one
     *  `launched` started: a game of some other test or program. */
    void ExpectAttachedTo(FakeGame& launched) {
        pid_t ours = 0;
        for (const Descendant& below : DescendantsOf(launched.pid())) {
            ours = below.name == "gta-vc.exe" ? below.pid : ours;
        }
        ASSERT_NE(ours, 0) << "the launcher's game is not running";
        std::vector<pid_t> held;
        ASSERT_TRUE(Eventually([&] {
            held = MemoriesHeldBy(app->pid());
            return !held.empty();
        })) << "Clipwarden holds no game's memory";
        for (const pid_t game : held) {
            const Descendant other = DescribeProcess(game);
            EXPECT_EQ(game, ours) << "Clipwarden is attached to process " << game << " ("
                                  << other.name << ": " << CommandLine(game)
                                  << "), not to this test's game " << ours;
        }
    }
    /** Waits for a log line containing `text`; the lines read on the way. */
    std::vector<std::string> Expect(const std::string& text) {
        auto lines = app->ReadUntil(text, std::chrono::seconds(30));
        EXPECT_FALSE(lines.empty());
        if (!lines.empty()) {
            EXPECT_NE(lines.back().find(text), std::string::npos) << "no line with: " << text;
        }
        return lines;
    }
};

TEST_F(Headless, StoresTheSlotFoundAtStartUpAndEachRecordingAfterItOnce) {
    WriteFileAt(slot, "made while Clipwarden was closed", kEarlier);
    Start();
    const std::string day = TodayDDMM();
    Expect("replay" + day + "-0.rep saved!");
    EXPECT_EQ(ReadFile(replays + "/replay" + day + "-0.rep"), "made while Clipwarden was closed");

    const std::string first("first\0recording", 15);
    RecordAt(slot, first, kEarlier + 60);
    const auto lines = Expect("-1.rep saved!");
    EXPECT_EQ(lines.back().front(), '[');
    EXPECT_EQ(ReadFile(replays + "/replay" + day + "-1.rep"), first);
    // A full buffer again, in the same second: another recording all the same.
    const std::string second("secondrecording", 15);
    RecordAt(slot, second, kEarlier + 60);
    Expect("-2.rep saved!");
    EXPECT_EQ(ReadFile(replays + "/replay" + day + "-2.rep"), second);

    // The next start finds the slot in the library and does not store it again.
    app.reset();
    Start();
    RecordAt(slot, "third", kEarlier + 120);
    Expect("-3.rep saved!");
    EXPECT_FALSE(std::filesystem::exists(replays + "/replay" + day + "-4.rep"));
}

TEST_F(Headless, AReplayOfTheGamesFormatIsStoredOnceWholeHoweverItsWriterPauses) {
    Start();
    const std::string day = TodayDDMM();
    replaywriter::ScriptedDrive drive;
    drive.leastBuffers = 2;
    const auto first = replaywriter::BuildReplay(drive);
    // In 4,096-byte pieces, with a pause halfway far longer than any settle.
    ASSERT_TRUE(replaywriter::WriteGameFile(slot, first, {1500, false}));
    Expect("-0.rep saved!");
    EXPECT_TRUE(ReadFile(replays + "/replay" + day + "-0.rep") == std::string(first.begin(), first.end()));

    // Whole buffers with pauses between them: while it is held open the slot is a whole replay
    // of one buffer, then of two; only the three of its close are stored.
    drive.leastBuffers = 3;
    const auto second = replaywriter::BuildReplay(drive);
    ASSERT_TRUE(replaywriter::WriteGameFile(slot, second, {700, true}));
    Expect("-1.rep saved!");
    EXPECT_EQ(std::filesystem::file_size(replays + "/replay" + day + "-1.rep"), second.size());
    EXPECT_TRUE(ReadFile(replays + "/replay" + day + "-1.rep") ==
                std::string(second.begin(), second.end()));
    EXPECT_FALSE(std::filesystem::exists(replays + "/replay" + day + "-2.rep"));
    // Their details went into the user's cache folder, never beside the replays.
    int indexes = 0;
    for (const auto& entry : std::filesystem::directory_iterator(home / ".cache/clipwarden")) {
        indexes += entry.path().filename().string().rfind("details-", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(indexes, 1);
    for (const auto& entry : std::filesystem::directory_iterator(replays)) {
        EXPECT_EQ(entry.path().extension(), ".rep") << entry.path();
    }
}

TEST_F(Headless, AReaderOfItsLogThatGoesAwayDoesNotStopIt) {
    WriteFileAt(slot, "first", kEarlier);
    const char* bin = std::getenv("CLIPWARDEN_BIN");
    ASSERT_NE(bin, nullptr);
    // clipwarden | head -n 1: the pipe closes after the first line.
    app = std::make_unique<ChildProcess>(std::vector<std::string>{
        "/bin/sh", "-c",
        "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_RUNTIME_DIR HOME=\"$1\" "
        "XDG_CONFIG_HOME=\"$1/config\" LC_ALL=C \"$0\" 2>/dev/null | head -n 1",
        bin, home.str()});
    const auto first = app->ReadLine(std::chrono::seconds(60));
    EXPECT_EQ(first.rfind("[", 0), 0U) << "the first log line came through: " << first;
    const std::string day = TodayDDMM();
    for (int i = 0; i <= 2; ++i) {
        if (i > 0) {
            RecordAt(slot, "recording " + std::to_string(i), kEarlier + 60 * i);
        }
        const std::string stored = replays + "/replay" + day + "-" + std::to_string(i) + ".rep";
        EXPECT_TRUE(Eventually([&] { return std::filesystem::exists(stored); }))
            << "Clipwarden stopped storing once its log reader had gone";
    }
}

/** The .rep files of the folder other than the slot, with what they hold. */
std::map<std::string, std::string> StoredReplays(const std::string& folder) {
    std::map<std::string, std::string> stored;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name != "replay.rep" && entry.path().extension() == ".rep") {
            stored[name] = ReadFile(entry.path().string());
        }
    }
    return stored;
}

bool HasTemporary(const std::string& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename().string().rfind(".clipwarden-", 0) == 0) {
            return true;
        }
    }
    return false;
}

TEST_F(Headless, ARecordingWrittenWithAPauseIsStoredWholeAndOnlyWhole) {
    Start();
    std::set<std::string> whole;
    for (int i = 0; i < 8; ++i) {
        const std::string recording = "recording " + std::to_string(i) + std::string(4096, '#');
        whole.insert(recording);
        // The game writes the first half, pauses with the file open, then writes the rest.
        std::ofstream game(slot, std::ios::binary | std::ios::trunc);
        game << recording.substr(0, recording.size() / 2) << std::flush;
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        game << recording.substr(recording.size() / 2) << std::flush;
        game.close();
        Expect("-" + std::to_string(i) + ".rep saved!");
    }
    const auto stored = StoredReplays(replays);
    EXPECT_EQ(stored.size(), 8U);
    for (const auto& [name, content] : stored) {
        EXPECT_TRUE(whole.count(content)) << name << " holds a part of a recording";
    }
}

TEST_F(Headless, KilledWhileCopyingItLosesNothingAndLeavesNothingBehind) {
    std::mt19937 random(20261207);
    std::vector<std::string> recordings;
    constexpr int kKills = 20;
    int cutShort = 0; // kills that left a temporary behind
    for (int i = 0; i < kKills; ++i) {
        Start();
        // What the slot held when the last run was killed is stored by this start.
        EXPECT_TRUE(Eventually([&] {
            std::set<std::string> held;
            for (const auto& [name, content] : StoredReplays(replays)) {
                held.insert(content);
            }
            return std::all_of(recordings.begin(), recordings.end(),
                               [&](const std::string& r) { return held.count(r) != 0; });
        })) << "a recording was lost after kill "
            << i;
        for (const auto& entry : std::filesystem::directory_iterator(replays)) {
            EXPECT_NE(entry.path().filename().string().front(), '.')
                << "left behind by a killed run: " << entry.path();
        }
        std::string recording = "recording " + std::to_string(i) + " ";
        recording.resize(8 << 20, static_cast<char>('a' + i));
        recordings.push_back(recording);
        RecordAt(slot, recording, kEarlier + 60 * i);
        if (i % 2 == 0) {
            // Killed in the middle of the copy, as soon as its temporary shows.
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (!HasTemporary(replays) && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        } else {
            // Killed at a random moment: before it settles, while it is copied, or after.
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 1500));
        }
        app->Kill();
        cutShort += HasTemporary(replays) ? 1 : 0;
    }
    RecordProperty("kills", kKills);
    RecordProperty("copies cut short", cutShort);
    std::cout << kKills << " kills, " << cutShort << " of them in the middle of a copy\n";
    EXPECT_GE(cutShort, kKills / 4) << "too few kills hit a copy to tell anything";
    Start();
    EXPECT_TRUE(Eventually([&] { return StoredReplays(replays).size() == recordings.size(); }));
    const auto stored = StoredReplays(replays);
    std::set<std::string> contents;
    for (const auto& [name, content] : stored) {
        EXPECT_TRUE(std::find(recordings.begin(), recordings.end(), content) != recordings.end())
            << name << " holds a partial copy (" << content.size() << " bytes)";
        contents.insert(content);
    }
    EXPECT_EQ(contents.size(), recordings.size()) << "a recording was lost, or stored twice";
    EXPECT_EQ(stored.size(), recordings.size());
}

TEST_F(Headless, AFailureIsLoggedOnceAndTheRecordingIsStoredLater) {
    const std::string spent = replays + "/replay" + TodayDDMM() + "-32767.rep";
    WriteFile(spent, "the day's last number");
    Start();
    RecordAt(slot, "precious", kEarlier);
    const auto failed = Expect("replay.rep: Overflow");
    EXPECT_EQ(failed.back().back(), '!');
    std::filesystem::remove(spent);
    const auto lines = Expect("saved!");
    for (const auto& line : lines) {
        EXPECT_EQ(line.find("Overflow"), std::string::npos) << "said more than once: " << line;
    }
    EXPECT_EQ(ReadFile(replays + "/replay" + TodayDDMM() + "-0.rep"), "precious");
}

/** Five stored replays a minute apart, and a housekeeping rule that keeps two. */
void StoreFiveKeepingTwo(Headless& test) {
    for (int i = 1; i <= 5; ++i) {
        WriteFileAt(test.replays + "/replay010" + std::to_string(i) + "-1.rep",
                    "recording " + std::to_string(i), kEarlier + 60 * i);
    }
    WriteFile(test.home / "config/Clipwarden/Clipwarden.conf",
              "[Main]\nGTAVC-replays=" + test.replays + "\n[Housekeeping]\nmost-replays=2\n");
}

TEST_F(Headless, AKeptReplayOfALabelFileWithASlipIsNeverTrashed) {
    StoreFiveKeepingTwo(*this);
    // One trailing comma: the file is set aside, and nobody knows what it kept.
    WriteFile(replays + "/clipwarden-library.json",
              R"({"version":1,"replays":{"replay0101-1.rep":{"kept":true,"label":"best",)"
              R"("size":11},}})");
    const auto lines = Start();
    const auto paused = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("Housekeeping is paused: the label file was damaged") !=
               std::string::npos;
    });
    EXPECT_NE(paused, lines.end()) << ::testing::PrintToString(lines);
    for (int i = 1; i <= 5; ++i) {
        EXPECT_TRUE(std::filesystem::exists(replays + "/replay010" + std::to_string(i) + "-1.rep"))
            << i;
    }
    EXPECT_TRUE(std::filesystem::exists(replays + "/clipwarden-library.json.damaged"));
}

TEST_F(Headless, ABrokenTrashStopsNeitherStartUpNorCapture) {
    StoreFiveKeepingTwo(*this);
    std::filesystem::create_directories(home / ".local/share/Trash/files");
    WriteFile(home / ".local/share/Trash/info", "a file where a folder belongs");
    Start(); // the window is up before the moves, which run aside
    const auto lines = Expect("Housekeeping passed over what the trash would not take");
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("is not a folder"), std::string::npos) << lines.back();
    RecordAt(slot, "recorded after", kEarlier + 600);
    Expect("-0.rep saved!");
    for (int i = 1; i <= 5; ++i) {
        EXPECT_TRUE(std::filesystem::exists(replays + "/replay010" + std::to_string(i) + "-1.rep"))
            << i;
    }
}

TEST_F(Headless, ASlotFarLargerThanAnyRecordingIsNeverReadAndSaidOnce) {
    // 30 GB, sparse: reading it would take the program half a minute at every start.
    WriteFileAt(slot, "", kEarlier);
    std::filesystem::resize_file(slot, 30ULL * 1000 * 1000 * 1000);
    WriteFileAt(replays + "/replay0101-1.rep", "a stored replay", kEarlier);
    std::filesystem::resize_file(replays + "/replay0101-1.rep", 30ULL * 1000 * 1000 * 1000);
    SetModified(slot, kEarlier);
    SetModified(replays + "/replay0101-1.rep", kEarlier);
    const auto started = Start();
    EXPECT_EQ(std::count_if(started.begin(), started.end(),
                            [](const std::string& line) {
                                return line.find("replay.rep: it holds 30.0 GB, far more than any "
                                                 "recording of the game") != std::string::npos;
                            }),
              1)
        << ::testing::PrintToString(started);
    RecordAt(slot, "a real recording", kEarlier + 60);
    const auto lines = Expect("-0.rep saved!");
    for (const auto& line : lines) {
        EXPECT_EQ(line.find("far more than"), std::string::npos) << "said twice: " << line;
    }
    EXPECT_EQ(ReadFile(replays + "/replay" + TodayDDMM() + "-0.rep"), "a real recording");
}

TEST_F(Headless, WritesNoSettingsFileOfItsOwn) {
    std::filesystem::remove_all(home / "config");
    Start();
    EXPECT_TRUE(app->Alive());
    app->Kill();
    EXPECT_FALSE(std::filesystem::exists(home / "config/Clipwarden/Clipwarden.conf"));
    EXPECT_FALSE(std::filesystem::exists(home / ".config/Clipwarden/Clipwarden.conf"));
}

/** A new user: no settings file, and the game where a launcher put it in `home`. The first
 *  recording is stored there, the log says where the folder was found, and nothing is
 *  written to the settings. */
void ServesANewUser(Headless& test, const std::string& replays, const std::string& foundIn) {
    std::filesystem::remove_all(test.home / "config");
    std::filesystem::create_directories(replays);
    const auto lines = test.Start();
    const auto used = std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find("Using the replay folder " + replays) != std::string::npos;
    });
    ASSERT_NE(used, lines.end());
    EXPECT_NE(used->find(", found in " + foundIn + "."), std::string::npos) << *used;
    RecordAt(replays + "/replay.rep", "the first recording", kEarlier);
    test.Expect("replay" + TodayDDMM() + "-0.rep saved!");
    EXPECT_EQ(ReadFile(replays + "/replay" + TodayDDMM() + "-0.rep"), "the first recording");
    test.app->Kill();
    EXPECT_FALSE(std::filesystem::exists(test.home / "config/Clipwarden/Clipwarden.conf"));
}

TEST_F(Headless, ANewUserWithAProtonPrefixInASecondSteamLibraryIsServedWithoutSettings) {
    const std::string steam = home / ".local/share/Steam";
    const std::string library = home / "Games disk/SteamLibrary";
    std::filesystem::create_directories(steam + "/steamapps");
    std::filesystem::create_directories(library + "/steamapps/common/Grand Theft Auto Vice City");
    WriteFile(steam + "/steamapps/libraryfolders.vdf",
              "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + steam +
                  "\"\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + library + "\"\n\t}\n}\n");
    ServesANewUser(*this,
                   library + "/steamapps/compatdata/12110/pfx/drive_c/users/steamuser/Documents/"
                             "GTA Vice City User Files",
                   "the Steam library " + library);
}

TEST_F(Headless, ANewUserWithAPlainWinePrefixIsServedWithoutSettings) {
    ServesANewUser(*this, home / ".wine/drive_c/users/player/My Documents/GTA Vice City User Files",
                   "the Wine prefix " + home / ".wine");
}

TEST_F(Headless, ASecondStartLeavesTheWorkToTheFirst) {
    Start();
    ChildProcess second(HeadlessCommand(home.str()), {}, true);
    const auto lines = second.ReadUntil("already running", std::chrono::seconds(60));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Clipwarden is already running (process " + std::to_string(app->pid()) +
                                "); its window has been brought forward.");
    EXPECT_TRUE(Eventually([&] { return !second.Alive(); }));
    EXPECT_EQ(second.ExitStatus(), 0);

    // The first one still stores each recording, and only once.
    RecordAt(slot, "one recording", kEarlier);
    Expect("-0.rep saved!");
    RecordAt(slot, "the next", kEarlier + 60);
    Expect("-1.rep saved!");
    EXPECT_EQ(ReadFile(replays + "/replay" + TodayDDMM() + "-1.rep"), "the next");
}

/** A client of the instance's socket that connects and then says nothing, or sends its
 *  request a byte at a time without ever ending it. */
class SlowClient {
public:
    SlowClient(const std::string& socketPath, bool drips) {
        fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", socketPath.c_str());
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
        if (drips && connected_) {
            dripper_ = std::thread([this] {
                while (!stop_ && send(fd_, "1", 1, MSG_NOSIGNAL) == 1) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(150));
                }
            });
        }
    }
    ~SlowClient() {
        stop_ = true;
        shutdown(fd_, SHUT_RDWR);
        if (dripper_.joinable()) {
            dripper_.join();
        }
        close(fd_);
    }
    SlowClient(const SlowClient&) = delete;
    SlowClient& operator=(const SlowClient&) = delete;
    SlowClient(SlowClient&&) = delete;
    SlowClient& operator=(SlowClient&&) = delete;
    [[nodiscard]] bool connected() const { return connected_; }

private:
    int fd_ = -1;
    bool connected_ = false;
    std::atomic<bool> stop_ = false;
    std::thread dripper_;
};

TEST_F(Headless, SilentAndDrippingClientsHoldUpNoCaptureAndAreDropped) {
    Start();
    std::string socketPath;
    for (const auto& entry : std::filesystem::directory_iterator(home / "config/Clipwarden/run")) {
        socketPath = entry.path().string();
    }
    ASSERT_NE(socketPath, "") << "no socket in the folder beside the settings";
    std::vector<std::unique_ptr<SlowClient>> clients;
    for (int i = 0; i < 20; ++i) {
        clients.push_back(std::make_unique<SlowClient>(socketPath, i == 0));
    }
    ASSERT_TRUE(clients.front()->connected());
    RecordAt(slot, "stored while the clients hang on", kEarlier);
    Expect("-0.rep saved!");
    Expect("was disconnected: it did not send a whole request within 2 seconds.");
    // Still reachable for a real request: a second start brings it forward.
    ChildProcess second(HeadlessCommand(home.str()), {}, true);
    const auto lines = second.ReadUntil("already running", std::chrono::seconds(60));
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("its window has been brought forward"), std::string::npos);
}

TEST_F(Headless, HelpAndVersionAnswerAndEndEvenWhileClipwardenRuns) {
    Start();
    for (const std::string option : {"--version", "--help", "--bogus"}) {
        ChildProcess asked(HeadlessCommand(home.str(), {option}), {}, true);
        const auto lines = asked.ReadUntil(option == "--help" ? "--version" : "lipwarden");
        ASSERT_FALSE(lines.empty()) << option;
        EXPECT_EQ(lines.back().find("already running"), std::string::npos) << option;
        EXPECT_TRUE(Eventually([&] { return !asked.Alive(); })) << option;
        EXPECT_EQ(asked.ExitStatus(), option == "--bogus" ? 2 : 0) << option;
    }
    EXPECT_TRUE(app->Alive());
}

TEST_F(Headless, LibraryNeedsADisplayAndARunningClipwardenWithoutOneSaysSo) {
    {
        ChildProcess alone(HeadlessCommand(home.str(), {"--library"}), {}, true);
        const auto lines = alone.ReadUntil("needs a display");
        ASSERT_FALSE(lines.empty());
        EXPECT_NE(lines.back().find("clipwarden: the Library window needs a display"),
                  std::string::npos);
        EXPECT_TRUE(Eventually([&] { return !alone.Alive(); }));
        EXPECT_EQ(alone.ExitStatus(), 1);
    }
    Start();
    ChildProcess asked(HeadlessCommand(home.str(), {"--library"}), {}, true);
    const auto lines = asked.ReadUntil("already running");
    ASSERT_FALSE(lines.empty());
    // The running one has no display either: nothing came forward, and the start says so.
    EXPECT_NE(lines.back().find("but it did not answer that it came forward"), std::string::npos)
        << lines.back();
    EXPECT_TRUE(Eventually([&] { return !asked.Alive(); }));
    EXPECT_EQ(asked.ExitStatus(), 0);
    EXPECT_TRUE(app->Alive());
}

TEST_F(Headless, ShowsCapturesInsideTheStandInGameAndLogsItsPlayback) {
    WriteFileAt(slot, "present at start-up", kEarlier); // the game's recording is then new
    Start();
    Expect("-0.rep saved!");
    const auto owned = Game();
    FakeGame& game = *owned;
    ExpectAttachedTo(game);
    game.Command("record " + replays + " 2048");
    Expect("-1.rep saved!");
    const auto shown = game.ShownOnce("-1.rep~w~ saved!");
    ASSERT_GT(shown.size(), 1U);
    EXPECT_NE(shown[1].find("~w~~b~replay"), std::string::npos) << shown[1];
    EXPECT_EQ(shown[0].substr(0, 17), "flag1=31 flag2=31");
    game.Command("playback 1");
    Expect("] Playback of replay");
    game.Command("playback 0");
    const auto stopped = Expect(" stopped!");
    EXPECT_NE(stopped.back().find("-1.rep stopped!"), std::string::npos) << stopped.back();
    // After five show ticks and one clear tick the texts are blank again.
    EXPECT_TRUE(game.ClearedInTime());
    EXPECT_EQ(game.Command("show")[1], "text1=");
}

TEST_F(Headless, TheGamesOwnVersionDecidesWhereItsTextGoes) {
    WriteFileAt(slot, "present at start-up", kEarlier);
    Start(); // no settings: the window says 1.1
    Expect("-0.rep saved!");
    auto game = Game({"--version", "1.0"});
    Expect("GTA:VC 1.0 recognised.");
    ExpectAttachedTo(*game);
    game->Command("record " + replays + " 2048");
    Expect("-1.rep saved!");
    const auto shown = game->ShownOnce("-1.rep~w~ saved!", "1.0");
    ASSERT_GT(shown.size(), 1U) << "the text did not land at 1.0's places";
    game->Command("playback 1"); // at 0xA10AF6
    Expect("] Playback of replay");
    game->Send("exit");
    Expect(" stopped!");

    // An executable it does not know: running, but nothing is ever written into it.
    game = Game({"--version", "0badc0de"});
    Expect("signature 0x0BADC0DE");
    ExpectAttachedTo(*game);
    game->Command("record " + replays + " 2048");
    Expect("-2.rep saved!");
    game->Command("record " + replays + " 2048"); // meanwhile the in-game text has had its ticks
    Expect("-3.rep saved!");
    for (const std::string at : {"1.0", "1.1", "steam"}) {
        EXPECT_EQ(game->Command("show " + at).at(0).substr(0, 17), "flag1=00 flag2=00") << at;
    }
}

TEST_F(Headless, FollowsTheStandInGameExitingAndRestarting) {
    Start();
    auto game = Game();
    game->Command("playback 1");
    Expect(" started!");
    game->Send("exit"); // the game ends
    Expect(" stopped!");
    const auto again = Game();
    again->Command("playback 1");
    Expect(" started!");
}

TEST_F(Headless, AutorunStartsTheGameOnceInItsFolderAfterLoading) {
    const std::string game = home / "Vice City $(touch x) `y`";
    std::filesystem::create_directories(game);
    WriteFile(game + "/gta-vc.exe", "#!/bin/sh\n{ pwd; echo \"args=$#\"; } >> ../launches\n");
    chmod((game + "/gta-vc.exe").c_str(), 0755);
    WriteFile(home / "config/Clipwarden/Clipwarden.conf",
              "[Main]\nGTAVC-replays=" + replays + "\nGTAVC-autorun=1\nGTAVC-path=" + game + "\n");
    Start(); // the launch has been made once start-up is done
    std::string launches;
    Eventually([&] { return !(launches = ReadFile(home / "launches")).empty(); });
    EXPECT_EQ(launches, game + "\nargs=0\n");
    EXPECT_FALSE(std::filesystem::exists(game + "/x"));
    EXPECT_TRUE(app->Alive());
}

} // namespace
} // namespace clipwarden::test
