#include "platform/linux/FreedesktopTrash.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

#include "core/Text.h"
#include "platform/posix/Fd.h"

namespace clipwarden {

namespace {

constexpr std::size_t kLongestName = NAME_MAX;
constexpr std::string_view kInfoSuffix = ".trashinfo";
/** "take.rep", "take (2).rep" … : how many names a file may try before the trash counts as
 *  full of that name. */
constexpr int kMostNameTries = 100;

std::string ErrorText(int error) {
    return std::generic_category().message(error);
}

std::string Shown(const std::string& path) {
    return EscapeText(path, false);
}

/** The folder `name` inside `parent`, made (mode 0700) when missing: never a link, only a real
 *  folder owned by this user and, when `privateOnly`, closed to everyone else. An invalid
 *  descriptor and `why` otherwise. */
Fd OpenOwnFolder(int parent, const std::string& name, const std::string& shown, bool privateOnly,
                 std::string& why) {
    const bool made = mkdirat(parent, name.c_str(), 0700) == 0;
    if (!made && errno != EEXIST) {
        why = "the trash folder " + Shown(shown) + " cannot be made (" + ErrorText(errno) + ")";
        return Fd();
    }
    Fd folder(openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (folder.get() < 0) {
        why = errno == ENOTDIR || errno == ELOOP
                  ? "the trash's " + Shown(shown) +
                        " is not a folder; move it away so that the trash can be made anew"
                  : "the trash folder " + Shown(shown) + " cannot be opened (" +
                        ErrorText(errno) + ")";
        return Fd();
    }
    struct stat info {};
    if (made) {
        fchmod(folder.get(), 0700); // whatever the umask left of it
    }
    if (fstat(folder.get(), &info) != 0) {
        why = "the trash folder " + Shown(shown) + " cannot be read (" + ErrorText(errno) + ")";
        return Fd();
    }
    if (info.st_uid != geteuid()) {
        why = "the trash folder " + Shown(shown) +
              " belongs to another user, so nothing is moved there; whoever may should remove it";
        return Fd();
    }
    if (privateOnly && (info.st_mode & 07777) != 0700) {
        why = "the trash folder " + Shown(shown) +
              " is open to other users, so nothing is moved there; make it yours alone "
              "(chmod 700) or remove it";
        return Fd();
    }
    return folder;
}

/** Makes every missing folder of the absolute `path`, each for the user alone, as the data
 *  folders of a home are. */
bool MakeFolders(const std::string& path, std::string& why) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (!part.empty() && mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            why = "the folder " + Shown(part) + " for the trash cannot be made (" +
                  ErrorText(errno) + ")";
            return false;
        }
        if (slash == std::string::npos) {
            return true;
        }
    }
}

std::pair<std::string, std::string> SplitPath(const std::string& path) {
    const auto slash = path.rfind('/');
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

/** The n-th name a file may take in the trash: its own, then "take (2).rep" and so on. */
std::string NameInTrash(const std::string& name, int attempt) {
    if (attempt == 1) {
        return name;
    }
    const auto dot = name.rfind('.');
    const std::size_t stem = dot == std::string::npos || dot == 0 ? name.size() : dot;
    return name.substr(0, stem) + " (" + std::to_string(attempt) + ")" + name.substr(stem);
}

std::string DeletionDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

/** Writes all of `text`; false, with errno set, when any of it could not be written. */
bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            if (wrote == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

/** Renames without ever replacing what is there. */
int RenameNoReplace(int fromFolder, const std::string& from, int toFolder, const std::string& to) {
    constexpr unsigned kRenameNoReplace = 1;
    int result = static_cast<int>(syscall(SYS_renameat2, fromFolder, from.c_str(), toFolder,
                                          to.c_str(), kRenameNoReplace));
    if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
        // WORKAROUND: file systems without RENAME_NOREPLACE; a hard link never replaces either.
        result = linkat(fromFolder, from.c_str(), toFolder, to.c_str(), 0);
        if (result == 0) {
            unlinkat(fromFolder, from.c_str(), 0);
        }
    }
    return result;
}

/** The device of `path`, or of the nearest folder above it that exists. */
std::optional<std::uint64_t> DeviceOfNearest(std::string path) {
    while (!path.empty()) {
        struct stat info {};
        if (stat(path.c_str(), &info) == 0) {
            return static_cast<std::uint64_t>(info.st_dev);
        }
        if (path == "/") {
            break;
        }
        path = SplitPath(path).first;
    }
    return std::nullopt;
}

} // namespace

FreedesktopTrash::FreedesktopTrash(std::string homeTrash, VolumeTopFinder volumeTop)
    : homeTrash_(std::move(homeTrash)), volumeTop_(std::move(volumeTop)) {}

std::string FreedesktopTrash::VolumeTopOf(const std::string& folder, std::uint64_t device) const {
    if (volumeTop_) {
        return volumeTop_(folder, device);
    }
    if (DeviceOfNearest(homeTrash_) == device) {
        return {};
    }
    char* resolved = realpath(folder.c_str(), nullptr);
    if (resolved == nullptr) {
        return folder;
    }
    std::string top(resolved);
    std::free(resolved);
    while (top != "/") {
        const std::string parent = SplitPath(top).first;
        struct stat info {};
        if (stat(parent.c_str(), &info) != 0 || static_cast<std::uint64_t>(info.st_dev) != device) {
            break;
        }
        top = parent;
    }
    return top;
}

bool FreedesktopTrash::MoveToTrash(const std::string& path, std::string& why) {
    if (path.empty() || path.front() != '/' || path.back() == '/') {
        why = "only a file named by its whole path can go to the trash";
        return false;
    }
    // Without a home there is no telling which volume is the home's, nor a home trash.
    if (homeTrash_.empty() || homeTrash_.front() != '/') {
        why = "this user has no home folder for the trash (HOME is not set)";
        return false;
    }
    const auto [folder, name] = SplitPath(path);
    if (name.size() + kInfoSuffix.size() > kLongestName) {
        why = "its name is longer than the trash can record; rename it to a shorter one first";
        return false;
    }
    const Fd source(open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat file {};
    if (source.get() < 0 || fstatat(source.get(), name.c_str(), &file, AT_SYMLINK_NOFOLLOW) != 0) {
        why = "it cannot be found (" + ErrorText(errno) + ")";
        return false;
    }
    if (S_ISDIR(file.st_mode)) {
        why = "it is a folder";
        return false;
    }

    // Which trash: the home one, or the volume's own.
    const std::string top = VolumeTopOf(folder, static_cast<std::uint64_t>(file.st_dev));
    Fd trash;
    std::string trashPath;
    std::string recorded = path; // the path the info file gives
    if (top.empty()) {
        const auto [data, trashName] = SplitPath(homeTrash_);
        if (!MakeFolders(data, why)) {
            return false;
        }
        const Fd dataFolder(open(data.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dataFolder.get() < 0) {
            why = "the folder " + Shown(data) + " for the trash cannot be opened (" +
                  ErrorText(errno) + ")";
            return false;
        }
        trash = OpenOwnFolder(dataFolder.get(), trashName, homeTrash_, false, why);
        trashPath = homeTrash_;
    } else {
        const Fd volume(open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (volume.get() < 0) {
            why = "the top folder " + Shown(top) + " of its disk cannot be opened (" +
                  ErrorText(errno) + ")";
            return false;
        }
        const std::string uid = std::to_string(geteuid());
        const std::string base = top == "/" ? std::string() : top;
        // The administrator's shared .Trash counts only as a real folder with the sticky bit,
        // so that no user can take another's folder in it.
        struct stat shared {};
        if (fstatat(volume.get(), ".Trash", &shared, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISDIR(shared.st_mode) && (shared.st_mode & S_ISVTX) != 0) {
            const Fd sharedFolder(
                openat(volume.get(), ".Trash", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            std::string unused;
            if (sharedFolder.get() >= 0) {
                trash = OpenOwnFolder(sharedFolder.get(), uid, base + "/.Trash/" + uid, true,
                                      unused);
                trashPath = base + "/.Trash/" + uid;
            }
        }
        if (trash.get() < 0) {
            trashPath = base + "/.Trash-" + uid;
            trash = OpenOwnFolder(volume.get(), ".Trash-" + uid, trashPath, true, why);
            if (trash.get() < 0) {
                why = "there is no safe trash on the disk that holds it: " + why;
                return false;
            }
        }
        // A volume's trash records the path from the volume's top, so that it survives another
        // mount point.
        char* resolved = realpath(folder.c_str(), nullptr);
        if (resolved != nullptr) {
            const std::string real(resolved);
            std::free(resolved);
            if (real.rfind(base + "/", 0) == 0) {
                recorded = real.substr(base.size() + 1) + "/" + name;
            }
        }
    }
    if (trash.get() < 0) {
        return false;
    }
    const Fd files = OpenOwnFolder(trash.get(), "files", trashPath + "/files", false, why);
    const Fd info =
        files.get() < 0 ? Fd() : OpenOwnFolder(trash.get(), "info", trashPath + "/info", false, why);
    if (info.get() < 0) {
        return false;
    }

    const std::string record = "[Trash Info]\nPath=" + PercentEncodePath(recorded) +
                               "\nDeletionDate=" + DeletionDate() + "\n";
    for (int attempt = 1; attempt <= kMostNameTries; ++attempt) {
        const std::string inTrash = NameInTrash(name, attempt);
        const std::string infoName = inTrash + std::string(kInfoSuffix);
        if (infoName.size() > kLongestName) {
            break;
        }
        // The record first, made only where none is, so that no file in the trash is ever
        // without one, and none of another file's is overwritten.
        const Fd infoFile(openat(info.get(), infoName.c_str(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (infoFile.get() < 0) {
            if (errno == EEXIST) {
                continue;
            }
            why = "the trash's folder " + Shown(trashPath + "/info") + " cannot be written (" +
                  ErrorText(errno) + ")";
            return false;
        }
        if (!WriteAll(infoFile.get(), record)) {
            const int error = errno;
            unlinkat(info.get(), infoName.c_str(), 0);
            why = "the trash's record of it cannot be written (" + ErrorText(error) + ")" +
                  (error == ENOSPC || error == EDQUOT || error == EFBIG
                       ? "; make room on that disk, or empty the trash"
                       : "");
            return false;
        }
        if (RenameNoReplace(source.get(), name, files.get(), inTrash) == 0) {
            return true;
        }
        const int error = errno;
        unlinkat(info.get(), infoName.c_str(), 0);
        if (error == EEXIST) {
            continue; // a file of that name without its record: the next name
        }
        why = error == EXDEV ? std::string("it lies on another disk than its trash")
                             : "it cannot be moved into " + Shown(trashPath + "/files") + " (" +
                                   ErrorText(error) + ")";
        return false;
    }
    why = "the trash already holds too many files of that name; empty the trash, or rename it";
    return false;
}

std::string HomeTrashFolder() {
    const auto absolute = [](const char* value) {
        return value != nullptr && value[0] == '/' ? std::string(value) : std::string();
    };
    if (std::string data = absolute(std::getenv("XDG_DATA_HOME")); !data.empty()) {
        return data + "/Trash";
    }
    std::string home = absolute(std::getenv("HOME"));
    if (home.empty()) {
        std::vector<char> buffer(16384);
        passwd entry{};
        passwd* found = nullptr;
        if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
            found != nullptr) {
            home = absolute(found->pw_dir);
        }
    }
    if (home.empty() || home == "/") {
        return {};
    }
    return home + "/.local/share/Trash";
}

std::string PercentEncodePath(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
            (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
            byte == '~' || byte == '/') {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 15];
        }
    }
    return encoded;
}

std::unique_ptr<Trash> CreateTrash() {
    return std::make_unique<FreedesktopTrash>(HomeTrashFolder());
}

} // namespace clipwarden
