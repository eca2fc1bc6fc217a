#include "app/win32/Win32LibraryWindow.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <array>

#include "app/win32/ControlIds.h"
#include "app/win32/Win32HousekeepingDialog.h"
#include "core/Text.h"
#include "core/presenters/LibraryPlacement.h"
#include "platform/win32/AnsiText.h"

namespace clipwarden::win32 {

namespace {

constexpr int kColumns = kLibraryColumns;
constexpr int kFilterHeight = 24;
/** The details pane's height, and the band above it that moves it. */
constexpr int kPaneHeight = 220;
constexpr int kSplitterBand = 6;
constexpr int kLeastListHeight = 60;
constexpr int kStatusHeight = 26;
constexpr int kButtonWidth = 120;
constexpr UINT kReadFinishedMessage = WM_APP + 30;
constexpr UINT kStepMessage = WM_APP + 31;
constexpr UINT_PTR kProgressTimer = 1;

enum MenuCommand : UINT_PTR {
    kPlay = 1,
    kFirstColumn = 100, ///< the header's menu: kFirstColumn + the column
    kEditLabel,
    kKeep,
    kShowInFolder,
    kCopyTo,
    kMoveToTrash,
};

/** A small modal box asking for a label; nothing when cancelled. */
struct LabelBox {
    HWND edit = nullptr;
    bool done = false;
    bool accepted = false;
    std::wstring text;

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* box = reinterpret_cast<LabelBox*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (box != nullptr && message == WM_COMMAND &&
            (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
            box->accepted = LOWORD(wParam) == IDOK;
            std::wstring typed(static_cast<std::size_t>(GetWindowTextLengthW(box->edit)) + 1,
                               L'\0');
            GetWindowTextW(box->edit, typed.data(), static_cast<int>(typed.size()));
            box->text = typed.c_str();
            box->done = true;
            return 0;
        }
        if (box != nullptr && message == WM_CLOSE) {
            box->done = true;
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    static std::optional<std::string> Ask(HWND owner, const std::string& current, HFONT font,
                                          int dpi) {
        const auto px = [dpi](int length) { return MulDiv(length, dpi, 96); };
        HINSTANCE module = GetModuleHandleW(nullptr);
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &LabelBox::Proc;
        windowClass.hInstance = module;
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = L"ClipwardenLabel";
        RegisterClassW(&windowClass);
        LabelBox box;
        RECT frame{0, 0, px(370), px(80)};
        AdjustWindowRectEx(&frame, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_DLGMODALFRAME);
        const int width = frame.right - frame.left;
        const int height = frame.bottom - frame.top;
        const POINT at = CentredOn(owner, width, height);
        HWND window = CreateWindowExW(WS_EX_DLGMODALFRAME, L"ClipwardenLabel", L"Label",
                                      WS_POPUP | WS_CAPTION | WS_SYSMENU, at.x, at.y, width, height,
                                      owner, nullptr, module, nullptr);
        if (window == nullptr) {
            return std::nullopt;
        }
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&box));
        box.edit = CreateWindowExW(0, L"EDIT", ToWide(current).c_str(),
                                   WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL,
                                   px(10), px(10), px(350), px(24), window, nullptr, module,
                                   nullptr);
        SendMessageW(box.edit, EM_SETLIMITTEXT, kLongestLabel, 0);
        NameForScreenReaders(box.edit, L"Label");
        HWND ok = CreateWindowExW(0, L"BUTTON", L"OK",
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, px(190),
                                  px(44), px(80), px(26), window,
                                  reinterpret_cast<HMENU>(IDOK), module, nullptr);
        HWND cancel = CreateWindowExW(0, L"BUTTON", L"Cancel", WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                                      px(280), px(44), px(80), px(26), window,
                                      reinterpret_cast<HMENU>(IDCANCEL), module, nullptr);
        for (HWND control : {box.edit, ok, cancel}) {
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        }
        EnableWindow(owner, FALSE);
        ShowWindow(window, SW_SHOW);
        SetFocus(box.edit);
        SendMessageW(box.edit, EM_SETSEL, 0, -1);
        MSG message{};
        while (!box.done && GetMessageW(&message, nullptr, 0, 0) > 0) {
            if (!IsDialogMessageW(window, &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        EnableWindow(owner, TRUE);
        DestroyWindow(window);
        SetForegroundWindow(owner);
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
        }
        return box.accepted ? std::optional<std::string>(FromWide(box.text)) : std::nullopt;
    }
};

} // namespace

Win32LibraryWindow::~Win32LibraryWindow() {
    if (hwnd_ != nullptr) {
        DestroyWindow(hwnd_);
    }
    EndRead();
    presenter_.reset();
    EndBackground();
}

void Win32LibraryWindow::RunInBackground(std::function<void(const PostStep& post)> work) {
    EndBackground(); // one told to stop before a new one starts: it ends after its file
    HWND window = hwnd_;
    background_ = std::thread([this, window, work = std::move(work)] {
        work([this, window](std::function<void()> step) {
            {
                const std::lock_guard lock(stepsMutex_);
                steps_.push_back(std::move(step));
            }
            PostMessageA(window, kStepMessage, 0, 0);
        });
    });
}

void Win32LibraryWindow::ShowCancel(bool shown) {
    ShowWindow(cancel_, shown ? SW_SHOW : SW_HIDE);
}

void Win32LibraryWindow::EndBackground() {
    if (background_.joinable()) {
        background_.join();
    }
    const std::lock_guard lock(stepsMutex_);
    steps_.clear();
}

void Win32LibraryWindow::RunSteps() {
    for (;;) {
        std::function<void()> step;
        {
            const std::lock_guard lock(stepsMutex_);
            if (steps_.empty()) {
                return;
            }
            step = std::move(steps_.front());
            steps_.pop_front();
        }
        step();
    }
}

void Win32LibraryWindow::RunAside(std::function<void()> work, std::function<void()> done) {
    EndRead();
    readDone_ = std::move(done);
    HWND window = hwnd_;
    read_ = std::thread([work = std::move(work), window] {
        work();
        PostMessageA(window, kReadFinishedMessage, 0, 0);
    });
}

void Win32LibraryWindow::EndRead() {
    if (read_.joinable()) {
        read_.join();
    }
    readDone_ = nullptr;
}

bool Win32LibraryWindow::Load() {
    if (!Create("ClipwardenLibrary", "Clipwarden Library", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0,
                14400, 9600)) {
        return false;
    }
    HINSTANCE module = GetModuleHandleW(nullptr);
    const auto child = [&](const wchar_t* className, DWORD style, int id) {
        HWND made =
            CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, hwnd_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module, nullptr);
        SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
        return made;
    };
    // The label just before its field: a screen reader names the field by it, and Alt+F
    // reaches it.
    filterLabel_ = child(L"STATIC", SS_LEFT | SS_CENTERIMAGE, 0);
    SetWindowTextW(filterLabel_, L"&Filter:");
    filter_ = child(L"EDIT", WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, kIdLibraryFilter);
    SendMessageW(filter_, EM_SETCUEBANNER, TRUE,
                 reinterpret_cast<LPARAM>(L"Filter by name, label, place or vehicle"));
    // Owner data: the list view asks for each row it paints; nothing is copied into it.
    list_ =
        child(WC_LISTVIEWW, WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS,
              kIdLibraryList);
    // The kept mark is a real check box, which screen readers tell as checked: the list asks
    // for each row's.
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER |
                                                 LVS_EX_HEADERDRAGDROP | LVS_EX_CHECKBOXES);
    ListView_SetCallbackMask(list_, LVIS_STATEIMAGEMASK);
    NameForScreenReaders(list_, L"Stored replays");
    for (int i = 0; i < kColumns; ++i) {
        const auto at = static_cast<std::size_t>(i);
        std::wstring header = ToWide(kLibraryHeaders.at(at));
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
        column.fmt = i == static_cast<int>(LibraryColumn::Size) ||
                             i == static_cast<int>(LibraryColumn::Length)
                         ? LVCFMT_RIGHT
                         : LVCFMT_LEFT;
        column.pszText = header.data();
        column.cx = Px(kLibraryDefaultWidths.at(at));
        column.iSubItem = i;
        SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&column));
        widths_.push_back(column.cx);
    }
    // The details pane: every figure of the focused replay beside its path on the city.
    facts_ = child(
        L"EDIT", WS_TABSTOP | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
        kIdLibraryFacts);
    const int tabStop = 56; // dialog units: past the longest figure's name
    SendMessageW(facts_, EM_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabStop));
    NameForScreenReaders(facts_, L"Replay details");
    sketch_.Create(hwnd_, kIdLibrarySketch, font_, dpi());
    empty_ = child(L"STATIC", SS_CENTER, kIdLibraryEmpty);
    // Every action on screen too, not only in the menu and the keys.
    for (const auto& [id, text] :
         {std::pair{kIdLibraryLoad, L"L&oad into game"}, std::pair{kIdLibraryLabel, L"Edit &label"},
          std::pair{kIdLibraryKeep, L"&Keep"},
          std::pair{kIdLibraryTrash, L"Move to the Recycle &Bin"},
          std::pair{kIdLibraryShowInFolder, L"Show in &folder"}}) {
        HWND button = child(L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, id);
        SetWindowTextW(button, text);
        actionButtons_.push_back(button);
    }
    chooseFolder_ = child(L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, kIdLibraryChooseFolder);
    cancel_ = child(L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, kIdLibraryCancel);
    SetWindowTextW(cancel_, L"&Cancel");
    ShowWindow(cancel_, SW_HIDE);
    SetWindowTextW(chooseFolder_, L"&Choose folder\u2026");
    status_ = child(L"STATIC", SS_LEFTNOWORDWRAP | SS_CENTERIMAGE, kIdLibraryStatus);
    housekeepingButton_ = child(L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, kIdLibraryHousekeeping);
    SetWindowTextW(housekeepingButton_, L"&Housekeeping...");
    DragAcceptFiles(hwnd_, TRUE);
    RestorePlace();
    presenter_ = std::make_unique<LibraryPresenter>(main_.libraryParts(), *this);
    presenter_->Open();
    Arrange();
    ShowFacts();
    // Long work under way (moving many replays to the trash) shows how far it has come.
    SetTimer(hwnd_, kProgressTimer, 250, nullptr);
    ShowWindow(hwnd_, SW_SHOW);
    SetFocus(list_);
    return true;
}

