// Starting the game: a stand-in gta-vc.exe script records how it was started.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <sstream>
#include <thread>

#include "TempDir.h"
#include "core/ports/GameLauncher.h"

namespace clipwarden::test {
namespace {

/** Waits until the file exists and ends a line, for at most a generous while. */
std::string WaitForFile(const std::string& path) {
    for (int i = 0; i < 1000; ++i) {
        const std::string content = ReadFile(path);
        if (!content.empty() && content.back() == '\n') {
            return content;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return {};
}

/** A stand-in that records how it was started; the record appears whole, in one rename, so
 *  that a reader never sees only its first lines. */
void WriteScript(const std::string& path, const std::string& record) {
    WriteFile(path, "#!/bin/sh\n"
                    "{ pwd; echo \"args=$#\"; for a in \"$@\"; do echo \"arg=$a\"; done; "
                    "echo \"prefix=$WINEPREFIX\"; } > '" +
                        record + ".part' && /bin/mv '" + record + ".part' '" + record + "'\n");
    chmod(path.c_str(), 0755);
}

TEST(GameLauncher, StartsANativeGameInItsOwnFolderWithNoArguments) {
    TempDir dir;
    const std::string folder = dir / "Vice City $(touch pwned) \"q\" 'x'; y";
    std::filesystem::create_directory(folder);
    WriteScript(folder + "/gta-vc.exe", dir / "record");
    const auto launcher = CreateGameLauncher();
    EXPECT_EQ(launcher->Open(folder + "/gta-vc.exe", folder), "");
    const std::string record = WaitForFile(dir / "record");
    EXPECT_EQ(record.substr(0, record.find('\n')), folder);
    EXPECT_NE(record.find("args=0\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder + "/pwned"));
    EXPECT_FALSE(std::filesystem::exists(dir / "pwned"));
}

TEST(GameLauncher, AWindowsGameGoesThroughWineInItsPrefix) {
    TempDir dir;
    const std::string bin = dir / "bin";
    std::filesystem::create_directory(bin);
    WriteScript(bin + "/wine", dir / "record"); // a wine that tells how it was called
    const std::string folder = dir / "prefix/drive_c/Program Files/Vice City";
    std::filesystem::create_directories(folder);
    WriteFile(folder + "/gta-vc.exe", "MZ not for this system");
    const std::string oldPath = getenv("PATH");
    setenv("PATH", (bin + ":" + oldPath).c_str(), 1);
    const auto launcher = CreateGameLauncher();
    const std::string why = launcher->Open(folder + "/gta-vc.exe", folder);
    setenv("PATH", oldPath.c_str(), 1);
    EXPECT_EQ(why, "");
    const std::string record = WaitForFile(dir / "record");
    EXPECT_EQ(record,
              folder + "\nargs=1\narg=" + folder + "/gta-vc.exe\nprefix=" + dir / "prefix" + "\n");
}

TEST(GameLauncher, WithoutWineItSaysWhatToDo) {
    TempDir dir;
    WriteFile(dir / "gta-vc.exe", "MZ");
    const std::string oldPath = getenv("PATH");
    setenv("PATH", dir.str().c_str(), 1);
    const std::string why = CreateGameLauncher()->Open(dir / "gta-vc.exe", dir.str());
    setenv("PATH", oldPath.c_str(), 1);
    EXPECT_NE(why.find("Wine"), std::string::npos) << why;
    EXPECT_NE(why.find("install"), std::string::npos) << why;
}

/** Runs `launch` with PATH holding only `bin`: whatever this machine has installed stays out. */
std::string WithPath(const std::string& bin, const std::function<std::string()>& launch) {
    const std::string oldPath = getenv("PATH");
    setenv("PATH", bin.c_str(), 1);
    std::string why = launch();
    setenv("PATH", oldPath.c_str(), 1);
    return why;
}

TEST(GameLauncher, ASteamCopyIsHandedToSteamThroughItsUrl) {
    TempDir dir;
    const std::string bin = dir / "bin";
    std::filesystem::create_directory(bin);
    const std::string folder = dir / "Steam Library/steamapps/common/Grand Theft Auto Vice City";
    std::filesystem::create_directories(folder);
    WriteFile(folder + "/gta-vc.exe", "MZ");
    // Reached through a link, it is still a Steam copy.
    std::filesystem::create_directory_symlink(folder, dir / "vc");
    const auto launcher = CreateGameLauncher();

    WriteScript(bin + "/steam", dir / "steam-record");
    EXPECT_EQ(WithPath(bin, [&] { return launcher->Open(dir / "vc/gta-vc.exe", dir / "vc"); }), "");
    EXPECT_NE(WaitForFile(dir / "steam-record").find("args=1\narg=steam://rungameid/12110\n"),
              std::string::npos)
        << "without xdg-open, Steam's own command opens the URL";

    WriteScript(bin + "/xdg-open", dir / "xdg-record");
    WriteScript(bin + "/wine", dir / "wine-record");
    EXPECT_EQ(WithPath(bin, [&] { return launcher->Open(folder + "/gta-vc.exe", folder); }), "");
    EXPECT_NE(WaitForFile(dir / "xdg-record").find("args=1\narg=steam://rungameid/12110\n"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "wine-record")) << "never Wine in the wrong prefix";

    std::filesystem::remove(bin + "/xdg-open");
    std::filesystem::remove(bin + "/steam");
    const std::string why =
        WithPath(dir / "empty", [&] { return launcher->Open(folder + "/gta-vc.exe", folder); });
    EXPECT_NE(why.find("xdg-utils"), std::string::npos) << why;
    EXPECT_NE(why.find("start the game from Steam"), std::string::npos) << why;
}

TEST(GameLauncher, AGameThatCannotBeRunIsSaidWithTheReason) {
    TempDir dir;
    WriteFile(dir / "gta-vc.exe", "#!/no/such/interpreter\n");
    chmod((dir / "gta-vc.exe").c_str(), 0755);
    const std::string why = CreateGameLauncher()->Open(dir / "gta-vc.exe", dir.str());
    EXPECT_EQ(why, "GTA:VC could not be started: " + dir / "gta-vc.exe" +
                       ": No such file or directory. Check the game folder in the Options, or "
                       "start the game yourself.");
}

TEST(GameLauncher, TheGamesDoubleForkedProcessesStayOurDescendants) {
    TempDir dir;
    // Like Wine: the started program forks the real one and exits at once.
    WriteFile(dir / "gta-vc.exe",
              "#!/bin/sh\nsh -c 'sleep 30 & echo $! > \"$1\".tmp; mv \"$1\".tmp \"$1\"' x '" +
                  (dir / "pid") + "'\n");
    chmod((dir / "gta-vc.exe").c_str(), 0755);
    EXPECT_EQ(CreateGameLauncher()->Open(dir / "gta-vc.exe", dir.str()), "");
    const std::string pid = WaitForFile(dir / "pid");
    ASSERT_FALSE(pid.empty());
    // Once its parents have exited, the game is handed to us, not to init.
    std::string parent;
    for (int i = 0; i < 500; ++i) {
        const std::string stat = ReadFile("/proc/" + pid.substr(0, pid.size() - 1) + "/stat");
        const auto close = stat.rfind(')');
        std::istringstream fields(stat.substr(close + 2));
        std::string state;
        fields >> state >> parent;
        if (parent == std::to_string(getpid())) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(parent, std::to_string(getpid()));
    kill(std::stoi(pid), SIGKILL);
}

TEST(GameLauncher, DefaultFolderIsInTheWinePrefix) {
    setenv("WINEPREFIX", "/p", 1);
    EXPECT_EQ(DefaultGameFolder(),
              "/p/drive_c/Program Files/Rockstar Games/Grand Theft Auto Vice City");
    unsetenv("WINEPREFIX");
    setenv("HOME", "/home/me", 1);
    EXPECT_EQ(DefaultGameFolder(),
              "/home/me/.wine/drive_c/Program Files/Rockstar Games/Grand Theft Auto Vice City");
}

} // namespace
} // namespace clipwarden::test
