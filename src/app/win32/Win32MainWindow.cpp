#include "app/win32/Win32MainWindow.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "app/win32/ControlIds.h"
#include "app/win32/Win32LibraryWindow.h"
#include "app/win32/Win32OptionsWindow.h"
#include "platform/win32/AnsiText.h"

namespace clipwarden::win32 {

namespace place = layout::main_window;

Win32MainWindow::Win32MainWindow(Services& services)
    : services_(services), presenter_(services, *this) {}

namespace {

/** Posted by a copy's thread once it has finished. */
constexpr UINT kCopyFinishedMessage = WM_APP + 1;

} // namespace

Win32MainWindow::~Win32MainWindow() {
    if (hwnd_ != nullptr) {
        DestroyWindow(hwnd_);
    }
    FinishAll();
}

bool Win32MainWindow::Start() {
    // Fixed single border: a caption and the close box, no minimise or maximise button.
    if (!Create("ClipwardenMain", "Clipwarden", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 0,
                place::kWidth, place::kHeight)) {
        return false;
    }
    // Created in tab order: the log first. Each label comes just before its control: a screen
    // reader names a control by the text before it. Scrolled sideways too, so that a long
    // line's end can be read; Ctrl+C copies the line.
    Control("STATIC", "Log :", SS_LEFTNOWORDWRAP, kIdLogLabel, place::kLogLabel);
    Control("LISTBOX", "",
            WS_TABSTOP | WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                LBS_WANTKEYBOARDINPUT,
            kIdLogList, place::kLogList);
    Control("BUTTON", "Select", WS_TABSTOP | BS_PUSHBUTTON, kIdChooseReplayFolderButton,
            place::kChooseReplayFolderButton);
    Control("BUTTON", "Library", WS_TABSTOP | BS_PUSHBUTTON, kIdLibraryButton,
            place::kLibraryButton);
    Control("STATIC", "Replay folder :", SS_LEFTNOWORDWRAP, kIdReplayFolderLabel,
            place::kReplayFolderLabel);
    Control("EDIT", "", WS_TABSTOP | WS_BORDER | ES_READONLY | ES_AUTOHSCROLL, kIdReplayFolderBox,
            place::kReplayFolderBox);
    Control("STATIC", kStatusChecking, SS_CENTER, kIdStatusLabel, place::kStatusLabel);
    Control("BUTTON", "GTA:VC v. 1.0", WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON,
            kIdVersion10Button, place::kVersion10Button);
    Control("BUTTON", "GTA:VC v. 1.1", BS_AUTORADIOBUTTON, kIdVersion11Button,
            place::kVersion11Button);
    Control("BUTTON", "Options", WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, kIdOptionsButton,
            place::kOptionsButton);
    Control("STATIC", "", SS_ETCHEDHORZ, kIdUpperRule, place::kUpperRule);
    Control("STATIC", "", SS_ETCHEDHORZ, kIdLowerRule, place::kLowerRule);

    presenter_.Start();
    SetTimer(hwnd_, kCaptureTimer, 1000, nullptr);
    SetTimer(hwnd_, kGameLinkTimer, 1000, nullptr);
    ShowWindow(hwnd_, SW_SHOW);
    SetFocus(GetDlgItem(hwnd_, kIdLogList));
    return true;
}

LRESULT Win32MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (wParam == kCaptureRecheckTimer) {
            KillTimer(hwnd_, kCaptureRecheckTimer); // once
            presenter_.CaptureTick();
        } else if (wParam == kCaptureTimer) {
            presenter_.CaptureTick();
        } else if (wParam == kGameLinkTimer) {
            presenter_.GameLinkTick();
        } else if (wParam == kGameTextTimer) {
            presenter_.GameTextTick();
        }
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            switch (LOWORD(wParam)) {
            case kIdVersion10Button:
                presenter_.OnVersionChosen(GameVersion::V1_0);
                break;
            case kIdVersion11Button:
                presenter_.OnVersionChosen(GameVersion::V1_1);
                break;
            case kIdChooseReplayFolderButton:
                presenter_.OnChooseReplayFolder();
                break;
            case kIdLibraryButton:
                ShowLibraryWindow();
                break;
            case kIdOptionsButton:
                presenter_.OnOptionsClicked();
                break;
            default:
                break;
            }
        }
        return 0;
    case WM_VKEYTOITEM:
        if (LOWORD(wParam) == 'C' && GetKeyState(VK_CONTROL) < 0) {
            CopyLogLine();
            return -2; // handled
        }
        return -1; // the list box's own handling
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == GetDlgItem(hwnd_, kIdLogList)) {
            POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (at.x == -1 && at.y == -1) {
                GetCursorPos(&at);
            }
            HMENU menu = CreatePopupMenu();
            AppendMenuW(menu, MF_STRING, 1, L"&Copy\tCtrl+C");
            if (TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_,
                               nullptr) == 1) {
                CopyLogLine();
            }
            DestroyMenu(menu);
            return 0;
        }
        break;
    case WM_CTLCOLORSTATIC: {
        // Every label is drawn over the window's own background, so that none notches the
        // etched lines or a field's border at any dpi; the status is red.
        auto* dc = reinterpret_cast<HDC>(wParam);
        auto* control = reinterpret_cast<HWND>(lParam);
        char className[16] = {};
        GetClassNameA(control, className, sizeof className);
        if (lstrcmpiA(className, "Static") != 0) {
            break; // the read-only field and the options keep their own look
        }
        if (control == GetDlgItem(hwnd_, kIdStatusLabel)) {
            SetTextColor(dc, RGB(255, 0, 0));
        }
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
    case kCopyFinishedMessage:
        FinishAside(static_cast<unsigned>(wParam));
        return 0;
    case WM_DESTROY:
        if (library_ != nullptr && library_->hwnd() != nullptr) {
            SendMessageA(library_->hwnd(), WM_CLOSE, 0, 0); // it goes with the main window
        }
        FinishAll(); // a recording on its way is stored before the window goes
        presenter_.Shutdown();
        KillTimer(hwnd_, kCaptureTimer);
        KillTimer(hwnd_, kGameLinkTimer);
        KillTimer(hwnd_, kGameTextTimer);
        KillTimer(hwnd_, kCaptureRecheckTimer);
        if (closed_) {
            closed_();
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

void Win32MainWindow::AddLogLine(const std::string& line) {
    HWND list = GetDlgItem(hwnd_, kIdLogList);
    const std::wstring text = ToWide(line);
    const LRESULT index =
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    // The list scrolls as far as its longest line reaches.
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    logExtent_ = std::max(logExtent_, static_cast<int>(size.cx) + Px(8));
    SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(logExtent_), 0);
}

void Win32MainWindow::CopyLogLine() {
    HWND list = GetDlgItem(hwnd_, kIdLogList);
    const LRESULT at = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (at == LB_ERR) {
        return;
    }
    std::wstring text(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, at, 0)) + 1,
                      L'\0');
    SendMessageW(list, LB_GETTEXT, at, reinterpret_cast<LPARAM>(text.data()));
    const std::size_t bytes = (wcslen(text.c_str()) + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr) {
        return;
    }
    std::memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    if (OpenClipboard(hwnd_)) {
        EmptyClipboard();
        if (SetClipboardData(CF_UNICODETEXT, memory) != nullptr) {
            memory = nullptr; // the clipboard's now
        }
        CloseClipboard();
    }
    if (memory != nullptr) {
        GlobalFree(memory);
    }
}

