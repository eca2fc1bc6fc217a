#include "platform/posix/PosixFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

#include "core/TemporaryName.h"
#include "core/Text.h"
#include "platform/posix/Fd.h"

namespace clipwarden {

namespace {

std::error_code LastError() {
    return {errno, std::generic_category()};
}

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using DirPtr = std::unique_ptr<DIR, DirCloser>;

std::pair<std::string, std::string> SplitPath(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {".", path};
    }
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

bool IsOrdinaryFile(int dirFd, const dirent& entry) {
    if (entry.d_type == DT_REG) {
        return true;
    }
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) {
        return false;
    }
    struct stat info {};
    return fstatat(dirFd, entry.d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
}

/** Opens an ordinary file of its own for reading: a link is not followed, and a FIFO or a
 *  device is never waited on. -1 with `error` set otherwise. */
int OpenRecording(const std::string& path, struct stat& info, std::error_code& error) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        error = errno == ELOOP ? NotARecording() : LastError();
        return -1;
    }
    if (fstat(fd, &info) != 0) {
        error = LastError();
    } else if (!S_ISREG(info.st_mode)) {
        error = NotARecording();
    }
    if (error) {
        close(fd);
        return -1;
    }
    return fd;
}

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

/** The order an NTFS folder lists in: by the name upper-cased, ties by raw bytes. */
bool NtfsOrder(const std::string& a, const std::string& b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto ua = static_cast<unsigned char>(UpperAscii(a[i]));
        const auto ub = static_cast<unsigned char>(UpperAscii(b[i]));
        if (ua != ub) {
            return ua < ub;
        }
    }
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

/** Copies `size` bytes from the start of `from`; the holes of a sparse file stay holes. */
bool CopyContents(int from, int to, off_t size) {
    std::vector<char> buffer(1 << 20);
    off_t data = 0;
    while (data < size) {
        off_t end = size;
        const off_t found = lseek(from, data, SEEK_DATA);
        if (found < 0 && errno == ENXIO) {
            break; // only a hole is left
        }
        if (found >= 0) {
            data = found;
            const off_t hole = lseek(from, data, SEEK_HOLE);
            end = hole < 0 ? size : std::min(hole, size);
        } // a file system without SEEK_DATA: everything is data
        while (data < end) {
            const auto want = static_cast<std::size_t>(std::min<off_t>(end - data, 1 << 20));
            const ssize_t got = pread(from, buffer.data(), want, data);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return got == 0 ? ftruncate(to, data) == 0 : false; // shrunk while copied
            }
            if (lseek(to, data, SEEK_SET) < 0 ||
                !WriteAll(to, buffer.data(), static_cast<std::size_t>(got))) {
                return false;
            }
            data += got;
        }
    }
    return ftruncate(to, size) == 0;
}

/** Reads until `size` bytes or the end of the file; the count, or -1 on an error. */
ssize_t ReadFull(int fd, char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = read(fd, data + done, size - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

mode_t CurrentUmask() {
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

/** Makes a hidden temporary in the destination's folder, named after this process, so that
 *  the final rename never crosses devices and no listing shows a half copy; its descriptor,
 *  or -1 with `error` set. */
int MakeTemporary(const std::string& destination, std::string& temporary, std::error_code& error) {
    const std::string folder = SplitPath(destination).first;
    temporary = (folder.back() == '/' ? folder : folder + "/") +
                TemporaryNamePrefix(static_cast<std::uint64_t>(getpid())) + "XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        error = LastError();
    }
    return fd;
}

int RenameNoReplace(const std::string& from, const std::string& to) {
    constexpr unsigned kRenameNoReplace = 1;
    int result = static_cast<int>(
        syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), kRenameNoReplace));
    if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
        // WORKAROUND: file systems without RENAME_NOREPLACE; link() never replaces either.
        result = link(from.c_str(), to.c_str());
        if (result == 0) {
            unlink(from.c_str());
        }
    }
    return result;
}

