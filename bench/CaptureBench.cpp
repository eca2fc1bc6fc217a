// From the game's close to "saved!": a recording of 800,008 bytes in the game's format, written
// as the game writes it, stored by a headless Clipwarden on tmpfs and on disk (beside an fsync
// of the same bytes, the floor on disk), foreign bytes beside it, two saves 50 ms apart, and
// the Windows program under Wine (beside its floor: the 50 ms second look plus a copy of the
// file by a Windows program). CLIPWARDEN_BENCH_BIN and CLIPWARDEN_BENCH_EXE measure another
// build of the Linux or the Windows program (an earlier one, for a before and after).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <regex>
#include <thread>

#include "ChildProcess.h"
#include "HeadlessCommand.h"
#include "ReplayWriter.h"
#include "TempDir.h"
#include "Xvfb.h"

namespace clipwarden::test {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSaves = 15;

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

double Median(std::vector<double> values) {
    if (values.empty()) {
        return -1;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

/** Full replays of 8 buffers, each with other bytes. */
std::vector<std::uint8_t> FullReplay(int variant) {
    replaywriter::ScriptedDrive drive;
    drive.frames = 20'000;
    drive.firstTimer += static_cast<std::uint32_t>(variant) * 1000;
    return replaywriter::BuildReplay(drive);
}

std::string Program(const char* variable, const std::string& fallback) {
    const char* set = std::getenv(variable);
    return set != nullptr && *set != '\0' ? set : fallback;
}

/** A headless Clipwarden over `replays`, started and watching. */
struct Headless {
    TempDir home;
    std::unique_ptr<ChildProcess> app;
    explicit Headless(const std::string& replays) {
        std::filesystem::create_directories(home / "config/Clipwarden");
        WriteFile(home / "config/Clipwarden/Clipwarden.conf", "[Main]\nGTAVC-replays=" + replays + "\n");
        app = std::make_unique<ChildProcess>(
            HeadlessCommand(home.str(), {}, {},
                            Program("CLIPWARDEN_BENCH_BIN", CLIPWARDEN_PATH)),
            std::vector<std::string>{}, true);
        app->ReadUntil("running without a window", std::chrono::seconds(30));
    }
};

/** Each save written as the game writes it; the time from its close to the line. */
std::vector<double> Latencies(ChildProcess& app, const std::string& slot, bool gameFormat) {
    std::vector<double> latencies;
    for (int i = 0; i < kSaves; ++i) {
        auto bytes = FullReplay(i);
        if (!gameFormat) {
            bytes[0] = 'X'; // another program's bytes of the same size
        }
        replaywriter::WriteGameFile(slot, bytes);
        const auto closed = Clock::now();
        const auto lines = app.ReadUntil("saved!", std::chrono::seconds(30));
        if (lines.empty() || lines.back().find("saved!") == std::string::npos) {
            return {};
        }
        latencies.push_back(Milliseconds(Clock::now() - closed));
    }
    return latencies;
}

/** 800,008 bytes written and synced in `folder`: what storing them costs at least. */
double FsyncFloor(const std::string& folder) {
    const auto bytes = FullReplay(0);
    std::vector<double> times;
    for (int i = 0; i < kSaves; ++i) {
        const auto start = Clock::now();
        const int fd = open((folder + "/floor").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const bool ok = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
                        fsync(fd) == 0;
        close(fd);
        if (ok) {
            times.push_back(Milliseconds(Clock::now() - start));
        }
    }
    unlink((folder + "/floor").c_str());
    return Median(times);
}

// Arg 0: tmpfs, the game's format; 1: disk, the game's format; 2: tmpfs, foreign bytes.
void BM_CloseToSaved(benchmark::State& state) {
    const bool disk = state.range(0) == 1;
    if (!disk && !std::filesystem::is_directory("/dev/shm")) {
        state.SkipWithError("no tmpfs at /dev/shm");
        return;
    }
    TempDir onDisk;
    const std::string replays = disk ? onDisk / "replays" : "/dev/shm/clipwarden-bench-" +
                                                            std::to_string(getpid());
    std::filesystem::create_directories(replays);
    for (auto _ : state) {
        Headless clipwarden(replays);
        const auto latencies = Latencies(*clipwarden.app, replays + "/replay.rep", state.range(0) != 2);
        if (latencies.empty()) {
            state.SkipWithError("a save was not stored");
            break;
        }
        state.counters["median_ms"] = Median(latencies);
        state.counters["max_ms"] = *std::max_element(latencies.begin(), latencies.end());
        if (disk) {
            state.counters["fsync_floor_ms"] = FsyncFloor(replays);
        }
    }
    if (!disk) {
        std::filesystem::remove_all(replays);
    }
    state.SetLabel(state.range(0) == 0 ? "tmpfs" : disk ? "disk" : "tmpfs, foreign bytes");
}
BENCHMARK(BM_CloseToSaved)->Arg(0)->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kSecond);

// Two saves 50 ms apart: both must be stored, whole.
void BM_TwoSavesFiftyMillisecondsApart(benchmark::State& state) {
    TempDir replays;
    int stored = 0;
    for (auto _ : state) {
        Headless clipwarden(replays.str());
        const auto first = FullReplay(1);
        const auto second = FullReplay(2);
        replaywriter::WriteGameFile(replays / "replay.rep", first);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        replaywriter::WriteGameFile(replays / "replay.rep", second);
        clipwarden.app->ReadUntil("-1.rep saved!", std::chrono::seconds(30));
        for (const auto& entry : std::filesystem::directory_iterator(replays.str())) {
            const std::string bytes = ReadFile(entry.path().string());
            const bool isFirst = bytes == std::string(first.begin(), first.end());
            const bool isSecond = bytes == std::string(second.begin(), second.end());
            stored += entry.path().filename() != "replay.rep" && (isFirst || isSecond) ? 1 : 0;
        }
    }
    state.counters["stored_of_2"] = stored;
    if (stored != 2) {
        state.SkipWithError("a save was lost");
    }
}
BENCHMARK(BM_TwoSavesFiftyMillisecondsApart)->Iterations(1)->Unit(benchmark::kSecond);

#ifdef CLIPWARDEN_WINDOWS_BUILD
// The Windows program under Wine, where no close can be seen.
void BM_CloseToSavedUnderWine(benchmark::State& state) {
    if (!Xvfb::Installed() || access("/usr/bin/wine", X_OK) != 0) {
        state.SkipWithError("Wine or Xvfb is not installed");
        return;
    }
    const std::string exe = Program("CLIPWARDEN_BENCH_EXE", CLIPWARDEN_WINDOWS_BUILD "/clipwarden.exe");
    Xvfb x;
    TempDir prefix;
    TempDir replays;
    const std::vector<std::string> env = {"DISPLAY=" + x.display(), "WINEPREFIX=" + prefix.str(),
                                          "WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree,mshtml="};
    std::string command = "";
    for (const auto& variable : env) {
        command += variable + " ";
    }
    std::system((command + "wineboot -i >/dev/null 2>&1; " + command +
                 "wine reg add 'HKCU\\Software\\Clipwarden\\Main' /v GTAVC-replays /t REG_SZ /d "
                 "'Z:" + replays.str() + "' /f >/dev/null 2>&1")
                    .c_str());
    for (auto _ : state) {
        ChildProcess app({"/usr/bin/wine", exe}, env);
        std::system(("timeout 120 sh -c 'DISPLAY=" + x.display() +
                     " xdotool search --sync --onlyvisible --name ^Clipwarden$' >/dev/null")
                        .c_str());
        const auto latencies = Latencies(app, replays / "replay.rep", true);
        if (latencies.empty()) {
            state.SkipWithError("a save was not stored");
            break;
        }
        state.counters["median_ms"] = Median(latencies);
        // The floor: a Windows program's copy of the same file, timed inside it, plus the look.
        ChildProcess game({"/usr/bin/wine", CLIPWARDEN_WINDOWS_BUILD "/tools/fake-game/gta-vc.exe"}, env);
        game.ReadUntil("ready", std::chrono::seconds(60));
        std::vector<double> copies;
        for (int i = 0; i < kSaves; ++i) {
            game.Send("copy Z:" + replays.str() + "/replay.rep Z:" + replays.str() + "/floor.tmp");
            const auto lines = game.ReadUntil("copied", std::chrono::seconds(30));
            std::smatch match;
            if (!lines.empty() && std::regex_search(lines.back(), match, std::regex(R"(copied (\d+) us)"))) {
                copies.push_back(std::stod(match[1].str()) / 1000.0);
            }
        }
        state.counters["floor_ms"] = 50.0 + Median(copies);
        game.Send("exit");
    }
    std::system((command + "wineserver -k >/dev/null 2>&1").c_str());
}
BENCHMARK(BM_CloseToSavedUnderWine)->Iterations(1)->Unit(benchmark::kSecond);
#endif

} // namespace
} // namespace clipwarden::test
