// The replay library's hot paths over a real folder, each beside a plain copy of the same
// file measured in the same run.

#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <filesystem>

#include "ReplayHarness.h"
#include "core/replays/Housekeeping.h"

namespace clipwarden::test {
namespace {

void FillLibrary(ReplayHarness& h, int count, std::size_t slotSize) {
    for (int i = 0; i < count; ++i) {
        WriteFile(h.Path("replay0612-" + std::to_string(i) + ".rep"), "r");
    }
    WriteFile(h.Path("replay.rep"), std::string(slotSize, 'x'));
    h.AccountForSlot();
}

void BM_IdleCaptureTick(benchmark::State& state) {
    ReplayHarness h;
    FillLibrary(h, static_cast<int>(state.range(0)), 1024);
    for (auto _ : state) {
        h.capture.CaptureTick();
    }
    if (!h.view.log.empty()) {
        state.SkipWithError("an idle tick captured something");
    }
}
BENCHMARK(BM_IdleCaptureTick)->Arg(0)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_NextReplayName(benchmark::State& state) {
    ReplayHarness h;
    FillLibrary(h, static_cast<int>(state.range(0)), 1024);
    for (auto _ : state) {
        benchmark::DoNotOptimize(h.library.NextReplayName());
    }
}
BENCHMARK(BM_NextReplayName)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_FindLastReplay(benchmark::State& state) {
    ReplayHarness h;
    FillLibrary(h, static_cast<int>(state.range(0)), 1024);
    for (auto _ : state) {
        benchmark::DoNotOptimize(h.library.FindLastReplay());
    }
}
BENCHMARK(BM_FindLastReplay)->Arg(10000)->Unit(benchmark::kMillisecond);

// Start-up's look for the slot's recording in the library, when it is not there: every stored
// replay is stat'ed, none is read. Beside it, the plain listing every start does anyway.
void BM_StartUpSlotNotInLibrary(benchmark::State& state) {
    ReplayHarness h;
    FillLibrary(h, static_cast<int>(state.range(0)), 1024);
    std::error_code error;
    const auto slot = h.files.Stamp(h.Path("replay.rep"), error);
    for (auto _ : state) {
        benchmark::DoNotOptimize(h.library.HoldsCopyOf(*slot));
    }
}
BENCHMARK(BM_StartUpSlotNotInLibrary)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_PlainListing(benchmark::State& state) {
    ReplayHarness h;
    FillLibrary(h, static_cast<int>(state.range(0)), 1024);
    std::error_code error;
    for (auto _ : state) {
        benchmark::DoNotOptimize(h.library.ListReplays(error));
    }
}
BENCHMARK(BM_PlainListing)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_SelectNextReplay(benchmark::State& state) {
    ReplayHarness h;
    FillLibrary(h, static_cast<int>(state.range(0)), 1 << 20);
    WriteFile(h.Path("replay0612-0.rep"), std::string(1 << 20, 'a'));
    WriteFile(h.Path("replay0612-1.rep"), std::string(1 << 20, 'b'));
    for (auto _ : state) {
        h.library.cursor().SetCurrentReplay("replay0612-0.rep");
        h.selection.SelectNextReplay();
    }
    if (h.library.cursor().currentReplay() != "replay0612-1.rep") {
        state.SkipWithError("nothing was selected");
    }
}
BENCHMARK(BM_SelectNextReplay)->Arg(10000)->Unit(benchmark::kMillisecond);

// The physical baseline: copying the same 1 MiB file with the standard library.
void BM_PlainCopy1MiB(benchmark::State& state) {
    ReplayHarness h;
    WriteFile(h.Path("source.rep"), std::string(1 << 20, 'a'));
    for (auto _ : state) {
        std::filesystem::copy_file(h.Path("source.rep"), h.Path("copy.rep"),
                                   std::filesystem::copy_options::overwrite_existing);
    }
}
BENCHMARK(BM_PlainCopy1MiB)->Unit(benchmark::kMillisecond);

// A 2 GiB sparse recording (a hostile slot) copied into a temporary: only its data is read and
// written, and the copy keeps the holes. Beside it, the plain copy above of 1 MiB of data.
void BM_CopySparse2GiB(benchmark::State& state) {
    ReplayHarness h;
    const std::string source = h.Path("replay.rep");
    WriteFile(source, std::string(1 << 20, 's'));
    std::filesystem::resize_file(source, 2ULL << 30);
    for (auto _ : state) {
        std::error_code error;
        const std::string copy = h.files.CopyToTemporary(source, h.Path("x.rep"), error);
        if (copy.empty()) {
            state.SkipWithError(error.message().c_str());
            break;
        }
        state.PauseTiming();
        struct stat info {};
        stat(copy.c_str(), &info);
        state.counters["copy_allocated_MiB"] =
            static_cast<double>(info.st_blocks) * 512 / (1 << 20);
        h.files.DiscardTemporary(copy);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CopySparse2GiB)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace clipwarden::test

namespace clipwarden::test {
namespace {

/** Choosing what housekeeping removes from 10,000 stored replays, every rule on; the
 *  listing itself is not counted. */
void BM_HousekeepingChoice10k(benchmark::State& state) {
    std::vector<StoredReplay> replays;
    for (int i = 0; i < 10'000; ++i) {
        replays.push_back({"replay" + std::to_string(i) + ".rep", 1'000'000,
                           1'700'000'000'000'000'000LL + (i * 7919 % 10'000) * 1'000'000'000LL,
                           i % 50 == 0, i == 4'000});
    }
    HousekeepingRules rules;
    rules.mostReplays = 200;
    rules.mostBytes = 500'000'000;
    rules.mostDays = 30;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ChooseRemovals(replays, rules, 1'800'000'000'000'000'000LL, true));
    }
}
BENCHMARK(BM_HousekeepingChoice10k)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace clipwarden::test
