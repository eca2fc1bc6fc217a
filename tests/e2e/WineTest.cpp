// clipwarden.exe under Wine on an X server of the test's own, with the Windows stand-in game.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "ChildProcess.h"
#include "ReplayWriter.h"
#include "TempDir.h"
#include "Xvfb.h"
#include "app/win32/ControlIds.h"

namespace clipwarden::test {
namespace {

constexpr long long kEarlier = 1'600'000'000; ///< a modification time long before any start

std::string WindowsBuild() {
    const char* dir = std::getenv("CLIPWARDEN_WINDOWS_BUILD");
    return dir != nullptr ? dir : "";
}

/** A Unix path as Wine's Z: drive shows it. */
std::string WindowsPath(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return "Z:" + path;
}

/** The setup program and where it installs, for the prefix's user. */
struct Installed {
    std::string setup = WindowsBuild() + "/Clipwarden-" CLIPWARDEN_VERSION "-setup.exe";
    std::string user;
    std::string folder;
    std::string program;
    std::string shortcut;
    explicit Installed(const std::string& prefix) {
        for (const auto& entry : std::filesystem::directory_iterator(prefix + "/drive_c/users")) {
            if (entry.path().filename() != "Public") {
                user = entry.path().string();
            }
        }
        folder = user + "/AppData/Local/Programs/Clipwarden";
        program = folder + "/clipwarden.exe";
        shortcut = user + "/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Clipwarden.lnk";
    }
};

/** No .NET or HTML engine to install, and no menu entries for the real user's desktop from
 *  the shortcuts a setup program makes. */
constexpr const char* kOverrides = "WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'";

class UnderWine : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        x_ = new Xvfb();
        prefix_ = new TempDir();
        // wineboot returns before the prefix's services have finished writing it.
        for (const char* step : {"wineboot --init", "wineserver -w"}) {
            const WineRun run = Wine(step);
            if (run.status != 0) {
                prefixError_ += std::string(step) + " failed with " + std::to_string(run.status) +
                                ":\n" + run.output;
            }
        }
    }
    static void TearDownTestSuite() {
        Wine("wineserver -k");
        Wine("wineserver -w");
        delete prefix_;
        delete x_;
    }

    /** How a Wine command line ended, and what Wine said on the way. */
    struct WineRun {
        int status = -1;
        std::string output;
    };
    /** Runs a Wine command line to its end in the suite's prefix, with Wine's errors (not its
     *  debugging chatter) in the output. */
    static WineRun Wine(const std::string& command) {
        // Into a file, not a pipe: the wineserver and services that a command starts keep its
        // output open long after it has ended.
        const std::string output = *prefix_ / "wine-output.txt";
        WineRun run;
        run.status =
            std::system(("DISPLAY=" + x_->display() + " WINEPREFIX=" + prefix_->str() +
                         " WINEDEBUG=fixme-all " + kOverrides + " " + command +
                         " >'" + output + "' 2>&1 </dev/null")
                            .c_str());
        run.output = ReadFile(output);
        std::filesystem::remove(output);
        return run;
    }
    /** Runs a Wine command line that must succeed. */
    static void MustRun(const std::string& command) {
        const WineRun run = Wine(command);
        ASSERT_EQ(run.status, 0) << command << " said:\n" << run.output;
    }
    static std::vector<std::string> Env() {
        return {"DISPLAY=" + x_->display(), "WINEPREFIX=" + prefix_->str(), "WINEDEBUG=-all",
                "WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d"};
    }

    void SetUp() override {
        ASSERT_TRUE(x_->ready());
        ASSERT_EQ(prefixError_, "") << "the Wine prefix could not be made";
        std::filesystem::create_directories(replays);
        Wine("wine reg delete 'HKCU\\Software\\Clipwarden' /f");
        MustRun("wine reg add 'HKCU\\Software\\Clipwarden\\Main' /v GTAVC-replays /t REG_SZ /d '" +
                WindowsPath(replays) + "' /f");
    }