void Win32LibraryWindow::BringForward() {
    ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(hwnd_);
}

void Win32LibraryWindow::Arrange() {
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int margin = Px(4);
    const int filter = Px(kFilterHeight);
    const int bottom = Px(kStatusHeight);
    const int button = Px(kButtonWidth);
    const int width = client.right - 2 * margin;
    const int labelWidth = Px(44);
    MoveWindow(filterLabel_, margin, margin, labelWidth, filter, TRUE);
    MoveWindow(filter_, margin + labelWidth, margin, width - labelWidth, filter, TRUE);
    // The action buttons under the filter, each as wide as its text.
    int x = margin;
    const int buttonsTop = filter + 2 * margin;
    HDC dc = GetDC(hwnd_);
    HGDIOBJ oldFont = SelectObject(dc, font_);
    for (HWND action : actionButtons_) {
        RECT text{};
        const std::wstring caption = ToWide(WindowText(action));
        DrawTextW(dc, caption.c_str(), -1, &text, DT_CALCRECT | DT_SINGLELINE);
        const int buttonWidth = static_cast<int>(text.right) + Px(20);
        MoveWindow(action, x, buttonsTop, buttonWidth, bottom, TRUE);
        x += buttonWidth + margin;
    }
    SelectObject(dc, oldFont);
    ReleaseDC(hwnd_, dc);
    const int listTop = buttonsTop + bottom + margin;
    const int room = std::max(0, static_cast<int>(client.bottom) - listTop - bottom - 2 * margin);
    if (paneHeight_ <= 0) {
        paneHeight_ = Px(kPaneHeight);
    }
    paneHeight_ = std::clamp(paneHeight_, 0, std::max(0, room - Px(kLeastListHeight)));
    const int band = Px(kSplitterBand);
    const int listHeight = std::max(0, room - paneHeight_ - band);
    MoveWindow(list_, margin, listTop, width, listHeight, TRUE);
    const int paneTop = listTop + listHeight + band;
    const int factsWidth = width / 2;
    MoveWindow(facts_, margin, paneTop, factsWidth - margin, paneHeight_, TRUE);
    MoveWindow(sketch_.hwnd(), margin + factsWidth, paneTop, width - factsWidth, paneHeight_, TRUE);
    const int chooserHeight = bottom;
    MoveWindow(empty_, Px(24), listTop + Px(24), width - Px(40),
               std::max(0, listHeight - Px(48) - chooserHeight - margin), TRUE);
    MoveWindow(chooseFolder_, (client.right - button) / 2,
               listTop + Px(24) + std::max(0, listHeight - Px(48) - chooserHeight), button,
               chooserHeight, TRUE);
    const int cancelWidth = Px(80);
    MoveWindow(status_, margin, client.bottom - bottom - margin / 2,
               width - button - cancelWidth - 3 * margin, bottom, TRUE);
    MoveWindow(cancel_, client.right - button - cancelWidth - 2 * margin,
               client.bottom - bottom - margin / 2, cancelWidth, bottom, TRUE);
    MoveWindow(housekeepingButton_, client.right - button - margin,
               client.bottom - bottom - margin / 2, button, bottom, TRUE);
}

