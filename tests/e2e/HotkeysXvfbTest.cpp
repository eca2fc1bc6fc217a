// F5 and F6 pressed on a real X server while another window has the focus.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <thread>

#include "ChildProcess.h"
#include "ReplayWriter.h"
#include "TempDir.h"
#include "Xvfb.h"

namespace clipwarden::test {
namespace {

/** Clipwarden on an X server of the test's own, with a replay folder of its own. */
struct HotkeysOnX : ::testing::Test {
    std::unique_ptr<Xvfb> x;
    TempDir home;
    std::string replays = home / "replays";
    std::unique_ptr<ChildProcess> app;

    void SetUp() override {
        if (!Xvfb::Installed()) {
            if (std::getenv("CI") != nullptr) {
                FAIL() << "Xvfb is not installed";
            }
            GTEST_SKIP() << "Xvfb is not installed";
        }
        x = std::make_unique<Xvfb>();
        ASSERT_TRUE(x->ready());
        std::filesystem::create_directories(replays);
        std::filesystem::create_directories(home / "config/Clipwarden");
        WriteFile(home / "config/Clipwarden/Clipwarden.conf",
                  "[Main]\nGTAVC-replays=" + replays + "\n");
    }
    /** Starts Clipwarden and waits for its window, shown once start-up is done. */
    void Start() {
        app = std::make_unique<ChildProcess>(std::vector<std::string>{
            "/usr/bin/env", "DISPLAY=" + x->display(), "QT_QPA_PLATFORM=xcb", "HOME=" + home.str(),
            "XDG_CONFIG_HOME=" + (home / "config"), "LC_ALL=C", std::getenv("CLIPWARDEN_BIN")});
        ASSERT_EQ(RunOn(x->display(), "timeout 30 xdotool search --sync --onlyvisible --name "
                                      "'^Clipwarden$'"),
                  0);
    }
};

TEST_F(HotkeysOnX, F5AndF6SelectFromAnyWindowAndStillReachIt) {
    for (const char* name : {"a.rep", "b.rep", "c.rep"}) {
        WriteFile(replays + "/" + name, std::string("bytes of ") + name);
    }
    Start();

    // Another X client holds the focus and reports the keys it receives.
    ChildProcess keylog({"/usr/bin/env", "DISPLAY=" + x->display(), "/usr/bin/xev", "-event",
                         "keyboard", "-name", "keylog"});
    ASSERT_EQ(RunOn(x->display(),
                    "timeout 30 xdotool search --sync --name '^keylog$' windowfocus --sync"),
              0);

    ASSERT_EQ(RunOn(x->display(), "xdotool key F5"), 0);
    auto lines = app->ReadUntil("has been selected", std::chrono::seconds(20));
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("] b.rep has been selected for replay!"), std::string::npos)
        << lines.back();
    EXPECT_EQ(ReadFile(replays + "/replay.rep"), "bytes of b.rep");

    ASSERT_EQ(RunOn(x->display(), "xdotool key alt+F5"), 0); // would select a.rep
    ASSERT_EQ(RunOn(x->display(), "xdotool key F6"), 0);
    lines = app->ReadUntil("has been selected", std::chrono::seconds(20));
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("] c.rep has been selected for replay!"), std::string::npos)
        << lines.back();
    EXPECT_EQ(ReadFile(replays + "/replay.rep"), "bytes of c.rep");

    const auto seen = keylog.ReadUntil("(keysym 0xffc3, F6)", std::chrono::seconds(20));
    ASSERT_FALSE(seen.empty());
    EXPECT_NE(seen.back().find("F6"), std::string::npos) << "F6 did not reach the focused window";
}