    void StartClipwarden(const std::string& program = WindowsBuild() + "/clipwarden.exe") {
        app = std::make_unique<ChildProcess>(std::vector<std::string>{"/usr/bin/wine", program},
                                             Env());
        // The window is shown once start-up is done.
        ASSERT_EQ(Run("timeout 120 xdotool search --sync --onlyvisible --name '^Clipwarden$'"), 0);
    }
    void StopClipwarden() {
        app.reset();
        MustRun("wineserver -w"); // every Windows process of the prefix has ended
    }
    int Run(const std::string& command) { return RunOn(x_->display(), command); }

    /** Runs the setup program silently. One Wine cannot run ends with 0 as well: the files
     *  tell. */
    static void Install(const Installed& installed) {
        MustRun("wine '" + installed.setup + "' /S");
        MustRun("wineserver -w");
        ASSERT_TRUE(std::filesystem::exists(installed.program)) << "nothing installed";
    }
    /** The uninstaller runs on from a copy in %TEMP%: wineserver -w waits for it. */
    static void Uninstall(const Installed& installed) {
        MustRun("wine '" + installed.folder + "/uninstall.exe' /S");
        MustRun("wineserver -w");
    }

    std::string Expect(const std::string& text) {
        const auto lines = app->ReadUntil(text, std::chrono::seconds(30));
        EXPECT_FALSE(lines.empty());
        if (lines.empty()) {
            return {};
        }
        EXPECT_NE(lines.back().find(text), std::string::npos) << "no line with: " << text;
        return lines.back();
    }

    /** Presses a key while a Wine window (Clipwarden's own) has the focus. */
    void Key(const std::string& key) {
        ASSERT_EQ(Run("xdotool search --name '^Clipwarden$' windowfocus --sync key " + key), 0);
    }

    static inline Xvfb* x_ = nullptr;
    static inline TempDir* prefix_ = nullptr;
    static inline std::string prefixError_; ///< why the prefix could not be made
    TempDir home;
    std::string replays = home / "replays";
    std::unique_ptr<ChildProcess> app;
};

std::string SelectedName(const std::string& line) {
    std::smatch match;
    return std::regex_search(line, match, std::regex(R"(\] (.+) has been selected for replay!$)"))
               ? match[1].str()
               : std::string();
}

TEST_F(UnderWine, CapturesByteForByteAndSelectsWithF5AndF6) {
    if (WindowsBuild().empty()) {
        GTEST_SKIP() << "no Windows build given (CLIPWARDEN_WINDOWS_BUILD)";
    }
    for (const char* name : {"a.rep", "b.rep", "c.rep"}) {
        WriteFile(replays + "/" + name, std::string("bytes of ") + name);
    }
    StartClipwarden();
    // A recording needs a stamp other than the start-up time, which is kept to the second.
    const std::string recording("new\0recording", 13);
    RecordAt(replays + "/replay.rep", recording, kEarlier);
    const std::string saved = Expect(" saved!");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(saved, match, std::regex(R"(\] (replay\d{4}-0\.rep) saved!$)")))
        << saved;
    const std::string captured = match[1].str();
    EXPECT_EQ(ReadFile(replays + "/" + captured), recording);

    Key("F5");
    const std::string previous = SelectedName(Expect("has been selected for replay!"));
    ASSERT_FALSE(previous.empty());
    EXPECT_NE(previous, captured);
    EXPECT_EQ(ReadFile(replays + "/replay.rep"), "bytes of " + previous);
    Key("F6");
    EXPECT_EQ(SelectedName(Expect("has been selected for replay!")), captured);
    EXPECT_EQ(ReadFile(replays + "/replay.rep"), recording);
    StopClipwarden();
}

