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

std::string NameOf(int round, int i) {
    return "r" + std::to_string(round) + "-" + std::to_string(i) + ".rep";
}

/** Makes 1,000 small replays in `dir`/replays with the clock stopped, then moves each with
 *  `move`, which says why when it fails. */
template <typename Move>
void MoveEachRound(benchmark::State& state, const TempDir& dir, const Move& move) {
    std::filesystem::create_directories(dir / "replays");
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++round;
        for (int i = 0; i < kMoves; ++i) {
            WriteFile(dir / ("replays/" + NameOf(round, i)), "a replay");
        }
        state.ResumeTiming();
        for (int i = 0; i < kMoves; ++i) {
            if (const std::string why = move(NameOf(round, i)); !why.empty()) {
                state.SkipWithError(why.c_str());
            }
        }
    }
}

void BM_Renames1000(benchmark::State& state) {
    TempDir dir;
    std::filesystem::create_directories(dir / "moved");
    MoveEachRound(state, dir, [&](const std::string& name) {
        return rename((dir / ("replays/" + name)).c_str(), (dir / ("moved/" + name)).c_str()) == 0
                   ? std::string()
                   : std::string("a rename failed");
    });
}
BENCHMARK(BM_Renames1000)->Unit(benchmark::kMillisecond);

void BM_TrashMoves1000(benchmark::State& state) {
    TempDir dir;
    FreedesktopTrash trash(dir / "data/Trash");
    MoveEachRound(state, dir, [&](const std::string& name) {
        std::string why;
        trash.MoveToTrash(dir / ("replays/" + name), why);
        return why;
    });
}
BENCHMARK(BM_TrashMoves1000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace clipwarden::test
