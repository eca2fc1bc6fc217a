#include "platform/win32/AnsiText.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace clipwarden {

namespace {

std::wstring Widen(const std::string& text, UINT codePage) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string Narrow(const std::wstring& wide, UINT codePage) {
    if (wide.empty()) {
        return {};
    }
    const int size = static_cast<int>(wide.size());
    const int length =
        WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), size, text.data(), length, nullptr, nullptr);
    return text;
}

} // namespace

std::string ToAnsi(const std::string& utf8) {
    return Narrow(Widen(utf8, CP_UTF8), CP_ACP);
}

std::string FromAnsi(const std::string& ansi) {
    return Narrow(Widen(ansi, CP_ACP), CP_UTF8);
}

std::wstring ToWide(const std::string& utf8) {
    return Widen(utf8, CP_UTF8);
}

std::string FromWide(const std::wstring& wide) {
    return Narrow(wide, CP_UTF8);
}

std::string TrimAtNul(std::span<const char> field) {
    const auto nul = std::find(field.begin(), field.end(), '\0');
    return {field.begin(), nul};
}

std::error_code LastWin32Error() {
    return {static_cast<int>(GetLastError()), std::system_category()};
}

std::string DescribeWin32Error(unsigned long code) {
    char* buffer = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
    std::string text = length > 0 ? std::string(buffer, length) : std::string();
    LocalFree(buffer);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' ||
                             text.back() == '.')) {
        text.pop_back();
    }
    if (text.empty()) {
        text = "Windows error " + std::to_string(code);
    }
    return FromAnsi(text);
}

} // namespace clipwarden
