// The instance socket under slow clients: how long a request to come forward waits while
// silent clients and one that drips a byte every 150 ms hang on (short of the cap of 8 at once,
// past which a request is turned away).

#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "TempDir.h"
#include "core/ports/SingleInstance.h"
#include "platform/linux/InstanceSocket.h"

namespace clipwarden::test {
namespace {

int Connect(const std::string& path) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    InstanceAddress(path, address);
    connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    return fd;
}

void BM_RaiseBesideSlowClients(benchmark::State& state) {
    int argc = 1;
    char name[] = "bench";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    TempDir dir;
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    unsetenv("XDG_RUNTIME_DIR");
    const std::string settings = dir / "config/Clipwarden/Clipwarden.conf";
    const std::string path = InstanceSocketPath(settings);
    for (auto _ : state) {
        // A fresh instance each time, so that no client of the last round is still counted.
        const auto instance = CreateSingleInstance(settings);
        std::string holder;
        std::string why;
        if (instance->TryClaim(holder, why) != SingleInstance::Claim::Ours || !why.empty()) {
            state.SkipWithError(why.c_str());
            return;
        }
        std::atomic<int> raised = 0;
        instance->OnRaiseRequest([&] { ++raised; });
        std::vector<int> silent;
        for (int i = 0; i < state.range(0); ++i) {
            silent.push_back(Connect(path));
        }
        const int dripping = Connect(path);
        // The drip stops at once when told: a round's untimed part stays short, or the
        // benchmark's many rounds would take minutes of wall time.
        std::mutex mutex;
        std::condition_variable told;
        bool stop = false;
        std::thread drip([&] {
            std::unique_lock lock(mutex);
            while (!stop && send(dripping, "1", 1, MSG_NOSIGNAL) == 1) {
                told.wait_for(lock, std::chrono::milliseconds(150), [&] { return stop; });
            }
        });
        const auto asked = std::chrono::steady_clock::now();
        std::thread asker([&] { instance->AskToRaise(); });
        while (raised == 0) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count());
        asker.join();
        {
            const std::lock_guard lock(mutex);
            stop = true;
        }
        told.notify_one();
        shutdown(dripping, SHUT_RDWR);
        drip.join();
        close(dripping);
        for (const int fd : silent) {
            close(fd);
        }
        instance->Release();
    }
}
BENCHMARK(BM_RaiseBesideSlowClients)
    ->Arg(0)
    ->Arg(6)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace clipwarden::test