RECT Win32LibraryWindow::SplitterBand() const {
    RECT list{};
    GetWindowRect(list_, &list);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&list), 2);
    return RECT{list.left, list.bottom, list.right, list.bottom + Px(kSplitterBand)};
}

void Win32LibraryWindow::ShowFacts() {
    const int row = FocusedRow();
    factsRow_ = row;
    if (row < 0 || !presenter_ || static_cast<std::size_t>(row) >= presenter_->RowCount()) {
        SetWindowTextW(facts_, L"Select a replay to see what it holds.");
        sketch_.Clear();
        return;
    }
    const ReplayFacts facts = presenter_->FactsOf(static_cast<std::size_t>(row));
    std::string text = EscapeText(facts.name, false) + "\r\n";
    for (const auto& [label, value] : facts.facts) {
        text += label + ":\t" + value + "\r\n";
    }
    SetWindowTextW(facts_, ToWide(text).c_str());
    if (facts.replay) {
        sketch_.Show(facts.sketch);
    } else {
        sketch_.Clear();
    }
}

void Win32LibraryWindow::ShowColumnMenu(POINT at) {
    HMENU menu = CreatePopupMenu();
    for (int i = 1; i < kColumns; ++i) { // the name always shows
        const bool shown = ListView_GetColumnWidth(list_, i) > 0;
        AppendMenuW(menu, MF_STRING | (shown ? MF_CHECKED : MF_UNCHECKED), kFirstColumn + i,
                    ToWide(kLibraryColumnMenu.at(static_cast<std::size_t>(i))).c_str());
    }
    const auto chosen = static_cast<int>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr));
    DestroyMenu(menu);
    const int column = chosen - static_cast<int>(kFirstColumn);
    if (column <= 0 || column >= kColumns) {
        return;
    }
    // A hidden column is one of no width; it keeps the width it had for when it shows again.
    const int width = ListView_GetColumnWidth(list_, column);
    if (width > 0) {
        widths_.at(static_cast<std::size_t>(column)) = width;
    }
    ListView_SetColumnWidth(list_, column,
                            width > 0 ? 0 : widths_.at(static_cast<std::size_t>(column)));
}

