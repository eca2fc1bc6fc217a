// Reading what a replay holds: the reader over an 8-buffer replay in memory beside a plain sum
// of the same bytes, and `clipwarden --inspect` over 1,000 files beside `cat` of them, each
// floor measured in the same run. The reader's heap use is counted too.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <numeric>
#include <string>
#include <vector>

#include "ReplayWriter.h"
#include "TempDir.h"
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

extern char** environ;

namespace clipwarden::test {
namespace {

std::vector<std::uint8_t> FullReplay() {
    replaywriter::ScriptedDrive drive;
    drive.frames = 20'000; // more than eight buffers hold: the ring is full
    drive.vehicles = {{2, 159, false}, {5, 135, false}, {9, 191, true}, {12, 150, false}};
    drive.playerVehicle = 0;
    drive.otherPeds = 6;
    drive.waypoints = {{-900, -500, 10}, {300, -1000, 10}, {400, 200, 10}};
    return replaywriter::BuildReplay(drive);
}

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

/** 1,000 replays of 8 buffers, a few distinct files linked under many names. */
struct InspectFolder {
    TempDir folder;
    std::vector<std::string> names;
    InspectFolder() {
        auto bytes = FullReplay();
        for (int distinct = 0; distinct < 4; ++distinct) {
            bytes[8 + 100'000 * 7 + 70] = static_cast<std::uint8_t>(distinct); // stale bytes apart
            replaywriter::WriteGameFile(folder / ("distinct" + std::to_string(distinct)), bytes);
        }
        for (int i = 0; i < 1000; ++i) {
            names.push_back(folder / ("replay" + std::to_string(i) + ".rep"));
            std::filesystem::create_hard_link(folder / ("distinct" + std::to_string(i % 4)),
                                              names.back());
        }
    }
};

/** Runs `args` with its output thrown away; its exit status. */
int Run(std::vector<std::string> args) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    int status = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        waitpid(pid, &status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
    return status;
}

/** Times the command `args` over the 1,000 files, every one of which it must read. */
void RunOverThousand(benchmark::State& state, std::vector<std::string> args) {
    InspectFolder replays;
    args.insert(args.end(), replays.names.begin(), replays.names.end());
    for (auto _ : state) {
        if (Run(args) != 0) {
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
