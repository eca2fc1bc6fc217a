#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <memory>

#include "platform/ProcessService.h"

namespace clipwarden {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

/** Reads a small /proc file whole; "" when it cannot be read. */
std::string ReadSmallFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    std::array<char, 512> buffer{};
    const ssize_t got = read(fd, buffer.data(), buffer.size());
    close(fd);
    return got > 0 ? std::string(buffer.data(), static_cast<std::size_t>(got)) : std::string();
}

/** Processes from /proc: names from the kernel's task name (Wine sets it to the .exe name),
 *  memory through /proc/<pid>/mem, which the kernel lets us open exactly when it would let
 *  us attach a debugger, and which stays bound to that one process. */
class ProcProcessService final : public ProcessService {
public:
    std::vector<ProcessEntry> Snapshot() override {
        std::vector<ProcessId> ids;
        const std::unique_ptr<DIR, DirCloser> proc(opendir("/proc"));
        if (!proc) {
            return {};
        }
        while (const dirent* entry = readdir(proc.get())) {
            ProcessId id = 0;
            const char* end = entry->d_name + std::char_traits<char>::length(entry->d_name);
            const auto [ptr, ec] = std::from_chars(entry->d_name, end, id);
            if (ec == std::errc() && ptr == end && id != 0) {
                ids.push_back(id);
            }
        }
        std::sort(ids.begin(), ids.end());
        std::vector<ProcessEntry> entries;
        entries.reserve(ids.size());
        for (ProcessId id : ids) {
            // "pid (comm) S ...": the name may itself hold ')' or spaces, so take the last ')'.
            const std::string stat = ReadSmallFile("/proc/" + std::to_string(id) + "/stat");
            const auto open = stat.find('(');
            const auto close = stat.rfind(')');
            if (open == std::string::npos || close == std::string::npos || close < open ||
                close + 2 >= stat.size() || stat[close + 2] == 'Z') {
                continue; // gone meanwhile, or a zombie with no memory left
            }
            entries.push_back({id, stat.substr(open + 1, close - open - 1)});
        }
        return entries;
    }

    ProcessHandle Open(ProcessId id, OpenFailure& failure) override {
        const int fd = open(("/proc/" + std::to_string(id) + "/mem").c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) {
            failure = (errno == EACCES || errno == EPERM) ? OpenFailure::Refused
                                                          : OpenFailure::NotFound;
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
};

} // namespace

std::unique_ptr<ProcessService> CreateProcessService() {
    return std::make_unique<ProcProcessService>();
}

} // namespace clipwarden
