#include <windows.h>

#include <cstdint>
#include <cstdio>
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

std::string MainWindowButtonChecked(int id) {
    return IsDlgButtonChecked(MainWindow(), id) == BST_CHECKED ? "1" : "0";
}
