#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <map>
#include <memory>

#include "core/ports/ProcessService.h"

namespace clipwarden {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

constexpr std::size_t kMaxCachedNames = 8192;

/** The task name from an open /proc/<pid>/comm; false when the process is gone. */
bool ReadName(int fd, std::string& name) {
    std::array<char, 64> buffer{};
    const ssize_t got = pread(fd, buffer.data(), buffer.size(), 0);
    if (got <= 0) {
        return false;
    }
    name.assign(buffer.data(), static_cast<std::size_t>(got));
    if (!name.empty() && name.back() == '\n') {
        name.pop_back();
    }
    return true;
}

/** Processes from /proc: names from the kernel's task name (Wine sets it to the .exe name),
 *  memory through /proc/<pid>/mem, which the kernel lets us open exactly when it would let
 *  us attach a debugger, and which stays bound to that one process. */
class ProcProcessService final : public ProcessService {
public:
    ProcProcessService() : proc_(open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        // One descriptor per running process is kept (see Snapshot); make room for them.
        rlimit limit{};
        if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
            limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, 65536);
            setrlimit(RLIMIT_NOFILE, &limit);
        }
    }

    ~ProcProcessService() override {
        for (const auto& [id, fd] : names_) {
            close(fd);
        }
        if (proc_ >= 0) {
            close(proc_);
        }
    }
    ProcProcessService(const ProcProcessService&) = delete;
    ProcProcessService& operator=(const ProcProcessService&) = delete;
    ProcProcessService(ProcProcessService&&) = delete;
    ProcProcessService& operator=(ProcProcessService&&) = delete;

    // WORKAROUND: opening /proc/<pid>/comm costs several microseconds per process, which a
    // scan every second over a thousand processes would feel; reading an open one again costs
    // well under one. So each name's descriptor stays open while its process lives and is read
    // afresh on every scan: a renamed process (Wine names itself after its .exe) is seen at
    // once, and a descriptor of a process that has ended reads nothing and is closed.
    std::vector<ProcessEntry> Snapshot() override {
        std::vector<ProcessId> ids;
        {
            const std::unique_ptr<DIR, DirCloser> dir(opendir("/proc"));
            if (!dir) {
                return {};
            }
            while (const dirent* entry = readdir(dir.get())) {
                ProcessId id = 0;
                const char* end = entry->d_name + std::char_traits<char>::length(entry->d_name);
                const auto [ptr, ec] = std::from_chars(entry->d_name, end, id);
                if (ec == std::errc() && ptr == end && id != 0) {
                    ids.push_back(id);
                }
            }
        }
        std::sort(ids.begin(), ids.end());

        std::map<ProcessId, int> kept;
        std::vector<ProcessEntry> entries;
        entries.reserve(ids.size());
        std::string name;
        for (ProcessId id : ids) {
            const auto cached = names_.find(id);
            if (cached != names_.end()) {
                const int fd = cached->second;
                names_.erase(cached);
                if (ReadName(fd, name)) {
                    kept.emplace(id, fd);
                    entries.push_back({id, name});
                    continue;
                }
                close(fd); // an earlier process of that id; look at the new one
            }
            const std::string path = std::to_string(id) + "/comm";
            const int fd = openat(proc_, path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) {
                continue; // ended meanwhile
            }
            if (ReadName(fd, name)) {
                entries.push_back({id, name});
                if (kept.size() < kMaxCachedNames) {
                    kept.emplace(id, fd);
                    continue;
                }
            }
            close(fd);
        }
        for (const auto& [id, fd] : names_) {
            close(fd); // processes that have ended
        }
        names_ = std::move(kept);
        return entries;
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
        return static_cast<ProcessHandle>(fd) + 1; // 0 stays "no process" even for fd 0
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
    int proc_;
    std::map<ProcessId, int> names_; ///< open /proc/<pid>/comm of the processes last seen
};

} // namespace

std::unique_ptr<ProcessService> CreateProcessService() {
    return std::make_unique<ProcProcessService>();
}

} // namespace clipwarden
