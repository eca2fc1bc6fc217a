// The game link's tick: detached (a full process scan) and attached (one 1-byte read).

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "ChildProcess.h"
#include "GameLinkRig.h"
#include "platform/linux/ProcProcessService.h"

namespace clipwarden::test {
namespace {

/** Idle processes that only wait, ended with the benchmark. */
struct IdleProcesses {
    std::vector<pid_t> pids;
    explicit IdleProcesses(int count) {
        for (int i = 0; i < count; ++i) {
            const pid_t pid = fork();
            if (pid == 0) {
                pause();
                _exit(0);
            }
            pids.push_back(pid);
        }
    }
    ~IdleProcesses() {
        for (pid_t pid : pids) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    IdleProcesses(const IdleProcesses&) = delete;
    IdleProcesses& operator=(const IdleProcesses&) = delete;
    IdleProcesses(IdleProcesses&&) = delete;
    IdleProcesses& operator=(IdleProcesses&&) = delete;
};

// At rest: no game, every process seen before and past its first ten seconds.
void BM_DetachedTick(benchmark::State& state) {
    IdleProcesses extra(static_cast<int>(state.range(0)));
    GameLinkRig rig;
    auto processes = CreateProcProcessService(std::chrono::milliseconds(0), std::chrono::hours(1));
    GameLink link{*processes, rig.clock, rig.watch, rig.view, rig.notifier};
    link.GameLinkTick(); // the first scan reads every name
    for (auto _ : state) {
        link.GameLinkTick();
    }
    state.counters["processes"] = static_cast<double>(processes->Snapshot().size());
}
BENCHMARK(BM_DetachedTick)
    ->Arg(0)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

// The first scan, and every scan of a process's first ten seconds: a name read per process.
void BM_ScanReadingEveryName(benchmark::State& state) {
    IdleProcesses extra(static_cast<int>(state.range(0)));
    auto processes = CreateProcProcessService(std::chrono::hours(1), std::chrono::hours(1));
    for (auto _ : state) {
        benchmark::DoNotOptimize(processes->Snapshot());
    }
}
BENCHMARK(BM_ScanReadingEveryName)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

// The baseline of the detached tick: only the list of ids, as any scan of /proc must read it.
void BM_BareProcListing(benchmark::State& state) {
    IdleProcesses extra(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        DIR* proc = opendir("/proc");
        int count = 0;
        while (const dirent* entry = readdir(proc)) {
            count += entry->d_name[0] >= '0' && entry->d_name[0] <= '9' ? 1 : 0;
        }
        closedir(proc);
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(BM_BareProcListing)
    ->Arg(0)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

void BM_AttachedTick(benchmark::State& state) {
    setenv("FAKE_GAME_BIN", FAKE_GAME_PATH, 0);
    FakeGame game;
    GameLinkRig rig;
    if (!rig.link.OpenGameProcess(static_cast<ProcessId>(game.pid()))) {
        state.SkipWithError("the stand-in game was not attached");
    }
    for (auto _ : state) {
        rig.link.GameLinkTick();
    }
}
BENCHMARK(BM_AttachedTick)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace clipwarden::test
