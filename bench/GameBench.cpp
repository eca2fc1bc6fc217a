// The game link's tick: detached (a full process scan) and attached (one 1-byte read).

#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "ChildProcess.h"
#include "GameLinkRig.h"

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

void BM_DetachedTick(benchmark::State& state) {
    IdleProcesses extra(static_cast<int>(state.range(0)));
    GameLinkRig rig;
    for (auto _ : state) {
        rig.link.GameLinkTick();
    }
    state.counters["processes"] = static_cast<double>(rig.processes->Snapshot().size());
}
BENCHMARK(BM_DetachedTick)
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
