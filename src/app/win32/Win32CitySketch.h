#pragma once

#include <windows.h>

#include "core/gamefiles/CitySketch.h"

namespace clipwarden::win32 {

/** The sketch of the city in the Library's details pane, drawn with GDI: the districts near a
 *  replay's path with their names, and the path, its start a circle and its end a square. Its
 *  window text is what it shows, in words ("Path from Ocean Beach to Vice Point, 310 m"): the
 *  name a screen reader gives it. */
class Win32CitySketch {
public:
    Win32CitySketch() = default;
    ~Win32CitySketch();
    Win32CitySketch(const Win32CitySketch&) = delete;
    Win32CitySketch& operator=(const Win32CitySketch&) = delete;
    Win32CitySketch(Win32CitySketch&&) = delete;
    Win32CitySketch& operator=(Win32CitySketch&&) = delete;

    /** Creates the control in `parent` with the dialog id `id`. */
    bool Create(HWND parent, int id, HFONT font, int dpi);
    /** The window's font and dpi, after it moved to another monitor. */
    void SetLook(HFONT font, int dpi);
    [[nodiscard]] HWND hwnd() const { return hwnd_; }

    void Show(CitySketch sketch);
    void Clear();

    /** Draws the sketch into `dc` over `area`, `dpi` giving its pen widths and marks. */
    void Paint(HDC dc, const RECT& area, int dpi) const;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    /** Tells screen readers what the sketch shows: its name and its description. */
    void Describe(const std::string& description);

    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    int dpi_ = 96;
    CitySketch sketch_;
    bool shown_ = false;
};

} // namespace clipwarden::win32
