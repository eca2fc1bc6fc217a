#include "app/win32/Win32CitySketch.h"

#include <algorithm>
#include <vector>

#include "app/win32/Win32Form.h"
#include "platform/win32/AnsiText.h"

namespace clipwarden::win32 {

namespace {

constexpr const wchar_t* kClassName = L"ClipwardenCitySketch";

/** A GDI object for the length of a scope. */
template <typename Handle> struct Held {
    Handle handle;
    explicit Held(Handle h) : handle(h) {}
    ~Held() { DeleteObject(handle); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    Held(Held&&) = delete;
    Held& operator=(Held&&) = delete;
};

COLORREF Blend(COLORREF a, COLORREF b, int percentOfB) {
    const auto mix = [percentOfB](int x, int y) {
        return (x * (100 - percentOfB) + y * percentOfB) / 100;
    };
    return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
               mix(GetBValue(a), GetBValue(b)));
}

} // namespace

Win32CitySketch::~Win32CitySketch() {
    if (hwnd_ != nullptr && IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    }
}

void Win32CitySketch::SetLook(HFONT font, int dpi) {
    font_ = font;
    dpi_ = dpi;
    InvalidateRect(hwnd_, nullptr, TRUE);
}

bool Win32CitySketch::Create(HWND parent, int id, HFONT font, int dpi) {
    HINSTANCE module = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &Win32CitySketch::Proc;
    windowClass.hInstance = module;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    RegisterClassW(&windowClass);
    font_ = font;
    dpi_ = dpi;
    hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, kClassName, L"City sketch", WS_CHILD | WS_VISIBLE, 0,
                            0, 10, 10, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            module, nullptr);
    if (hwnd_ == nullptr) {
        return false;
    }
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return true;
}

void Win32CitySketch::Show(CitySketch sketch) {
    sketch_ = std::move(sketch);
    shown_ = true;
    Describe(sketch_.description);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32CitySketch::Clear() {
    sketch_ = {};
    shown_ = false;
    Describe("City sketch");
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32CitySketch::Describe(const std::string& description) {
    const std::wstring text = ToWide(description);
    SetWindowTextW(hwnd_, text.c_str());
    // Where the system annotates controls, the name is the sketch's and the description says
    // what it shows; elsewhere the window text above is both.
    NameForScreenReaders(hwnd_, L"City sketch", text);
}

void Win32CitySketch::Paint(HDC dc, const RECT& area, int dpi) const {
    const auto px = [dpi](int length) { return MulDiv(length, dpi, 96); };
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    {
        Held<HBRUSH> background(CreateSolidBrush(window));
        FillRect(dc, &area, background.handle);
    }
    if (!shown_) {
        return;
    }
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const SketchFit fit(sketch_.view, width, height);
    const auto at = [&](double x, double y) {
        const auto pixel = fit(x, y);
        return POINT{area.left + static_cast<LONG>(pixel[0]),
                     area.top + static_cast<LONG>(pixel[1])};
    };
    const SketchBox visible = fit.Visible();
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    {
        Held<HBRUSH> land(CreateSolidBrush(Blend(window, highlight, 12)));
        Held<HPEN> edge(CreatePen(PS_SOLID, 1, Blend(window, text, 40)));
        SelectObject(dc, land.handle);
        SelectObject(dc, edge.handle);
        for (const District& district : sketch_.districts) {
            if (InView(district, visible)) {
                const POINT from = at(district.xFrom, district.yTo);
                const POINT to = at(district.xTo, district.yFrom);
                Rectangle(dc, from.x, from.y, to.x + 1, to.y + 1);
            }
        }
        SelectObject(dc, GetStockObject(NULL_BRUSH));
        SelectObject(dc, GetStockObject(BLACK_PEN));
    }
    SelectObject(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, Blend(window, text, 65));
    for (const District& district : sketch_.districts) {
        if (!InView(district, visible)) {
            continue;
        }
        const auto spot = NameSpot(district, visible);
        const POINT centre = at(spot[0], spot[1]);
        RECT box{centre.x - px(80), centre.y - px(10), centre.x + px(80), centre.y + px(10)};
        DrawTextW(dc, ToWide(district.name).c_str(), -1, &box,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    if (!sketch_.path.empty()) {
        std::vector<POINT> line;
        line.reserve(sketch_.path.size());
        for (const auto& point : sketch_.path) {
            line.push_back(at(point[0], point[1]));
        }
        {
            LOGBRUSH brush{BS_SOLID, highlight, 0};
            Held<HPEN> route(ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND,
                                          static_cast<DWORD>(px(3)), &brush, 0, nullptr));
            SelectObject(dc, route.handle);
            Polyline(dc, line.data(), static_cast<int>(line.size()));
            SelectObject(dc, GetStockObject(BLACK_PEN));
        }
        // The start a circle, the end a square: told apart without colour too.
        Held<HPEN> outline(CreatePen(PS_SOLID, std::max(1, px(1)), text));
        SelectObject(dc, outline.handle);
        {
            Held<HBRUSH> start(CreateSolidBrush(RGB(40, 160, 70)));
            SelectObject(dc, start.handle);
            const POINT first = line.front();
            Ellipse(dc, first.x - px(5), first.y - px(5), first.x + px(5) + 1, first.y + px(5) + 1);
            SelectObject(dc, GetStockObject(NULL_BRUSH));
        }
        {
            Held<HBRUSH> end(CreateSolidBrush(RGB(200, 50, 50)));
            SelectObject(dc, end.handle);
            const POINT last = line.back();
            Rectangle(dc, last.x - px(4), last.y - px(4), last.x + px(5), last.y + px(5));
            SelectObject(dc, GetStockObject(NULL_BRUSH));
        }
        SelectObject(dc, GetStockObject(BLACK_PEN));
    }
    RestoreDC(dc, saved);
}

LRESULT CALLBACK Win32CitySketch::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Win32CitySketch*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // painted whole, with no flicker
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(window, &paint);
        RECT area{};
        GetClientRect(window, &area);
        // Drawn off screen, then shown at once.
        HDC memory = CreateCompatibleDC(dc);
        HBITMAP bitmap =
            CreateCompatibleBitmap(dc, std::max(1L, area.right), std::max(1L, area.bottom));
        HGDIOBJ old = SelectObject(memory, bitmap);
        if (self != nullptr) {
            self->Paint(memory, area, self->dpi_);
        }
        BitBlt(dc, 0, 0, area.right, area.bottom, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace clipwarden::win32
