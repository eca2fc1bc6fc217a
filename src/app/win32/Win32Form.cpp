#include "app/win32/Win32Form.h"

#include <oleacc.h>

#include <algorithm>
#include <set>
#include <vector>

namespace clipwarden::win32 {

namespace {

std::set<HWND>& OpenForms() {
    static std::set<HWND> forms;
    return forms;
}

/** The dpi of the window's monitor where Windows tells it (10 1607 and later; the call is
 *  looked up, as Windows 7 lacks it); the system's dpi elsewhere. */
int DpiOf(HWND window, int systemDpi) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    const UINT dpi = getDpiForWindow != nullptr ? getDpiForWindow(window) : 0;
    return dpi != 0 ? static_cast<int>(dpi) : systemDpi;
}

} // namespace

bool Win32Form::TranslateFormMessage(MSG& message) {
    for (HWND form : OpenForms()) {
        if (IsDialogMessageA(form, &message)) {
            return true;
        }
    }
    return false;
}

bool Win32Form::Create(const char* className, const char* caption, DWORD style, DWORD exStyle,
                       int widthTwips, int heightTwips) {
    HINSTANCE module = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &Win32Form::WindowProc;
    windowClass.hInstance = module;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.hIcon = LoadIconA(module, "CLIPWARDEN");
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);

    HDC screen = GetDC(nullptr);
    systemDpi_ = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    dpi_ = systemDpi_;
    RECT frame{0, 0, Scale(widthTwips), Scale(heightTwips)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    hwnd_ = CreateWindowExA(exStyle, className, caption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                            frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                            module, this);
    if (hwnd_ == nullptr) {
        return false;
    }
    MakeFont();
    OpenForms().insert(hwnd_);
    // Opened on a monitor of another dpi than the system's: its frame follows.
    if (const int dpi = DpiOf(hwnd_, systemDpi_); dpi != dpi_) {
        RECT placed{};
        GetWindowRect(hwnd_, &placed);
        RECT client{0, 0, layout::Pixels(widthTwips, dpi), layout::Pixels(heightTwips, dpi)};
        AdjustWindowRectEx(&client, style, FALSE, exStyle);
        placed.right = placed.left + client.right - client.left;
        placed.bottom = placed.top + client.bottom - client.top;
        ApplyDpi(dpi, &placed);
    }
    return true;
}

void Win32Form::MakeFont() {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    // The system gives its font at the system's dpi.
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi_, systemDpi_);
    HFONT old = font_;
    font_ = CreateFontIndirectA(&metrics.lfMessageFont);
    EnumChildWindows(
        hwnd_,
        [](HWND child, LPARAM font) -> BOOL {
            SendMessageA(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(font_));
    if (old != nullptr) {
        DeleteObject(old);
    }
}

void Win32Form::ApplyDpi(int dpi, const RECT* frame) {
    dpi_ = dpi;
    MakeFont();
    for (const auto& [control, place] : placed_) {
        MoveWindow(control, Scale(place.left), Scale(place.top), Scale(place.width),
                   Scale(place.height), TRUE);
    }
    if (frame != nullptr) {
        SetWindowPos(hwnd_, nullptr, frame->left, frame->top, frame->right - frame->left,
                     frame->bottom - frame->top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    DpiChanged();
}

HWND Win32Form::Control(const char* className, const char* text, DWORD style, int id,
                        const layout::Control& place) {
    HWND control = CreateWindowExA(
        0, className, text, WS_CHILD | WS_VISIBLE | style, Scale(place.left), Scale(place.top),
        Scale(place.width), Scale(place.height), hwnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    placed_.emplace_back(control, place);
    return control;
}

int Win32Form::Scale(int twips) const {
    return layout::Pixels(twips, dpi_);
}

LRESULT CALLBACK Win32Form::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        static_cast<Win32Form*>(create->lpCreateParams)->hwnd_ = window;
    }
    auto* form = reinterpret_cast<Win32Form*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (form == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        OpenForms().erase(window);
        DeleteObject(form->font_);
        form->hwnd_ = nullptr;
        form->Destroyed();
        if (OpenForms().empty()) {
            PostQuitMessage(0); // the program ends with its last window
        }
        return 0;
    }
    if (message == WM_DPICHANGED) {
        form->ApplyDpi(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    }
    return form->OnMessage(message, wParam, lParam);
}

namespace {

RECT WorkAreaOf(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    return monitor.rcWork;
}

POINT KeptOn(const RECT& area, LONG x, LONG y, int width, int height) {
    return POINT{std::max(area.left, std::min(x, area.right - width)),
                 std::max(area.top, std::min(y, area.bottom - height))};
}

} // namespace

POINT CentredOn(HWND owner, int width, int height) {
    RECT frame{};
    GetWindowRect(owner, &frame);
    return KeptOn(WorkAreaOf(owner), (frame.left + frame.right - width) / 2,
                  (frame.top + frame.bottom - height) / 2, width, height);
}

POINT Beside(HWND other, int width, int height) {
    RECT frame{};
    GetWindowRect(other, &frame);
    const RECT area = WorkAreaOf(other);
    const LONG gap = 8;
    if (frame.right + gap + width <= area.right) {
        return KeptOn(area, frame.right + gap, frame.top, width, height);
    }
    if (frame.left - gap - width >= area.left) {
        return KeptOn(area, frame.left - gap - width, frame.top, width, height);
    }
    return KeptOn(area, frame.left, frame.top, width, height);
}

void NameForScreenReaders(HWND control, const std::wstring& name, const std::wstring& description) {
    IAccPropServices* services = nullptr;
    if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IAccPropServices, reinterpret_cast<void**>(&services))) ||
        services == nullptr) {
        return;
    }
    services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                             PROPID_ACC_NAME, name.c_str());
    if (!description.empty()) {
        services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                 PROPID_ACC_DESCRIPTION, description.c_str());
    }
    services->Release();
}

std::string WindowText(HWND window) {
    std::vector<char> text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1);
    GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
    return text.data();
}

} // namespace clipwarden::win32
