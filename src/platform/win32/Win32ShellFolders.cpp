#include <windows.h>

#include <shlobj.h>
#include <shobjidl.h>

#include <array>
#include <optional>

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
        if (const auto chosen = PickFolder(reinterpret_cast<HWND>(owner), wideTitle, wideStart)) {
            return *chosen;
        }
        // Where the Vista picker cannot be made, the old tree serves.
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
    /** The Explorer-style folder picker (IFileOpenDialog picking folders), opened at `start`:
     *  the chosen folder, "" when cancelled, nothing when the picker cannot be made. */
    static std::optional<std::string> PickFolder(HWND owner, const std::wstring& title,
                                                 const std::wstring& start) {
        IFileOpenDialog* dialog = nullptr;
        if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IFileOpenDialog, reinterpret_cast<void**>(&dialog))) ||
            dialog == nullptr) {
            return std::nullopt;
        }
        FILEOPENDIALOGOPTIONS options = 0;
        dialog->GetOptions(&options);
        dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
        dialog->SetTitle(title.c_str());
        IShellItem* folder = nullptr;
        if (!start.empty() &&
            SUCCEEDED(SHCreateItemFromParsingName(start.c_str(), nullptr, IID_IShellItem,
                                                  reinterpret_cast<void**>(&folder)))) {
            dialog->SetFolder(folder);
            folder->Release();
        }
        std::string chosen;
        IShellItem* result = nullptr;
        if (SUCCEEDED(dialog->Show(owner)) && SUCCEEDED(dialog->GetResult(&result))) {
            PWSTR path = nullptr;
            if (SUCCEEDED(result->GetDisplayName(SIGDN_FILESYSPATH, &path)) && path != nullptr) {
                chosen = FromWide(path);
                CoTaskMemFree(path);
            }
            result->Release();
        }
        dialog->Release();
        return chosen;
    }

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
