#include "core/installs/RegisteredGame.h"

#include <algorithm>
#include <vector>

#include "core/Text.h"
#include "core/game/GameLink.h"
#include "core/installs/LibraryFolders.h"

namespace clipwarden {

namespace {

constexpr const char* kSteamKey = "Software\\Valve\\Steam";
constexpr const char* kSteamUninstallKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Steam App 12110";
constexpr std::size_t kMostVdfBytes = 1 << 20;

using Root = Registry::Root;
using View = Registry::View;

/** A place to look, and what the log calls it. */
struct Candidate {
    std::string folder;
    std::string foundIn;
};

} // namespace

std::optional<RegisteredGame> FindRegisteredGame(Registry& registry, FileSystem& files,
                                                 const std::string& retailDefault) {
    // Steam writes its paths with forward slashes; they are shown with the platform's own.
    const bool backslashes = files.Join("a", "b") == "a\\b";
    const auto native = [&](std::string path) {
        if (backslashes) {
            std::replace(path.begin(), path.end(), '/', '\\');
        }
        while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) {
            path.pop_back();
        }
        return path;
    };
    const auto inLibrary = [&](const std::string& library) {
        return files.Join(files.Join(files.Join(library, "steamapps"), "common"),
                          "Grand Theft Auto Vice City");
    };

    std::vector<Candidate> candidates;
    if (const auto steam = registry.ReadText(Root::CurrentUser, kSteamKey, "SteamPath",
                                             View::Native);
        steam && !steam->empty()) {
        std::vector<std::string> libraries = {native(*steam)};
        std::error_code error;
        const std::string vdf = files.Join(files.Join(libraries[0], "steamapps"),
                                           "libraryfolders.vdf");
        if (const auto text = files.ReadSmallFile(vdf, kMostVdfBytes, error)) {
            for (const std::string& library : ParseLibraryFolders(*text)) {
                const std::string path = native(library);
                const bool seen = std::any_of(libraries.begin(), libraries.end(),
                                              [&](const std::string& other) {
                                                  return ToLowerAscii(other) ==
                                                         ToLowerAscii(path);
                                              });
                if (!seen) {
                    libraries.push_back(path);
                }
            }
        }
        for (const std::string& library : libraries) {
            candidates.push_back({inLibrary(library), "the Steam library " + library});
        }
    }
    // Steam, the launcher and the retail installer are 32-bit programs: their entries are in
    // the 32-bit view, which a 64-bit program does not see otherwise.
    for (const View view : {View::Bits32, View::Native}) {
        if (const auto location =
                registry.ReadText(Root::LocalMachine, kSteamUninstallKey, "InstallLocation", view)) {
            candidates.push_back({native(*location), "Steam's uninstall entry for the game"});
        }
    }
    for (const char* key : {"SOFTWARE\\Rockstar Games\\GTA Vice City",
                            "SOFTWARE\\Rockstar Games\\Grand Theft Auto Vice City"}) {
        for (const View view : {View::Bits32, View::Native}) {
            if (const auto folder =
                    registry.ReadText(Root::LocalMachine, key, "InstallFolder", view)) {
                candidates.push_back({native(*folder), std::string("the registry entry ") +
                                                           "HKEY_LOCAL_MACHINE\\" + key});
            }
        }
    }
    candidates.push_back({retailDefault, ""});
    for (const Candidate& candidate : candidates) {
        if (!candidate.folder.empty() && GameExecutablePresent(files, candidate.folder)) {
            return RegisteredGame{candidate.folder, candidate.foundIn};
        }
    }
    return std::nullopt;
}

bool GameExecutablePresent(FileSystem& files, const std::string& folder) {
    std::error_code error;
    const auto names = files.ListFiles(files.Join(folder, kGameExecutable), error);
    return !names.empty() && names.front().size() == std::string(kGameExecutable).size();
}

} // namespace clipwarden
