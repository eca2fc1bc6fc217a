// Moving stored replays to the trash, 1,000 at a time: the freedesktop trash (its record made
// first, then the rename) beside the floor of the bare renames into one folder.

#include <benchmark/benchmark.h>
#include <stdio.h>

#include <filesystem>
#include <string>

#include "TempDir.h"
#include "platform/linux/FreedesktopTrash.h"

namespace clipwarden::test {
namespace {

constexpr int kMoves = 1000;

/** 1,000 small replays in `dir`/replays, made with the clock stopped. */
void MakeReplays(const TempDir& dir, int round) {
    std::filesystem::create_directories(dir / "replays");
    for (int i = 0; i < kMoves; ++i) {
        WriteFile(dir / ("replays/r" + std::to_string(round) + "-" + std::to_string(i) + ".rep"),
                  "a replay");
    }
}

void BM_Renames1000(benchmark::State& state) {
    TempDir dir;
    std::filesystem::create_directories(dir / "moved");
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        MakeReplays(dir, ++round);
        state.ResumeTiming();
        for (int i = 0; i < kMoves; ++i) {
            const std::string name = "r" + std::to_string(round) + "-" + std::to_string(i) + ".rep";
            if (rename((dir / ("replays/" + name)).c_str(), (dir / ("moved/" + name)).c_str()) !=
                0) {
                state.SkipWithError("a rename failed");
            }
        }
    }
}
BENCHMARK(BM_Renames1000)->Unit(benchmark::kMillisecond);

void BM_TrashMoves1000(benchmark::State& state) {
    TempDir dir;
    FreedesktopTrash trash(dir / "data/Trash");
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        MakeReplays(dir, ++round);
        state.ResumeTiming();
        for (int i = 0; i < kMoves; ++i) {
            std::string why;
            if (!trash.MoveToTrash(
                    dir / ("replays/r" + std::to_string(round) + "-" + std::to_string(i) + ".rep"),
                    why)) {
                state.SkipWithError(why.c_str());
            }
        }
    }
}
BENCHMARK(BM_TrashMoves1000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace clipwarden::test