void Win32LibraryWindow::Recount() {
    SendMessageW(list_, LVM_SETITEMCOUNT, presenter_ ? presenter_->RowCount() : 0,
                 LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    InvalidateRect(list_, nullptr, FALSE);
}

void Win32LibraryWindow::RowsReset() {
    Recount();
    ShowFacts();
}
void Win32LibraryWindow::RowInserted(std::size_t) {
    Recount();
}
void Win32LibraryWindow::RowRemoved(std::size_t) {
    Recount();
}
void Win32LibraryWindow::RowChanged(std::size_t at) {
    ListView_RedrawItems(list_, static_cast<int>(at), static_cast<int>(at));
    if (static_cast<int>(at) == factsRow_) {
        ShowFacts(); // read again: it may have changed on disk
    }
}

void Win32LibraryWindow::ShowStatus(const std::string& status, const std::string& emptySentence) {
    // Menus carry no tooltips here: the status line says why the writing actions are off.
    SetWindowTextW(status_,
                   ToWide(readOnly_.empty() ? status : status + "; read-only: " + readOnly_)
                       .c_str());
    SetWindowTextW(empty_, ToWide(emptySentence).c_str());
    ShowWindow(empty_, emptySentence.empty() ? SW_HIDE : SW_SHOW);
    ShowWindow(chooseFolder_, emptySentence.empty() ? SW_HIDE : SW_SHOW);
    ShowWindow(list_, emptySentence.empty() ? SW_SHOW : SW_HIDE);
}

void Win32LibraryWindow::ScrollTo(std::size_t at) {
    const int row = static_cast<int>(at);
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list_, row, FALSE);
}

