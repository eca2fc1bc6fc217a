// Clipwarden at rest: no game running, 400 other processes beside it, its Library window closed
// (0) or open (1). What counts is the share of one core it uses over sixty seconds, the other
// processes older than fifteen, against the baseline of an idle `sleep` measured over the same
// sixty seconds. CLIPWARDEN_BENCH_BIN measures another build (an earlier one).

#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "HeadlessCommand.h"
#include "TempDir.h"

namespace clipwarden::test {
namespace {

constexpr auto kWatched = std::chrono::seconds(60);

/** The CPU time a process has used so far, in nanoseconds (the scheduler's own count, far
 *  finer than the clock ticks of /proc/<pid>/stat). */
long long CpuNanoseconds(pid_t pid) {
    long long total = 0;
    std::error_code error;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::ifstream schedstat(task.path() / "schedstat");
        long long ran = 0;
        schedstat >> ran;
        total += ran;
    }
    return total;
}

/** 400 sleeping processes, for the process scan to look at; ended with the object. */
struct Crowd {
    std::vector<pid_t> pids;
    Crowd() {
        for (int i = 0; i < 400; ++i) {
            const pid_t pid = fork();
            if (pid == 0) {
                execl("/bin/sleep", "sleep", "600", nullptr);
                _exit(127);
            }
            pids.push_back(pid);
        }
    }
    ~Crowd() {
        for (const pid_t pid : pids) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    Crowd(const Crowd&) = delete;
    Crowd& operator=(const Crowd&) = delete;
};

/** The shares of one core that each of `pids` used over the same kWatched. */
std::vector<double> SharesOfOneCore(const std::vector<pid_t>& pids) {
    std::vector<long long> before;
    for (const pid_t pid : pids) {
        before.push_back(CpuNanoseconds(pid));
    }
    std::this_thread::sleep_for(kWatched);
    std::vector<double> shares;
    for (std::size_t i = 0; i < pids.size(); ++i) {
        const double seconds = static_cast<double>(CpuNanoseconds(pids[i]) - before[i]) / 1e9;
        shares.push_back(100.0 * seconds / std::chrono::duration<double>(kWatched).count());
    }
    return shares;
}

void BM_AtRestBesideFourHundredProcesses(benchmark::State& state) {
    TempDir home;
    std::filesystem::create_directories(home / "replays");
    std::filesystem::create_directories(home / "config/Clipwarden");
    for (int i = 0; i < 300; ++i) {
        WriteFile(home / ("replays/replay0101-" + std::to_string(i) + ".rep"), "a replay");
    }
    WriteFile(home / "config/Clipwarden/Clipwarden.conf",
              "[Main]\nGTAVC-replays=" + (home / "replays") + "\nGTAVC-path=" + home.str() + "\n");
    const Crowd crowd;
    std::vector<std::string> args;
    if (state.range(0) == 1) {
        args.push_back("--library");
    }
    ChildProcess sleeper({"/bin/sleep", "600"});
    for (auto _ : state) {
        const char* other = std::getenv("CLIPWARDEN_BENCH_BIN");
        ChildProcess app(HeadlessCommand(home.str(), args, {"QT_QPA_PLATFORM=offscreen"},
                                         other != nullptr && *other != '\0' ? other
                                                                           : CLIPWARDEN_PATH));
        // Past its start-up, and past the ten seconds in which it reads the names of processes
        // it has only just seen again: every other process is fifteen seconds old.
        std::this_thread::sleep_for(std::chrono::seconds(15));
        const auto shares = SharesOfOneCore({app.pid(), sleeper.pid()});
        state.counters["cpu_percent"] = shares[0];
        state.counters["baseline_percent"] = shares[1];
    }
    state.SetLabel(state.range(0) == 1 ? "Library open" : "Library closed");
}
BENCHMARK(BM_AtRestBesideFourHundredProcesses)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

} // namespace
} // namespace clipwarden::test
