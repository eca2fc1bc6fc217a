// Finding the game's folders in fake home folders laid out as Wine, Steam, Lutris and
// Bottles lay them out.

#include <gtest/gtest.h>

#include <filesystem>

#include "TempDir.h"
#include "Fakes.h"
#include "core/installs/InstallFinder.h"
#include "core/installs/RegisteredGame.h"
#include "platform/posix/PosixFileSystem.h"

namespace clipwarden::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUserFiles = "GTA Vice City User Files";
constexpr const char* kSteamGame = "steamapps/common/Grand Theft Auto Vice City";
constexpr const char* kProtonUser = "steamapps/compatdata/12110/pfx/drive_c/users/steamuser";
constexpr const char* kRockstar = "Rockstar Games/Grand Theft Auto Vice City";

struct Finder : ::testing::Test {
    TempDir dir;
    PosixFileSystem files;
    std::string home = dir / "home";
    SearchPlaces places{home, "", "", ""};

    Finder() { fs::create_directories(home); }

    std::vector<GameInstall> Find() { return InstallFinder(files, places).FindInstalls(); }

    /** A folder (and its parents); returns its path. */
    static std::string Folder(const std::string& path) {
        fs::create_directories(path);
        return path;
    }

    /** A Steam library holding the game and the replay folder of its Proton prefix. */
    static std::string SteamLibrary(const std::string& library, const char* documents,
                                    long long slotTime = 0) {
        Folder(library + "/" + kSteamGame);
        const std::string replays =
            Folder(library + "/" + kProtonUser + "/" + documents + "/" + kUserFiles);
        if (slotTime != 0) {
            WriteFileAt(replays + "/replay.rep", "recording", slotTime);
        }
        return replays;
    }

    /** A Wine prefix holding the game and the user's replay folder. */
    static std::string WinePrefix(const std::string& prefix, const char* documents,
                                  long long slotTime = 0) {
        Folder(prefix + "/drive_c/Program Files (x86)/" + kRockstar);
        Folder(prefix + "/drive_c/users/Public/Documents");
        const std::string replays =
            Folder(prefix + "/drive_c/users/player/" + documents + "/" + kUserFiles);
        if (slotTime != 0) {
            WriteFileAt(replays + "/replay.rep", "recording", slotTime);
        }
        return replays;
    }
};

TEST_F(Finder, AProtonPrefixInASecondSteamLibraryIsFoundOnceThroughTheLinkedSteam) {
    const std::string steam = Folder(home + "/.local/share/Steam");
    Folder(steam + "/steamapps");
    fs::create_directory(home + "/.steam");
    fs::create_directory_symlink(steam, home + "/.steam/steam");
    const std::string library = dir / "disk two/SteamLibrary";
    const std::string replays = SteamLibrary(library, "Documents");
    WriteFile(steam + "/steamapps/libraryfolders.vdf",
              "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + steam +
                  "\"\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + library + "\"\n\t}\n}\n");

    const auto installs = Find();
    ASSERT_EQ(installs.size(), 1U) << "~/.steam/steam is the same Steam as ~/.local/share/Steam";
    EXPECT_EQ(installs[0].gameFolder, library + "/" + kSteamGame);
    EXPECT_EQ(installs[0].replayFolder, replays);
    EXPECT_TRUE(installs[0].replayFolderExists);
    EXPECT_EQ(installs[0].foundIn, "the Steam library " + library);
}

TEST_F(Finder, AFlatpakSteamAndASnapSteamAreSearchedToo) {
    const std::string flatpak = home + "/.var/app/com.valvesoftware.Steam/.local/share/Steam";
    const std::string replays = SteamLibrary(flatpak, "My Documents");
    SteamLibrary(home + "/snap/steam/common/.local/share/Steam", "Documents");
    const auto installs = Find();
    ASSERT_EQ(installs.size(), 2U);
    EXPECT_EQ(installs[0].replayFolder, replays);
    EXPECT_EQ(installs[0].foundIn, "the Flatpak Steam folder " + flatpak);
    EXPECT_NE(installs[1].foundIn.find("Snap Steam"), std::string::npos);
}

