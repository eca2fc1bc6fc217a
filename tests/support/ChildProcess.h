#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Processes.h"

extern char** environ; // NOLINT(readability-redundant-declaration)

namespace clipwarden::test {

/** Asks `done` again and again, a little apart, until it holds or `timeout` has passed;
 *  whether it held. For what a test can only look at, not wait on. */
inline bool Eventually(const std::function<bool()>& done,
                       std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

/** A program started by a test, talked to through its standard input and output, and ended
 *  by its process id when the test is done with it. */
class ChildProcess {
public:
    /** Starts `args` with `extraEnv` added to this process's environment. Its standard output
     *  is read through ReadLine; with `withStandardError` its standard error too. */
    explicit ChildProcess(std::vector<std::string> args, std::vector<std::string> extraEnv = {},
                          bool withStandardError = false) {
        int in[2];
        int out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        if (withStandardError) {
            posix_spawn_file_actions_adddup2(&actions, out[1], 2);
        }
        std::vector<char*> argv;
        for (auto& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            env.emplace_back(*e);
        }
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        std::vector<char*> envp;
        for (auto& e : env) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);
        const int failed = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        toChild_ = in[1];
        fromChild_ = out[0];
        if (failed != 0) {
            pid_ = 0;
            throw std::runtime_error("cannot start " + args[0]);
        }
        OwnChildren().insert(pid_);
    }
    ~ChildProcess() {
        Kill();
        close(toChild_);
        close(fromChild_);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ChildProcess(ChildProcess&&) = delete;
    ChildProcess& operator=(ChildProcess&&) = delete;

    [[nodiscard]] pid_t pid() const { return pid_; }

    void Send(const std::string& line) {
        const std::string data = line + "\n";
        if (write(toChild_, data.data(), data.size()) < 0) {
            throw std::runtime_error("the child is gone");
        }
    }

    /** The next line of output; "" at its end or after the timeout. */
    std::string ReadLine(std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const auto newline = buffer_.find('\n');
            if (newline != std::string::npos) {
                std::string line = buffer_.substr(0, newline);
                buffer_.erase(0, newline + 1);
                if (!line.empty() && line.back() == '\r') {
                    line.pop_back(); // Windows programs end their lines with CR LF
                }
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd fd{fromChild_, POLLIN, 0};
            if (left.count() <= 0 || poll(&fd, 1, static_cast<int>(left.count())) <= 0) {
                return {};
            }
            char chunk[4096];
            const ssize_t got = read(fromChild_, chunk, sizeof(chunk));
            if (got <= 0) {
                return {};
            }
            buffer_.append(chunk, static_cast<std::size_t>(got));
        }
    }

    /** Lines up to a line that contains `marker` (included); stops early at end of output. */
    std::vector<std::string>
    ReadUntil(const std::string& marker,
              std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        std::vector<std::string> lines;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            std::string line = ReadLine(std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now()));
            if (line.empty() && !Alive()) {
                break;
            }
            lines.push_back(line);
            if (line.find(marker) != std::string::npos) {
                break;
            }
        }
        return lines;
    }

    bool Alive() {
        if (pid_ == 0) {
            return false;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            OwnChildren().erase(pid_);
            pid_ = 0;
            exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return false;
        }
        return true;
    }

    /** How the process ended, once Alive() has said it did: its exit status, or 128 plus
     *  the signal that ended it; -1 before. */
    [[nodiscard]] int ExitStatus() const { return exitStatus_; }

    /** Ends the process and whatever it started that still runs below it (a launcher's
     *  game), and collects it, so that it leaves no zombie. */
    void Kill() {
        if (pid_ != 0) {
            KillTree(pid_);
            waitpid(pid_, nullptr, 0);
            OwnChildren().erase(pid_);
            pid_ = 0;
            CollectOrphans();
        }
    }

private:
    pid_t pid_ = 0;
    int exitStatus_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    std::string buffer_;
};

/** The stand-in game, started and ready. */
class FakeGame : public ChildProcess {
public:
    FakeGame() : FakeGame({Binary()}) {}
    /** A stand-in started by another command line, such as the Windows one under Wine. */
    FakeGame(std::vector<std::string> command, std::vector<std::string> env = {})
        : ChildProcess(std::move(command), std::move(env)) {
        const std::string ready = ReadLine();
        if (ready.rfind("ready ", 0) != 0) {
            throw std::runtime_error("the stand-in game did not start: " + ready);
        }
    }
    static std::string Binary() {
        const char* path = std::getenv("FAKE_GAME_BIN");
        return path != nullptr ? path : "gta-vc.exe";
    }
    /** What `show` (with `how`, such as "1.0") prints, once its first text holds `text`;
     *  empty when it never does. */
    std::vector<std::string> ShownOnce(const std::string& text, const std::string& how = "") {
        std::vector<std::string> shown;
        const bool seen = Eventually([&] {
            shown = Command(how.empty() ? "show" : "show " + how);
            return shown.size() > 1 && shown[1].find(text) != std::string::npos;
        });
        return seen ? shown : std::vector<std::string>{};
    }

    /** Whether the in-game flags end up cleared (after the show ticks and the clear tick). */
    bool ClearedInTime() {
        return Eventually([&] { return Command("show").at(0).rfind("flag1=30 flag2=30", 0) == 0; });
    }

    /** Sends a command and returns its output lines, without the closing "ok". */
    std::vector<std::string> Command(const std::string& command) {
        Send(command);
        auto lines = ReadUntil("ok");
        if (!lines.empty() && lines.back() == "ok") {
            lines.pop_back();
        }
        return lines;
    }
};

} // namespace clipwarden::test
