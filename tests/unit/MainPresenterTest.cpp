// The main window's start-up, clicks and shutdown, against a plain view.

#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

#include "ServiceRig.h"
#include "core/presenters/MainPresenter.h"
#include "platform/posix/PosixFileSystem.h"

namespace clipwarden::test {
namespace {

struct MainWindow : ::testing::Test, ServiceRig {
    FakeMainView view;
    MainPresenter presenter{services, view};

    void UseReplayFolder() { settings.values["GTAVC-replays"] = dir.str(); }
    const ReplayCursor& cursor() { return presenter.library().cursor(); }
};

TEST_F(MainWindow, FirstStartWithoutSettings) {
    presenter.Start();
    EXPECT_EQ(view.replayFolder, "/home/player/Documents/GTA Vice City User Files");
    EXPECT_EQ(presenter.library().folder(), view.replayFolder);
    EXPECT_EQ(view.version, GameVersion::V1_1);
    EXPECT_EQ(view.status, "Checking if GTA:VC is running...");
    EXPECT_FALSE(cursor().accountedSlot()) << "no replay.rep: nothing to account for";
    EXPECT_EQ(cursor().currentReplay(), "");
    EXPECT_EQ(settings.writes, 0) << "nothing is stored before the user changes something";
    EXPECT_TRUE(launcher.launches.empty());
    EXPECT_EQ(keys.subscribed, 42);
}

TEST_F(MainWindow, WithoutADocumentsFolderTheDefaultIsTheBareFolderName) {
    shell.documents = "";
    presenter.Start();
    EXPECT_EQ(presenter.library().folder(), "/GTA Vice City User Files");
}

TEST_F(MainWindow, ARecordingLeftInTheSlotIsStoredAtStartUpOnceSettled) {
    UseReplayFolder();
    WriteFileAt(dir / "a.rep", "a", 1'600'000'000);
    WriteFileAt(dir / "b.rep", "b", 1'600'000'000);
    WriteFileAt(dir / "replay.rep", "made while Clipwarden was closed", 1'650'000'000);
    presenter.Start();
    EXPECT_EQ(cursor().currentReplay(), "b.rep");
    EXPECT_TRUE(view.log.empty()) << "not before it has settled";
    EXPECT_EQ(view.recheckIn, 500);
    keys.Key(Key::F5, true);
    keys.Key(Key::F5, false);
    EXPECT_EQ(ReadFile(dir / "replay.rep"), "made while Clipwarden was closed");
    clock.steady += 500;
    presenter.CaptureTick();
    ASSERT_FALSE(view.log.empty());
    EXPECT_EQ(view.log.back(), "[14:03:27] replay0612-0.rep saved!");
    EXPECT_EQ(ReadFile(dir / "replay0612-0.rep"), "made while Clipwarden was closed");
    keys.Key(Key::F5, true);
    EXPECT_EQ(ReadFile(dir / "replay.rep"), "b") << "F5 now walks from the stored recording";
}

TEST_F(MainWindow, ASlotTheLibraryHoldsIsNotStoredAgainAtTheNextStart) {
    UseReplayFolder();
    WriteFileAt(dir / "replay.rep", "recording", 1'650'000'000);
    presenter.Start();
    clock.steady += 500;
    presenter.CaptureTick();
    ASSERT_TRUE(std::filesystem::exists(dir / "replay0612-0.rep"));

    FakeMainView again;
    MainPresenter restarted{services, again};
    restarted.Start();
    clock.steady += 500;
    restarted.CaptureTick();
    EXPECT_TRUE(again.log.empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "replay0612-1.rep"));
}

TEST_F(MainWindow, AtStartUpOnlyASlotWithTheSameBytesCountsAsStored) {
    UseReplayFolder();
    // Same size and time as the slot, other bytes: another recording, as a copy of an older
    // one touched to the same second would be.
    WriteFileAt(dir / "a.rep", "recordinX", 1'650'000'000);
    WriteFileAt(dir / "replay.rep", "recording", 1'650'000'000);
    presenter.Start();
    clock.steady += 500;
    presenter.CaptureTick();
    EXPECT_EQ(ReadFile(dir / "replay0612-0.rep"), "recording");
}

TEST_F(MainWindow, StartUpRemovesOnlyTheTemporariesOfProcessesThatAreGone) {
    UseReplayFolder();
    pid_t gone = fork();
    if (gone == 0) {
        _exit(0);
    }
    waitpid(gone, nullptr, 0);
    const std::string stale = dir / (".clipwarden-" + std::to_string(gone) + "-a1b2c3");
    const std::string live = dir / (".clipwarden-" + std::to_string(getpid()) + "-d4e5f6");
    WriteFile(stale, "half a copy");
    WriteFile(live, "a copy in progress");
    WriteFile(dir / ".clipwarden-notes", "not ours");
    presenter.Start();
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(live));
    EXPECT_TRUE(std::filesystem::exists(dir / ".clipwarden-notes"));
}

TEST_F(MainWindow, Version11OnlyWhenTheStoredNumberIsExactlyOne) {
    for (const auto& [stored, version] :
         std::vector<std::pair<std::string, GameVersion>>{{"0", GameVersion::V1_0},
                                                          {"2", GameVersion::V1_0},
                                                          {"1.4", GameVersion::V1_0},
                                                          {"0.6", GameVersion::V1_0},
                                                          {"1", GameVersion::V1_1},
                                                          {"1.0", GameVersion::V1_1},
                                                          {"junk", GameVersion::V1_1}}) {
        settings.values["GTAVC-version"] = stored;
        settings.values["GTAVC-replays"] = dir.str();
        FakeMainView fresh;
        MainPresenter again{services, fresh};
        again.Start();
        EXPECT_EQ(fresh.version, version) << stored;
        EXPECT_EQ(again.version(), version) << stored;
    }
}

TEST_F(MainWindow, AChosenVersionIsStoredAndUsedAtOnce) {
    presenter.Start();
    presenter.OnVersionChosen(GameVersion::V1_0);
    EXPECT_EQ(settings.values["GTAVC-version"], "0");
    EXPECT_EQ(presenter.version(), GameVersion::V1_0);
    presenter.OnVersionChosen(GameVersion::V1_1);
    EXPECT_EQ(settings.values["GTAVC-version"], "1");
    EXPECT_EQ(presenter.version(), GameVersion::V1_1);
}

TEST_F(MainWindow, ANewlyChosenFolderCapturesAndSelectsAtOnce) {
    UseReplayFolder();
    WriteFileAt(dir / "replay.rep", "old folder's slot", 1'600'000'000);
    WriteFileAt(dir / "replay0612-0.rep", "old folder's slot", 1'600'000'000);
    presenter.Start();
    const std::string chosen = dir / "chosen";
    std::filesystem::create_directory(chosen);
    WriteFileAt(chosen + "/a.rep", "a", 1'600'000'000);
    WriteFileAt(chosen + "/replay.rep", "never stored", 1'650'000'000);
    shell.answers = {chosen};
    presenter.OnChooseReplayFolder();
    ASSERT_EQ(shell.asked.size(), 1U);
    EXPECT_EQ(shell.asked[0].owner, view.Handle());
    EXPECT_EQ(shell.asked[0].title, "Select the folder which stores your GTA:VC Replays");
    EXPECT_EQ(shell.asked[0].start, dir.str()) << "the picker opens at the folder in use";
    EXPECT_EQ(settings.values["GTAVC-replays"], chosen);
    EXPECT_EQ(view.replayFolder, chosen);
    EXPECT_EQ(presenter.library().folder(), chosen);
    EXPECT_EQ(cursor().currentReplay(), "a.rep");

    // The slot of the new folder is a recording of its own, stored once settled.
    clock.steady += 500;
    presenter.CaptureTick();
    EXPECT_EQ(ReadFile(chosen + "/replay0612-0.rep"), "never stored");
    EXPECT_FALSE(std::filesystem::exists(dir / "replay0612-1.rep"));
    keys.Key(Key::F5, true);
    EXPECT_EQ(ReadFile(chosen + "/replay.rep"), "a") << "F5 walks the new folder";
    EXPECT_EQ(ReadFile(dir / "replay.rep"), "old folder's slot");
}

struct FoundFolders : MainWindow {
    const std::string home = dir / "home";
    FoundFolders() { services.searchPlaces.home = home; }

    /** A Wine prefix holding the game and its replay folder; returns the replay folder. */
    static std::string Prefix(const std::string& prefix, long long slotTime) {
        std::filesystem::create_directories(
            prefix + "/drive_c/Program Files/Rockstar Games/Grand Theft Auto Vice City");
        const std::string replays =
            prefix + "/drive_c/users/player/Documents/GTA Vice City User Files";
        std::filesystem::create_directories(replays);
        WriteFileAt(replays + "/replay.rep", "recording", slotTime);
        return replays;
    }
    static std::string GameOf(const std::string& prefix) {
        return prefix + "/drive_c/Program Files/Rockstar Games/Grand Theft Auto Vice City";
    }
};

TEST_F(FoundFolders, AreUsedAndSaidButNeverStored) {
    const std::string replays = Prefix(home + "/.wine", 1'650'000'000);
    WriteFile(GameOf(home + "/.wine") + "/gta-vc.exe", "MZ");
    settings.values["GTAVC-autorun"] = "1";
    presenter.Start();
    EXPECT_EQ(presenter.library().folder(), replays);
    EXPECT_EQ(view.replayFolder, replays);
    ASSERT_FALSE(view.log.empty());
    EXPECT_EQ(view.log[0], "[14:03:27] Using the replay folder " + replays +
                               " and the game folder " + GameOf(home + "/.wine") +
                               ", found in the Wine prefix " + home + "/.wine.");
    ASSERT_EQ(launcher.launches.size(), 1U) << "autorun starts the game found";
    EXPECT_EQ(launcher.launches[0].second, GameOf(home + "/.wine"));
    clock.steady += 500;
    presenter.CaptureTick();
    EXPECT_EQ(ReadFile(replays + "/replay0612-0.rep"), "recording");
    EXPECT_EQ(settings.writes, 0) << "a found folder stays a default";
    EXPECT_EQ(presenter.GameFolder(), GameOf(home + "/.wine"));
    presenter.OnChooseReplayFolder();
    ASSERT_EQ(shell.asked.size(), 1U);
    EXPECT_EQ(shell.asked[0].start, replays) << "the picker opens where the replays were found";
}

TEST_F(FoundFolders, WithOneFolderSetTheOtherComesFromTheInstallItLiesIn) {
    Prefix(home + "/.wine", 1'700'000'000); // newer, but not the one the user chose
    const std::string mine = Prefix(dir / "my prefix", 1'600'000'000);
    settings.values["GTAVC-replays"] = mine;
    presenter.Start();
    EXPECT_EQ(presenter.library().folder(), mine);
    EXPECT_EQ(presenter.GameFolder(), GameOf(dir / "my prefix"));
    ASSERT_FALSE(view.log.empty());
    EXPECT_EQ(view.log[0], "[14:03:27] Using the game folder " + GameOf(dir / "my prefix") +
                               ", found in the Wine prefix " + dir / "my prefix" + ".");
}

TEST_F(FoundFolders, NothingFoundSaysWhereReplaysAreLookedFor) {
    presenter.Start();
    EXPECT_EQ(presenter.library().folder(), "/home/player/Documents/GTA Vice City User Files");
    EXPECT_EQ(presenter.GameFolder(), "/games/vc");
    ASSERT_EQ(view.log.size(), 2U);
    EXPECT_NE(view.log[1].find("does not exist yet"), std::string::npos) << view.log[1];
    EXPECT_EQ(view.log[0], "[14:03:27] No copy of GTA:VC was found in the Wine prefixes or Steam "
                           "libraries of this user, so replays are looked for in "
                           "/home/player/Documents/GTA Vice City User Files. If the game keeps "
                           "them elsewhere, choose that folder.");
    EXPECT_EQ(settings.writes, 0);

    FakeMainView again;
    settings.values["GTAVC-replays"] = dir.str();
    settings.values["GTAVC-path"] = dir.str();
    MainPresenter withBoth{services, again};
    withBoth.Start();
    EXPECT_TRUE(again.log.empty()) << "with both folders set nothing is searched or said";
}

TEST_F(MainWindow, ACancelledPickChangesNothing) {
    UseReplayFolder();
    presenter.Start();
    presenter.OnChooseReplayFolder();
    EXPECT_EQ(view.replayFolder, dir.str());
    EXPECT_EQ(settings.values["GTAVC-replays"], dir.str());
    EXPECT_EQ(settings.writes, 0);
}

TEST_F(MainWindow, AFolderWithoutAnyRecordingIsTakenOnlyWhenThePlayerSaysItIsTheRightOne) {
    UseReplayFolder();
    presenter.Start();
    const std::string documents = dir / "Documents";
    std::filesystem::create_directory(documents);
    WriteFile(documents + "/notes.txt", "not a replay");
    shell.answers = {documents};
    view.answer = false;
    presenter.OnChooseReplayFolder();
    ASSERT_EQ(view.questions.size(), 1U);
    EXPECT_NE(view.questions[0].find("holds no replay.rep and no stored replay"),
              std::string::npos);
    EXPECT_NE(view.questions[0].find("GTA Vice City User Files"), std::string::npos);
    EXPECT_EQ(presenter.library().folder(), dir.str()) << "no: the folder in use stays";
    EXPECT_EQ(settings.values["GTAVC-replays"], dir.str());

    shell.answers = {documents};
    view.answer = true;
    presenter.OnChooseReplayFolder();
    EXPECT_EQ(presenter.library().folder(), documents) << "yes: it is taken";

    const std::string game = dir / "game";
    std::filesystem::create_directory(game);
    WriteFile(game + "/replay.rep", "a recording");
    shell.answers = {game};
    presenter.OnChooseReplayFolder();
    EXPECT_EQ(view.questions.size(), 2U) << "a folder with a recording is taken without a word";
    EXPECT_EQ(presenter.library().folder(), game);
}

TEST_F(MainWindow, AFailedSettingWriteIsLogged) {
    UseReplayFolder();
    presenter.Start();
    settings.failWrites = "the disk is full";
    presenter.OnVersionChosen(GameVersion::V1_0);
    ASSERT_EQ(view.log.size(), 1U);
    EXPECT_EQ(view.log[0],
              "[14:03:27] The setting GTAVC-version could not be saved: the disk is full");
}

TEST_F(MainWindow, HotkeysWorkFromStartToShutdown) {
    UseReplayFolder();
    WriteFileAt(dir / "a.rep", "a", 1'600'000'000);
    WriteFileAt(dir / "b.rep", "b", 1'600'000'000);
    presenter.Start();
    EXPECT_TRUE(keys.Key(Key::F5, true)); // from b.rep
    EXPECT_EQ(ReadFile(dir / "replay.rep"), "a");
    keys.Key(Key::F5, false);
    presenter.Shutdown();
    EXPECT_EQ(keys.unsubscribed, (std::vector<KeySubscription>{42}));
    EXPECT_FALSE(keys.Key(Key::F6, true));
    EXPECT_EQ(ReadFile(dir / "replay.rep"), "a");
}

TEST_F(MainWindow, NoKeySourceIsSaidOnce) {
    keys.available = false;
    keys.why = "F5 and F6 are not available";
    UseReplayFolder();
    presenter.Start();
    presenter.Shutdown();
    EXPECT_TRUE(keys.unsubscribed.empty());
    ASSERT_EQ(view.log.size(), 1U);
    EXPECT_EQ(view.log[0], "[14:03:27] F5 and F6 are not available");
}

/** A game process in the fakes with the signature of `signature` at its place. */
void GameWithSignature(FakeProcesses& processes, ProcessId id, std::uint32_t signature) {
    processes.processes[id] = {"gta-vc.exe", false, {}};
    processes.Sign(id, signature);
}

TEST_F(MainWindow, TheRecognisedGameDecidesWhereItsTextGoesAndTheOptionFollows) {
    presenter.Start(); // no settings: the window says 1.1
    GameWithSignature(processes, 7, kSignature10);
    presenter.GameLinkTick();
    EXPECT_EQ(view.version, GameVersion::V1_0);
    EXPECT_EQ(settings.values["GTAVC-version"], "0") << "stored, as it changed the default";
    presenter.notifier().PostNotification("", "Hi");
    presenter.GameTextTick();
    EXPECT_EQ(processes.Bytes(7, 0x78C5F8, 4), std::string("H\0i\0", 4));
    EXPECT_EQ(processes.Bytes(7, 0x94DBCC, 1), "\x31");
    view.log.clear();
    view.version = GameVersion::V1_1; // the user clicks the other option
    presenter.OnVersionChosen(GameVersion::V1_1);
    presenter.GameTextTick();
    EXPECT_EQ(processes.Bytes(7, 0x94DBD4, 1), std::string(1, '\0'))
        << "the window's choice never moves the text away from the recognised places";
    EXPECT_EQ(view.version, GameVersion::V1_0) << "the option shows the version in use";
    EXPECT_EQ(settings.values["GTAVC-version"], "0");
    ASSERT_EQ(view.log.size(), 1U);
    EXPECT_EQ(view.log[0], "[14:03:27] GTA:VC 1.0 is running, and Clipwarden uses its own version "
                           "whatever the option says; the option can be changed once the game "
                           "has ended.");
}

TEST_F(MainWindow, EachSignatureChoosesItsPlacesWhateverTheWindowSays) {
    struct Case {
        std::optional<std::uint32_t> signature;
        const GameLayout* layout; ///< where the text must land; nowhere when null
    };
    const std::vector<Case> cases = {{kSignature10, &kLayout10},
                                     {kSignature11, &kLayout11},
                                     {kSignatureSteam, &kLayoutSteam},
                                     {kSignatureSteamPacked, nullptr},
                                     {0x12345678, nullptr},
                                     {std::nullopt, nullptr}};
    ProcessId id = 100;
    for (const GameVersion option : {GameVersion::V1_0, GameVersion::V1_1}) {
        for (const Case& c : cases) {
            FakeMainView fresh;
            MainPresenter again{services, fresh};
            settings.values["GTAVC-version"] = option == GameVersion::V1_1 ? "1" : "0";
            again.Start();
            processes.processes.clear();
            if (c.signature) {
                GameWithSignature(processes, ++id, *c.signature);
            } else {
                processes.processes[++id] = {"gta-vc.exe", false, {}};
                processes.Sign(id, std::nullopt);
            }
            again.GameLinkTick();
            EXPECT_EQ(fresh.status, "GTA:VC is running!");
            again.notifier().PostNotification("", "Hi");
            again.GameTextTick();
            auto& memory = processes.processes[id].memory;
            if (c.layout == nullptr) {
                const std::size_t signatureBytes = c.signature ? 4 : 0;
                EXPECT_EQ(memory.size(), signatureBytes) << "written into an unknown executable";
                continue;
            }
            EXPECT_EQ(processes.Bytes(id, c.layout->messageTexts[0], 2), std::string("H\0", 2))
                << c.layout->name;
            EXPECT_EQ(processes.Bytes(id, c.layout->messageFlag1, 1), "\x31") << c.layout->name;
            EXPECT_EQ(fresh.version, c.layout->option.value_or(option)) << c.layout->name;
        }
    }
}

TEST_F(MainWindow, A11GameWithoutSettingsWritesNoSettingsAndSteamLeavesTheOptionAlone) {
    presenter.Start();
    GameWithSignature(processes, 7, kSignature11);
    presenter.GameLinkTick();
    EXPECT_EQ(view.version, GameVersion::V1_1);
    EXPECT_EQ(settings.writes, 0);

    processes.processes.erase(7);
    presenter.GameLinkTick();
    view.version = GameVersion::V1_0;
    presenter.OnVersionChosen(GameVersion::V1_0); // no game attached: taken
    GameWithSignature(processes, 8, kSignatureSteam);
    presenter.GameLinkTick();
    EXPECT_EQ(view.version, GameVersion::V1_0) << "Steam's edition leaves the option as chosen";
    view.version = GameVersion::V1_1;
    presenter.OnVersionChosen(GameVersion::V1_1);
    EXPECT_EQ(view.version, GameVersion::V1_0) << "a click is refused while a game is attached";
    EXPECT_EQ(presenter.version(), GameVersion::V1_0);
    EXPECT_EQ(settings.values["GTAVC-version"], "0");
    EXPECT_NE(view.log.back().find("GTA:VC Steam is running"), std::string::npos);
    presenter.notifier().PostNotification("", "Hi");
    presenter.GameTextTick();
    EXPECT_EQ(processes.Bytes(8, 0x78B600, 2), std::string("H\0", 2));
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
    launcher.onOpen = [&] {
        loadedAtLaunch = keys.subscribed != 0 && !presenter.library().folder().empty();
    };
    presenter.Start();
    ASSERT_EQ(launcher.launches.size(), 1U);
    EXPECT_EQ(launcher.launches[0].first, dir / "gta-vc.exe");
    EXPECT_EQ(launcher.launches[0].second, dir.str());
    EXPECT_TRUE(loadedAtLaunch);
}

TEST_F(Autorun, CapitalsPassTheTest) {
    Game("GTA-VC.EXE");
    settings.values["GTAVC-autorun"] = "1";
    presenter.Start();
    EXPECT_EQ(launcher.launches.size(), 1U);
}

TEST_F(Autorun, NoLaunchWithoutTheSwitchOrTheGame) {
    const auto launchesAfterStart = [&](std::optional<std::string> autorun) {
        if (autorun) {
            settings.values["GTAVC-autorun"] = *autorun;
        } else {
            settings.values.erase("GTAVC-autorun");
        }
        settings.values["GTAVC-replays"] = dir.str();
        FakeMainView fresh;
        MainPresenter again{services, fresh};
        launcher.launches.clear();
        again.Start();
        EXPECT_TRUE(fresh.log.empty());
        return launcher.launches.size();
    };
    settings.values["GTAVC-path"] = dir.str(); // no gta-vc.exe in it yet
    EXPECT_EQ(launchesAfterStart("1"), 0U);
    Game();
    EXPECT_EQ(launchesAfterStart("1"), 1U);
    EXPECT_EQ(launchesAfterStart("1.0"), 1U);
    for (const char* off : {"0", "yes", "0.6", "1.4", "2"}) {
        EXPECT_EQ(launchesAfterStart(off), 0U) << off;
    }
    EXPECT_EQ(launchesAfterStart(std::nullopt), 0U);
}

TEST_F(Autorun, ALaunchProblemWorthTellingIsLogged) {
    Game();
    settings.values["GTAVC-autorun"] = "1";
    launcher.answer = "GTA:VC could not be started: it needs Wine";
    settings.values["GTAVC-replays"] = dir.str();
    presenter.Start();
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

TEST_F(MainWindow, TheWatchStoresARecordingSoonAfterItsCloseAndNeverWhileItIsWritten) {
    UseReplayFolder();
    presenter.Start();
    EXPECT_EQ(folderWatch.folder, dir.str());
    WriteFileAt(dir / "replay.rep", "half a recording", 1'650'000'000);
    folderWatch.Tell(FolderChange::Kind::Written, "replay.rep");
    clock.steady += 5000; // far past the settle: still open for writing all the same
    presenter.CaptureTick();
    EXPECT_TRUE(view.log.empty());

    WriteFileAt(dir / "replay.rep", "the whole recording", 1'650'000'001);
    folderWatch.Tell(FolderChange::Kind::Closed, "replay.rep");
    EXPECT_EQ(view.recheckIn, 0); // a look at once: a whole replay of the game goes now
    presenter.CaptureTick();
    EXPECT_TRUE(view.log.empty()) << "bytes of another kind wait for the quiet time";
    EXPECT_EQ(view.recheckIn, static_cast<int>(kQuietMilliseconds));
    clock.steady += kQuietMilliseconds;
    presenter.CaptureTick(); // one look, no settle of half a second
    ASSERT_EQ(view.log.size(), 1U);
    EXPECT_EQ(view.log[0], "[14:03:27] replay0612-0.rep saved!");
    EXPECT_EQ(ReadFile(dir / "replay0612-0.rep"), "the whole recording");
}

TEST_F(MainWindow, OneWritersCloseStoresNothingWhileAnotherStillHoldsTheSlot) {
    UseReplayFolder();
    presenter.Start();
    using Kind = FolderChange::Kind;
    folderWatch.Tell(Kind::Opened, "replay.rep"); // the first writer
    folderWatch.Tell(Kind::Opened, "replay.rep"); // a second one, through another open
    WriteFileAt(dir / "replay.rep", "the first part", 1'650'000'000);
    folderWatch.Tell(Kind::Written, "replay.rep");
    folderWatch.Tell(Kind::Closed, "replay.rep"); // the first is done, the second is not
    clock.steady += 2 * kSettleMilliseconds;
    presenter.CaptureTick();
    clock.steady += 2 * kSettleMilliseconds;
    presenter.CaptureTick();
    EXPECT_FALSE(std::filesystem::exists(dir / "replay0612-0.rep")) << "a part stored";

    WriteFileAt(dir / "replay.rep", "the first part and the rest", 1'650'000'001);
    folderWatch.Tell(Kind::Written, "replay.rep");
    folderWatch.Tell(Kind::Closed, "replay.rep"); // the last writer's close
    clock.steady += kQuietMilliseconds;
    presenter.CaptureTick();
    EXPECT_EQ(ReadFile(dir / "replay0612-0.rep"), "the first part and the rest");
}

TEST_F(MainWindow, ASlotWithAnotherNameSettlesLongBeforeItIsStored) {
    UseReplayFolder();
    presenter.Start();
    // A writer through the other name is seen by no watch here, and may pause between writes.
    WriteFileAt(dir / "replay.rep", "a part so far", 1'650'000'000);
    std::filesystem::create_hard_link(dir / "replay.rep", dir / "elsewhere.bin");
    folderWatch.Tell(FolderChange::Kind::Closed, "replay.rep");
    for (int i = 0; i < 3; ++i) {
        clock.steady += kSettleMilliseconds;
        presenter.CaptureTick();
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "replay0612-0.rep")) << "a part stored";
    clock.steady += kLinkedSettleMilliseconds;
    presenter.CaptureTick();
    EXPECT_EQ(ReadFile(dir / "replay0612-0.rep"), "a part so far") << "settled at last";
}

TEST_F(MainWindow, HousekeepingRunsAtStartUpAndAfterEachCapture) {
    UseReplayFolder();
    settings.values["Housekeeping/most-replays"] = "2";
    for (int i = 0; i < 4; ++i) {
        WriteFileAt(dir / ("old" + std::to_string(i) + ".rep"), "old", 1'600'000'000 + i);
    }
    presenter.Start();
    EXPECT_EQ(trash.trashed, (std::vector<std::string>{dir / "old0.rep", dir / "old1.rep"}));
    WriteFileAt(dir / "replay.rep", "a new recording", 1'650'000'000);
    presenter.CaptureTick();
    clock.steady += kSettleMilliseconds;
    presenter.CaptureTick();
    ASSERT_TRUE(std::filesystem::exists(dir / "replay0612-0.rep"));
    EXPECT_EQ(trash.trashed.back(), dir / "old2.rep") << "the capture made three: one goes";
    EXPECT_EQ(view.log.back(), "[14:03:27] Moved 1 old replay to the trash (3 bytes) to keep at "
                               "most 2.");
}

TEST_F(MainWindow, WhereTheFolderCannotBeWatchedItIsLookedAtOnceASecondAndSaidOnce) {
    UseReplayFolder();
    folderWatch.refusal = "the system's limit of folder watches is reached";
    std::vector<std::string> changes;
    presenter.libraryParts().library.OnChanged(
        [&](const std::string& name) { changes.push_back(name); });
    presenter.Start();
    ASSERT_EQ(view.log.size(), 1U);
    EXPECT_NE(view.log[0].find("are not reported (the system's limit of folder watches is "
                               "reached), so Clipwarden looks at it once a second"),
              std::string::npos);
    changes.clear();
    presenter.CaptureTick();
    EXPECT_TRUE(changes.empty()) << "nothing moved: nothing listed";
    WriteFile(dir / "added elsewhere.rep", "x");
    std::filesystem::last_write_time(dir.str(), std::filesystem::file_time_type::clock::now() +
                                                    std::chrono::seconds(5));
    presenter.CaptureTick();
    EXPECT_EQ(changes, std::vector<std::string>{""}) << "the Library lists the folder again";
    EXPECT_EQ(view.log.size(), 1U);

    // A folder that is not there yet (the game has not saved a replay yet, or a slip): said
    // once, watched as soon as it comes, and its coming said too.
    settings.values["GTAVC-replays"] = dir / "later";
    folderWatch.refusal = "No such file or directory";
    MainPresenter second(services, view);
    second.Start();
    second.CaptureTick();
    second.CaptureTick();
    ASSERT_EQ(view.log.size(), 2U);
    EXPECT_EQ(view.log[1], "[14:03:27] The replay folder " + dir / "later" +
                               " does not exist yet. Recordings are stored there as soon as it "
                               "does (once the game has saved its first replay); if it is the "
                               "wrong folder, choose the right one with Select.");
    std::filesystem::create_directory(dir / "later");
    folderWatch.refusal.clear();
    second.CaptureTick();
    EXPECT_EQ(folderWatch.folder, dir / "later");
    EXPECT_TRUE(folderWatch.changed) << "watched now";
    ASSERT_EQ(view.log.size(), 3U);
    EXPECT_EQ(view.log[2], "[14:03:27] The replay folder " + dir / "later" +
                               " is there now; recordings made there are stored from now on.");

    // An empty folder in the settings would be the root: the default serves.
    settings.values["GTAVC-replays"] = "";
    MainPresenter third(services, view);
    third.Start();
    EXPECT_NE(view.replayFolder, "");
    EXPECT_NE(view.replayFolder, "/");
    EXPECT_NE(view.log[3].find("The replay folder in the settings is empty, so "),
              std::string::npos)
        << view.log[3];
}

} // namespace
} // namespace clipwarden::test
