#include <windows.h>

#include <array>

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

std::string StampText(const FILETIME& utc) {
    FILETIME local{};
    SYSTEMTIME time{};
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &time);
    std::array<char, 128> date{};
    std::array<char, 128> clock{};
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date.data(),
                   static_cast<int>(date.size()));
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &time, nullptr, clock.data(),
                   static_cast<int>(clock.size()));
    return FromAnsi(std::string(date.data()) + " " + clock.data());
}

/** Files through the ANSI Win32 calls: listings in the order the file system keeps, copies
 *  through a hidden temporary that is moved into place with write-through. */
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
        WIN32_FIND_DATAA data{};
        HANDLE find = FindFirstFileA(ToAnsi(pathPattern).c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) {
            const DWORD code = GetLastError();
            if (code != ERROR_FILE_NOT_FOUND && code != ERROR_NO_MORE_FILES) {
                error = {static_cast<int>(code), std::system_category()};
            }
            return names;
        }
        do {
            if ((data.dwFileAttributes & kNotOrdinary) == 0) {
                names.push_back(FromAnsi(data.cFileName));
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
        return names;
    }

    std::optional<FileStamp> Stamp(const std::string& path, std::error_code& error) override {
        error.clear();
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExA(ToAnsi(path).c_str(), GetFileExInfoStandard, &data)) {
            error = LastWin32Error();
            return std::nullopt;
        }
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            error = {ERROR_ACCESS_DENIED, std::system_category()};
            return std::nullopt;
        }
        const std::uint64_t size =
            (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        return FileStamp{StampText(data.ftLastWriteTime), size};
    }

    bool Exists(const std::string& path) override {
        return GetFileAttributesA(ToAnsi(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    std::string CopyToTemporary(const std::string& source, const std::string& destination,
                                std::error_code& error) override {
        error.clear();
        std::array<char, MAX_PATH> temporary{};
        if (GetTempFileNameA(ToAnsi(FolderOf(destination)).c_str(), "cw", 0, temporary.data()) ==
            0) {
            error = LastWin32Error();
            return {};
        }
        // The copy keeps the source's last-write time; hidden, so no listing shows it.
        if (!CopyFileA(ToAnsi(source).c_str(), temporary.data(), FALSE)) {
            error = LastWin32Error();
            DeleteFileA(temporary.data());
            return {};
        }
        SetFileAttributesA(temporary.data(), FILE_ATTRIBUTE_HIDDEN);
        return FromAnsi(temporary.data());
    }

    bool CommitTemporary(const std::string& temporary, const std::string& destination, bool replace,
                         std::error_code& error) override {
        error.clear();
        const std::string from = ToAnsi(temporary);
        SetFileAttributesA(from.c_str(), FILE_ATTRIBUTE_NORMAL);
        const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
        if (!MoveFileExA(from.c_str(), ToAnsi(destination).c_str(), flags)) {
            error = LastWin32Error();
            DeleteFileA(from.c_str());
            return false;
        }
        return true;
    }

    void DiscardTemporary(const std::string& temporary) override {
        const std::string path = ToAnsi(temporary);
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }

    std::string ResolveName(const std::string&, const std::string& name) override {
        return name; // names already match ignoring case here
    }

    [[nodiscard]] std::string Describe(const std::error_code& error) const override {
        return DescribeWin32Error(static_cast<unsigned long>(error.value()));
    }
};

} // namespace

std::unique_ptr<FileSystem> CreateFileSystem() {
    return std::make_unique<Win32FileSystem>();
}

} // namespace clipwarden
