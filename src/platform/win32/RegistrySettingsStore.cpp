#include "platform/win32/RegistrySettingsStore.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include "platform/win32/AnsiText.h"

namespace clipwarden {

namespace {

constexpr const char* kRoot = "Software\\Clipwarden\\";

/** The registry key of a settings key's section ("Main", or the part before a '/'), and the
 *  value's name within it. */
std::pair<std::string, std::string> Locate(const std::string& key) {
    const auto slash = key.find('/');
    if (slash == std::string::npos) {
        return {std::string(kRoot) + "Main", key};
    }
    return {kRoot + key.substr(0, slash), key.substr(slash + 1)};
}

/** Every name and value goes through the wide calls: a folder outside the ANSI code page (a
 *  Cyrillic user name under a western one, say) is stored and read back as it is. */
class RegistrySettingsStore final : public SettingsStore {
public:
    std::optional<std::string> Read(const std::string& key) override {
        HKEY handle = nullptr;
        const auto [section, valueName] = Locate(key);
        if (RegOpenKeyExW(HKEY_CURRENT_USER, ToWide(section).c_str(), 0, KEY_QUERY_VALUE,
                          &handle) != ERROR_SUCCESS) {
            return std::nullopt; // nothing stored yet; reading creates nothing
        }
        const std::wstring name = ToWide(valueName);
        DWORD type = 0;
        DWORD size = 0;
        std::optional<std::string> value;
        const LONG found = RegQueryValueExW(handle, name.c_str(), nullptr, &type, nullptr, &size);
        if (found == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ) &&
            size <= kMostValueBytes) {
            std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
            DWORD got = static_cast<DWORD>(text.size() * sizeof(wchar_t));
            if (RegQueryValueExW(handle, name.c_str(), nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(text.data()), &got) == ERROR_SUCCESS) {
                text.resize(std::min<std::size_t>(got / sizeof(wchar_t), text.size()));
                value = FromWide(text.substr(0, text.find(L'\0')));
            }
        } else if (found == ERROR_SUCCESS && (type == REG_DWORD || type == REG_QWORD)) {
            // A number entered as one: what it says, as text.
            std::uint64_t number = 0;
            DWORD got = sizeof number;
            if (RegQueryValueExW(handle, name.c_str(), nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(&number), &got) == ERROR_SUCCESS) {
                value = std::to_string(type == REG_DWORD ? number & 0xFFFFFFFFULL : number);
            }
        } else if (found == ERROR_SUCCESS || found == ERROR_MORE_DATA) {
            // There, but of a kind no setting is: said as such, never taken as nothing.
            value = "(a registry value of type " + std::to_string(type) + ")";
        }
        RegCloseKey(handle);
        return value;
    }

    std::optional<std::string> Write(const std::string& key, const std::string& value) override {
        HKEY handle = nullptr;
        const auto [section, valueName] = Locate(key);
        LONG result = RegCreateKeyExW(HKEY_CURRENT_USER, ToWide(section).c_str(), 0, nullptr, 0,
                                      KEY_SET_VALUE, nullptr, &handle, nullptr);
        if (result == ERROR_SUCCESS) {
            const std::wstring text = ToWide(value);
            result = RegSetValueExW(handle, ToWide(valueName).c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(text.c_str()),
                                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
            RegCloseKey(handle);
        }
        if (result != ERROR_SUCCESS) {
            return "HKEY_CURRENT_USER\\" + section + ": " +
                   DescribeWin32Error(static_cast<unsigned long>(result));
        }
        return std::nullopt;
    }

    std::optional<std::string> Remove(const std::string& key) override {
        HKEY handle = nullptr;
        const auto [section, valueName] = Locate(key);
        LONG result = RegOpenKeyExW(HKEY_CURRENT_USER, ToWide(section).c_str(), 0, KEY_SET_VALUE,
                                    &handle);
        if (result == ERROR_SUCCESS) {
            result = RegDeleteValueW(handle, ToWide(valueName).c_str());
            RegCloseKey(handle);
        }
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
            return "HKEY_CURRENT_USER\\" + section + ": " +
                   DescribeWin32Error(static_cast<unsigned long>(result));
        }
        return std::nullopt;
    }

private:
    /** A value larger than this is no setting of Clipwarden's: it is not read. */
    static constexpr DWORD kMostValueBytes = 64 * 1024;
};

} // namespace

std::unique_ptr<SettingsStore> CreateRegistrySettingsStore() {
    return std::make_unique<RegistrySettingsStore>();
}

} // namespace clipwarden