void Win32LibraryWindow::EnableWriting(const std::string& whyNot, const std::string& labelsWhyNot) {
    writable_ = whyNot.empty();
    labelsWritable_ = labelsWhyNot.empty();
    readOnly_ = !whyNot.empty() ? whyNot : labelsWhyNot;
    for (const int id : {kIdLibraryLabel, kIdLibraryKeep}) {
        EnableWindow(GetDlgItem(hwnd_, id), labelsWritable_ ? TRUE : FALSE);
    }
    EnableWindow(GetDlgItem(hwnd_, kIdLibraryTrash), writable_ ? TRUE : FALSE);
    DragAcceptFiles(hwnd_, writable_ ? TRUE : FALSE);
}

bool Win32LibraryWindow::Confirm(const std::string& question) {
    return MessageBoxW(hwnd_, ToWide(question).c_str(), L"Clipwarden",
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

std::string Win32LibraryWindow::AskCopyDestination(const std::string& name) {
    std::wstring file(32768, L'\0');
    const std::wstring suggested = ToWide(name);
    std::copy(suggested.begin(), suggested.end(), file.begin());
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = hwnd_;
    dialog.lpstrFilter = L"GTA:VC replays (*.rep)\0*.rep\0All files (*.*)\0*.*\0";
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrTitle = L"Copy the replay to";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (!GetSaveFileNameW(&dialog)) {
        return {};
    }
    return FromWide(file.c_str());
}

std::vector<std::size_t> Win32LibraryWindow::SelectedRows() const {
    std::vector<std::size_t> rows;
    for (int at = ListView_GetNextItem(list_, -1, LVNI_SELECTED); at >= 0;
         at = ListView_GetNextItem(list_, at, LVNI_SELECTED)) {
        rows.push_back(static_cast<std::size_t>(at));
    }
    if (rows.empty() && FocusedRow() >= 0) {
        rows.push_back(static_cast<std::size_t>(FocusedRow()));
    }
    return rows;
}

int Win32LibraryWindow::FocusedRow() const {
    return ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
}

void Win32LibraryWindow::EditLabel(std::size_t at) {
    if (!labelsWritable_ || at >= presenter_->RowCount()) {
        return;
    }
    // The list view edits its first column only: the label gets a box of its own.
    if (const auto label = LabelBox::Ask(hwnd_, presenter_->Row(at).label, font_, dpi())) {
        presenter_->OnLabel(at, *label);
    }
    SetFocus(list_); // the keys work on the list again at once
}

void Win32LibraryWindow::ShowMenu(POINT at) {
    const int row = FocusedRow();
    if (row < 0) {
        return;
    }
    HMENU menu = CreatePopupMenu();
    const UINT write = writable_ ? MF_ENABLED : MF_GRAYED;
    const UINT label = labelsWritable_ ? MF_ENABLED : MF_GRAYED;
    AppendMenuW(menu, MF_STRING, kPlay, L"&Load into game\tEnter");
    AppendMenuW(menu, MF_STRING | label, kEditLabel, L"Edit &label\tF2");
    AppendMenuW(menu, MF_STRING | label, kKeep, L"&Keep\tCtrl+K");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kShowInFolder, L"Show in &folder");
    AppendMenuW(menu, MF_STRING, kCopyTo, L"&Copy to\u2026");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING | write, kMoveToTrash, L"Move to the Recycle &Bin\tDel");
    const auto chosen = static_cast<UINT_PTR>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr));
    DestroyMenu(menu);
    const auto focused = static_cast<std::size_t>(row);
    switch (chosen) {
    case kPlay:
        presenter_->OnLoadIntoGame(focused);
        break;
    case kEditLabel:
        EditLabel(focused);
        break;
    case kKeep:
        presenter_->OnToggleKept(SelectedRows());
        break;
    case kShowInFolder:
        presenter_->OnShowInFolder(focused);
        break;
    case kCopyTo:
        presenter_->OnCopyTo(focused);
        break;
    case kMoveToTrash:
        presenter_->OnDelete(SelectedRows());
        break;
    default:
        break;
    }
}

