#include "platform/win32/RegistrySettingsStore.h"

#include <windows.h>

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

class RegistrySettingsStore final : public SettingsStore {
public:
    std::optional<std::string> Read(const std::string& key) override {
        HKEY handle = nullptr;
        const auto [section, valueName] = Locate(key);
        if (RegOpenKeyExA(HKEY_CURRENT_USER, section.c_str(), 0, KEY_QUERY_VALUE, &handle) !=
            ERROR_SUCCESS) {
            return std::nullopt; // nothing stored yet; reading creates nothing
        }
        const std::string name = ToAnsi(valueName);
        DWORD type = 0;
        DWORD size = 0;
        std::optional<std::string> value;
        if (RegQueryValueExA(handle, name.c_str(), nullptr, &type, nullptr, &size) ==
                ERROR_SUCCESS &&
            type == REG_SZ) {
            std::string text(size, '\0');
            if (RegQueryValueExA(handle, name.c_str(), nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(text.data()), &size) == ERROR_SUCCESS) {
                text.resize(std::min<std::size_t>(size, text.size()));
                text = text.substr(0, text.find('\0'));
                value = FromAnsi(text);
            }
        }
        RegCloseKey(handle);
        return value;
    }

    std::optional<std::string> Write(const std::string& key, const std::string& value) override {
        HKEY handle = nullptr;
        const auto [section, valueName] = Locate(key);
        LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, section.c_str(), 0, nullptr, 0,
                                      KEY_SET_VALUE, nullptr, &handle, nullptr);
        if (result == ERROR_SUCCESS) {
            const std::string text = ToAnsi(value);
            result = RegSetValueExA(handle, ToAnsi(valueName).c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(text.c_str()),
                                    static_cast<DWORD>(text.size() + 1));
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
        LONG result =
            RegOpenKeyExA(HKEY_CURRENT_USER, section.c_str(), 0, KEY_SET_VALUE, &handle);
        if (result == ERROR_SUCCESS) {
            result = RegDeleteValueA(handle, ToAnsi(valueName).c_str());
            RegCloseKey(handle);
        }
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
            return "HKEY_CURRENT_USER\\" + section + ": " +
                   DescribeWin32Error(static_cast<unsigned long>(result));
        }
        return std::nullopt;
    }
};

} // namespace

std::unique_ptr<SettingsStore> CreateRegistrySettingsStore() {
    return std::make_unique<RegistrySettingsStore>();
}

} // namespace clipwarden
