// Clipwarden at rest: no game running, 400 other processes beside it, its Library window closed
// (0) or open (1). What counts is the share of one core it uses over ten seconds, against the
// baseline of an idle `sleep` measured the same way.

#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "HeadlessCommand.h"
#include "TempDir.h"

namespace clipwarden::test {
namespace {

constexpr auto kWatched = std::chrono::seconds(10);

/** User and system time of a process so far, in clock ticks. */
long long CpuTicks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(all.substr(all.rfind(')') + 2));
    std::string field;
    long long utime = 0;
    long long stime = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14) {
            utime = std::stoll(field);
        } else if (i == 15) {
            stime = std::stoll(field);
            break;
        }
    }
    return utime + stime;
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

double ShareOfOneCore(pid_t pid) {
    const long long before = CpuTicks(pid);
    std::this_thread::sleep_for(kWatched);
    const double seconds =
        static_cast<double>(CpuTicks(pid) - before) / static_cast<double>(sysconf(_SC_CLK_TCK));
    return 100.0 * seconds / std::chrono::duration<double>(kWatched).count();
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
        ChildProcess app(
            HeadlessCommand(home.str(), args, {"QT_QPA_PLATFORM=offscreen"}, CLIPWARDEN_PATH));
        // Past its start-up, and past the ten seconds in which it reads the names of processes
        // it has only just seen again.
        std::this_thread::sleep_for(std::chrono::seconds(12));
        state.counters["cpu_percent"] = ShareOfOneCore(app.pid());
        state.counters["baseline_percent"] = ShareOfOneCore(sleeper.pid());
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
