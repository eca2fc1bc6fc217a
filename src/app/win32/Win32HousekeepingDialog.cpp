#include "app/win32/Win32HousekeepingDialog.h"

#include <commctrl.h>

#include <charconv>

#include "app/win32/ControlIds.h"
#include "app/win32/Win32Form.h"
#include "platform/win32/AnsiText.h"

namespace clipwarden::win32 {

namespace {

constexpr int kWidth = 460;
constexpr int kMostNumber = 2'000'000'000; ///< what a number box takes

std::uint64_t NumberIn(HWND box) {
    wchar_t text[16] = {};
    GetWindowTextW(box, text, 16);
    const std::string digits = FromWide(text);
    std::uint64_t value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value; // 0 when empty: the rule is off then
}

void SetNumber(HWND box, std::uint64_t value) {
    SetWindowTextW(box, std::to_wstring(std::min<std::uint64_t>(value, kMostNumber)).c_str());
}

bool Checked(HWND window, int id) {
    return IsDlgButtonChecked(window, id) == BST_CHECKED;
}

} // namespace

HWND Win32HousekeepingDialog::Child(const wchar_t* className, const wchar_t* text, DWORD style,
                                    int id, int x, int y, int width, int height) {
    const auto px = [this](int length) { return MulDiv(length, dpi_, 96); };
    HWND made = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, px(x), px(y),
                                px(width), px(height), window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                GetModuleHandleW(nullptr), nullptr);
    SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    return made;
}

void Win32HousekeepingDialog::Run(HWND owner) {
    HINSTANCE module = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &Win32HousekeepingDialog::Proc;
    windowClass.hInstance = module;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.lpszClassName = L"ClipwardenHousekeeping";
    RegisterClassW(&windowClass);
    RECT frame{0, 0, MulDiv(kWidth, dpi_, 96), MulDiv(262, dpi_, 96)};
    AdjustWindowRectEx(&frame, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_DLGMODALFRAME);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const POINT at = CentredOn(owner, width, height);
    window_ = CreateWindowExW(WS_EX_DLGMODALFRAME, L"ClipwardenHousekeeping", L"Housekeeping",
                              WS_POPUP | WS_CAPTION | WS_SYSMENU, at.x, at.y, width, height, owner,
                              nullptr, module, nullptr);
    if (window_ == nullptr) {
        return;
    }
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    const DWORD check = WS_TABSTOP | BS_AUTOCHECKBOX;
    const DWORD number = WS_TABSTOP | WS_BORDER | ES_NUMBER | ES_RIGHT;
    // Two rules read "Keep at most" on screen, and no number box has a label of its own: a
    // screen reader is given names that tell them apart.
    NameForScreenReaders(
        Child(L"BUTTON", L"Keep at &most", check, kIdHousekeepingByNumber, 12, 12, 230, 24),
        L"Keep at most a number of replays");
    NameForScreenReaders(Child(L"EDIT", L"", number, kIdHousekeepingMostReplays, 250, 12, 100, 24),
                         L"Most replays kept");
    Child(L"STATIC", L"replays", SS_LEFT, 0, 358, 16, 90, 20);
    NameForScreenReaders(
        Child(L"BUTTON", L"Keep at m&ost", check, kIdHousekeepingBySpace, 12, 44, 230, 24),
        L"Keep at most this much space");
    NameForScreenReaders(Child(L"EDIT", L"", number, kIdHousekeepingSpace, 250, 44, 100, 24),
                         L"Most space kept");
    HWND unit = Child(L"COMBOBOX", L"", WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL,
                      kIdHousekeepingUnit, 358, 44, 70, 120);
    NameForScreenReaders(unit, L"Unit of the space kept");
    SendMessageW(unit, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"MB"));
    SendMessageW(unit, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"GB"));
    Child(L"BUTTON", L"&Remove replays recorded more than", check, kIdHousekeepingByAge, 12, 76,
          230, 24);
    NameForScreenReaders(Child(L"EDIT", L"", number, kIdHousekeepingDays, 250, 76, 100, 24),
                         L"Days after which replays are removed");
    Child(L"STATIC", L"days ago", SS_LEFT, 0, 358, 80, 90, 20);
    Child(L"STATIC", L"", SS_LEFT, kIdHousekeepingPreview, 12, 112, kWidth - 24, 54);
    // Ordinary text: a disabled label is announced as unavailable.
    Child(L"STATIC", ToWide(HousekeepingNote("Recycle Bin")).c_str(), SS_LEFT, kIdHousekeepingNote,
          12, 170, kWidth - 24, 48);
    // Wide enough to say what it does: "Move 97 replays to the Recycle Bin".
    Child(L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, kWidth - 372, 226, 272, 26);
    Child(L"BUTTON", L"Cancel", WS_TABSTOP, IDCANCEL, kWidth - 92, 226, 80, 26);
    for (const int id : {kIdHousekeepingMostReplays, kIdHousekeepingSpace, kIdHousekeepingDays}) {
        SendDlgItemMessageW(window_, id, EM_SETLIMITTEXT, 10, 0);
    }

    presenter_.Open();
    EnableWindow(owner, FALSE);
    ShowWindow(window_, SW_SHOW);
    SetFocus(GetDlgItem(window_, kIdHousekeepingByNumber));
    MSG message{};
    while (!done_ && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(window_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    EnableWindow(owner, TRUE);
    DestroyWindow(window_);
    window_ = nullptr;
    SetForegroundWindow(owner);
    if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));
    }
}

