// The details index and the background read: the index of 10,000 replays read beside
// nlohmann-json's own parse of the same bytes into a plain document, its size, and the read of
// 1,000 replays not yet indexed, whose floor is BM_CatThousandReplays over the same files, in the
// same run.

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <atomic>
#include <nlohmann/json.hpp>

#include "ReplayWriter.h"
#include "ThousandReplays.h"
#include "core/replays/DetailsReader.h"
#include "platform/posix/PosixFileSystem.h"

namespace clipwarden::test {
namespace {

/** The index of 10,000 replays of a few kinds, as the Library keeps it. */
std::vector<std::uint8_t> TenThousandIndexed() {
    DetailsIndex index;
    std::vector<ReplayReading> kinds;
    for (int variant = 0; variant < 4; ++variant) {
        replaywriter::ScriptedDrive drive;
        drive.frames = 200 + variant * 50;
        drive.vehicles = {{2, static_cast<std::uint16_t>(130 + variant), false}, {5, 159, false}};
        drive.playerVehicle = variant % 2 == 0 ? 1 : -1;
        const auto bytes = replaywriter::BuildReplay(drive);
        kinds.push_back(ReadReplay(std::span(bytes.data(), bytes.size())));
    }
    FileStamp stamp{1'700'000'000'000'000'000, 800'008, 2049, 0};
    for (int i = 0; i < 10'000; ++i) {
        stamp.fileId = static_cast<std::uint64_t>(i) + 1000;
        stamp.modified += 61'000'000'123;
        index.Put("replay" + std::to_string(1000 + i % 3000) + "-" + std::to_string(i) + ".rep",
                  stamp, kinds[static_cast<std::size_t>(i) % kinds.size()]);
    }
    return index.Serialize();
}

void BM_ReadIndexOfTenThousand(benchmark::State& state) {
    const auto bytes = TenThousandIndexed();
    std::string why;
    for (auto _ : state) {
        const auto index = DetailsIndex::Parse(std::span(bytes.data(), bytes.size()), why);
        if (!index || index->size() != 10'000) {
            state.SkipWithError("the index was not read");
            break;
        }
        benchmark::DoNotOptimize(index);
    }
    state.counters["file_bytes"] = static_cast<double>(bytes.size());
    // What the program holds of it once read: malloc's own count, which a freed block leaves.
    const std::size_t before = mallinfo2().uordblks;
    const auto held = DetailsIndex::Parse(std::span(bytes.data(), bytes.size()), why);
    state.counters["held_MiB"] = static_cast<double>(mallinfo2().uordblks - before) / 1048576.0;
    benchmark::DoNotOptimize(held);
}
BENCHMARK(BM_ReadIndexOfTenThousand)->Unit(benchmark::kMillisecond);

// The floor: nlohmann-json's parse of the same bytes into a plain document.
void BM_PlainParseOfTheSameBytes(benchmark::State& state) {
    const auto bytes = TenThousandIndexed();
    for (auto _ : state) {
        benchmark::DoNotOptimize(nlohmann::json::from_cbor(bytes));
    }
}
BENCHMARK(BM_PlainParseOfTheSameBytes)->Unit(benchmark::kMillisecond);

void BM_BackgroundReadOfThousand(benchmark::State& state) {
    ThousandReplays replays;
    PosixFileSystem files;
    std::atomic<bool> stop{false};
    for (auto _ : state) {
        std::vector<DetailsJob> stored;
        for (const std::string& name : replays.names) {
            std::error_code error;
            stored.push_back({name, *files.Stamp(replays.folder / name, error)});
        }
        const auto jobs = MissingDetails(std::move(stored), DetailsIndex());
        std::size_t replaysRead = 0;
        ReadDetails(files, replays.folder.str(), jobs, stop,
                    [&](const DetailsJob&, ReplayReading reading, std::size_t) {
                        replaysRead += reading.kind == ReplayReading::Kind::Replay ? 1 : 0;
                    });
        if (replaysRead != 1000) {
            state.SkipWithError("not every replay was read");
            break;
        }
    }
}
BENCHMARK(BM_BackgroundReadOfThousand)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace clipwarden::test