LRESULT Win32LibraryWindow::OnNotify(const NMHDR& header, LPARAM lParam) {
    if (header.hwndFrom != list_ || !presenter_) {
        return 0;
    }
    switch (header.code) {
    case LVN_GETDISPINFOW: {
        auto& info = *reinterpret_cast<NMLVDISPINFOW*>(lParam);
        const auto at = static_cast<std::size_t>(info.item.iItem);
        if ((info.item.mask & LVIF_TEXT) != 0 && at < presenter_->RowCount()) {
            const auto column = static_cast<LibraryColumn>(info.item.iSubItem);
            const LibraryRow& row = presenter_->Row(at);
            cell_ = ToWide(presenter_->CellText(at, column));
            if (column == LibraryColumn::Name && row.current) {
                cell_ = L"\u00BB " + cell_; // the current replay
            } else if (column == LibraryColumn::Name && row.inSlot) {
                cell_ += L" (in the slot)";
            }
            info.item.pszText = cell_.data();
        }
        if ((info.item.mask & LVIF_STATE) != 0 && at < presenter_->RowCount()) {
            info.item.state = INDEXTOSTATEIMAGEMASK(presenter_->Row(at).kept ? 2 : 1);
            info.item.stateMask = LVIS_STATEIMAGEMASK;
        }
        return 0;
    }
    case NM_CLICK: {
        // A click on a row's check box keeps it, or keeps it no longer.
        const auto& click = *reinterpret_cast<const NMITEMACTIVATE*>(lParam);
        LVHITTESTINFO hit{};
        hit.pt = click.ptAction;
        if (ListView_SubItemHitTest(list_, &hit) >= 0 && (hit.flags & LVHT_ONITEMSTATEICON) != 0 &&
            labelsWritable_) {
            presenter_->OnToggleKept({static_cast<std::size_t>(hit.iItem)});
        }
        return 0;
    }
    case NM_SETFOCUS:
        // Tabbing into the list lands on a row: the current replay's, else the first.
        if (FocusedRow() < 0 && presenter_->RowCount() > 0) {
            std::size_t row = 0;
            for (std::size_t i = 0; i < presenter_->RowCount(); ++i) {
                if (presenter_->Row(i).current) {
                    row = i;
                    break;
                }
            }
            ListView_SetItemState(list_, static_cast<int>(row), LVIS_FOCUSED | LVIS_SELECTED,
                                  LVIS_FOCUSED | LVIS_SELECTED);
            ListView_EnsureVisible(list_, static_cast<int>(row), FALSE);
        }
        return 0;
    case NM_CUSTOMDRAW: {
        auto& draw = *reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
        if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) {
            return CDRF_NOTIFYITEMDRAW;
        }
        if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
            return CDRF_NOTIFYSUBITEMDRAW;
        }
        if (draw.nmcd.dwDrawStage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
            const auto at = static_cast<std::size_t>(draw.nmcd.dwItemSpec);
            // Why a file is no replay is said in grey, as a note rather than a place.
            const bool problem =
                at < presenter_->RowCount() &&
                presenter_->CellIsProblem(at, static_cast<LibraryColumn>(draw.iSubItem));
            draw.clrText = problem ? GetSysColor(COLOR_GRAYTEXT) : CLR_DEFAULT;
            return CDRF_NEWFONT;
        }
        return CDRF_DODEFAULT;
    }
    case LVN_ITEMCHANGED: {
        const auto& change = *reinterpret_cast<const NMLISTVIEW*>(lParam);
        if ((change.uChanged & LVIF_STATE) != 0 &&
            ((change.uNewState ^ change.uOldState) & LVIS_FOCUSED) != 0 &&
            FocusedRow() != factsRow_) {
            ShowFacts();
        }
        return 0;
    }
    case NM_DBLCLK: {
        const auto& click = *reinterpret_cast<const NMITEMACTIVATE*>(lParam);
        if (click.iItem < 0) {
            return 0;
        }
        const auto at = static_cast<std::size_t>(click.iItem);
        if (click.iSubItem == static_cast<int>(LibraryColumn::Label)) {
            EditLabel(at);
        } else if (click.iSubItem == static_cast<int>(LibraryColumn::Kept)) {
            presenter_->OnToggleKept({at});
        } else {
            presenter_->OnLoadIntoGame(at);
        }
        return 0;
    }
    case NM_RETURN:
        if (FocusedRow() >= 0) {
            presenter_->OnLoadIntoGame(static_cast<std::size_t>(FocusedRow()));
        }
        return 0;
    case LVN_KEYDOWN: {
        const auto& key = *reinterpret_cast<const NMLVKEYDOWN*>(lParam);
        const bool control = GetKeyState(VK_CONTROL) < 0;
        if (key.wVKey == VK_DELETE && writable_) {
            presenter_->OnDelete(SelectedRows());
        } else if (key.wVKey == VK_F2 && FocusedRow() >= 0) {
            EditLabel(static_cast<std::size_t>(FocusedRow()));
        } else if ((key.wVKey == 'K' && control && labelsWritable_) ||
                   (key.wVKey == VK_SPACE && !control && labelsWritable_)) {
            presenter_->OnToggleKept(SelectedRows());
        }
        return 0;
    }
    case LVN_COLUMNCLICK: {
        const auto& click = *reinterpret_cast<const NMLISTVIEW*>(lParam);
        const auto column = static_cast<LibraryColumn>(click.iSubItem);
        const bool ascending = presenter_->sortColumn() != column || !presenter_->sortAscending();
        presenter_->OnSort(column, ascending);
        return 0;
    }
    default:
        return 0;
    }
}

