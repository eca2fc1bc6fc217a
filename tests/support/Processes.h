#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace clipwarden::test {

/** A process below this test program, as /proc shows it. */
struct Descendant {
    pid_t pid = 0;
    pid_t parent = 0;
    std::string name; ///< comm
    bool zombie = false;
};

/** A file of /proc/<pid>; empty when the process has gone, even in the middle of the read. */
inline std::string ProcText(pid_t pid, const char* file) {
    const std::string path = "/proc/" + std::to_string(pid) + "/" + file;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::string text;
    if (fd < 0) {
        return text;
    }
    char chunk[4096];
    ssize_t got = 0;
    while ((got = read(fd, chunk, sizeof(chunk))) > 0) {
        text.append(chunk, static_cast<std::size_t>(got));
    }
    close(fd);
    return got < 0 ? std::string() : text;
}

/** What /proc says of one process; pid 0 when it has gone. */
inline Descendant DescribeProcess(pid_t pid) {
    Descendant process;
    const std::string stat = ProcText(pid, "stat");
    const auto close = stat.rfind(')');
    if (close == std::string::npos || close + 4 >= stat.size()) {
        return process;
    }
    const auto open = stat.find('(');
    process.pid = pid;
    process.name = stat.substr(open + 1, close - open - 1);
    process.zombie = stat[close + 2] == 'Z';
    process.parent = static_cast<pid_t>(std::atoi(stat.c_str() + close + 4));
    return process;
}

/** The command line of a process, its arguments apart by spaces. */
inline std::string CommandLine(pid_t pid) {
    std::string command = ProcText(pid, "cmdline");
    for (char& c : command) {
        c = c == '\0' ? ' ' : c;
    }
    return command;
}

/** The ids of every process /proc lists now. */
inline std::vector<pid_t> ProcessIds() {
    std::vector<pid_t> ids;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") == std::string::npos) {
            ids.push_back(static_cast<pid_t>(std::stoi(name)));
        }
    }
    return ids;
}

/** Every process below `root`, read from /proc. */
inline std::vector<Descendant> DescendantsOf(pid_t root) {
    std::map<pid_t, std::vector<Descendant>> children;
    for (const pid_t id : ProcessIds()) {
        Descendant process = DescribeProcess(id);
        if (process.pid != 0) {
            children[process.parent].push_back(std::move(process));
        }
    }
    std::vector<Descendant> below;
    std::vector<pid_t> parents = {root};
    while (!parents.empty()) {
        const pid_t parent = parents.back();
        parents.pop_back();
        for (const Descendant& child : children[parent]) {
            below.push_back(child);
            parents.push_back(child.pid);
        }
    }
    return below;
}

/** The processes whose memory `pid` holds open: the games it is attached to. */
inline std::vector<pid_t> MemoriesHeldBy(pid_t pid) {
    std::vector<pid_t> games;
    std::error_code error;
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    for (const auto& entry : std::filesystem::directory_iterator(fds, error)) {
        const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        if (target.starts_with("/proc/") && target.ends_with("/mem")) {
            games.push_back(static_cast<pid_t>(std::atoi(target.c_str() + 6)));
        }
    }
    return games;
}

/** The processes this program started itself and collects itself (ChildProcess does);
 *  any other child is an orphan taken in, collected by the guard. */
inline std::set<pid_t>& OwnChildren() {
    static std::set<pid_t> own;
    return own;
}

/** Collects the orphans taken in that have ended, so that none lingers as a zombie. */
inline void CollectOrphans() {
    for (const Descendant& process : DescendantsOf(getpid())) {
        if (process.zombie && process.parent == getpid() &&
            OwnChildren().count(process.pid) == 0) {
            waitpid(process.pid, nullptr, WNOHANG);
        }
    }
}

/** Ends `pid` and everything below it by process id; returns the ids it killed. */
inline std::vector<pid_t> KillTree(pid_t pid) {
    // Stopped first, so that none of them starts another in between.
    std::vector<pid_t> tree = {pid};
    kill(pid, SIGSTOP);
    for (const Descendant& below : DescendantsOf(pid)) {
        kill(below.pid, SIGSTOP);
        tree.push_back(below.pid);
    }
    for (const Descendant& below : DescendantsOf(pid)) {
        tree.push_back(below.pid);
    }
    for (const pid_t member : tree) {
        kill(member, SIGKILL);
    }
    return tree;
}

/** Ends a process this program took in as an orphan (a detached instance), by its id. */
inline void EndOrphan(pid_t pid) {
    KillTree(pid);
    waitpid(pid, nullptr, 0);
}

} // namespace clipwarden::test
