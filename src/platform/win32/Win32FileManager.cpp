#include <windows.h>

#include <shlobj.h>

#include "core/ports/FileManager.h"
#include "platform/win32/AnsiText.h"

namespace clipwarden {

namespace {

/** Explorer, through the shell's own call that opens a folder with items selected. */
class Win32FileManager final : public FileManager {
public:
    void ShowInFolder(const std::string& path,
                      std::function<void(const std::string&)> done) override {
        PIDLIST_ABSOLUTE item = ILCreateFromPathW(ToWide(path).c_str());
        if (item == nullptr) {
            done("the file cannot be found");
            return;
        }
        const HRESULT result = SHOpenFolderAndSelectItems(item, 0, nullptr, 0);
        ILFree(item);
        done(SUCCEEDED(result) ? std::string()
                               : "Explorer did not open it (" +
                                     DescribeWin32Error(static_cast<unsigned long>(result)) + ")");
    }
};

} // namespace

std::unique_ptr<FileManager> CreateFileManager() {
    return std::make_unique<Win32FileManager>();
}

} // namespace clipwarden
