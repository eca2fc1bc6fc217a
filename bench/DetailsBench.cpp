// The details index and the background read: the index of 10,000 replays read beside
// nlohmann-json's own parse of the same bytes into a plain document, its size, and the read of
// 1,000 replays not yet indexed beside `cat` of the same files, each floor in the same run.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "ReplayWriter.h"
#include "TempDir.h"
#include "core/replays/DetailsReader.h"
#include "platform/posix/PosixFileSystem.h"

extern char** environ;

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

/** 1,000 replays of 8 buffers, a few distinct files linked under many names. */
struct NotYetIndexed {
    TempDir folder;
    std::vector<std::string> names;
    NotYetIndexed() {
        replaywriter::ScriptedDrive drive;
        drive.frames = 20'000;
        auto bytes = replaywriter::BuildReplay(drive);
        for (int distinct = 0; distinct < 4; ++distinct) {
            bytes[8 + 100'000 * 7 + 70] = static_cast<std::uint8_t>(distinct);
            replaywriter::WriteGameFile(folder / ("distinct" + std::to_string(distinct)), bytes);
        }
        for (int i = 0; i < 1000; ++i) {
            names.push_back("replay" + std::to_string(i) + ".rep");
            std::filesystem::create_hard_link(folder / ("distinct" + std::to_string(i % 4)),
                                              folder / names.back());
        }
    }
};

void BM_BackgroundReadOfThousand(benchmark::State& state) {
    NotYetIndexed replays;
    PosixFileSystem files;
    std::atomic<bool> stop{false};
    for (auto _ : state) {
        const auto jobs = MissingDetails(files, replays.folder.str(), replays.names, DetailsIndex());
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

// The floor: cat of the same files to /dev/null.
void BM_CatOfTheSameThousand(benchmark::State& state) {
    NotYetIndexed replays;
    std::vector<std::string> args = {"/bin/cat"};
    for (const auto& name : replays.names) {
        args.push_back(replays.folder / name);
    }
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    for (auto _ : state) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        int status = -1;
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
            waitpid(pid, &status, 0);
        }
        posix_spawn_file_actions_destroy(&actions);
        if (status != 0) {
            state.SkipWithError("cat failed");
            break;
        }
    }
}
BENCHMARK(BM_CatOfTheSameThousand)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace clipwarden::test
