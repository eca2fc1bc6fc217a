// The start-up search for the game's folders in a well-filled home: Steam with several
// libraries, a Wine prefix and many Lutris prefixes. Beside it, listing the same folders.

#include <benchmark/benchmark.h>

#include <dirent.h>

#include <filesystem>

#include "TempDir.h"
#include "core/installs/InstallFinder.h"
#include "platform/posix/PosixFileSystem.h"

namespace clipwarden::test {
namespace {

/** A home with `prefixes` Lutris prefixes, four Steam libraries and ~/.wine. */
struct BusyHome {
    TempDir dir;
    std::string home = dir / "home";
    explicit BusyHome(int prefixes) {
        namespace fs = std::filesystem;
        const std::string steam = home + "/.local/share/Steam";
        std::string vdf = "\"libraryfolders\"\n{\n";
        for (int i = 0; i < 4; ++i) {
            const std::string library = dir / ("lib" + std::to_string(i));
            fs::create_directories(library + "/steamapps/common/Another Game");
            fs::create_directories(library + "/steamapps/compatdata/" + std::to_string(i));
            vdf +=
                "\t\"" + std::to_string(i) + "\"\n\t{\n\t\t\"path\"\t\t\"" + library + "\"\n\t}\n";
        }
        fs::create_directories(steam + "/steamapps");
        WriteFile(steam + "/steamapps/libraryfolders.vdf", vdf + "}\n");
        fs::create_directories(home + "/.wine/drive_c/users/me/Documents");
        for (int i = 0; i < prefixes; ++i) {
            fs::create_directories(home + "/Games/game" + std::to_string(i) +
                                   "/drive_c/users/me/Documents");
        }
        const std::string replays = dir / "lib3/steamapps/compatdata/12110/pfx/drive_c/users/"
                                          "steamuser/Documents/GTA Vice City User Files";
        fs::create_directories(replays);
        WriteFile(replays + "/replay.rep", "r");
    }
};

void BM_FindInstalls(benchmark::State& state) {
    BusyHome home(static_cast<int>(state.range(0)));
    PosixFileSystem files;
    for (auto _ : state) {
        InstallFinder finder(files, {home.home, "", "", ""});
        const auto chosen = ChooseInstall(finder.FindInstalls());
        if (!chosen) {
            state.SkipWithError("the game was not found");
        }
    }
}
BENCHMARK(BM_FindInstalls)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

// The physical baseline: one listing of each folder the search lists at the least.
void BM_ListTheSameFolders(benchmark::State& state) {
    BusyHome home(static_cast<int>(state.range(0)));
    std::vector<std::string> folders = {home.home + "/Games", home.home + "/.wine/drive_c/users"};
    for (int i = 0; i < state.range(0); ++i) {
        folders.push_back(home.home + "/Games/game" + std::to_string(i) + "/drive_c/users");
    }
    for (auto _ : state) {
        std::size_t entries = 0;
        for (const std::string& folder : folders) {
            if (DIR* listing = opendir(folder.c_str())) {
                while (readdir(listing) != nullptr) {
                    ++entries;
                }
                closedir(listing);
            }
        }
        benchmark::DoNotOptimize(entries);
    }
}
BENCHMARK(BM_ListTheSameFolders)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace clipwarden::test
