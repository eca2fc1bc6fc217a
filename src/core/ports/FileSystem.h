#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace clipwarden {

/** A file's last-modified date-time as locale text (to the second) and its size in bytes. */
struct FileStamp {
    std::string text;
    std::uint64_t size = 0;

    bool operator==(const FileStamp&) const = default;
};

/** The file operations the replay library and the game-folder test rely on. */
class FileSystem {
public:
    FileSystem() = default;
    virtual ~FileSystem() = default;
    FileSystem(const FileSystem&) = delete;
    FileSystem& operator=(const FileSystem&) = delete;
    FileSystem(FileSystem&&) = delete;
    FileSystem& operator=(FileSystem&&) = delete;

    /** Joins a folder and a name with the platform's separator; an empty folder gives the root. */
    [[nodiscard]] virtual std::string Join(const std::string& folder,
                                           const std::string& name) const = 0;

    /** Names (no folder) of the ordinary files matching the wildcard of `pathPattern`, in the
     *  platform's stable listing order. Sets `error` and returns nothing when the folder
     *  cannot be listed. */
    virtual std::vector<std::string> ListFiles(const std::string& pathPattern,
                                               std::error_code& error) = 0;

    /** Stamp of the file, or nothing (with `error` set) when it cannot be read. */
    virtual std::optional<FileStamp> Stamp(const std::string& path, std::error_code& error) = 0;

    /** True when anything (file, folder, link) exists under the path. */
    virtual bool Exists(const std::string& path) = 0;

    /** Copies `source` into a hidden temporary beside `destination` and returns its path;
     *  on failure removes what it wrote, sets `error` and returns "". */
    virtual std::string CopyToTemporary(const std::string& source, const std::string& destination,
                                        std::error_code& error) = 0;

    /** Moves a temporary into place. With `replace` false an existing destination is never
     *  touched (the move fails with `file_exists`). On failure the temporary is removed. */
    virtual bool CommitTemporary(const std::string& temporary, const std::string& destination,
                                 bool replace, std::error_code& error) = 0;

    /** Removes a temporary made by CopyToTemporary; failures are ignored. */
    virtual void DiscardTemporary(const std::string& temporary) = 0;

    /** The name of an existing entry of `folder` that equals `name` ignoring letter case when
     *  `name` itself does not exist there; otherwise `name` unchanged. */
    virtual std::string ResolveName(const std::string& folder, const std::string& name) = 0;

    /** One line of text describing a failed operation, for the log. */
    [[nodiscard]] virtual std::string Describe(const std::error_code& error) const = 0;
};

/** The backend of the platform Clipwarden was built for. */
std::unique_ptr<FileSystem> CreateFileSystem();

} // namespace clipwarden
