#include <windows.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "core/TemporaryName.h"
#include "core/ports/FileSystem.h"
#include "platform/win32/AnsiText.h"

namespace clipwarden {

namespace {

constexpr DWORD kNotOrdinary = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN |
                               FILE_ATTRIBUTE_SYSTEM | 0x8 /* volume label */;

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

/** True when no process with this id runs any more. */
bool ProcessGone(DWORD id) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (process == nullptr) {
        return GetLastError() == ERROR_INVALID_PARAMETER; // no such process
    }
    DWORD code = 0;
    const bool ended = GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
    CloseHandle(process);
    return ended;
}

/** Files through the wide-character Win32 calls, so that any name is itself (the ANSI calls
 *  turn what the code page lacks into '?', a wildcard that matches other files): listings in
 *  the order the file system keeps, copies through a hidden temporary that is moved into place
 *  with write-through. */
class Win32FileSystem final : public FileSystem {
public:
    [[nodiscard]] std::string Join(const std::string& folder,
                                   const std::string& name) const override {
        if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) {
            return folder + name;
        }
        return folder + "\\" + name;
    }

    std::vector<std::string> ListFiles(const std::string& pathPattern,
                                       std::error_code& error) override {
        error.clear();
        std::vector<std::string> names;
        WIN32_FIND_DATAW data{};
        HANDLE find = FindFirstFileW(ToWide(pathPattern).c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) {
            const DWORD code = GetLastError();
            if (code != ERROR_FILE_NOT_FOUND && code != ERROR_NO_MORE_FILES) {
                error = {static_cast<int>(code), std::system_category()};
            }
            return names;
        }
        do {
            if ((data.dwFileAttributes & kNotOrdinary) == 0) {
                names.push_back(FromWide(data.cFileName));
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
        return names;
    }

    std::optional<FileStamp> Stamp(const std::string& path, std::error_code& error) override {
        error.clear();
        HANDLE file = CreateFileW(ToWide(path).c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            error = LastWin32Error();
            return std::nullopt;
        }
        BY_HANDLE_FILE_INFORMATION info{};
        const BOOL got = GetFileInformationByHandle(file, &info);
        if (!got) {
            error = LastWin32Error();
        }
        CloseHandle(file);
        if (!got) {
            return std::nullopt;
        }
        if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            error = {ERROR_ACCESS_DENIED, std::system_category()};
            return std::nullopt;
        }
        const auto join = [](DWORD high, DWORD low) {
            return (static_cast<std::uint64_t>(high) << 32) | low;
        };
        // FILETIME counts 100 ns from 1601; the stamp counts nanoseconds from 1970.
        constexpr std::int64_t kFrom1601To1970 = 116'444'736'000'000'000;
        FileStamp stamp;
        // FILETIME's 64 bits outrun the stamp's from the year 2262 on: held there.
        const std::uint64_t ticks =
            join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
        stamp.modified = SaturatingNanoseconds(
            static_cast<std::int64_t>(std::min<std::uint64_t>(ticks, std::numeric_limits<std::int64_t>::max())) -
                kFrom1601To1970,
            100);
        stamp.size = join(info.nFileSizeHigh, info.nFileSizeLow);
        stamp.device = info.dwVolumeSerialNumber;
        stamp.fileId = join(info.nFileIndexHigh, info.nFileIndexLow);
        stamp.links = info.nNumberOfLinks;
        return stamp;
    }

    bool Exists(const std::string& path) override {
        return GetFileAttributesW(ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    std::string CopyToTemporary(const std::string& source, const std::string& destination,
                                std::error_code& error) override {
        error.clear();
        // Named after this process, so that a later start can tell a copy cut short.
        std::string temporary;
        for (unsigned attempt = 0;; ++attempt) {
            temporary = Join(FolderOf(destination), TemporaryNamePrefix(GetCurrentProcessId()) +
                                                        std::to_string(attempt) + ".tmp");
            HANDLE created = CreateFileW(ToWide(temporary).c_str(), GENERIC_WRITE, 0, nullptr,
                                         CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
            if (created != INVALID_HANDLE_VALUE) {
                CloseHandle(created);
                break;
            }
            if (GetLastError() != ERROR_FILE_EXISTS || attempt == 10000) {
                error = LastWin32Error();
                return {};
            }
        }
        // The copy keeps the source's last-write time; hidden, so no listing shows it.
        const std::wstring ansi = ToWide(temporary);
        SetFileAttributesW(ansi.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!CopyFileW(ToWide(source).c_str(), ansi.c_str(), FALSE)) {
            error = LastWin32Error();
            DeleteFileW(ansi.c_str());
            return {};
        }
        SetFileAttributesW(ansi.c_str(), FILE_ATTRIBUTE_HIDDEN);
        return temporary;
    }

    bool CommitTemporary(const std::string& temporary, const std::string& destination, bool replace,
                         std::error_code& error) override {
        error.clear();
        const std::wstring from = ToWide(temporary);
        SetFileAttributesW(from.c_str(), FILE_ATTRIBUTE_NORMAL);
        const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
        if (!MoveFileExW(from.c_str(), ToWide(destination).c_str(), flags)) {
            error = LastWin32Error();
            DeleteFileW(from.c_str());
            return false;
        }
        return true;
    }

    void DiscardTemporary(const std::string& temporary) override {
        const std::wstring path = ToWide(temporary);
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
    }

    bool SameContents(const std::string& a, const std::string& b, std::error_code& error) override {
        error.clear();
        const auto open = [](const std::string& path) {
            return CreateFileW(ToWide(path).c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        };
        HANDLE first = open(a);
        HANDLE second = open(b);
        bool same = first != INVALID_HANDLE_VALUE && second != INVALID_HANDLE_VALUE;
        if (!same) {
            error = LastWin32Error();
        }
        std::vector<char> one(1 << 16);
        std::vector<char> two(1 << 16);
        while (same) {
            DWORD gotOne = 0;
            DWORD gotTwo = 0;
            if (!ReadFile(first, one.data(), static_cast<DWORD>(one.size()), &gotOne, nullptr) ||
                !ReadFile(second, two.data(), static_cast<DWORD>(two.size()), &gotTwo, nullptr)) {
                error = LastWin32Error();
                same = false;
            } else if (gotOne != gotTwo || std::memcmp(one.data(), two.data(), gotOne) != 0) {
                same = false;
            } else if (gotOne == 0) {
                break;
            }
        }
        if (first != INVALID_HANDLE_VALUE) {
            CloseHandle(first);
        }
        if (second != INVALID_HANDLE_VALUE) {
            CloseHandle(second);
        }
        return same;
    }

    void RemoveStaleTemporaries(const std::string& folder) override {
        WIN32_FIND_DATAW data{};
        HANDLE find = FindFirstFileW(
            ToWide(Join(folder, std::string(kTemporaryPrefix) + "*")).c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) {
            return;
        }
        std::vector<std::string> stale;
        do {
            const std::string found = FromWide(data.cFileName);
            const auto writer = TemporaryWriter(found);
            if (writer && *writer <= 0xFFFFFFFF && ProcessGone(static_cast<DWORD>(*writer))) {
                stale.push_back(found);
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
        for (const std::string& name : stale) {
            const std::wstring path = ToWide(Join(folder, name));
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
    }

    std::vector<std::string> ListFolders(const std::string& folder) override {
        std::vector<std::string> names;
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileW(ToWide(Join(folder, "*")).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) {
            return names;
        }
        do {
            const std::string name = FromWide(found.cFileName);
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && name != "." &&
                name != "..") {
                names.push_back(name);
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
        return names;
    }

    std::optional<std::string> ReadText(const std::string& path, std::size_t maxBytes) override {
        HANDLE file = CreateFileW(ToWide(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return std::nullopt;
        }
        std::string text;
        std::vector<char> buffer(65536);
        bool ok = true;
        while (text.size() < maxBytes) {
            DWORD got = 0;
            const auto want = static_cast<DWORD>(std::min(buffer.size(), maxBytes - text.size()));
            if (!ReadFile(file, buffer.data(), want, &got, nullptr)) {
                ok = false;
                break;
            }
            if (got == 0) {
                break;
            }
            text.append(buffer.data(), got);
        }
        CloseHandle(file);
        return ok ? std::optional<std::string>(text) : std::nullopt;
    }

    std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t maxBytes,
                                             std::error_code& error) override {
        error.clear();
        // A reparse point (a link) is opened as itself, and is not an ordinary file.
        HANDLE file = CreateFileW(ToWide(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD code = GetLastError();
            error = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND
                        ? std::make_error_code(std::errc::no_such_file_or_directory)
                        : std::error_code(static_cast<int>(code), std::system_category());
            return std::nullopt;
        }
        BY_HANDLE_FILE_INFORMATION info{};
        std::optional<std::string> bytes;
        if (!GetFileInformationByHandle(file, &info)) {
            error = LastWin32Error();
        } else if ((info.dwFileAttributes &
                    (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
                   GetFileType(file) != FILE_TYPE_DISK) {
            error = NotARecording();
        } else if ((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow) >
                   maxBytes) {
            error = std::make_error_code(std::errc::file_too_large);
        } else {
            bytes.emplace(info.nFileSizeLow, '\0');
            DWORD got = 0;
            if (!ReadFile(file, bytes->data(), info.nFileSizeLow, &got, nullptr)) {
                error = LastWin32Error();
                bytes.reset();
            } else {
                bytes->resize(got);
            }
        }
        CloseHandle(file);
        return bytes;
    }

    bool SetModified(const std::string& path, std::int64_t modified,
                     std::error_code& error) override {
        error.clear();
        constexpr std::int64_t kFrom1601To1970 = 116'444'736'000'000'000;
        const auto ticks = static_cast<std::uint64_t>(modified / 100 + kFrom1601To1970);
        const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
        HANDLE file = CreateFileW(ToWide(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            error = LastWin32Error();
            return false;
        }
        const bool ok = SetFileTime(file, nullptr, nullptr, &time) != 0;
        if (!ok) {
            error = LastWin32Error();
        }
        CloseHandle(file);
        return ok;
    }

    std::string WriteTemporary(const std::string& destination, const std::string& bytes,
                               std::error_code& error) override {
        error.clear();
        for (unsigned attempt = 0;; ++attempt) {
            const std::string temporary =
                Join(FolderOf(destination),
                     TemporaryNamePrefix(GetCurrentProcessId()) + std::to_string(attempt) + ".tmp");
            HANDLE file = CreateFileW(ToWide(temporary).c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file == INVALID_HANDLE_VALUE) {
                if (GetLastError() != ERROR_FILE_EXISTS || attempt == 10000) {
                    error = LastWin32Error();
                    return {};
                }
                continue;
            }
            DWORD written = 0;
            const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()),
                                      &written, nullptr) &&
                            written == bytes.size() && FlushFileBuffers(file);
            if (!ok) {
                error = LastWin32Error();
            }
            CloseHandle(file);
            if (!ok) {
                DeleteFileW(ToWide(temporary).c_str());
                return {};
            }
            return temporary;
        }
    }

    void UseIdleIoPriority() override {
        SetThreadPriority(GetCurrentThread(), THREAD_MODE_BACKGROUND_BEGIN);
    }

    bool MakeFolders(const std::string& path, std::error_code& error) override {
        error.clear();
        for (std::size_t at = path.find_first_of("\\/", 3);; at = path.find_first_of("\\/", at + 1)) {
            // Folders above (a share's name, say) may refuse: the last one decides.
            const std::string part = path.substr(0, at);
            const bool made = CreateDirectoryW(ToWide(part).c_str(), nullptr) ||
                              GetLastError() == ERROR_ALREADY_EXISTS;
            if (at == std::string::npos) {
                if (!made) {
                    error = LastWin32Error();
                    return false;
                }
                break;
            }
        }
        const DWORD attributes = GetFileAttributesW(ToWide(path).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            error = std::make_error_code(std::errc::not_a_directory);
            return false;
        }
        return true;
    }

    bool MoveAside(const std::string& path, const std::string& destination,
                   std::error_code& error) override {
        error.clear();
        if (!MoveFileExW(ToWide(path).c_str(), ToWide(destination).c_str(),
                         MOVEFILE_WRITE_THROUGH)) {
            error = LastWin32Error();
            return false;
        }
        return true;
    }

    std::string WhyNotWritable(const std::string& folder) override {
        const DWORD attributes = GetFileAttributesW(ToWide(folder).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            return DescribeWin32Error(GetLastError());
        }
        // The read-only attribute of a folder means nothing to Windows itself; a trial file
        // tells whether the user may create files there.
        const std::string probe = Join(folder, TemporaryNamePrefix(GetCurrentProcessId()) + "w");
        HANDLE file = CreateFileW(ToWide(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD code = GetLastError();
            return code == ERROR_FILE_EXISTS
                       ? std::string()
                       : "the folder is read-only (" + DescribeWin32Error(code) + ")";
        }
        CloseHandle(file);
        return {};
    }

    std::optional<std::int64_t> FolderModified(const std::string& folder) override {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExW(ToWide(folder).c_str(), GetFileExInfoStandard, &data)) {
            return std::nullopt;
        }
        const std::uint64_t ticks =
            (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
            data.ftLastWriteTime.dwLowDateTime;
        return SaturatingNanoseconds(
            static_cast<std::int64_t>(std::min<std::uint64_t>(ticks, std::numeric_limits<std::int64_t>::max())), 100);
    }

    std::optional<std::uint64_t> FreeBytes(const std::string& folder) override {
        ULARGE_INTEGER available{};
        if (!GetDiskFreeSpaceExW(ToWide(folder).c_str(), &available, nullptr, nullptr)) {
            return std::nullopt;
        }
        return available.QuadPart;
    }

    [[nodiscard]] bool NamesIgnoreCase() const override { return true; }

    std::string RealPath(const std::string& path) override {
        if (!Exists(path)) {
            return {};
        }
        std::array<wchar_t, MAX_PATH> full{};
        const DWORD length = GetFullPathNameW(ToWide(path).c_str(), static_cast<DWORD>(full.size()),
                                              full.data(), nullptr);
        return length == 0 || length >= full.size() ? path : FromWide(full.data());
    }

    [[nodiscard]] std::string Describe(const std::error_code& error) const override {
        if (error.category() == FileKindCategory()) {
            return error.message();
        }
        const auto code = static_cast<unsigned long>(error.value());
        std::string text = DescribeWin32Error(code);
        if (code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL) {
            text += "; free some space there, or choose another replay folder";
        } else if (code == ERROR_WRITE_PROTECT) {
            text += "; choose a replay folder on a writable disk";
        }
        return text;
    }
};

} // namespace

std::unique_ptr<FileSystem> CreateFileSystem() {
    return std::make_unique<Win32FileSystem>();
}

} // namespace clipwarden