bool Win32MainWindow::Confirm(const std::string& question) {
    return MessageBoxW(hwnd_, ToWide(question).c_str(), L"Clipwarden",
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void Win32MainWindow::RunGameTextTimer(bool running) {
    if (running && !gameTextTimerRunning_) {
        SetTimer(hwnd_, kGameTextTimer, 1000, nullptr);
    } else if (!running) {
        KillTimer(hwnd_, kGameTextTimer);
    }
    gameTextTimerRunning_ = running;
}

void Win32MainWindow::BringForward() {
    ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(hwnd_);
}

void Win32MainWindow::RunAside(std::function<void()> work, std::function<void()> done) {
    if (hwnd_ == nullptr) {
        work();
        done();
        return;
    }
    // Never a wait for the work before: a long housekeeping pass must not hold the window.
    const unsigned id = ++lastAside_;
    HWND window = hwnd_;
    Aside& aside = asides_[id];
    aside.done = std::move(done);
    aside.thread = std::thread([work = std::move(work), window, id] {
        work();
        PostMessageA(window, kCopyFinishedMessage, static_cast<WPARAM>(id), 0);
    });
}

void Win32MainWindow::FinishAside(unsigned id) {
    const auto found = asides_.find(id);
    if (found == asides_.end()) {
        return; // ended already, with the window
    }
    Aside aside = std::move(found->second);
    asides_.erase(found);
    aside.thread.join();
    if (aside.done) {
        aside.done(); // may start more work aside
    }
}

void Win32MainWindow::FinishAll() {
    while (!asides_.empty()) {
        FinishAside(asides_.begin()->first);
    }
}

void Win32MainWindow::RecheckCaptureIn(int milliseconds) {
    if (hwnd_ != nullptr) {
        SetTimer(hwnd_, kCaptureRecheckTimer, static_cast<UINT>(milliseconds), nullptr);
    }
}

void Win32MainWindow::SetStatusText(const std::string& text) {
    HWND label = GetDlgItem(hwnd_, kIdStatusLabel);
    SetWindowTextW(label, ToWide(text).c_str());
    // A transparent label does not wipe its old text: the window redraws under it.
    RECT area{};
    GetWindowRect(label, &area);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&area), 2);
    RedrawWindow(hwnd_, &area, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void Win32MainWindow::ShowReplayFolder(const std::string& folder) {
    SetDlgItemTextW(hwnd_, kIdReplayFolderBox, ToWide(folder).c_str());
}

void Win32MainWindow::ShowVersion(GameVersion version) {
    CheckRadioButton(hwnd_, kIdVersion10Button, kIdVersion11Button,
                     version == GameVersion::V1_0 ? kIdVersion10Button : kIdVersion11Button);
}

WindowRef Win32MainWindow::Handle() {
    return reinterpret_cast<WindowRef>(hwnd_);
}

void Win32MainWindow::ShowLibraryWindow() {
    if (library_ == nullptr || library_->hwnd() == nullptr) {
        library_.reset(); // the presenter of a closed window goes before the next one comes
        library_ = std::make_unique<Win32LibraryWindow>(presenter_, hwnd_);
        if (!library_->Load()) {
            library_.reset();
            return;
        }
    }
    library_->BringForward();
}

void Win32MainWindow::ShowOptionsWindow() {
    if (options_ == nullptr || options_->hwnd() == nullptr) {
        options_ = std::make_unique<Win32OptionsWindow>(services_, presenter_);
        if (!options_->Load()) {
            options_.reset();
            return;
        }
        // It opens centred on the main window, not wherever the system puts new windows.
        RECT frame{};
        GetWindowRect(options_->hwnd(), &frame);
        const POINT at = CentredOn(hwnd_, frame.right - frame.left, frame.bottom - frame.top);
        SetWindowPos(options_->hwnd(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    ShowWindow(options_->hwnd(), SW_SHOW);
    SetForegroundWindow(options_->hwnd());
}

} // namespace clipwarden::win32