LRESULT Win32LibraryWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        Arrange();
        return 0;
    case kStepMessage:
        RunSteps();
        return 0;
    case WM_TIMER:
        if (wParam == kProgressTimer && presenter_) {
            presenter_->OnProgressTick();
        }
        return 0;
    case WM_SETCURSOR: {
        POINT at{};
        GetCursorPos(&at);
        ScreenToClient(hwnd_, &at);
        const RECT band = SplitterBand();
        if (reinterpret_cast<HWND>(wParam) == hwnd_ && PtInRect(&band, at)) {
            SetCursor(LoadCursor(nullptr, IDC_SIZENS));
            return TRUE;
        }
        break;
    }
    case WM_LBUTTONDOWN: {
        const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        const RECT band = SplitterBand();
        if (PtInRect(&band, at)) {
            splitting_ = true;
            SetCapture(hwnd_);
        }
        return 0;
    }
    case WM_MOUSEMOVE:
        if (splitting_) {
            RECT client{};
            GetClientRect(hwnd_, &client);
            const int y = static_cast<short>(HIWORD(lParam));
            paneHeight_ = std::max(0, static_cast<int>(client.bottom) - Px(kStatusHeight) - Px(4) -
                                          Px(kSplitterBand) / 2 - y);
            Arrange();
        }
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (splitting_) {
            splitting_ = false;
            if (message == WM_LBUTTONUP) {
                ReleaseCapture();
            }
        }
        return 0;
    case kReadFinishedMessage:
        if (read_.joinable()) {
            read_.join();
            auto done = std::move(readDone_);
            readDone_ = nullptr;
            if (done) {
                done();
            }
        }
        return 0;
    case WM_NOTIFYFORMAT: // the window is an ANSI one; its list view speaks UTF-16 to it
        return NFR_UNICODE;
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<const NMHDR*>(lParam), lParam);
    case WM_COMMAND:
        if (LOWORD(wParam) == kIdLibraryFilter && HIWORD(wParam) == EN_CHANGE && presenter_) {
            std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(filter_)) + 1, L'\0');
            GetWindowTextW(filter_, text.data(), static_cast<int>(text.size()));
            presenter_->OnFilter(FromWide(text.c_str()));
            return 0;
        }
        if (HIWORD(wParam) == BN_CLICKED && presenter_ && LOWORD(wParam) >= kIdLibraryLoad &&
            LOWORD(wParam) <= kIdLibraryShowInFolder) {
            const int row = FocusedRow();
            switch (LOWORD(wParam)) {
            case kIdLibraryLoad:
                if (row >= 0) {
                    presenter_->OnLoadIntoGame(static_cast<std::size_t>(row));
                }
                break;
            case kIdLibraryLabel:
                if (row >= 0) {
                    EditLabel(static_cast<std::size_t>(row));
                }
                break;
            case kIdLibraryKeep:
                if (labelsWritable_) {
                    presenter_->OnToggleKept(SelectedRows());
                }
                break;
            case kIdLibraryTrash:
                if (writable_) {
                    presenter_->OnDelete(SelectedRows());
                }
                break;
            default:
                if (row >= 0) {
                    presenter_->OnShowInFolder(static_cast<std::size_t>(row));
                }
                break;
            }
            SetFocus(list_);
            return 0;
        }
        if (LOWORD(wParam) == kIdLibraryCancel && HIWORD(wParam) == BN_CLICKED && presenter_) {
            presenter_->OnCancel();
            return 0;
        }
        if (LOWORD(wParam) == kIdLibraryChooseFolder && HIWORD(wParam) == BN_CLICKED &&
            presenter_) {
            presenter_->OnChooseFolder();
            return 0;
        }
        if (LOWORD(wParam) == kIdLibraryHousekeeping && HIWORD(wParam) == BN_CLICKED) {
            const LibraryParts parts = main_.libraryParts();
            Win32HousekeepingDialog(parts.housekeeper, parts.clock, font_, dpi()).Run(hwnd_);
            if (presenter_) {
                presenter_->OnRulesChanged();
            }
            return 0;
        }
        // The dialog keys turn Enter on the list into IDOK.
        if (LOWORD(wParam) == IDOK && GetFocus() == list_ && FocusedRow() >= 0) {
            presenter_->OnLoadIntoGame(static_cast<std::size_t>(FocusedRow()));
            return 0;
        }
        break;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == list_) {
            POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (at.x == -1 && at.y == -1) {
                GetCursorPos(&at);
            }
            RECT header{};
            GetWindowRect(ListView_GetHeader(list_), &header);
            if (PtInRect(&header, at)) {
                ShowColumnMenu(at);
            } else {
                ShowMenu(at);
            }
            return 0;
        }
        break;
    case WM_DROPFILES: {
        auto* drop = reinterpret_cast<HDROP>(wParam);
        std::vector<std::string> paths;
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
            DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size()));
            paths.push_back(FromWide(path.c_str()));
        }
        DragFinish(drop);
        if (writable_ && presenter_) {
            presenter_->OnImport(paths);
        }
        return 0;
    }
    case WM_CLOSE:
        StorePlace();
        DestroyWindow(hwnd_);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

