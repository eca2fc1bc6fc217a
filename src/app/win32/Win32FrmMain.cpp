#include "app/win32/Win32FrmMain.h"

#include "app/win32/ControlIds.h"
#include "app/win32/Win32FrmOptions.h"
#include "platform/win32/AnsiText.h"

namespace clipwarden::win32 {

Win32FrmMain::Win32FrmMain(AppState& state, Services& services)
    : services_(services), logic_(state, services, *this) {}

Win32FrmMain::~Win32FrmMain() {
    if (hwnd_ != nullptr) {
        DestroyWindow(hwnd_);
    }
    DeleteObject(background_);
}

bool Win32FrmMain::Start() {
    // Fixed single border: a caption and the close box, no minimise or maximise button.
    if (!Create("ClipwardenMain", "Clipwarden", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 0, 4815,
                4140)) {
        return false;
    }
    background_ = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    // Created in tab order: the log first.
    Control("LISTBOX", "", WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
            kIdList1, 0, 1920, 4815, 2205);
    Control("STATIC", "Log :", SS_LEFTNOWORDWRAP, kIdLabel1, 0, 1680, 375, 255);
    Control("BUTTON", "Select", WS_TABSTOP | BS_PUSHBUTTON, kIdSelectMyDocs, 3240, 1200, 615, 315);
    Control("EDIT", "", WS_TABSTOP | WS_BORDER | ES_READONLY | ES_AUTOHSCROLL, kIdReplayDir, 90,
            1200, 3090, 285);
    Control("STATIC", "Replay folder :", SS_LEFTNOWORDWRAP, kIdLabel2, 0, 960, 1095, 255);
    Control("STATIC", kStatusChecking, SS_CENTER, kIdStatus, 1200, 60, 2535, 255);
    Control("BUTTON", "GTA:VC v. 1.0", WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, kIdOption1, 1080,
            380, 1335, 195);
    Control("BUTTON", "GTA:VC v. 1.1", BS_AUTORADIOBUTTON, kIdOption2, 1080, 580, 1335, 195);
    Control("BUTTON", "Options", WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, kIdCommand1, 2880, 440,
            1215, 255);
    Control("STATIC", "", SS_ETCHEDHORZ, kIdLine0, 0, 300, 4815, 30);
    Control("STATIC", "", SS_ETCHEDHORZ, kIdLine1, 0, 840, 4815, 30);

    logic_.Form_Initialize();
    logic_.EnsureLoaded();
    SetTimer(hwnd_, kTimer1, 1000, nullptr);
    SetTimer(hwnd_, kTimer2, 1000, nullptr);
    ShowWindow(hwnd_, SW_SHOW);
    SetFocus(GetDlgItem(hwnd_, kIdList1));
    return true;
}

LRESULT Win32FrmMain::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (wParam == kTimer1) {
            logic_.Timer1_Timer();
        } else if (wParam == kTimer2) {
            logic_.Timer2_Timer();
        } else if (wParam == kTimer3) {
            logic_.Timer3_Timer();
        }
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            switch (LOWORD(wParam)) {
            case kIdOption1:
                logic_.Option1_Click();
                break;
            case kIdOption2:
                logic_.Option2_Click();
                break;
            case kIdSelectMyDocs:
                logic_.selectMyDocs_Click();
                break;
            case kIdCommand1:
                logic_.Command1_Click();
                break;
            default:
                break;
            }
        }
        return 0;
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(hwnd_, kIdStatus)) {
            auto* dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, RGB(255, 0, 0));
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(background_);
        }
        break;
    case WM_DESTROY:
        logic_.Form_Unload();
        KillTimer(hwnd_, kTimer1);
        KillTimer(hwnd_, kTimer2);
        KillTimer(hwnd_, kTimer3);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

void Win32FrmMain::AddLogLine(const std::string& line) {
    HWND list = GetDlgItem(hwnd_, kIdList1);
    const LRESULT index =
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ToAnsi(line).c_str()));
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void Win32FrmMain::SetTimer3Enabled(bool enabled) {
    if (enabled && !timer3_) {
        SetTimer(hwnd_, kTimer3, 1000, nullptr);
    } else if (!enabled) {
        KillTimer(hwnd_, kTimer3);
    }
    timer3_ = enabled;
}

void Win32FrmMain::SetStatusText(const std::string& text) {
    SetDlgItemTextA(hwnd_, kIdStatus, ToAnsi(text).c_str());
}

bool Win32FrmMain::IsOption1Selected() const {
    return IsDlgButtonChecked(hwnd_, kIdOption1) == BST_CHECKED;
}

bool Win32FrmMain::IsOption2Selected() const {
    return IsDlgButtonChecked(hwnd_, kIdOption2) == BST_CHECKED;
}

void Win32FrmMain::SetReplayDirText(const std::string& text) {
    SetDlgItemTextA(hwnd_, kIdReplayDir, ToAnsi(text).c_str());
}

void Win32FrmMain::SelectVersionOption(bool version11) {
    CheckRadioButton(hwnd_, kIdOption1, kIdOption2, version11 ? kIdOption2 : kIdOption1);
}

WindowRef Win32FrmMain::Handle() {
    return reinterpret_cast<WindowRef>(hwnd_);
}

void Win32FrmMain::ShowOptionsWindow() {
    if (options_ == nullptr || options_->hwnd() == nullptr) {
        options_ = std::make_unique<Win32FrmOptions>(services_, logic_);
        if (!options_->Load()) {
            options_.reset();
            return;
        }
    }
    ShowWindow(options_->hwnd(), SW_SHOW);
    SetForegroundWindow(options_->hwnd());
}

} // namespace clipwarden::win32
