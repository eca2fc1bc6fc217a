#pragma once

#include <functional>
#include <memory>
#include <string>

namespace clipwarden {

/** The user's file manager. */
class FileManager {
public:
    FileManager() = default;
    virtual ~FileManager() = default;
    FileManager(const FileManager&) = delete;
    FileManager& operator=(const FileManager&) = delete;
    FileManager(FileManager&&) = delete;
    FileManager& operator=(FileManager&&) = delete;

    /** Opens the file's folder with the file selected, without waiting for the file manager;
     *  `done` is called later on the GUI thread, with "" once it was asked, or why it could
     *  not be. */
    virtual void ShowInFolder(const std::string& path,
                              std::function<void(const std::string& failure)> done) = 0;
};

std::unique_ptr<FileManager> CreateFileManager();

} // namespace clipwarden
