#pragma once

#include "core/ports/FileSystem.h"

namespace clipwarden {

/** Files on a POSIX file system, listed in the order an NTFS folder lists: by the name
 *  upper-cased, ties by raw bytes. Dot-names count as hidden. */
class PosixFileSystem final : public FileSystem {
public:
    [[nodiscard]] std::string Join(const std::string& folder,
                                   const std::string& name) const override;
    std::vector<std::string> ListFiles(const std::string& pathPattern,
                                       std::error_code& error) override;
    std::optional<FileStamp> Stamp(const std::string& path, std::error_code& error) override;
    bool Exists(const std::string& path) override;
    std::string CopyToTemporary(const std::string& source, const std::string& destination,
                                std::error_code& error) override;
    bool CommitTemporary(const std::string& temporary, const std::string& destination, bool replace,
                         std::error_code& error) override;
    void DiscardTemporary(const std::string& temporary) override;
    bool SameContents(const std::string& a, const std::string& b, std::error_code& error) override;
    void RemoveStaleTemporaries(const std::string& folder) override;
    std::vector<std::string> ListFolders(const std::string& folder) override;
    std::optional<std::string> ReadText(const std::string& path, std::size_t maxBytes) override;
    std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t maxBytes,
                                             std::error_code& error) override;
    std::string WriteTemporary(const std::string& destination, const std::string& bytes,
                               std::error_code& error) override;
    bool SetModified(const std::string& path, std::int64_t modified,
                     std::error_code& error) override;
    void UseIdleIoPriority() override;
    bool MakeFolders(const std::string& path, std::error_code& error) override;
    bool MoveAside(const std::string& path, const std::string& destination,
                   std::error_code& error) override;
    std::string WhyNotWritable(const std::string& folder) override;
    std::optional<std::int64_t> FolderModified(const std::string& folder) override;
    std::optional<std::uint64_t> FreeBytes(const std::string& folder) override;
    [[nodiscard]] bool NamesIgnoreCase() const override { return false; }
    std::string RealPath(const std::string& path) override;
    [[nodiscard]] std::string Describe(const std::error_code& error) const override;
};

/** `*` matches any run of characters; letters match ignoring ASCII case. */
bool WildcardMatch(const std::string& pattern, const std::string& name);

/** A moment as local time, formatted by strftime under the user's locale. */
std::string FormatLocalTime(long long secondsSinceEpoch, const char* format);

} // namespace clipwarden
