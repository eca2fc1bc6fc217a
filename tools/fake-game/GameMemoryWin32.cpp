#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "GameMemory.h"

namespace {

// Like the real game's image: loaded at 0x400000 without relocation, with a zero-initialised
// section large enough to cover every address Clipwarden reads and writes. Under Wine those
// addresses would otherwise belong to other mappings.
unsigned char gameImageData[0xA11000 - 0x400000];

HWND MainWindow() {
    return FindWindowA("ClipwardenMain", "Clipwarden");
}

HWND LibraryControl(int id) {
    return GetDlgItem(FindWindowA("ClipwardenLibrary", "Clipwarden Library"), id);
}

std::string FromWide(const wchar_t* text) {
    if (text == nullptr) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(std::max(size, 1)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), size, nullptr, nullptr);
    return bytes.c_str();
}

} // namespace

bool ProvideGameMemory(bool) { // the image covers the signature either way
    const auto start = reinterpret_cast<std::uintptr_t>(gameImageData);
    const auto end = start + sizeof(gameImageData);
    if (start > 0x780000 || end < 0xA11000) {
        std::fprintf(stderr, "gta-vc.exe: the image was not loaded at 0x400000\n");
        return false;
    }
    return true;
}

void NameProcess(const std::string&) {} // a Windows process keeps its image's name

unsigned CurrentProcessId() {
    return static_cast<unsigned>(GetCurrentProcessId());
}

std::string MainWindowControlText(int id) {
    HWND control = GetDlgItem(MainWindow(), id);
    std::vector<char> text(static_cast<std::size_t>(GetWindowTextLengthA(control)) + 1);
    GetWindowTextA(control, text.data(), static_cast<int>(text.size()));
    return text.data();
}

std::string LibraryControlText(int id) {
    // WM_GETTEXT itself: GetWindowText does not ask a control of another process (an edit's).
    HWND control = LibraryControl(id);
    DWORD_PTR length = 0;
    SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 5000, &copied);
    std::string lines = FromWide(text.c_str());
    for (std::size_t at = lines.find("\r\n"); at != std::string::npos; at = lines.find("\r\n")) {
        lines.replace(at, 2, " | ");
    }
    return lines;
}

void SetLibraryControlText(int id, const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    SetWindowTextW(LibraryControl(id), wide.c_str());
}

std::string MainWindowButtonChecked(int id) {
    return IsDlgButtonChecked(MainWindow(), id) == BST_CHECKED ? "1" : "0";
}
