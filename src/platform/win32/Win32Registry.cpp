#include <windows.h>

#include <vector>

#include "core/ports/Registry.h"
#include "platform/win32/AnsiText.h"

namespace clipwarden {

namespace {

class Win32Registry final : public Registry {
public:
    std::optional<std::string> ReadText(Root root, const std::string& key,
                                        const std::string& name, View view) override {
        HKEY handle = nullptr;
        const REGSAM access = KEY_QUERY_VALUE | (view == View::Bits32 ? KEY_WOW64_32KEY : 0);
        if (RegOpenKeyExW(root == Root::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                          ToWide(key).c_str(), 0, access, &handle) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        const std::wstring value = ToWide(name);
        DWORD type = 0;
        DWORD size = 0;
        std::optional<std::string> text;
        if (RegQueryValueExW(handle, value.c_str(), nullptr, &type, nullptr, &size) ==
                ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ) && size < 64 * 1024) {
            std::vector<wchar_t> data(size / sizeof(wchar_t) + 2, L'\0');
            if (RegQueryValueExW(handle, value.c_str(), nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(data.data()), &size) == ERROR_SUCCESS) {
                std::wstring read(data.data()); // ends at its first NUL, stored or ours
                if (type == REG_EXPAND_SZ) {
                    std::vector<wchar_t> expanded(32 * 1024, L'\0');
                    const DWORD length = ExpandEnvironmentStringsW(
                        read.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
                    if (length > 0 && length <= expanded.size()) {
                        read = expanded.data();
                    }
                }
                text = FromWide(read);
            }
        }
        RegCloseKey(handle);
        return text;
    }
};

} // namespace

std::unique_ptr<Registry> CreateRegistry() {
    return std::make_unique<Win32Registry>();
}

} // namespace clipwarden
