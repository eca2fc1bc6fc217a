#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "core/presenters/WindowLayout.h"

namespace clipwarden::win32 {

/** What both windows share: layout in twips scaled to the monitor, the form font, and the
 *  count of open windows that ends the program when it reaches zero. */
class Win32Form {
public:
    Win32Form() = default;
    virtual ~Win32Form() = default;
    Win32Form(const Win32Form&) = delete;
    Win32Form& operator=(const Win32Form&) = delete;
    Win32Form(Win32Form&&) = delete;
    Win32Form& operator=(Win32Form&&) = delete;

    [[nodiscard]] HWND hwnd() const { return hwnd_; }

    /** The dots per inch of the monitor the window is on (96 at 100 %). */
    [[nodiscard]] int dpi() const { return dpi_; }
    /** A length given in pixels at 96 dpi, in pixels at the window's dpi. */
    [[nodiscard]] int Px(int pixelsAt96) const { return MulDiv(pixelsAt96, dpi_, 96); }

    /** Passes dialog keys (Tab) of any open form; true when the message was used. */
    static bool TranslateFormMessage(MSG& message);

protected:
    /** Creates the window with a client area given in twips. */
    bool Create(const char* className, const char* caption, DWORD style, DWORD exStyle,
                int widthTwips, int heightTwips);

    /** Creates a child control at its place in the layout table. */
    HWND Control(const char* className, const char* text, DWORD style, int id,
                 const layout::Control& place);

    [[nodiscard]] int Scale(int twips) const;

    /** The window's own messages; the rest go to DefWindowProc. */
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

    /** Called once the window is gone. */
    virtual void Destroyed() {}

    /** The window moved to a monitor of another dpi: its font and the controls placed by
     *  Control() follow already; a window with a layout of its own arranges it again. */
    virtual void DpiChanged() {}

    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    /** The form font at the window's dpi, handed to every control. */
    void MakeFont();
    /** Takes on `dpi`: the font, the controls' places and, when given, the window's frame. */
    void ApplyDpi(int dpi, const RECT* frame);

    int dpi_ = 96;
    int systemDpi_ = 96;
    std::vector<std::pair<HWND, layout::Control>> placed_;
};

std::string WindowText(HWND window);

/** Where a window `width` × `height` pixels big stands centred on `owner`, kept on the owner's
 *  monitor. */
POINT CentredOn(HWND owner, int width, int height);

/** Where a window `width` × `height` pixels big stands beside `other` (to its right, else to
 *  its left, else on it), on the same monitor. */
POINT Beside(HWND other, int width, int height);

/** Gives a control the name a screen reader says, where its label cannot: a control with no
 *  text of its own and no static text before it (a number box after a check box, a sketch).
 *  `description`, when given, says more. Through Dynamic Annotation; where the system lacks
 *  it, nothing changes. */
void NameForScreenReaders(HWND control, const std::wstring& name,
                          const std::wstring& description = {});

} // namespace clipwarden::win32
