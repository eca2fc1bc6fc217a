#include "platform/linux/LaunchSession.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <memory>

#include "core/Text.h"
#include "core/game/GameLink.h"
#include "core/game/GameMemoryLayout.h"
#include "platform/linux/InstanceSocket.h"
#include "platform/linux/ProcProcessService.h"
#include "platform/linux/Spawn.h"

namespace clipwarden {

namespace {

std::string OwnExecutable() {
    std::array<char, 4096> path{};
    const ssize_t got = readlink("/proc/self/exe", path.data(), path.size() - 1);
    return got > 0 ? std::string(path.data(), static_cast<std::size_t>(got)) : "clipwarden";
}

/** The parent of a process from /proc/<pid>/stat; 0 when it is gone. */
pid_t ParentOf(pid_t id) {
    const int fd = open(("/proc/" + std::to_string(id) + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return 0;
    }
    std::array<char, 512> buffer{};
    const ssize_t got = read(fd, buffer.data(), buffer.size() - 1);
    close(fd);
    const std::string_view stat(buffer.data(), got > 0 ? static_cast<std::size_t>(got) : 0);
    const auto close = stat.rfind(')'); // the name may hold ')' and spaces
    if (close == std::string_view::npos || close + 4 >= stat.size()) {
        return 0;
    }
    pid_t parent = 0;
    std::from_chars(stat.data() + close + 4, stat.data() + stat.size(), parent);
    return parent;
}

bool IsOurDescendant(pid_t id) {
    const pid_t self = getpid();
    for (int depth = 0; id > 1 && depth < 64; ++depth) {
        id = ParentOf(id);
        if (id == self) {
            return true;
        }
    }
    return false;
}

/** The first of our descendants named gta-vc.exe (any letter case), or 0. */
pid_t FindOurGame(ProcessService& processes) {
    for (const ProcessEntry& entry : processes.Snapshot()) {
        const auto id = static_cast<pid_t>(entry.id);
        if (ToLowerAscii(entry.exeFile) == kGameExecutable && processes.IsAlive(entry.id) &&
            IsOurDescendant(id)) {
            return id;
        }
    }
    return 0;
}

/** The environment for an instance started from here: the game's launch environment without
 *  what Steam and its runtime put in for the game. */
std::vector<std::string> SessionEnvironment() {
    std::vector<std::string> env;
    for (const std::string& variable : OwnEnvironment()) {
        const std::string name = variable.substr(0, variable.find('='));
        if (name == "LD_PRELOAD" || name == "LD_LIBRARY_PATH" || name == "LD_AUDIT" ||
            name.starts_with("STEAM_") || name.starts_with("PRESSURE_VESSEL") ||
            name == "SteamGameId" || name == "SteamAppId" || name == "WINEDLLOVERRIDES") {
            continue;
        }
        env.push_back(variable);
    }
    return env;
}

/** Runs a short helper to its end, quietly, in the session's environment; its exit status,
 *  or -1 when it could not run. */
int RunToEnd(std::vector<std::string> args) {
    SpawnSetup setup;
    setup.quiet = true;
    pid_t child = 0;
    int status = 0;
    if (SpawnProgram(std::move(args), SessionEnvironment(), setup, child) != 0 ||
        waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

/** Starts a Clipwarden instance outside this process tree: as a transient unit of the user's
 *  service manager where it answers (it runs with the session's environment then), otherwise
 *  detached by a double fork. Says which. */
void StartInstance(std::ostream& messages) {
    const std::string self = OwnExecutable();
    std::vector<std::string> systemd = {"systemd-run", "--user", "--quiet", "--collect",
                                        "--unit=clipwarden-" + std::to_string(getpid())};
    // The service manager's environment may lack what picks the display and the settings.
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "XDG_CONFIG_HOME"}) {
        if (!EnvironmentVariable(name).empty()) {
            systemd.push_back(std::string("--setenv=") + name + "=" + EnvironmentVariable(name));
        }
    }
    systemd.push_back(self);
    if (RunToEnd(systemd) == 0) {
        messages << "clipwarden: started Clipwarden as a user service.\n" << std::flush;
        return;
    }
    std::vector<std::string> args{self};
    std::vector<std::string> env = SessionEnvironment();
    auto argv = Pointers(args);
    auto envp = Pointers(env);
    const pid_t middle = fork();
    if (middle == 0) {
        setsid();
        if (fork() == 0) {
            const int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            execve(argv[0], argv.data(), envp.data());
            _exit(127);
        }
        _exit(0);
    }
    if (middle > 0) {
        waitpid(middle, nullptr, 0);
        messages << "clipwarden: started Clipwarden detached from the game. A launcher that "
                    "keeps what it starts (Steam, Lutris) counts the game as running until "
                    "Clipwarden ends.\n"
                 << std::flush;
    } else {
        messages << "clipwarden: Clipwarden could not be started (" << std::strerror(errno)
                 << "); the game runs without it.\n"
                 << std::flush;
    }
}

/** True once the game's memory can be read: its executable is mapped. */
bool Readable(int memory) {
    std::array<char, 1> byte{};
    return pread(memory, byte.data(), 1, static_cast<off_t>(kLivenessProbe)) == 1;
}

int ExitStatusOf(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : 1;
}

} // namespace

int RunLaunchSession(const std::vector<std::string>& command, std::ostream& messages) {
    const std::string socketPath = InstanceSocketPath(SettingsPathOfEnvironment());
    if (!InstanceAnswers(socketPath)) {
        StartInstance(messages);
    }

    // Stay the parent of whatever the command forks off and leaves (Wine does), so that the
    // game stays our descendant.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    // The signals the loop below waits for: a child's end, and those passed on to the command.
    // Blocked before the command starts, so that none is lost in between.
    sigset_t waitedFor;
    sigemptyset(&waitedFor);
    sigaddset(&waitedFor, SIGCHLD);
    sigaddset(&waitedFor, SIGTERM);
    sigaddset(&waitedFor, SIGINT);
    sigaddset(&waitedFor, SIGHUP); // a closed terminal: the game is told and ends as it does
    sigset_t before;
    sigprocmask(SIG_BLOCK, &waitedFor, &before);

    SpawnSetup setup;
    setup.mask = &before; // the command gets the signals we block here
    pid_t child = 0;
    const int failed = SpawnProgram(command, OwnEnvironment(), setup, child);
    if (failed != 0) {
        messages << "clipwarden: " << command.front()
                 << " cannot be started: " << std::strerror(failed) << "\n"
                 << std::flush;
        return failed == ENOENT ? 127 : 126;
    }

    // The same lean scan the instance runs: names read only for processes not seen before.
    const auto processes =
        CreateProcProcessService(std::chrono::seconds(10), std::chrono::minutes(1));
    pid_t handedOver = 0; // the game the instance holds now
    bool refusalSaid = false;
    std::string handOverFailure; // said once until it changes
    // After a hand-over that was not taken (no instance yet, or one that does not know
    // hand-overs), the next try waits a little longer each time, up to ten seconds.
    int waitTicks = 0;
    int backOff = 1;
    for (;;) {
        int status = 0;
        pid_t ended = 0;
        // Reap the command and whatever of its tree was left to us.
        while ((ended = waitpid(-1, &status, WNOHANG)) > 0) {
            if (ended == child) {
                return ExitStatusOf(status);
            }
        }
        if (handedOver != 0 && kill(handedOver, 0) != 0) {
            handedOver = 0; // that game ended; a restarted one is handed over anew
        }
        if (handedOver == 0 && waitTicks > 0) {
            --waitTicks;
        } else if (handedOver == 0) {
            if (const pid_t game = FindOurGame(*processes)) {
                const int memory =
                    open(("/proc/" + std::to_string(game) + "/mem").c_str(), O_RDWR | O_CLOEXEC);
                if (memory < 0 && !refusalSaid) {
                    refusalSaid = true;
                    messages << "clipwarden: the game's memory cannot be opened ("
                             << std::strerror(errno) << ").\n"
                             << std::flush;
                }
                if (memory >= 0 && Readable(memory)) {
                    std::string why;
                    if (HandOverGame(socketPath, static_cast<ProcessId>(game), memory, why)) {
                        handedOver = game;
                        backOff = 1;
                    } else {
                        // No instance yet is what a start looks like; anything else is told.
                        const bool starting = why == std::strerror(ENOENT) ||
                                              why == std::strerror(ECONNREFUSED);
                        if (!starting && why != handOverFailure) {
                            handOverFailure = why;
                            messages << "clipwarden: the game cannot be handed over to the "
                                        "running Clipwarden ("
                                     << why << "); the game runs on without it.\n"
                                     << std::flush;
                        }
                        waitTicks = backOff;
                        backOff = std::min(backOff * 2, 20);
                    }
                }
                if (memory >= 0) {
                    close(memory);
                }
            }
        }
        // Wake for the command's end and for a signal to pass on at once, and look for the
        // game twice a second.
        const timespec wait{0, 500'000'000};
        const int signal = sigtimedwait(&waitedFor, nullptr, &wait);
        if (signal == SIGTERM || signal == SIGINT || signal == SIGHUP) {
            kill(child, signal);
        }
    }
}

} // namespace clipwarden
