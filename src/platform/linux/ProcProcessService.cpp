#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <memory>
#include <string_view>

#include "platform/linux/InstanceSocket.h"
#include "platform/linux/ProcProcessService.h"

namespace clipwarden {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

using std::chrono::steady_clock;

/** The task name of a process from /proc/<pid>/comm; false when the process is gone. */
bool ReadName(int proc, ProcessId id, std::string& name) {
    const std::string path = std::to_string(id) + "/comm";
    const int fd = openat(proc, path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    std::array<char, 64> buffer{};
    const ssize_t got = pread(fd, buffer.data(), buffer.size(), 0);
    close(fd);
    if (got <= 0) {
        return false;
    }
    name.assign(buffer.data(), static_cast<std::size_t>(got));
    if (!name.empty() && name.back() == '\n') {
        name.pop_back();
    }
    return true;
}

/** The real user id of a process from /proc/<pid>/status; false when the process is gone. */
bool ReadRealUser(int proc, ProcessId id, uid_t& user) {
    const std::string path = std::to_string(id) + "/status";
    const int fd = openat(proc, path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    std::array<char, 2048> buffer{};
    const ssize_t got = pread(fd, buffer.data(), buffer.size() - 1, 0);
    close(fd);
    const std::string_view status(buffer.data(), got > 0 ? static_cast<std::size_t>(got) : 0);
    const auto line = status.find("\nUid:\t");
    if (line == std::string_view::npos) {
        return false;
    }
    const char* start = status.data() + line + 6;
    return std::from_chars(start, status.data() + status.size(), user).ec == std::errc();
}

/** Processes from /proc: names from the kernel's task name (Wine sets it to the .exe name),
 *  memory through /proc/<pid>/mem, which the kernel lets us open exactly when it would let
 *  us attach a debugger, and which stays bound to that one process. */
class ProcProcessService final : public ProcessService {
public:
    ProcProcessService(std::chrono::milliseconds freshFor, std::chrono::milliseconds rereadAll)
        : proc_(open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC)), freshFor_(freshFor),
          rereadAll_(rereadAll) {}

    ~ProcProcessService() override {
        if (proc_ >= 0) {
            close(proc_);
        }
    }
    ProcProcessService(const ProcProcessService&) = delete;
    ProcProcessService& operator=(const ProcProcessService&) = delete;
    ProcProcessService(ProcProcessService&&) = delete;
    ProcProcessService& operator=(ProcProcessService&&) = delete;

    // At rest this runs once a second over every process of the machine, so it reads as little
    // as it can: the list of ids on every scan, a name only for a process it has not seen, for
    // one seen in the last ten seconds, and for all of them once a minute. It keeps no
    // descriptor per process.
    std::vector<ProcessEntry> Snapshot() override {
        std::vector<ProcessEntry> entries;
        Scan([&entries](const Known& process) { entries.push_back({process.id, process.name}); });
        return entries;
    }

    std::vector<ProcessId> FindNamed(const std::string& exeFile) override {
        std::vector<ProcessId> found;
        const auto match = [&](const Known& process) {
            if (process.ours && EqualIgnoringAsciiCase(process.name, exeFile)) {
                found.push_back(process.id);
            }
        };
        if (NothingNewSinceLastScan()) {
            // No process was made since, none is young enough for its name to change, and
            // no reading of every name is due: the last scan's names stand. (One that has
            // ended since is told by IsAlive.)
            std::for_each(known_.begin(), known_.end(), match);
        } else {
            Scan(match);
        }
        return found;
    }

    bool IsAlive(ProcessId id) override {
        // "pid (comm) S ...": the name may hold ')' or spaces, so take the last ')'.
        const int fd = openat(proc_, (std::to_string(id) + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return false;
        }
        std::array<char, 512> buffer{};
        const ssize_t got = read(fd, buffer.data(), buffer.size());
        close(fd);
        const std::string stat(buffer.data(), got > 0 ? static_cast<std::size_t>(got) : 0);
        const auto close = stat.rfind(')');
        return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z' &&
               stat[close + 2] != 'X';
    }

    ProcessHandle Open(ProcessId id, OpenFailure& failure) override {
        const int fd = openat(proc_, (std::to_string(id) + "/mem").c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) {
            failure =
                (errno == EACCES || errno == EPERM) ? OpenFailure::Refused : OpenFailure::NotFound;
            return 0;
        }
        failure = OpenFailure::None;
        return ProcessHandleOfDescriptor(fd);
    }

    std::size_t Read(ProcessHandle process, std::uint64_t address,
                     std::span<std::byte> buffer) override {
        if (process <= 0) {
            return 0;
        }
        const ssize_t got = pread(static_cast<int>(process - 1), buffer.data(), buffer.size(),
                                  static_cast<off_t>(address));
        return got > 0 ? static_cast<std::size_t>(got) : 0;
    }

    std::size_t Write(ProcessHandle process, std::uint64_t address,
                      std::span<const std::byte> bytes) override {
        if (process <= 0) {
            return 0;
        }
        const ssize_t put = pwrite(static_cast<int>(process - 1), bytes.data(), bytes.size(),
                                   static_cast<off_t>(address));
        return put > 0 ? static_cast<std::size_t>(put) : 0;
    }

    void Close(ProcessHandle process) override {
        if (process > 0) {
            close(static_cast<int>(process - 1));
        }
    }

private:
    struct Known;

    /** The id the kernel gave the newest process (the last field of /proc/loadavg); 0 when
     *  it cannot be read. */
    ProcessId NewestProcess() const {
        const int fd = openat(proc_, "loadavg", O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return 0;
        }
        std::array<char, 128> buffer{};
        const ssize_t got = pread(fd, buffer.data(), buffer.size(), 0);
        close(fd);
        const std::string_view text(buffer.data(), got > 0 ? static_cast<std::size_t>(got) : 0);
        const auto space = text.find_last_of(' ');
        ProcessId id = 0;
        if (space != std::string_view::npos) {
            std::from_chars(text.data() + space + 1, text.data() + text.size(), id);
        }
        return id;
    }

    /** Whether a listing of /proc could tell nothing the last one did not: the same newest
     *  process, none of ours still young, and the reading of every name not due. */
    bool NothingNewSinceLastScan() {
        const auto now = steady_clock::now();
        const ProcessId newest = NewestProcess();
        const bool same = newest != 0 && newest == newestAtScan_ &&
                          now - youngestSeen_ >= freshFor_ && now - lastFullRead_ < rereadAll_;
        return same;
    }

    /** Lists /proc and hands each process of this user to `visit`, its name read when it is
     *  new, young, or due for the once-a-minute read; the rest comes from the last scan. The
     *  buffers of one scan are kept for the next, so that a scan at rest allocates nothing. */
    template <typename Visit>
    void Scan(Visit&& visit) {
        newestAtScan_ = NewestProcess(); // before the listing: a process made during it is new
        ids_.clear();
        {
            const std::unique_ptr<DIR, DirCloser> dir(opendir("/proc"));
            if (!dir) {
                return;
            }
            while (const dirent* entry = readdir(dir.get())) {
                ProcessId id = 0;
                const char* end = entry->d_name + std::char_traits<char>::length(entry->d_name);
                const auto [ptr, ec] = std::from_chars(entry->d_name, end, id);
                if (ec == std::errc() && ptr == end && id != 0) {
                    ids_.push_back(id);
                }
            }
        }
        if (!std::is_sorted(ids_.begin(), ids_.end())) {
            std::sort(ids_.begin(), ids_.end());
        }

        const auto now = steady_clock::now();
        const bool rereadAll = now - lastFullRead_ >= rereadAll_;
        if (rereadAll) {
            lastFullRead_ = now;
        }
        next_.clear();
        auto old = known_.begin(); // both in ascending id order
        for (ProcessId id : ids_) {
            while (old != known_.end() && old->id < id) {
                ++old;
            }
            const bool seen = old != known_.end() && old->id == id;
            if (seen) {
                next_.push_back(std::move(*old));
            } else {
                // Only the user's own games count: another user's game is none of ours, even
                // when Clipwarden runs with the privilege to open it.
                uid_t user = 0;
                next_.push_back({id, {}, now, ReadRealUser(proc_, id, user) && user == getuid()});
            }
            Known& process = next_.back();
            if (!process.ours) {
                continue;
            }
            youngestSeen_ = std::max(youngestSeen_, process.firstSeen);
            if (!seen || rereadAll || now - process.firstSeen < freshFor_) {
                if (!ReadName(proc_, id, process.name)) {
                    next_.pop_back(); // ended meanwhile
                    continue;
                }
            }
            visit(process);
        }
        known_.swap(next_);
    }

    struct Known {
        ProcessId id;
        std::string name;
        steady_clock::time_point firstSeen;
        bool ours; ///< its real user is ours
    };

    int proc_;
    std::chrono::milliseconds freshFor_;
    std::chrono::milliseconds rereadAll_;
    std::vector<Known> known_; ///< the processes of the last scan, in ascending id order
    std::vector<Known> next_;  ///< the scan being made
    std::vector<ProcessId> ids_;
    steady_clock::time_point lastFullRead_ = steady_clock::now();
    steady_clock::time_point youngestSeen_{}; ///< when the youngest process of ours was first seen
    ProcessId newestAtScan_ = 0; ///< the newest process when the last scan began; 0 before one
};

} // namespace

ProcessHandle ProcessHandleOfDescriptor(int descriptor) {
    return static_cast<ProcessHandle>(descriptor) + 1; // 0 stays "no process" even for fd 0
}

std::unique_ptr<ProcessService> CreateProcProcessService(std::chrono::milliseconds freshFor,
                                                         std::chrono::milliseconds rereadAll) {
    return std::make_unique<ProcProcessService>(freshFor, rereadAll);
}

std::unique_ptr<ProcessService> CreateProcessService() {
    // Wine renames its process after the .exe shortly after start; a process may also take a
    // new name late in its life.
    return CreateProcProcessService(std::chrono::seconds(10), std::chrono::minutes(1));
}

} // namespace clipwarden
