#include "app/win32/Win32OptionsWindow.h"

#include "app/win32/ControlIds.h"
#include "platform/win32/AnsiText.h"

namespace clipwarden::win32 {

namespace place = layout::options_window;

Win32OptionsWindow::~Win32OptionsWindow() {
    if (hwnd_ != nullptr) {
        DestroyWindow(hwnd_);
    }
}

bool Win32OptionsWindow::Load() {
    // A tool window: thin title bar, sizable frame, no minimise or maximise, not in the taskbar.
    if (!Create("ClipwardenOptions", "Options",
                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, WS_EX_TOOLWINDOW,
                place::kWidth, place::kHeight)) {
        return false;
    }
    // The label just before its field: a screen reader names the field by it.
    Control("STATIC", "GTA:VC folder :", SS_LEFTNOWORDWRAP, kIdGameFolderLabel,
            place::kGameFolderLabel);
    Control("EDIT", "", WS_TABSTOP | WS_BORDER | ES_READONLY | ES_AUTOHSCROLL, kIdGameFolderBox,
            place::kGameFolderBox);
    Control("BUTTON", "Select", WS_TABSTOP | BS_PUSHBUTTON, kIdChooseGameFolderButton,
            place::kChooseGameFolderButton);
    Control("BUTTON", "Autorun GTA:VC, when Clipwarden starts.", WS_TABSTOP | BS_AUTOCHECKBOX,
            kIdAutorunBox, place::kAutorunBox);
    presenter_.ShowStoredValues();
    return true;
}

LRESULT Win32OptionsWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == kIdAutorunBox) {
            presenter_.OnAutorunToggled(IsDlgButtonChecked(hwnd_, kIdAutorunBox) == BST_CHECKED);
        } else if (LOWORD(wParam) == kIdChooseGameFolderButton) {
            presenter_.OnChooseGameFolder();
        }
        return 0;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

void Win32OptionsWindow::ShowGameFolder(const std::string& folder) {
    SetDlgItemTextW(hwnd_, kIdGameFolderBox, ToWide(folder).c_str());
}

void Win32OptionsWindow::ShowAutorun(bool on) {
    CheckDlgButton(hwnd_, kIdAutorunBox, on ? BST_CHECKED : BST_UNCHECKED);
}

WindowRef Win32OptionsWindow::Handle() {
    return reinterpret_cast<WindowRef>(hwnd_);
}

void Win32OptionsWindow::ShowStopMessage(const std::string& text) {
    MessageBoxW(hwnd_, ToWide(text).c_str(), L"Clipwarden", MB_OK | MB_ICONSTOP);
}

} // namespace clipwarden::win32