void SyncFolderOf(const std::string& path) {
    const Fd dir(open(SplitPath(path).first.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) {
        fsync(dir.get());
    }
}

} // namespace

std::string PosixFileSystem::Join(const std::string& folder, const std::string& name) const {
    if (!folder.empty() && folder.back() == '/') {
        return folder + name;
    }
    return folder + "/" + name;
}

std::vector<std::string> PosixFileSystem::ListFiles(const std::string& pathPattern,
                                                    std::error_code& error) {
    error.clear();
    const auto [folder, pattern] = SplitPath(pathPattern);
    const DirPtr dir(opendir(folder.c_str()));
    if (!dir) {
        error = LastError();
        return {};
    }
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name.front() != '.' && WildcardMatch(pattern, name) &&
            IsOrdinaryFile(dirfd(dir.get()), *entry)) {
            names.push_back(name);
        }
        errno = 0;
    }
    if (errno != 0) {
        error = LastError();
        return {};
    }
    std::sort(names.begin(), names.end(), NtfsOrder);
    return names;
}

std::optional<FileStamp> PosixFileSystem::Stamp(const std::string& path, std::error_code& error) {
    error.clear();
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        error = LastError();
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        error = NotARecording();
        return std::nullopt;
    }
    FileStamp stamp;
    stamp.modified = SaturatingNanoseconds(info.st_mtim.tv_sec, 1'000'000'000, info.st_mtim.tv_nsec);
    stamp.size = static_cast<std::uint64_t>(info.st_size);
    stamp.device = static_cast<std::uint64_t>(info.st_dev);
    stamp.fileId = static_cast<std::uint64_t>(info.st_ino);
    stamp.links = static_cast<std::uint64_t>(info.st_nlink);
    return stamp;
}

bool PosixFileSystem::Exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

std::string PosixFileSystem::CopyToTemporary(const std::string& source,
                                             const std::string& destination,
                                             std::error_code& error) {
    error.clear();
    struct stat info {};
    const Fd from(OpenRecording(source, info, error));
    if (from.get() < 0) {
        return {};
    }
    std::string temporary;
    const Fd to(MakeTemporary(destination, temporary, error));
    if (to.get() < 0) {
        return {};
    }
    const mode_t mask = CurrentUmask();
    const std::array<timespec, 2> times = {info.st_atim, info.st_mtim};
    // Never readable by more than the source is, whatever it is a copy of.
    const mode_t mode = info.st_mode & 0666 & ~mask;
    if (!CopyContents(from.get(), to.get(), info.st_size) || fchmod(to.get(), mode) != 0 ||
        futimens(to.get(), times.data()) != 0 || fsync(to.get()) != 0) {
        error = LastError();
        unlink(temporary.c_str());
        return {};
    }
    return temporary;
}

bool PosixFileSystem::CommitTemporary(const std::string& temporary, const std::string& destination,
                                      bool replace, std::error_code& error) {
    error.clear();
    int result = 0;
    if (replace) {
        result = rename(temporary.c_str(), destination.c_str());
    } else {
        result = RenameNoReplace(temporary, destination);
    }
    if (result != 0) {
        error = LastError();
        unlink(temporary.c_str());
        return false;
    }
    SyncFolderOf(destination);
    return true;
}

void PosixFileSystem::DiscardTemporary(const std::string& temporary) {
    unlink(temporary.c_str());
}

