#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/installs/InstallFinder.h"
#include "core/ports/GameLauncher.h"
#include "platform/linux/Spawn.h"
#include "platform/posix/PosixFileSystem.h"

namespace clipwarden {

namespace {

constexpr const char* kSteamRunUrl = "steam://rungameid/12110";

/** True for an executable this system runs itself: an ELF binary or a script. */
bool IsNativeExecutable(const std::string& path) {
    if (access(path.c_str(), X_OK) != 0) {
        return false;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    std::array<char, 4> magic{};
    const ssize_t got = read(fd, magic.data(), magic.size());
    close(fd);
    return (got == 4 && std::memcmp(magic.data(),
                                    "\x7f"
                                    "ELF",
                                    4) == 0) ||
           (got >= 2 && magic[0] == '#' && magic[1] == '!');
}

bool InPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string dir = dirs.substr(start, end - start);
        if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

/** Starts gta-vc.exe the way it is installed: a Steam copy through Steam, which gives Proton
 *  its runtime and the game its own prefix; a copy in a Wine prefix through Wine in that
 *  prefix; a native one directly. Arguments go as a list, never through a shell. */
class LinuxGameLauncher final : public GameLauncher {
public:
    LinuxGameLauncher() {
        // Stay the parent of everything the game's start forks (Wine double-forks), so that
        // a system allowing debuggers only over descendants still lets us read its memory.
        prctl(PR_SET_CHILD_SUBREAPER, 1);
        // Descendants that end are reaped by the kernel, never left as zombies.
        struct sigaction action {};
        action.sa_handler = SIG_DFL;
        action.sa_flags = SA_NOCLDWAIT;
        sigaction(SIGCHLD, &action, nullptr);
    }

    std::string Open(const std::string& executable, const std::string& folder) override {
        std::vector<std::string> env = OwnEnvironment();
        const std::string real = PosixFileSystem().RealPath(folder);
        const InstallRoot root = RootOfFolder(real.empty() ? folder : real);
        if (root.kind == InstallKind::SteamLibrary) {
            // xdg-open reaches whichever Steam handles steam:// links; a Flatpak Steam puts
            // no steam on the PATH.
            for (const char* opener : {"xdg-open", "steam"}) {
                if (InPath(opener)) {
                    return Spawn({opener, kSteamRunUrl}, env, folder);
                }
            }
            return "GTA:VC could not be started: it is a Steam copy, and neither xdg-open nor "
                   "steam is installed to hand it to Steam. Install xdg-utils (apt-get install "
                   "xdg-utils) or start the game from Steam.";
        }
        if (IsNativeExecutable(executable)) {
            return Spawn({executable}, env, folder);
        }
        if (!InPath("wine")) {
            return "GTA:VC could not be started: it needs Wine, which is not installed. "
                   "Install it (apt-get install wine) or start the game yourself.";
        }
        const InstallRoot prefix = RootOfFolder(executable);
        if (prefix.kind == InstallKind::WinePrefix) {
            std::erase_if(env, [](const std::string& v) { return v.starts_with("WINEPREFIX="); });
            env.push_back("WINEPREFIX=" + prefix.root);
        }
        return Spawn({"wine", executable}, env, folder);
    }

private:
    static std::string Spawn(std::vector<std::string> args, std::vector<std::string> env,
                             const std::string& folder) {
        SpawnSetup setup;
        setup.folder = folder.empty() ? "/" : folder;
        setup.newSession = true;
        pid_t child = 0;
        const std::string program = args.front();
        if (const int failed = SpawnProgram(std::move(args), std::move(env), setup, child)) {
            return "GTA:VC could not be started: " + program + ": " + std::strerror(failed) +
                   ". Check the game folder in the Options, or start the game yourself.";
        }
        return {};
    }
};

} // namespace

std::unique_ptr<GameLauncher> CreateGameLauncher() {
    return std::make_unique<LinuxGameLauncher>();
}

std::string DefaultGameFolder() {
    const std::string prefix = EnvironmentVariable("WINEPREFIX");
    const std::string base = !prefix.empty() ? prefix : EnvironmentVariable("HOME") + "/.wine";
    return base + "/drive_c/Program Files/Rockstar Games/Grand Theft Auto Vice City";
}

SearchPlaces DefaultSearchPlaces() {
    return {EnvironmentVariable("HOME"), EnvironmentVariable("WINEPREFIX"),
            EnvironmentVariable("XDG_DATA_HOME"), EnvironmentVariable("XDG_CONFIG_HOME")};
}

} // namespace clipwarden