LRESULT CALLBACK Win32HousekeepingDialog::Proc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    auto* dialog =
        reinterpret_cast<Win32HousekeepingDialog*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (dialog == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_CLOSE) {
        dialog->done_ = true;
        return 0;
    }
    if (message != WM_COMMAND) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (id == IDCANCEL) {
        dialog->done_ = true;
    } else if (id == IDOK) {
        dialog->done_ = dialog->presenter_.OnAccept(dialog->Form());
    } else if (!dialog->showing_ &&
               ((code == BN_CLICKED && (id == kIdHousekeepingByNumber ||
                                        id == kIdHousekeepingBySpace ||
                                        id == kIdHousekeepingByAge)) ||
                (code == EN_CHANGE) || (code == CBN_SELCHANGE))) {
        const HousekeepingForm form = dialog->Form();
        dialog->EnableNumbers(form);
        dialog->presenter_.OnFormChanged(form);
    } else {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return 0;
}

void Win32HousekeepingDialog::ShowForm(const HousekeepingForm& form) {
    showing_ = true;
    CheckDlgButton(window_, kIdHousekeepingByNumber, form.byNumber ? BST_CHECKED : BST_UNCHECKED);
    SetNumber(GetDlgItem(window_, kIdHousekeepingMostReplays), form.mostReplays);
    CheckDlgButton(window_, kIdHousekeepingBySpace, form.bySpace ? BST_CHECKED : BST_UNCHECKED);
    SetNumber(GetDlgItem(window_, kIdHousekeepingSpace), form.space);
    SendDlgItemMessageW(window_, kIdHousekeepingUnit, CB_SETCURSEL, form.gigabytes ? 1 : 0, 0);
    CheckDlgButton(window_, kIdHousekeepingByAge, form.byAge ? BST_CHECKED : BST_UNCHECKED);
    SetNumber(GetDlgItem(window_, kIdHousekeepingDays), form.days);
    showing_ = false;
    EnableNumbers(form);
}

void Win32HousekeepingDialog::EnableNumbers(const HousekeepingForm& form) {
    EnableWindow(GetDlgItem(window_, kIdHousekeepingMostReplays), form.byNumber);
    EnableWindow(GetDlgItem(window_, kIdHousekeepingSpace), form.bySpace);
    EnableWindow(GetDlgItem(window_, kIdHousekeepingUnit), form.bySpace);
    EnableWindow(GetDlgItem(window_, kIdHousekeepingDays), form.byAge);
}

void Win32HousekeepingDialog::ShowPreview(const std::string& preview, const std::string& accept) {
    SetDlgItemTextW(window_, kIdHousekeepingPreview, ToWide(preview).c_str());
    SetDlgItemTextW(window_, IDOK, ToWide(accept).c_str());
}

bool Win32HousekeepingDialog::Confirm(const std::string& question) {
    return MessageBoxW(window_, ToWide(question).c_str(), L"Clipwarden",
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

HousekeepingForm Win32HousekeepingDialog::Form() const {
    HousekeepingForm form;
    form.byNumber = Checked(window_, kIdHousekeepingByNumber);
    form.mostReplays = NumberIn(GetDlgItem(window_, kIdHousekeepingMostReplays));
    form.bySpace = Checked(window_, kIdHousekeepingBySpace);
    form.space = NumberIn(GetDlgItem(window_, kIdHousekeepingSpace));
    form.gigabytes = SendDlgItemMessageW(window_, kIdHousekeepingUnit, CB_GETCURSEL, 0, 0) == 1;
    form.byAge = Checked(window_, kIdHousekeepingByAge);
    form.days = NumberIn(GetDlgItem(window_, kIdHousekeepingDays));
    return form;
}

} // namespace clipwarden::win32