TEST_F(HotkeysOnX, F5AndF6StepOverADamagedReplayAndNeverPutItIntoTheSlot) {
    // a and c are replays in the game's format; b and d have its header over a body the game
    // would hang on. The cursor starts at the last stored replay, d.
    replaywriter::ScriptedDrive drive;
    for (const char* name : {"a.rep", "c.rep"}) {
        drive.frames += 10; // sizes alike, contents apart
        ASSERT_TRUE(replaywriter::WriteGameFile(replays + "/" + name,
                                                replaywriter::BuildReplay(drive)));
    }
    for (const char* name : {"b.rep", "d.rep"}) {
        auto bytes = replaywriter::BuildReplay(drive);
        bytes[8 + 20] = 0xEE; // the first frame's packet type, after one particle
        ASSERT_TRUE(replaywriter::WriteGameFile(replays + "/" + name, bytes));
    }
    Start();
    const auto press = [&](const char* key, const std::string& until) {
        EXPECT_EQ(RunOn(x->display(), std::string("xdotool key ") + key), 0);
        auto lines = app->ReadUntil(until, std::chrono::seconds(20));
        return lines.empty() ? std::string() : lines.back();
    };
    EXPECT_NE(press("F5", "has been selected").find("] c.rep has been selected"),
              std::string::npos);

    // In the middle: b is named with its reason and passed over, a goes into the slot.
    std::string line = press("F5", "is damaged");
    EXPECT_NE(line.find("] b.rep is damaged (buffer 1 holds a packet of unknown type 238"),
              std::string::npos) << line;
    EXPECT_NE(line.find("and would hang the game; F5 went on to a.rep."), std::string::npos)
        << line;
    EXPECT_NE(press("F5", "has been selected").find("] a.rep has been selected"),
              std::string::npos);
    EXPECT_EQ(ReadFile(replays + "/replay.rep"), ReadFile(replays + "/a.rep"));
    // The slot keeps the stored replay's time, as any copy of it does.
    EXPECT_EQ(std::filesystem::last_write_time(replays + "/replay.rep"),
              std::filesystem::last_write_time(replays + "/a.rep"));

    EXPECT_NE(press("F6", "has been selected").find("] c.rep has been selected"),
              std::string::npos);
    // At the end: nothing left to go on to, so nothing is selected and the slot stays.
    line = press("F6", "is damaged");
    EXPECT_NE(line.find("] d.rep is damaged ("), std::string::npos) << line;
    EXPECT_NE(line.find("; F6 found no replay after it, so nothing was selected."),
              std::string::npos) << line;
    EXPECT_EQ(ReadFile(replays + "/replay.rep"), ReadFile(replays + "/c.rep"));
}

TEST_F(HotkeysOnX, F5RightAfterStartUpNeverDestroysTheRecordingLeftInTheSlot) {
    WriteFile(replays + "/a.rep", "bytes of a.rep");
    WriteFile(replays + "/b.rep", "bytes of b.rep");
    WriteFile(replays + "/replay.rep", "made while Clipwarden was closed");
    Start();
    ASSERT_EQ(RunOn(x->display(), "xdotool key F5"), 0);
    // Either the recording is stored first and F5 then selects, or F5 waits for nothing and
    // says the game is still writing; never is the slot overwritten with it unstored.
    const auto lines = app->ReadUntil("saved!", std::chrono::seconds(30));
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("-0.rep saved!"), std::string::npos) << lines.back();
    std::string stored;
    for (const auto& entry : std::filesystem::directory_iterator(replays)) {
        if (entry.path().filename().string().rfind("replay", 0) == 0 &&
            entry.path().filename() != "replay.rep") {
            stored = ReadFile(entry.path().string());
        }
    }
    EXPECT_EQ(stored, "made while Clipwarden was closed");
}

} // namespace
} // namespace clipwarden::test

namespace clipwarden::test {
namespace {

TEST_F(HotkeysOnX, TheLibraryPlaysADoubleClickedReplayAndDelMovesOneToTheTrash) {
    // Sizes apart: a file of the slot's size and time would count as current too.
    WriteFile(replays + "/a.rep", "bytes of a.rep");
    WriteFile(replays + "/b.rep", "the bytes of b.rep");
    WriteFile(replays + "/c.rep", "all the bytes of c.rep");
    // The trash in the same temporary home as the replays: Qt uses the home trash only for
    // files on the home's volume.
    app = std::make_unique<ChildProcess>(std::vector<std::string>{
        "/usr/bin/env", "DISPLAY=" + x->display(), "QT_QPA_PLATFORM=xcb", "HOME=" + home.str(),
        "XDG_CONFIG_HOME=" + (home / "config"), "XDG_DATA_HOME=" + (home / "data"), "LC_ALL=C",
        std::getenv("CLIPWARDEN_BIN"), "--library"});
    ASSERT_EQ(RunOn(x->display(), "timeout 30 xdotool search --sync --onlyvisible --name "
                                  "'^Clipwarden Library$'"),
              0);
    // The first row's name, below the filter box, the action buttons and the header, in the
    // window's own place.
    ASSERT_EQ(RunOn(x->display(), "xdotool search --name '^Clipwarden Library$' "
                                  "windowfocus --sync mousemove --window %1 60 100 "
                                  "click --repeat 2 --delay 80 1"),
              0);
    auto lines = app->ReadUntil("has been selected", std::chrono::seconds(20));
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("] a.rep has been selected for replay!"), std::string::npos)
        << lines.back();
    EXPECT_EQ(ReadFile(replays + "/replay.rep"), "bytes of a.rep");

    ASSERT_EQ(RunOn(x->display(), "xdotool key Down Delete"), 0);
    lines = app->ReadUntil("to the trash", std::chrono::seconds(20));
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("Moved 1 replay to the trash"), std::string::npos) << lines.back();
    EXPECT_FALSE(std::filesystem::exists(replays + "/b.rep"));
    EXPECT_EQ(ReadFile(home / "data/Trash/files/b.rep"), "the bytes of b.rep");
    EXPECT_TRUE(std::filesystem::exists(home / "data/Trash/info/b.rep.trashinfo"));
}

} // namespace
} // namespace clipwarden::test
