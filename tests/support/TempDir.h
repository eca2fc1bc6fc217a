#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace clipwarden::test {

/** A fresh folder under the system's temporary folder, removed with everything in it. */
class TempDir {
public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "clipwarden-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    TempDir(TempDir&&) = delete;
    TempDir& operator=(TempDir&&) = delete;

    [[nodiscard]] std::string str() const { return path_.string(); }
    [[nodiscard]] std::string operator/(const std::string& name) const {
        return (path_ / name).string();
    }

private:
    std::filesystem::path path_;
};

inline void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

/** Sets a file's last-modified time to the given second since the epoch. */
inline void SetModified(const std::string& path, long long seconds) {
    const timespec times[2] = {{static_cast<time_t>(seconds), 0},
                               {static_cast<time_t>(seconds), 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

/** Writes a file and gives it a last-modified time. */
inline void WriteFileAt(const std::string& path, const std::string& content, long long seconds) {
    WriteFile(path, content);
    SetModified(path, seconds);
}

/** Puts a new recording into a replay slot the way a careful writer would: complete, with
 *  its modification time already set, in one rename. */
inline void RecordAt(const std::string& slot, const std::string& content, long long seconds) {
    const std::string incoming = slot + ".incoming";
    WriteFileAt(incoming, content, seconds);
    std::filesystem::rename(incoming, slot);
}

} // namespace clipwarden::test
