// The main window's start-up, clicks and shutdown, headless against a plain view.

#include <gtest/gtest.h>

#include "ServiceRig.h"
#include "forms/FrmMainLogic.h"
#include "forms/FrmOptionsLogic.h"
#include "platform/linux/PosixFileSystem.h"

namespace clipwarden::test {
namespace {

struct MainWindow : ::testing::Test, ServiceRig {
    FakeMainView view;
    FrmMainLogic logic{state, services, view};

    void UseReplayFolder() { settings.values["GTAVC-replays"] = dir.str(); }
};

TEST_F(MainWindow, FirstStartWithoutSettings) {
    logic.Form_Initialize();
    logic.EnsureLoaded();
    EXPECT_EQ(view.replayDirText, "/home/player/Documents/GTA Vice City User Files");
    EXPECT_EQ(state.replayDir, view.replayDirText);
    EXPECT_TRUE(view.option2);
    EXPECT_FALSE(view.option1);
    EXPECT_EQ(view.status, "Checking if GTA:VC is running...");
    EXPECT_EQ(state.lastReplayStamp, "06/12/26 14:03:27") << "no replay.rep: the time of start";
    EXPECT_EQ(state.currentReplay, "");
    EXPECT_EQ(settings.writes, 0) << "nothing is stored before the user changes something";
    EXPECT_TRUE(launcher.launches.empty());
    EXPECT_EQ(state.keyboardHook, 42);
}

TEST_F(MainWindow, WithoutADocumentsFolderTheDefaultIsTheBareFolderName) {
    shell.documents = "";
    logic.Form_Load();
    EXPECT_EQ(state.replayDir, "/GTA Vice City User Files");
}

TEST_F(MainWindow, StartUpTakesTheSlotsStampAndTheLastStoredReplay) {
    UseReplayFolder();
    WriteFileAt(dir / "a.rep", "a", 1'600'000'000);
    WriteFileAt(dir / "b.rep", "b", 1'600'000'000);
    WriteFileAt(dir / "replay.rep", "slot", 1'650'000'000);
    logic.Form_Load();
    std::error_code error;
    EXPECT_EQ(state.lastReplayStamp, files.Stamp(dir / "replay.rep", error)->text);
    EXPECT_EQ(state.currentReplay, "b.rep");
    logic.Timer1_Timer();
    EXPECT_TRUE(view.log.empty()) << "the recording present at start-up is not captured";
}

TEST_F(MainWindow, VersionOptionRestoredFromTheStoredNumber) {
    for (const auto& [stored, version11] : std::vector<std::pair<std::string, bool>>{
             {"0", false}, {"2", false}, {"1", true}, {"junk", true}}) {
        settings.values["GTAVC-version"] = stored;
        FakeMainView fresh;
        AppState freshState;
        FrmMainLogic freshLogic{freshState, services, fresh};
        freshLogic.Form_Load();
        EXPECT_EQ(fresh.option2, version11) << stored;
        EXPECT_EQ(fresh.option1, !version11) << stored;
    }
    logic.Option1_Click();
    EXPECT_EQ(settings.values["GTAVC-version"], "0");
    logic.Option2_Click();
    EXPECT_EQ(settings.values["GTAVC-version"], "1");
}

TEST_F(MainWindow, PickingAReplayFolderChangesTheBoxAndSettingButNotTheFolderInUse) {
    UseReplayFolder();
    logic.Form_Load();
    shell.answers = {"/elsewhere"};
    logic.selectMyDocs_Click();
    ASSERT_EQ(shell.asked.size(), 1U);
    EXPECT_EQ(shell.asked[0].first, view.Handle());
    EXPECT_EQ(shell.asked[0].second, "Select the folder which stores your GTA:VC Replays");
    EXPECT_EQ(view.replayDirText, "/elsewhere");
    EXPECT_EQ(settings.values["GTAVC-replays"], "/elsewhere");
    EXPECT_EQ(state.replayDir, dir.str());
}

TEST_F(MainWindow, ACancelledPickChangesNothing) {
    UseReplayFolder();
    logic.Form_Load();
    logic.selectMyDocs_Click();
    EXPECT_EQ(view.replayDirText, dir.str());
    EXPECT_EQ(settings.values["GTAVC-replays"], dir.str());
    EXPECT_EQ(settings.writes, 0);
}

TEST_F(MainWindow, AFailedSettingWriteIsLogged) {
    logic.Form_Load();
    settings.failWrites = "the disk is full";
    logic.Option1_Click();
    ASSERT_EQ(view.log.size(), 1U);
    EXPECT_EQ(view.log[0],
              "[14:03:27] The setting GTAVC-version could not be saved: the disk is full");
}

TEST_F(MainWindow, HotkeysWorkFromLoadToUnload) {
    UseReplayFolder();
    WriteFileAt(dir / "a.rep", "a", 1'600'000'000);
    WriteFileAt(dir / "b.rep", "b", 1'600'000'000);
    logic.Form_Load();
    EXPECT_TRUE(hooks.Press(116, 0)); // F5 from b.rep
    EXPECT_EQ(ReadFile(dir / "replay.rep"), "a");
    hooks.Press(116, 128);
    logic.Form_Unload();
    EXPECT_EQ(hooks.removed, (std::vector<HookHandle>{42}));
    EXPECT_FALSE(hooks.Press(117, 0));
    EXPECT_EQ(ReadFile(dir / "replay.rep"), "a");
}

TEST_F(MainWindow, NoKeySourceIsSaidOnce) {
    hooks.available = false;
    hooks.why = "F5 and F6 are not available";
    logic.Form_Load();
    EXPECT_EQ(state.keyboardHook, 0);
    ASSERT_EQ(view.log.size(), 1U);
    EXPECT_EQ(view.log[0], "[14:03:27] F5 and F6 are not available");
}

TEST_F(MainWindow, OptionsButtonShowsTheOptionsWindow) {
    logic.Command1_Click();
    logic.Command1_Click();
    EXPECT_EQ(view.optionsShown, 2);
}

struct Autorun : MainWindow {
    void Game(const std::string& name = "gta-vc.exe") {
        settings.values["GTAVC-path"] = dir.str();
        WriteFile(dir / name, "MZ");
    }
};

TEST_F(Autorun, StartsTheGameOnceAfterTheWindowHasLoaded) {
    Game();
    settings.values["GTAVC-autorun"] = "1";
    bool loadedAtLaunch = false;
    launcher.onOpen = [&] { loadedAtLaunch = logic.loaded() && !state.replayDir.empty(); };
    logic.Form_Initialize();
    logic.EnsureLoaded();
    ASSERT_EQ(launcher.launches.size(), 1U);
    EXPECT_EQ(launcher.launches[0].first, dir / "gta-vc.exe");
    EXPECT_EQ(launcher.launches[0].second, dir.str());
    EXPECT_TRUE(loadedAtLaunch);
}

TEST_F(Autorun, CapitalsPassTheTest) {
    Game("GTA-VC.EXE");
    settings.values["GTAVC-autorun"] = "1";
    logic.Form_Initialize();
    EXPECT_EQ(launcher.launches.size(), 1U);
}

TEST_F(Autorun, NoLaunchWithoutTheSwitchOrTheGame) {
    settings.values["GTAVC-autorun"] = "1";
    settings.values["GTAVC-path"] = dir.str(); // no gta-vc.exe in it
    logic.Form_Initialize();
    Game();
    settings.values["GTAVC-autorun"] = "0";
    logic.Form_Initialize();
    settings.values.erase("GTAVC-autorun");
    logic.Form_Initialize();
    settings.values["GTAVC-autorun"] = "yes";
    logic.Form_Initialize();
    EXPECT_TRUE(launcher.launches.empty());
    EXPECT_TRUE(view.log.empty());
}

TEST_F(Autorun, ALaunchProblemWorthTellingIsLogged) {
    Game();
    settings.values["GTAVC-autorun"] = "1";
    launcher.answer = "GTA:VC could not be started: it needs Wine";
    logic.Form_Initialize();
    ASSERT_EQ(view.log.size(), 1U);
    EXPECT_NE(view.log[0].find("needs Wine"), std::string::npos);
}

TEST(GameExecutable, OnlyAnOrdinaryFileNamedGtaVcExeInTheFolderPasses) {
    TempDir dir;
    PosixFileSystem files;
    EXPECT_FALSE(GameExecutablePresent(files, dir.str()));
    std::filesystem::create_directory(dir / "gta-vc.exe");
    EXPECT_FALSE(GameExecutablePresent(files, dir.str()));
    std::filesystem::remove(dir / "gta-vc.exe");
    WriteFile(dir / ".gta-vc.exe", "");
    WriteFile(dir / "gta-vc.exe.bak", "");
    EXPECT_FALSE(GameExecutablePresent(files, dir.str()));
    WriteFile(dir / "Gta-Vc.Exe", "");
    EXPECT_TRUE(GameExecutablePresent(files, dir.str()));
    EXPECT_TRUE(GameExecutablePresent(files, dir.str() + "/"));
    EXPECT_FALSE(GameExecutablePresent(files, dir / "missing"));
    EXPECT_EQ(GameExecutablePresent(files, ""), std::filesystem::is_regular_file("/gta-vc.exe"));
}

} // namespace
} // namespace clipwarden::test
