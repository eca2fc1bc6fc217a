#include "app/win32/Win32FrmOptions.h"

#include "app/win32/ControlIds.h"
#include "platform/win32/AnsiText.h"

namespace clipwarden::win32 {

Win32FrmOptions::~Win32FrmOptions() {
    if (hwnd_ != nullptr) {
        DestroyWindow(hwnd_);
    }
}

bool Win32FrmOptions::Load() {
    // A tool window: thin title bar, sizable frame, no minimise or maximise, not in the taskbar.
    if (!Create("ClipwardenOptions", "Options",
                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, WS_EX_TOOLWINDOW, 4095,
                1140)) {
        return false;
    }
    Control("EDIT", "", WS_TABSTOP | WS_BORDER | ES_READONLY | ES_AUTOHSCROLL, kIdGameDir, 90, 360,
            3090, 285);
    Control("BUTTON", "Select", WS_TABSTOP | BS_PUSHBUTTON, kIdSelectGameDir, 3240, 360, 615, 315);
    Control("STATIC", "GTA:VC folder :", SS_LEFTNOWORDWRAP, kIdOptionsLabel2, 120, 120, 1095, 255);
    Control("BUTTON", "Autorun GTA:VC, when Clipwarden starts.", WS_TABSTOP | BS_AUTOCHECKBOX,
            kIdCheck1, 120, 840, 3975, 255);
    logic_.Form_Load();
    return true;
}

LRESULT Win32FrmOptions::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == kIdCheck1) {
            logic_.Check1_Click();
        } else if (LOWORD(wParam) == kIdSelectGameDir) {
            logic_.selectGTADir_Click();
        }
        return 0;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

void Win32FrmOptions::SetGameDirText(const std::string& text) {
    SetDlgItemTextA(hwnd_, kIdGameDir, ToAnsi(text).c_str());
}

void Win32FrmOptions::SetCheck1(bool checked) {
    CheckDlgButton(hwnd_, kIdCheck1, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool Win32FrmOptions::IsCheck1Checked() const {
    return IsDlgButtonChecked(hwnd_, kIdCheck1) == BST_CHECKED;
}

WindowRef Win32FrmOptions::Handle() {
    return reinterpret_cast<WindowRef>(hwnd_);
}

void Win32FrmOptions::ShowStopMessage(const std::string& text) {
    MessageBoxA(hwnd_, ToAnsi(text).c_str(), "Clipwarden", MB_OK | MB_ICONSTOP);
}

} // namespace clipwarden::win32
