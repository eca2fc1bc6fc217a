// The real clipwarden without any display, driven through its files and the stand-in game.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <thread>

#include "ChildProcess.h"
#include "TempDir.h"

namespace clipwarden::test {
namespace {

struct Headless : ::testing::Test {
    TempDir home;
    std::string replays = home / "replays";
    std::unique_ptr<ChildProcess> app;

    void SetUp() override {
        std::filesystem::create_directories(replays);
        std::filesystem::create_directories(home / "config/Clipwarden");
        WriteFile(home / "config/Clipwarden/Clipwarden.conf",
                  "[Main]\nGTAVC-replays=" + replays + "\n");
    }
    void Start() {
        const char* bin = std::getenv("CLIPWARDEN_BIN");
        ASSERT_NE(bin, nullptr);
        // env -u clears what would give it a display; the rest of the environment stays.
        app = std::make_unique<ChildProcess>(std::vector<std::string>{
            "/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM",
            "HOME=" + home.str(), "XDG_CONFIG_HOME=" + (home / "config"), "LC_ALL=C", bin});
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

TEST_F(Headless, StoresEachRecordingByteForByteUnderTheNextName) {
    WriteFile(replays + "/replay.rep", "present at start-up");
    Start();
    if (!std::filesystem::exists("/dev/input")) {
        Expect("F5 and F6 are not available");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1100)); // a new second, a new stamp
    const std::string first("first\0recording", 15);
    WriteFile(replays + "/replay.rep", first);
    Expect("saved!");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(replays)) {
        if (entry.path().filename() != "replay.rep") {
            names.push_back(entry.path().filename().string());
        }
    }
    ASSERT_EQ(names.size(), 1U);
    EXPECT_EQ(names[0].substr(0, 6), "replay");
    EXPECT_EQ(names[0].substr(names[0].size() - 6), "-0.rep");
    EXPECT_EQ(ReadFile(replays + "/" + names[0]), first);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    WriteFile(replays + "/replay.rep", "second");
    const auto lines = Expect("-1.rep saved!");
    EXPECT_EQ(lines.back().front(), '[');
    EXPECT_EQ(ReadFile(replays + "/" + names[0].substr(0, names[0].size() - 6) + "-1.rep"),
              "second");
}

std::string TodayDDMM() {
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    char text[8];
    strftime(text, sizeof(text), "%d%m", &local);
    return text;
}

TEST_F(Headless, AFailureIsLoggedOnceAndTheRecordingIsStoredLater) {
    const std::string spent = replays + "/replay" + TodayDDMM() + "-32767.rep";
    WriteFile(spent, "the day's last number");
    Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    WriteFile(replays + "/replay.rep", "precious");
    const auto failed = Expect("replay.rep: Overflow");
    EXPECT_EQ(failed.back().back(), '!');
    std::this_thread::sleep_for(std::chrono::milliseconds(3500)); // three more ticks
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
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_TRUE(app->Alive());
    app->Kill();
    EXPECT_FALSE(std::filesystem::exists(home / "config/Clipwarden"));
    EXPECT_TRUE(std::filesystem::is_empty(home.str()) ||
                !std::filesystem::exists(home / ".config/Clipwarden"));
}

TEST_F(Headless, ShowsCapturesInsideTheStandInGameAndLogsItsPlayback) {
    FakeGame game;
    Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    game.Command("record " + replays + " 2048");
    Expect("saved!");
    std::string shown;
    for (int i = 0; i < 50 && shown.find("saved!") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const auto lines = game.Command("show");
        shown = lines.size() > 1 ? lines[1] : "";
    }
    EXPECT_NE(shown.find("~w~~b~replay"), std::string::npos) << shown;
    EXPECT_EQ(game.Command("show")[0].substr(0, 17), "flag1=31 flag2=31");
    game.Command("playback 1");
    Expect("] Playback of replay");
    game.Command("playback 0");
    const auto stopped = Expect(" stopped!");
    EXPECT_NE(stopped.back().find("-0.rep stopped!"), std::string::npos) << stopped.back();
    // After five show ticks and one clear tick the texts are blank again.
    std::string flags;
    for (int i = 0; i < 100 && flags != "flag1=30 flag2=30"; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        flags = game.Command("show")[0].substr(0, 17);
    }
    EXPECT_EQ(flags, "flag1=30 flag2=30");
    EXPECT_EQ(game.Command("show")[1], "text1=");
}

TEST_F(Headless, FollowsTheStandInGameExitingAndRestarting) {
    Start();
    auto game = std::make_unique<FakeGame>();
    game->Command("playback 1");
    Expect(" started!");
    game.reset(); // the game ends
    Expect(" stopped!");
    FakeGame again;
    again.Command("playback 1");
    Expect(" started!");
}

TEST_F(Headless, AutorunStartsTheGameOnceInItsFolderAfterLoading) {
    const std::string game = home / "Vice City $(touch x) `y`";
    std::filesystem::create_directories(game);
    WriteFile(game + "/gta-vc.exe", "#!/bin/sh\n{ pwd; echo \"args=$#\"; } >> ../launches\n");
    chmod((game + "/gta-vc.exe").c_str(), 0755);
    WriteFile(home / "config/Clipwarden/Clipwarden.conf",
              "[Main]\nGTAVC-replays=" + replays + "\nGTAVC-autorun=1\nGTAVC-path=" + game + "\n");
    Start();
    std::string launches;
    for (int i = 0; i < 300 && launches.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        launches = ReadFile(home / "launches");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1500)); // a second launch would show
    EXPECT_EQ(ReadFile(home / "launches"), game + "\nargs=0\n");
    EXPECT_FALSE(std::filesystem::exists(game + "/x"));
    EXPECT_TRUE(app->Alive());
}

} // namespace
} // namespace clipwarden::test
