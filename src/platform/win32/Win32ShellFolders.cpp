#include <windows.h>

#include <shlobj.h>

#include <array>

#include "core/ports/ShellFolders.h"
#include "platform/win32/AnsiText.h"

namespace clipwarden {

namespace {

/** The shell's special folders and its folder picker. */
class Win32ShellFolders final : public ShellFolders {
public:
    std::string GetSpecialFolderPath(int folderId) override {
        if (folderId == kFolderDetailsCache) {
            const std::string local = GetSpecialFolderPath(CSIDL_LOCAL_APPDATA);
            return local.empty() ? local : local + "\\Clipwarden\\Cache";
        }
        LPITEMIDLIST list = nullptr;
        if (SHGetSpecialFolderLocation(nullptr, folderId, &list) != S_OK) {
            return {};
        }
        std::string result = PathOf(list);
        CoTaskMemFree(list);
        return result;
    }

    std::string BrowseForFolder(WindowRef owner, const std::string& title, const std::string& start,
                                std::string& refused) override {
        refused.clear(); // the wide picker gives any name as it is
        const std::wstring wideTitle = ToWide(title);
        const std::wstring wideStart = ToWide(start);
        BROWSEINFOW info{};
        info.hwndOwner = reinterpret_cast<HWND>(owner);
        info.pidlRoot = nullptr;
        info.pszDisplayName = nullptr;
        info.lpszTitle = wideTitle.c_str();
        info.ulFlags = BIF_RETURNONLYFSDIRS;
        // The picker opens at the folder in use once it has initialised.
        info.lpfn = [](HWND window, UINT message, LPARAM, LPARAM data) -> int {
            if (message == BFFM_INITIALIZED && data != 0) {
                SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
            }
            return 0;
        };
        info.lParam = wideStart.empty() ? 0 : reinterpret_cast<LPARAM>(wideStart.c_str());
        info.iImage = 0;
        LPITEMIDLIST list = SHBrowseForFolderW(&info);
        std::string result = list != nullptr ? PathOf(list) : std::string();
        CoTaskMemFree(list);
        return result;
    }

private:
    static std::string PathOf(LPCITEMIDLIST list) {
        std::array<wchar_t, MAX_PATH> path{};
        if (!SHGetPathFromIDListW(list, path.data())) {
            return {};
        }
        return FromWide(path.data());
    }
};

} // namespace

std::unique_ptr<ShellFolders> CreateShellFolders() {
    return std::make_unique<Win32ShellFolders>();
}

} // namespace clipwarden
