#pragma once

#include <functional>

#include "core/ports/FileSystem.h"

namespace clipwarden::test {

/** The real file system, with a moment to change the world right after a copy was made, a
 *  file was read, or a temporary was written. */
class InterferingFileSystem final : public FileSystem {
public:
    explicit InterferingFileSystem(FileSystem& real) : real_(real) {}
    std::function<void()> afterCopy;
    std::function<void()> afterRead;  ///< after ReadSmallFile
    std::function<void()> afterWrite; ///< after WriteTemporary
    std::optional<std::uint64_t> freeBytes; ///< when set, the free space the disk reports

    [[nodiscard]] std::string Join(const std::string& f, const std::string& n) const override {
        return real_.Join(f, n);
    }
    std::vector<std::string> ListFiles(const std::string& p, std::error_code& e) override {
        return real_.ListFiles(p, e);
    }
    std::optional<FileStamp> Stamp(const std::string& p, std::error_code& e) override {
        return real_.Stamp(p, e);
    }
    bool Exists(const std::string& p) override { return real_.Exists(p); }
    std::string CopyToTemporary(const std::string& s, const std::string& d,
                                std::error_code& e) override {
        std::string temporary = real_.CopyToTemporary(s, d, e);
        if (afterCopy) {
            afterCopy();
        }
        return temporary;
    }
    bool CommitTemporary(const std::string& t, const std::string& d, bool r,
                         std::error_code& e) override {
        return real_.CommitTemporary(t, d, r, e);
    }
    void DiscardTemporary(const std::string& t) override { real_.DiscardTemporary(t); }
    bool SameContents(const std::string& a, const std::string& b, std::error_code& e) override {
        return real_.SameContents(a, b, e);
    }
    void RemoveStaleTemporaries(const std::string& f) override { real_.RemoveStaleTemporaries(f); }
    std::vector<std::string> ListFolders(const std::string& f) override {
        return real_.ListFolders(f);
    }
    std::optional<std::string> ReadText(const std::string& p, std::size_t m) override {
        return real_.ReadText(p, m);
    }
    std::optional<std::string> ReadSmallFile(const std::string& p, std::size_t m,
                                             std::error_code& e) override {
        auto bytes = real_.ReadSmallFile(p, m, e);
        if (afterRead) {
            afterRead();
        }
        return bytes;
    }
    bool SetModified(const std::string& p, std::int64_t m, std::error_code& e) override {
        return real_.SetModified(p, m, e);
    }
    std::string WriteTemporary(const std::string& d, const std::string& b,
                               std::error_code& e) override {
        std::string temporary = real_.WriteTemporary(d, b, e);
        if (afterWrite) {
            afterWrite();
        }
        return temporary;
    }
    void UseIdleIoPriority() override { real_.UseIdleIoPriority(); }
    bool MakeFolders(const std::string& p, std::error_code& e) override {
        return real_.MakeFolders(p, e);
    }
    bool MoveAside(const std::string& p, const std::string& d, std::error_code& e) override {
        return real_.MoveAside(p, d, e);
    }
    std::string WhyNotWritable(const std::string& f) override { return real_.WhyNotWritable(f); }
    std::optional<std::int64_t> FolderModified(const std::string& f) override {
        return real_.FolderModified(f);
    }
    std::optional<std::uint64_t> FreeBytes(const std::string& f) override {
        return freeBytes ? freeBytes : real_.FreeBytes(f);
    }
    [[nodiscard]] bool NamesIgnoreCase() const override { return real_.NamesIgnoreCase(); }
    std::string RealPath(const std::string& p) override { return real_.RealPath(p); }
    [[nodiscard]] std::string Describe(const std::error_code& e) const override {
        return real_.Describe(e);
    }

private:
    FileSystem& real_;
};

} // namespace clipwarden::test
