// Reading what a replay holds: the reader over an 8-buffer replay in memory beside a plain sum
// of the same bytes, and `clipwarden --inspect` over 1,000 files beside `cat` of them, each
// floor measured in the same run. The reader's heap use is counted too.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <numeric>
#include <string>
#include <vector>

#include "ThousandReplays.h"
#include "core/gamefiles/ReplayReader.h"

// Every allocation of this program is counted, so that a reading's own can be told.
namespace {
std::atomic<std::size_t> allocatedBytes{0};
std::atomic<bool> counting{false};
} // namespace

void* operator new(std::size_t size) {
    if (counting.load(std::memory_order_relaxed)) {
        allocatedBytes.fetch_add(size, std::memory_order_relaxed);
    }
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace clipwarden::test {
namespace {

void BM_ReadReplayDetails(benchmark::State& state) {
    const auto bytes = FullReplay();
    std::size_t most = 0;
    for (auto _ : state) {
        allocatedBytes = 0;
        counting = true;
        const ReplayReading reading = ReadReplay(std::span(bytes.data(), bytes.size()));
        counting = false;
        most = std::max<std::size_t>(most, allocatedBytes);
        if (reading.kind != ReplayReading::Kind::Replay || reading.details.buffers != 8) {
            state.SkipWithError("the replay was not read");
            break;
        }
        benchmark::DoNotOptimize(reading);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.counters["heap_bytes"] = static_cast<double>(most);
}
BENCHMARK(BM_ReadReplayDetails)->Unit(benchmark::kMicrosecond);

// The floor: every byte of the same file touched once.
void BM_PlainSumOfTheSameBytes(benchmark::State& state) {
    const auto bytes = FullReplay();
    for (auto _ : state) {
        benchmark::DoNotOptimize(std::accumulate(bytes.begin(), bytes.end(), std::uint64_t{0}));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_PlainSumOfTheSameBytes)->Unit(benchmark::kMicrosecond);

/** Times the command `args` over the 1,000 files, every one of which it must read. */
void RunOverThousand(benchmark::State& state, std::vector<std::string> args) {
    ThousandReplays replays;
    args.insert(args.end(), replays.paths.begin(), replays.paths.end());
    for (auto _ : state) {
        if (RunQuietly(args) != 0) {
            state.SkipWithError((args[0] + " did not read every file as a replay").c_str());
            break;
        }
    }
}

void BM_InspectThousandReplays(benchmark::State& state) {
    RunOverThousand(state, {CLIPWARDEN_PATH, "--inspect"});
}
BENCHMARK(BM_InspectThousandReplays)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: the same files read by cat.
void BM_CatThousandReplays(benchmark::State& state) {
    RunOverThousand(state, {"/bin/cat"});
}
BENCHMARK(BM_CatThousandReplays)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace clipwarden::test