bool PosixFileSystem::SameContents(const std::string& a, const std::string& b,
                                   std::error_code& error) {
    error.clear();
    struct stat info {};
    const Fd first(OpenRecording(a, info, error));
    const Fd second(first.get() < 0 ? -1 : OpenRecording(b, info, error));
    if (first.get() < 0 || second.get() < 0) {
        return false;
    }
    std::array<char, 1 << 16> one{};
    std::array<char, 1 << 16> two{};
    for (;;) {
        const ssize_t gotOne = ReadFull(first.get(), one.data(), one.size());
        const ssize_t gotTwo = ReadFull(second.get(), two.data(), two.size());
        if (gotOne < 0 || gotTwo < 0) {
            error = LastError();
            return false;
        }
        if (gotOne != gotTwo ||
            std::memcmp(one.data(), two.data(), static_cast<std::size_t>(gotOne)) != 0) {
            return false;
        }
        if (gotOne == 0) {
            return true;
        }
    }
}

void PosixFileSystem::RemoveStaleTemporaries(const std::string& folder) {
    const DirPtr dir(opendir(folder.empty() ? "/" : folder.c_str()));
    if (!dir) {
        return;
    }
    std::vector<std::string> stale;
    while (const dirent* entry = readdir(dir.get())) {
        const auto writer = TemporaryWriter(entry->d_name);
        // Only a process that is gone leaves its copy behind for good.
        if (writer && kill(static_cast<pid_t>(*writer), 0) != 0 && errno == ESRCH) {
            stale.emplace_back(entry->d_name);
        }
    }
    for (const std::string& name : stale) {
        unlinkat(dirfd(dir.get()), name.c_str(), 0);
    }
}