TEST_F(UnderWine, AReplayOfTheGamesFormatIsStoredOnceWholeAfterAPauseInItsWriting) {
    if (WindowsBuild().empty()) {
        GTEST_SKIP() << "no Windows build given (CLIPWARDEN_WINDOWS_BUILD)";
    }
    StartClipwarden();
    replaywriter::ScriptedDrive drive;
    drive.leastBuffers = 2;
    const auto bytes = replaywriter::BuildReplay(drive);
    // No close can be seen here: the pause, longer than any settle of other bytes, must not
    // get a part stored.
    ASSERT_TRUE(replaywriter::WriteGameFile(replays + "/replay.rep", bytes, {1500, false}));
    const std::string saved = Expect(" saved!");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(saved, match, std::regex(R"(\] (replay(\d{4})-0\.rep) saved!$)")))
        << saved;
    EXPECT_TRUE(ReadFile(replays + "/" + match[1].str()) == std::string(bytes.begin(), bytes.end()));
    StopClipwarden();
    EXPECT_FALSE(std::filesystem::exists(replays + "/replay" + match[2].str() + "-1.rep"));
}

TEST_F(UnderWine, ARecognised10GameGetsItsTextAndTheOptionFollowsForNextTime) {
    if (WindowsBuild().empty()) {
        GTEST_SKIP() << "no Windows build given (CLIPWARDEN_WINDOWS_BUILD)";
    }
    StartClipwarden(); // no settings: the window says 1.1
    FakeGame game(
        {"/usr/bin/wine", WindowsBuild() + "/tools/fake-game/gta-vc.exe", "--version", "1.0"},
        Env());
    EXPECT_TRUE(Eventually([&] {
        const auto lines = game.Command("window-text 100");
        return !lines.empty() && lines.back() == "GTA:VC is running!";
    }));
    Expect("GTA:VC 1.0 recognised.");
    EXPECT_TRUE(Eventually([&] { return game.Command("window-check 102").back() == "1"; }))
        << "the window's option follows the game";

    RecordAt(replays + "/replay.rep", "one", kEarlier);
    Expect(" saved!");
    const auto shown = game.ShownOnce("saved!", "1.0");
    ASSERT_GT(shown.size(), 1U);
    EXPECT_NE(shown[1].find("~w~~b~replay"), std::string::npos) << shown[1];
    EXPECT_EQ(shown[0].substr(0, 17), "flag1=31 flag2=31");
    EXPECT_EQ(game.Command("show 1.1").at(0).substr(0, 17), "flag1=00 flag2=00")
        << "nothing at 1.1's places";
    EXPECT_TRUE(game.ClearedInTime());

    game.Send("playback 1"); // at 0xA10AF6, where 1.0 keeps it
    Expect(" started!");
    game.Command("exit");
    StopClipwarden();
    StartClipwarden();
    // An executable Clipwarden does not know, so that nothing moves the option meanwhile.
    FakeGame probe(
        {"/usr/bin/wine", WindowsBuild() + "/tools/fake-game/gta-vc.exe", "--version", "none"},
        Env());
    EXPECT_EQ(probe.Command("window-check 102").back(), "1") << "1.0 restored from the registry";
    EXPECT_EQ(probe.Command("window-check 103").back(), "0");
    probe.Command("exit");
    StopClipwarden();
}

} // namespace
} // namespace clipwarden::test

