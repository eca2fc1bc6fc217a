#include <windows.h>

#include <shellapi.h>

#include "core/ports/Trash.h"
#include "platform/win32/AnsiText.h"

namespace clipwarden {

namespace {

bool RunsUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

/** The Recycle Bin, through the shell's file operation with undo. That operation deletes for
 *  good, unasked, where it cannot recycle; so the bin of the file's drive is checked first,
 *  and the shell is told to warn rather than delete for good. */
class Win32Trash final : public Trash {
public:
    [[nodiscard]] std::string Name() const override { return "the Recycle Bin"; }

    bool MoveToTrash(const std::string& path, std::string& why) override {
        const std::wstring wide = ToWide(path);
        // Never a pattern: the operation expands wildcards, which would match other files.
        if (wide.find_first_of(L"*?") != std::wstring::npos) {
            why = "its name holds a wildcard character";
            return false;
        }
        std::wstring full(MAX_PATH, L'\0');
        DWORD length =
            GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length >= full.size()) {
            full.resize(length);
            length = GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
        }
        if (length == 0) {
            why = DescribeWin32Error(GetLastError());
            return false;
        }
        full.resize(length);
        if (GetFileAttributesW(full.c_str()) == INVALID_FILE_ATTRIBUTES) {
            why = DescribeWin32Error(GetLastError());
            return false;
        }
        std::wstring root(MAX_PATH, L'\0');
        SHQUERYRBINFO bin{};
        bin.cbSize = sizeof(bin);
        if (!GetVolumePathNameW(full.c_str(), root.data(), static_cast<DWORD>(root.size())) ||
            FAILED(SHQueryRecycleBinW(root.c_str(), &bin))) {
            // Wine keeps its Recycle Bin in the Linux desktop's trash, and finds none until
            // that folder exists.
            why = RunsUnderWine()
                      ? "Wine finds no Recycle Bin here; it uses the Linux trash "
                        "(~/.local/share/Trash), which may not exist yet"
                      : "this disk has no Recycle Bin";
            return false;
        }
        full.push_back(L'\0'); // the operation takes a list ended by two NULs
        SHFILEOPSTRUCTW operation{};
        operation.wFunc = FO_DELETE;
        operation.pFrom = full.c_str();
        operation.fFlags =
            FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT | FOF_WANTNUKEWARNING;
        const int result = SHFileOperationW(&operation);
        if (result != 0 || operation.fAnyOperationsAborted) {
            why = result != 0
                      ? "the Recycle Bin refused it (shell error " + std::to_string(result) + ")"
                      : "moving it to the Recycle Bin was cancelled";
            return false;
        }
        return true;
    }
};

} // namespace

std::unique_ptr<Trash> CreateTrash() {
    return std::make_unique<Win32Trash>();
}

} // namespace clipwarden