std::vector<std::string> PosixFileSystem::ListFolders(const std::string& folder) {
    std::vector<std::string> names;
    const DirPtr dir(opendir(folder.empty() ? "/" : folder.c_str()));
    if (!dir) {
        return names;
    }
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        struct stat info {};
        if (name != "." && name != ".." && fstatat(dirfd(dir.get()), name.c_str(), &info, 0) == 0 &&
            S_ISDIR(info.st_mode)) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::string> PosixFileSystem::ReadText(const std::string& path,
                                                     std::size_t maxBytes) {
    const Fd file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (file.get() < 0 || fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    std::string text;
    std::array<char, 65536> buffer{};
    while (text.size() < maxBytes) {
        const ssize_t got =
            read(file.get(), buffer.data(), std::min(buffer.size(), maxBytes - text.size()));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        text.append(buffer.data(), static_cast<std::size_t>(got));
    }
    return text;
}

std::optional<std::string> PosixFileSystem::ReadSmallFile(const std::string& path,
                                                          std::size_t maxBytes,
                                                          std::error_code& error) {
    error.clear();
    struct stat info {};
    const Fd file(OpenRecording(path, info, error));
    if (file.get() < 0) {
        return std::nullopt;
    }
    if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
        error = std::make_error_code(std::errc::file_too_large);
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    const ssize_t got = ReadFull(file.get(), bytes.data(), bytes.size());
    if (got < 0) {
        error = LastError();
        return std::nullopt;
    }
    bytes.resize(static_cast<std::size_t>(got)); // shrunk meanwhile: what was there
    return bytes;
}

std::string PosixFileSystem::WriteTemporary(const std::string& destination,
                                            const std::string& bytes, std::error_code& error) {
    error.clear();
    std::string temporary;
    const Fd to(MakeTemporary(destination, temporary, error));
    if (to.get() < 0) {
        return {};
    }
    if (!WriteAll(to.get(), bytes.data(), bytes.size()) ||
        fchmod(to.get(), 0666 & ~CurrentUmask()) != 0 || fsync(to.get()) != 0) {
        error = LastError();
        unlink(temporary.c_str());
        return {};
    }
    return temporary;
}

bool PosixFileSystem::SetModified(const std::string& path, std::int64_t modified,
                                  std::error_code& error) {
    error.clear();
    const std::int64_t seconds = modified / 1'000'000'000 - (modified % 1'000'000'000 < 0 ? 1 : 0);
    const std::array<timespec, 2> times = {
        timespec{0, UTIME_OMIT},
        timespec{static_cast<time_t>(seconds),
                 static_cast<long>(modified - seconds * 1'000'000'000)}};
    if (utimensat(AT_FDCWD, path.c_str(), times.data(), AT_SYMLINK_NOFOLLOW) != 0) {
        error = LastError();
        return false;
    }
    return true;
}

void PosixFileSystem::UseIdleIoPriority() {
#ifdef SYS_ioprio_set
    // ioprio_set(IOPRIO_WHO_PROCESS, this thread, IOPRIO_CLASS_IDLE): glibc has no wrapper.
    constexpr int kWhoProcess = 1;
    constexpr int kClassIdle = 3;
    constexpr int kClassShift = 13;
    syscall(SYS_ioprio_set, kWhoProcess, 0, kClassIdle << kClassShift);
#endif
}

bool PosixFileSystem::MakeFolders(const std::string& path, std::error_code& error) {
    error.clear();
    for (std::size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
        // A folder above that cannot be made (or is there already) tells nothing yet: the
        // last one decides.
        const std::string part = path.substr(0, at);
        const bool made = part.empty() || mkdir(part.c_str(), 0700) == 0 || errno == EEXIST;
        if (at == std::string::npos) {
            if (!made) {
                error = LastError();
                return false;
            }
            break;
        }
    }
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        error = std::make_error_code(std::errc::not_a_directory);
        return false;
    }
    return true;
}

bool PosixFileSystem::MoveAside(const std::string& path, const std::string& destination,
                                std::error_code& error) {
    error.clear();
    if (RenameNoReplace(path, destination) != 0) {
        error = LastError();
        return false;
    }
    SyncFolderOf(destination);
    return true;
}

std::optional<std::int64_t> PosixFileSystem::FolderModified(const std::string& folder) {
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return SaturatingNanoseconds(info.st_mtim.tv_sec, 1'000'000'000, info.st_mtim.tv_nsec);
}

std::optional<std::uint64_t> PosixFileSystem::FreeBytes(const std::string& folder) {
    struct statvfs system {};
    if (statvfs(folder.c_str(), &system) != 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(system.f_bavail) * system.f_frsize;
}

std::string PosixFileSystem::WhyNotWritable(const std::string& folder) {
    if (access(folder.c_str(), W_OK | X_OK) == 0) {
        return {};
    }
    return errno == EROFS ? "the folder is on a read-only disk"
                          : "the folder is read-only (" + LastError().message() + ")";
}

std::string PosixFileSystem::RealPath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr),
                                                         &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

std::string PosixFileSystem::Describe(const std::error_code& error) const {
    if (error.category() == std::generic_category() && error.value() == ENOSPC) {
        return error.message() + "; free some space there, or choose another replay folder";
    }
    if (error.category() == std::generic_category() && error.value() == EROFS) {
        return error.message() + "; choose a replay folder on a writable disk";
    }
    return error.message();
}

bool WildcardMatch(const std::string& p, const std::string& n) {
    std::size_t pi = 0;
    std::size_t ni = 0;
    std::size_t star = std::string::npos;
    std::size_t resume = 0;
    while (ni < n.size()) {
        if (pi < p.size() && p[pi] == '*') {
            star = pi++;
            resume = ni;
        } else if (pi < p.size() && UpperAscii(p[pi]) == UpperAscii(n[ni])) {
            ++pi;
            ++ni;
        } else if (star != std::string::npos) {
            pi = star + 1;
            ni = ++resume;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*') {
        ++pi;
    }
    return pi == p.size();
}

std::string FormatLocalTime(long long secondsSinceEpoch, const char* format) {
    const auto seconds = static_cast<time_t>(secondsSinceEpoch);
    tm local{};
    localtime_r(&seconds, &local);
    std::array<char, 128> text{};
    const std::size_t length = strftime(text.data(), text.size(), format, &local);
    return {text.data(), length};
}

std::unique_ptr<FileSystem> CreateFileSystem() {
    return std::make_unique<PosixFileSystem>();
}

} // namespace clipwarden