void Win32LibraryWindow::RestorePlace() {
    const LibraryPlace place = ReadLibraryPlace(main_.settings(), kColumns);
    bool placed = false;
    if (place.frame) {
        const auto& f = *place.frame;
        RECT rect{f[0], f[1], f[0] + f[2], f[1] + f[3]};
        // A place on a monitor that is gone is not used.
        if (MonitorFromRect(&rect, MONITOR_DEFAULTTONULL) != nullptr) {
            MoveWindow(hwnd_, rect.left, rect.top, f[2], f[3], FALSE);
            placed = true;
        }
    }
    if (!placed && mainWindow_ != nullptr) {
        // Beside the main window, not over its log.
        RECT frame{};
        GetWindowRect(hwnd_, &frame);
        const POINT at = Beside(mainWindow_, frame.right - frame.left, frame.bottom - frame.top);
        SetWindowPos(hwnd_, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    for (int i = 0; i < kColumns; ++i) {
        const auto at = static_cast<std::size_t>(i);
        if (const int width = place.widths[at]; width > 0) {
            widths_.at(at) = width;
        }
        ListView_SetColumnWidth(list_, i, place.hidden[at] ? 0 : widths_.at(at));
    }
    std::vector<int> order = place.order;
    ListView_SetColumnOrderArray(list_, kColumns, order.data());
    if (place.split) {
        paneHeight_ = (*place.split)[1];
    }
}

void Win32LibraryWindow::StorePlace() {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    GetWindowPlacement(hwnd_, &placement);
    const RECT& normal = placement.rcNormalPosition;
    LibraryPlace place;
    place.frame = {static_cast<int>(normal.left), static_cast<int>(normal.top),
                   static_cast<int>(normal.right - normal.left),
                   static_cast<int>(normal.bottom - normal.top)};
    place.order.resize(kColumns);
    ListView_GetColumnOrderArray(list_, kColumns, place.order.data());
    for (int i = 0; i < kColumns; ++i) {
        const int width = ListView_GetColumnWidth(list_, i);
        place.widths.push_back(width > 0 ? width : widths_.at(static_cast<std::size_t>(i)));
        place.hidden.push_back(width == 0 && i > 0);
    }
    RECT list{};
    GetClientRect(list_, &list);
    place.split = std::vector<int>{static_cast<int>(list.bottom), paneHeight_};
    for (const auto& [key, value] : LibraryPlaceSettings(place)) {
        main_.WriteSetting(key, value);
    }
}

} // namespace clipwarden::win32
