// The real clipwarden without any display, driven through its files and the stand-in game.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "ChildProcess.h"
#include "PidSandbox.h"
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
    std::unique_ptr<PidSandbox> sandbox;
    std::unique_ptr<ChildProcess> app;

    void SetUp() override {
        std::filesystem::create_directories(replays);
        std::filesystem::create_directories(home / "config/Clipwarden");
        WriteFile(home / "config/Clipwarden/Clipwarden.conf",
                  "[Main]\nGTAVC-replays=" + replays + "\n");
    }
    /** Starts Clipwarden and waits until it has started up: it says so on standard error
     *  once it is watching. */
    void Start() {
        const char* bin = std::getenv("CLIPWARDEN_BIN");
        ASSERT_NE(bin, nullptr);
        // env -u clears what would give it a display; the rest of the environment stays.
        std::vector<std::string> command = {"/usr/bin/env",
                                            "-u",
                                            "DISPLAY",
                                            "-u",
                                            "WAYLAND_DISPLAY",
                                            "-u",
                                            "QT_QPA_PLATFORM",
                                            "HOME=" + home.str(),
                                            "XDG_CONFIG_HOME=" + (home / "config"),
                                            "LC_ALL=C",
                                            bin};
        app = std::make_unique<ChildProcess>(sandbox ? sandbox->Wrap(command) : command,
                                             std::vector<std::string>{}, true);
        Expect("running without a window");
    }
    /** Keeps Clipwarden and the stand-in games of this test apart from any other game. */
    void Isolate() { sandbox = std::make_unique<PidSandbox>(); }
    std::unique_ptr<FakeGame> Game() {
        return std::make_unique<FakeGame>(sandbox ? sandbox->Wrap({FakeGame::Binary()})
                                                  : std::vector<std::string>{FakeGame::Binary()});
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

TEST_F(Headless, AReaderOfItsLogThatGoesAwayDoesNotStopIt) {
    Isolate();
    WriteFileAt(slot, "first", kEarlier);
    const char* bin = std::getenv("CLIPWARDEN_BIN");
    ASSERT_NE(bin, nullptr);
    // clipwarden | head -n 1: the pipe closes after the first line.
    app = std::make_unique<ChildProcess>(
        sandbox->Wrap({"/bin/sh", "-c",
                       "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME=\"$1\" "
                       "XDG_CONFIG_HOME=\"$1/config\" LC_ALL=C \"$0\" 2>/dev/null | head -n 1",
                       bin, home.str()}));
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

TEST_F(Headless, WritesNoSettingsFileOfItsOwn) {
    std::filesystem::remove_all(home / "config");
    Start();
    EXPECT_TRUE(app->Alive());
    app->Kill();
    EXPECT_FALSE(std::filesystem::exists(home / "config/Clipwarden/Clipwarden.conf"));
    EXPECT_FALSE(std::filesystem::exists(home / ".config/Clipwarden/Clipwarden.conf"));
}

TEST_F(Headless, ASecondStartLeavesTheWorkToTheFirst) {
    Start();
    const char* bin = std::getenv("CLIPWARDEN_BIN");
    ChildProcess second({"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u",
                         "QT_QPA_PLATFORM", "HOME=" + home.str(),
                         "XDG_CONFIG_HOME=" + (home / "config"), "LC_ALL=C", bin},
                        {}, true);
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

TEST_F(Headless, ShowsCapturesInsideTheStandInGameAndLogsItsPlayback) {
    Isolate();
    WriteFileAt(slot, "present at start-up", kEarlier); // the game's recording is then new
    const auto owned = Game();
    FakeGame& game = *owned;
    Start();
    game.Command("record " + replays + " 2048");
    Expect("saved!");
    const auto shown = game.ShownOnce("saved!");
    ASSERT_GT(shown.size(), 1U);
    EXPECT_NE(shown[1].find("~w~~b~replay"), std::string::npos) << shown[1];
    EXPECT_EQ(shown[0].substr(0, 17), "flag1=31 flag2=31");
    game.Command("playback 1");
    Expect("] Playback of replay");
    game.Command("playback 0");
    const auto stopped = Expect(" stopped!");
    EXPECT_NE(stopped.back().find("-0.rep stopped!"), std::string::npos) << stopped.back();
    // After five show ticks and one clear tick the texts are blank again.
    EXPECT_TRUE(game.ClearedInTime());
    EXPECT_EQ(game.Command("show")[1], "text1=");
}

TEST_F(Headless, FollowsTheStandInGameExitingAndRestarting) {
    Isolate();
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