namespace clipwarden::test {
namespace {

TEST_F(UnderWine, HelpAndVersionAnswerOnStandardOutputWithoutABox) {
    if (WindowsBuild().empty()) {
        GTEST_SKIP() << "no Windows build given (CLIPWARDEN_WINDOWS_BUILD)";
    }
    // A box would wait for a click on this display: the timeout would end the program.
    const WineRun version = Wine("timeout 60 wine " + WindowsBuild() + "/clipwarden.exe --version");
    EXPECT_EQ(version.status, 0) << version.output;
    EXPECT_NE(version.output.find("Clipwarden " CLIPWARDEN_VERSION), std::string::npos)
        << version.output;
    const WineRun bogus = Wine("timeout 60 wine " + WindowsBuild() + "/clipwarden.exe --bogus");
    EXPECT_EQ(bogus.status, 2 << 8) << bogus.output;
    EXPECT_NE(bogus.output.find("unknown option '--bogus'"), std::string::npos) << bogus.output;

    // --inspect answers the same way, a line a file, the status telling whether all were replays.
    replaywriter::ScriptedDrive drive;
    drive.vehicles = {{3, 159, false}};
    drive.playerVehicle = 0;
    ASSERT_TRUE(replaywriter::WriteGameFile(*prefix_ / "chase.rep", replaywriter::BuildReplay(drive)));
    WriteFile(*prefix_ / "notes.rep", "notes");
    const WineRun inspect = Wine("timeout 60 wine " + WindowsBuild() +
                                 "/clipwarden.exe --inspect Z:" + (*prefix_ / "chase.rep") +
                                 " Z:" + (*prefix_ / "notes.rep"));
    EXPECT_EQ(inspect.status, 1 << 8) << inspect.output;
    EXPECT_NE(inspect.output.find("chase.rep: 1.9 s, Ocean Beach, 07:38 Extra sunny, in Banshee; "
                                  "Banshee"),
              std::string::npos)
        << inspect.output;
    EXPECT_NE(inspect.output.find("notes.rep: not a replay: "), std::string::npos)
        << inspect.output;
}

TEST_F(UnderWine, LaunchRunsTheCommandAndEndsWithItsExitStatus) {
    if (WindowsBuild().empty()) {
        GTEST_SKIP() << "no Windows build given (CLIPWARDEN_WINDOWS_BUILD)";
    }
    // Arguments with spaces and quotes arrive as they were; the status comes back through Wine.
    const WineRun launch = Wine("wine " + WindowsBuild() +
                                "/clipwarden.exe --launch cmd.exe /c 'if \"two words\"==\"two "
                                "words\" exit 7'");
    EXPECT_EQ(launch.status, 7 << 8) << launch.output;
    EXPECT_NE(Run("timeout 5 xdotool search --onlyvisible --name '^Clipwarden$'"), 0)
        << "no window of its own";
}

} // namespace
} // namespace clipwarden::test

