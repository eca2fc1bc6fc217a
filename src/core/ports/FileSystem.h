#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace clipwarden {

/** What tells one recording in a file from another: the file's identity, its size and its
 *  last-modified time to the platform's finest unit. Two stamps are the same recording only
 *  when all of these agree. */
struct FileStamp {
    std::int64_t modified = 0; ///< last-modified time in nanoseconds since the epoch
    std::uint64_t size = 0;
    std::uint64_t device = 0; ///< the file system (volume serial number on Windows)
    std::uint64_t fileId = 0; ///< the file on it (inode, or the NTFS file index)
    /** How many names (hard links) the file has; not part of which recording it holds. */
    std::uint64_t links = 1;

    bool operator==(const FileStamp& other) const {
        return modified == other.modified && size == other.size && device == other.device &&
               fileId == other.fileId;
    }
};

/** `count` units of `unitNanoseconds` after `offset` units (the epoch of another clock), as
 *  nanoseconds since 1970: held at the ends of the range instead of overflowing, so that a file
 *  dated after 2262 counts as the newest there is, never as one from 1715. */
inline std::int64_t SaturatingNanoseconds(std::int64_t count, std::int64_t unitNanoseconds,
                                          std::int64_t extraNanoseconds = 0) {
    constexpr std::int64_t kMost = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kLeast = std::numeric_limits<std::int64_t>::min();
    if (count > (kMost - (extraNanoseconds > 0 ? extraNanoseconds : 0)) / unitNanoseconds) {
        return kMost;
    }
    if (count < (kLeast - (extraNanoseconds < 0 ? extraNanoseconds : 0)) / unitNanoseconds) {
        return kLeast;
    }
    return count * unitNanoseconds + extraNanoseconds;
}

/** The failures of a path that is there but is no ordinary file of its own (a link, a FIFO,
 *  a device, a folder): nothing in it can be a recording, and nothing is read from it. */
inline const std::error_category& FileKindCategory() {
    class Category final : public std::error_category {
    public:
        [[nodiscard]] const char* name() const noexcept override { return "file kind"; }
        [[nodiscard]] std::string message(int) const override { return "not a recording"; }
    };
    static const Category category;
    return category;
}

inline std::error_code NotARecording() {
    return {1, FileKindCategory()};
}

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

    /** Names (no folder) of the ordinary files (and links to one) matching the wildcard of
     * `pathPattern`, in the platform's stable listing order. Sets `error` and returns nothing when
     * the folder cannot be listed. */
    virtual std::vector<std::string> ListFiles(const std::string& pathPattern,
                                               std::error_code& error) = 0;

    /** Stamp of the file, or nothing (with `error` set) when it cannot be read; a link is
     *  not followed, and anything but an ordinary file gives NotARecording(). */
    virtual std::optional<FileStamp> Stamp(const std::string& path, std::error_code& error) = 0;

    /** True when anything (file, folder, link) exists under the path. */
    virtual bool Exists(const std::string& path) = 0;

    /** Copies `source` into a hidden temporary beside `destination`, named after this process,
     *  and returns its path; keeps the source's last-modified time, never widens its
     *  permissions, and keeps a sparse file's holes. A source that is no ordinary file (a link
     *  is not followed) gives NotARecording() without a read. On failure removes what it
     *  wrote, sets `error` and returns "". */
    virtual std::string CopyToTemporary(const std::string& source, const std::string& destination,
                                        std::error_code& error) = 0;

    /** Moves a temporary into place. With `replace` false an existing destination is never
     *  touched (the move fails with `file_exists`). On failure the temporary is removed. */
    virtual bool CommitTemporary(const std::string& temporary, const std::string& destination,
                                 bool replace, std::error_code& error) = 0;

    /** Removes a temporary made by CopyToTemporary; failures are ignored. */
    virtual void DiscardTemporary(const std::string& temporary) = 0;

    /** True when both files hold the same bytes; false when they differ or either cannot be
     *  read (with `error` set then). */
    virtual bool SameContents(const std::string& a, const std::string& b,
                              std::error_code& error) = 0;

    /** Removes the temporaries CopyToTemporary left in `folder` for processes that are gone
     *  (a copy cut short by a crash or a kill); those of live processes stay. Failures are
     *  ignored. */
    virtual void RemoveStaleTemporaries(const std::string& folder) = 0;

    /** Names of the folders (and links to folders) inside `folder`, "." and ".." left out;
     *  nothing when it cannot be listed. */
    virtual std::vector<std::string> ListFolders(const std::string& folder) = 0;

    /** The file's first `maxBytes` bytes, or nothing when it cannot be read. */
    virtual std::optional<std::string> ReadText(const std::string& path, std::size_t maxBytes) = 0;

    /** The whole of an ordinary file of at most `maxBytes` bytes. Nothing, with `error` set,
     *  when it cannot be read: no_such_file_or_directory when it is not there,
     *  NotARecording() for a link or anything but an ordinary file (never followed or waited
     *  on), file_too_large when it holds more. */
    virtual std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t maxBytes,
                                                     std::error_code& error) = 0;

    /** Writes `bytes` into a hidden temporary beside `destination`, synced, readable as a new
     *  file of the user's is, and returns its path for CommitTemporary; "" with `error` set
     *  (and nothing left behind) on failure. */
    virtual std::string WriteTemporary(const std::string& destination, const std::string& bytes,
                                       std::error_code& error) = 0;

    /** Gives a temporary made by WriteTemporary the last-modified time `modified` (a stamp's
     *  nanoseconds), as a copy keeps its source's. A link is not followed. */
    virtual bool SetModified(const std::string& path, std::int64_t modified,
                             std::error_code& error) = 0;

    /** Lets the calling thread's reads and writes wait for everyone else's (the system's idle
     *  I/O class), for work in the background; a system without one ignores it. */
    virtual void UseIdleIoPriority() = 0;

    /** Makes the folder and any folder above it that is missing, each readable by the user
     *  alone; true when it is there as a folder (a link to one counts). */
    virtual bool MakeFolders(const std::string& path, std::error_code& error) = 0;

    /** Renames `path` to `destination` on the same volume without ever replacing anything; on
     *  failure both stay as they were. */
    virtual bool MoveAside(const std::string& path, const std::string& destination,
                           std::error_code& error) = 0;

    /** "" when new files can be made in `folder`, else why not, in a few words. */
    virtual std::string WhyNotWritable(const std::string& folder) = 0;

    /** The folder's last-modified time (nanoseconds), which moves when a name in it comes or
     *  goes; nothing when it cannot be read. */
    virtual std::optional<std::int64_t> FolderModified(const std::string& folder) = 0;

    /** The bytes free for the user on the file system that holds `folder`; nothing when it
     *  cannot be told. */
    virtual std::optional<std::uint64_t> FreeBytes(const std::string& folder) = 0;

    /** Whether this platform's file names match ignoring letter case (Windows). */
    [[nodiscard]] virtual bool NamesIgnoreCase() const = 0;

    /** The absolute path with every link resolved, or "" when the path does not exist. */
    virtual std::string RealPath(const std::string& path) = 0;

    /** One line of text describing a failed operation, for the log. */
    [[nodiscard]] virtual std::string Describe(const std::error_code& error) const = 0;
};

/** The backend of the platform Clipwarden was built for. */
std::unique_ptr<FileSystem> CreateFileSystem();

} // namespace clipwarden