TEST_F(Finder, AWinePrefixWithMyDocumentsPairsItsGameAndItsReplays) {
    const std::string replays = WinePrefix(home + "/.wine", "My Documents");
    const auto installs = Find();
    ASSERT_EQ(installs.size(), 1U);
    EXPECT_EQ(installs[0].gameFolder,
              home +
                  "/.wine/drive_c/Program Files (x86)/Rockstar Games/Grand Theft Auto Vice City");
    EXPECT_EQ(installs[0].replayFolder, replays);
    EXPECT_EQ(installs[0].foundIn, "the Wine prefix " + home + "/.wine");
}

TEST_F(Finder, TheInstallWithTheNewestRecordingWinsElseTheFirstWithReplays) {
    places.winePrefix = dir / "prefix";
    Folder(places.winePrefix + "/drive_c/Program Files/" + kRockstar); // never started
    const std::string older = WinePrefix(home + "/.wine", "Documents", 1'600'000'000);
    const std::string newer =
        SteamLibrary(home + "/.local/share/Steam", "Documents", 1'700'000'000);
    auto installs = Find();
    ASSERT_EQ(installs.size(), 3U);
    EXPECT_EQ(installs[0].replayFolder, "") << "a prefix without users names no replay folder";
    EXPECT_FALSE(installs[0].replayFolderExists);
    EXPECT_EQ(ChooseInstall(installs)->replayFolder, newer);

    fs::remove(older + "/replay.rep");
    fs::remove(newer + "/replay.rep");
    EXPECT_EQ(ChooseInstall(Find())->replayFolder, older) << "the first whose folder exists";
    EXPECT_FALSE(ChooseInstall({}));
}

TEST_F(Finder, ABrokenLibraryListStillSearchesSteamsOwnFolder) {
    const std::string steam = home + "/.local/share/Steam";
    const std::string replays = SteamLibrary(steam, "Documents");
    SteamLibrary(dir / "lib2", "Documents");
    WriteFile(steam + "/steamapps/libraryfolders.vdf",
              "\"libraryfolders\"\n{\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + (dir / "lib2"));
    const auto installs = Find();
    ASSERT_EQ(installs.size(), 1U);
    EXPECT_EQ(installs[0].replayFolder, replays);
}

TEST_F(Finder, LutrisAndBottlesPrefixesAreFound) {
    const std::string lutris = dir / "games/gta-vice-city";
    WinePrefix(lutris, "Documents");
    Folder(home + "/.config/lutris/games");
    WriteFile(home + "/.config/lutris/games/gta-vice-city-1700000000.yml",
              "game:\n  exe: drive_c/x.exe\n  prefix: '" + lutris + "'\nwine:\n  version: x\n");
    WriteFile(home + "/.config/lutris/games/broken.yml", "prefix: [\n\x01\xff");
    WinePrefix(home + "/.local/share/bottles/bottles/Vice City", "Documents");
    Folder(home + "/Games/not-a-prefix/empty");
    const auto installs = Find();
    ASSERT_EQ(installs.size(), 2U);
    EXPECT_EQ(installs[0].foundIn, "the Lutris prefix " + lutris);
    EXPECT_EQ(installs[1].foundIn,
              "the Bottles bottle " + home + "/.local/share/bottles/bottles/Vice City");
}

TEST_F(Finder, NothingFoundInAnEmptyHomeOrWithoutOne) {
    Folder(home + "/.wine/drive_c/users/player/Documents"); // Wine, but never the game
    Folder(home + "/.local/share/Steam/steamapps/common/Another Game");
    EXPECT_TRUE(Find().empty());
    places.home.clear();
    EXPECT_TRUE(Find().empty());
}

TEST_F(Finder, AFolderSetByTheUserBelongsToTheInstallItLiesIn) {
    const std::string replays = WinePrefix(dir / "custom prefix", "Documents");
    InstallFinder finder(files, places);
    const auto install = finder.InstallOf(replays);
    ASSERT_TRUE(install);
    EXPECT_EQ(install->gameFolder,
              dir / "custom prefix/drive_c/Program Files (x86)/Rockstar Games/Grand Theft Auto "
                    "Vice City");
    const std::string library = dir / "lib";
    const std::string steamReplays = SteamLibrary(library, "Documents");
    EXPECT_EQ(finder.InstallOf(library + "/" + kSteamGame)->replayFolder, steamReplays);
    EXPECT_FALSE(finder.InstallOf(dir / "plain folder"));
}

/** Where Windows installers say the game is: the first that holds gta-vc.exe, in order. */
TEST(RegisteredGame, TheFirstPlaceHoldingTheGameInTheirOrderIsTaken) {
    TempDir dir;
    PosixFileSystem files;
    FakeRegistry registry;
    using Root = Registry::Root;
    using View = Registry::View;
    const auto game = [&](const std::string& folder) {
        std::filesystem::create_directories(folder);
        WriteFile(folder + "/GTA-VC.EXE", "MZ");
        return folder;
    };
    const std::string retail = dir / "retail";
    EXPECT_FALSE(FindRegisteredGame(registry, files, retail)) << "nothing anywhere";
    game(retail);
    ASSERT_TRUE(FindRegisteredGame(registry, files, retail));
    EXPECT_EQ(FindRegisteredGame(registry, files, retail)->foundIn, "") << "the default itself";

    // The retail installer's entry is read in the 32-bit view, where a 32-bit installer
    // wrote it; the same key in the native view is another key.
    const std::string rockstar = "SOFTWARE\\Rockstar Games\\Grand Theft Auto Vice City";
    registry.Set(Root::LocalMachine, rockstar, "InstallFolder", game(dir / "installed"),
                 View::Bits32);
    EXPECT_EQ(FindRegisteredGame(registry, files, retail)->folder, dir / "installed");

    // Steam's uninstall entry comes before it; a folder without the game is passed over.
    const std::string uninstall =
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Steam App 12110";
    registry.Set(Root::LocalMachine, uninstall, "InstallLocation", dir / "empty", View::Bits32);
    EXPECT_EQ(FindRegisteredGame(registry, files, retail)->folder, dir / "installed");
    registry.Set(Root::LocalMachine, uninstall, "InstallLocation", game(dir / "uninstall"),
                 View::Bits32);
    EXPECT_EQ(FindRegisteredGame(registry, files, retail)->foundIn,
              "Steam's uninstall entry for the game");

    // Steam's own path first, then each library its libraryfolders.vdf lists.
    const std::string steam = dir / "steam";
    std::filesystem::create_directories(steam + "/steamapps");
    WriteFile(steam + "/steamapps/libraryfolders.vdf",
              "\"libraryfolders\" { \"0\" { \"path\" \"" + steam + "\" } \"1\" { \"path\" \"" +
                  (dir / "second") + "\" } }");
    registry.Set(Root::CurrentUser, "Software\\Valve\\Steam", "SteamPath", steam + "/",
                 View::Native);
    game(dir / "second/steamapps/common/Grand Theft Auto Vice City");
    const auto found = FindRegisteredGame(registry, files, retail);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->folder, dir / "second/steamapps/common/Grand Theft Auto Vice City");
    EXPECT_EQ(found->foundIn, "the Steam library " + (dir / "second"));
    game(steam + "/steamapps/common/Grand Theft Auto Vice City");
    EXPECT_EQ(FindRegisteredGame(registry, files, retail)->foundIn, "the Steam library " + steam)
        << "Steam's own folder before the libraries it lists";
}

} // namespace
} // namespace clipwarden::test