namespace clipwarden::test {
namespace {

TEST_F(UnderWine, TheLibraryWindowPlaysTheReplayEnterIsPressedOn) {
    if (WindowsBuild().empty()) {
        GTEST_SKIP() << "no Windows build given (CLIPWARDEN_WINDOWS_BUILD)";
    }
    for (const char* name : {"a.rep", "b.rep", "c.rep"}) {
        WriteFile(replays + "/" + name, std::string("bytes of ") + name);
    }
    app = std::make_unique<ChildProcess>(
        std::vector<std::string>{"/usr/bin/wine", WindowsBuild() + "/clipwarden.exe", "--library"},
        Env());
    ASSERT_EQ(Run("timeout 120 xdotool search --sync --onlyvisible --name '^Clipwarden Library$'"),
              0);
    // The current replay (the last) has the focus; Home moves it to the first.
    ASSERT_EQ(
        Run("xdotool search --name '^Clipwarden Library$' windowfocus --sync key Home Return"), 0);
    EXPECT_EQ(SelectedName(Expect("has been selected for replay!")), "a.rep");
    EXPECT_EQ(ReadFile(replays + "/replay.rep"), "bytes of a.rep");
    StopClipwarden();
}

TEST_F(UnderWine, TheLibraryWindowShowsWhatEachReplayHoldsAndFindsABanshee) {
    if (WindowsBuild().empty()) {
        GTEST_SKIP() << "no Windows build given (CLIPWARDEN_WINDOWS_BUILD)";
    }
    for (int i = 0; i < 5; ++i) {
        replaywriter::ScriptedDrive drive;
        drive.waypoints = {{220, -1270, 10}, {400, -300, 10}};
        drive.vehicles = {{2, static_cast<std::uint16_t>(i < 3 ? 159 : 168), false}};
        drive.playerVehicle = 0;
        const auto bytes = replaywriter::BuildReplay(drive);
        WriteFile(replays + "/take" + std::to_string(i) + ".rep",
                  std::string(bytes.begin(), bytes.end()));
    }
    WriteFile(replays + "/notes.rep", "not a replay at all");
    app = std::make_unique<ChildProcess>(
        std::vector<std::string>{"/usr/bin/wine", WindowsBuild() + "/clipwarden.exe", "--library"},
        Env());
    ASSERT_EQ(Run("timeout 120 xdotool search --sync --onlyvisible --name '^Clipwarden Library$'"),
              0);
    // The stand-in reads the window's controls as a screen reader and a user would.
    FakeGame peek({"/usr/bin/wine", WindowsBuild() + "/tools/fake-game/gta-vc.exe"}, Env());
    const auto text = [&peek](int id) {
        const auto lines = peek.Command("library-text " + std::to_string(id));
        return lines.empty() ? std::string() : lines.back();
    };
    using namespace win32;
    EXPECT_TRUE(Eventually([&] { return text(kIdLibraryStatus) == "6 replays, 500 kB"; }))
        << text(kIdLibraryStatus) << " (every replay read in the background)";

    peek.Command("library-set " + std::to_string(kIdLibraryFilter) + " banshee");
    EXPECT_TRUE(Eventually([&] {
        return text(kIdLibraryStatus).rfind("3 shown of 6 replays", 0) == 0;
    })) << text(kIdLibraryStatus);
    ASSERT_EQ(Run("xdotool search --name '^Clipwarden Library$' windowfocus --sync key Home"), 0);
    EXPECT_TRUE(Eventually([&] {
        return text(kIdLibraryFacts).find("Player:\tin Banshee") != std::string::npos;
    })) << text(kIdLibraryFacts);
    // The sketch's text is the name MSAA gives it: what it shows, in words.
    EXPECT_EQ(text(kIdLibrarySketch).rfind("Path from Ocean Beach to Vice Point, ", 0), 0U)
        << text(kIdLibrarySketch);
    peek.Command("exit");
    StopClipwarden();
}

TEST_F(UnderWine, WithoutAStoredGameFolderTheOneInASteamLibraryIsUsed) {
    if (WindowsBuild().empty()) {
        GTEST_SKIP() << "no Windows build given (CLIPWARDEN_WINDOWS_BUILD)";
    }
    // Steam's key names its folder with forward slashes; its libraryfolders.vdf lists itself
    // and a second library, which holds the game.
    const std::string driveC = *prefix_ / "drive_c";
    std::filesystem::create_directories(driveC + "/SteamHome/steamapps");
    WriteFile(driveC + "/SteamHome/steamapps/libraryfolders.vdf",
              "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"C:\\\\SteamHome\"\n\t}\n"
              "\t\"1\"\n\t{\n\t\t\"path\"\t\t\"C:\\\\Games\\\\Library Two\"\n\t}\n}\n");
    const std::string game = driveC + "/Games/Library Two/steamapps/common/Grand Theft Auto Vice City";
    std::filesystem::create_directories(game);
    std::filesystem::copy_file(WindowsBuild() + "/tools/fake-game/gta-vc.exe", game + "/gta-vc.exe");
    MustRun("wine reg add 'HKCU\\Software\\Valve\\Steam' /v SteamPath /t REG_SZ /d 'c:/SteamHome' /f");
    StartClipwarden();
    const std::string line = Expect("found in the Steam library");
    EXPECT_NE(line.find("Using the game folder C:\\Games\\Library Two\\steamapps\\common\\Grand "
                        "Theft Auto Vice City, found in the Steam library C:\\Games\\Library Two."),
              std::string::npos)
        << line;
    StopClipwarden();
    MustRun("wine reg delete 'HKCU\\Software\\Valve\\Steam' /f");
    const WineRun stored = Wine("wine reg query 'HKCU\\Software\\Clipwarden\\Main' /v GTAVC-path");
    EXPECT_NE(stored.status, 0) << "a found folder is a default, never stored:\n" << stored.output;
}

constexpr const char* kUninstallKey =
    "'HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Clipwarden'";
constexpr const char* kRunKey = "'HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run'";

TEST_F(UnderWine, TheSetupInstallsAWorkingProgramAndItsUninstallerLeavesTheReplays) {
    const Installed installed(prefix_->str());
    if (!std::filesystem::exists(installed.setup)) {
        GTEST_SKIP() << "no setup program was built (makensis or zip missing)";
    }
    ASSERT_NO_FATAL_FAILURE(Install(installed));
    EXPECT_TRUE(std::filesystem::exists(installed.shortcut));
    const WineRun entry = Wine(std::string("wine reg query ") + kUninstallKey);
    EXPECT_NE(entry.output.find("DisplayVersion    REG_SZ    " CLIPWARDEN_VERSION), std::string::npos)
        << entry.output;
    EXPECT_NE(entry.output.find("Publisher    REG_SZ    Clipwarden"), std::string::npos);
    EXPECT_NE(Wine(std::string("wine reg query ") + kRunKey + " /v Clipwarden").status, 0)
        << "no autostart unless chosen";

    WriteFile(replays + "/kept.rep", "a stored replay");
    StartClipwarden(installed.program);
    RecordAt(replays + "/replay.rep", "a new recording", kEarlier);
    Expect(" saved!");
    // A silent setup over the running program ends it first, through its instance window,
    // then replaces it; so does the uninstaller.
    const WineRun over = Wine("wine '" + installed.setup + "' /S");
    EXPECT_EQ(over.status, 0) << over.output;
    EXPECT_TRUE(Eventually([&] { return !app->Alive(); })) << "the running program was ended";
    EXPECT_EQ(ReadFile(installed.program),
              ReadFile(WindowsBuild() + "/package-stage/clipwarden.exe"));
    StopClipwarden();
    StartClipwarden(installed.program);

    Uninstall(installed);
    EXPECT_TRUE(Eventually([&] { return !app->Alive(); })) << "ended before its removal";
    StopClipwarden();
    EXPECT_FALSE(std::filesystem::exists(installed.folder));
    EXPECT_FALSE(std::filesystem::exists(installed.shortcut));
    EXPECT_NE(Wine(std::string("wine reg query ") + kUninstallKey).status, 0);
    EXPECT_EQ(ReadFile(replays + "/kept.rep"), "a stored replay");
    EXPECT_EQ(ReadFile(replays + "/replay.rep"), "a new recording");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(replays),
                            std::filesystem::directory_iterator()),
              3)
        << "the stored replay, the slot and the capture, untouched";
    EXPECT_EQ(Wine("wine reg query 'HKCU\\Software\\Clipwarden\\Main' /v GTAVC-replays").status, 0)
        << "a silent uninstall keeps the settings";
}

TEST_F(UnderWine, AnUpgradeReplacesTheProgramAndKeepsTheSettingsAndTheAutostart) {
    const Installed installed(prefix_->str());
    if (!std::filesystem::exists(installed.setup)) {
        GTEST_SKIP() << "no setup program was built (makensis or zip missing)";
    }
    ASSERT_NO_FATAL_FAILURE(Install(installed));
    // What an older install leaves: its program, its settings, the autostart it was given.
    WriteFile(installed.program, "an older clipwarden.exe");
    MustRun("wine reg add 'HKCU\\Software\\Clipwarden\\Housekeeping' /v most-days /t REG_SZ /d 30 /f");
    MustRun(std::string("wine reg add ") + kRunKey +
            " /v Clipwarden /t REG_SZ /d '\"C:\\users\\x\\clipwarden.exe\"' /f");
    ASSERT_NO_FATAL_FAILURE(Install(installed));
    EXPECT_EQ(ReadFile(installed.program), ReadFile(WindowsBuild() + "/package-stage/clipwarden.exe"));
    const WineRun kept = Wine("wine reg query 'HKCU\\Software\\Clipwarden\\Housekeeping' /v most-days");
    EXPECT_NE(kept.output.find("30"), std::string::npos) << kept.output;
    const WineRun autostart = Wine(std::string("wine reg query ") + kRunKey + " /v Clipwarden");
    EXPECT_NE(autostart.output.find("AppData\\Local\\Programs\\Clipwarden\\clipwarden.exe"),
              std::string::npos)
        << "kept, and pointing at the program now:\n" << autostart.output;
    Uninstall(installed);
    EXPECT_NE(Wine(std::string("wine reg query ") + kRunKey + " /v Clipwarden").status, 0)
        << "the uninstaller removes the autostart";
}

} // namespace
} // namespace clipwarden::test
