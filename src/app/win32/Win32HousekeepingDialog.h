#pragma once

#include <windows.h>

#include "core/presenters/HousekeepingPresenter.h"

namespace clipwarden::win32 {

/** The Housekeeping dialog: the three rules, what they would remove now, OK and Cancel. A
 *  modal box over its owner, the Library window. */
class Win32HousekeepingDialog final : public HousekeepingView {
public:
    /** `font` and `dpi` are the owner's: the dialog's places are given at 96 dpi. */
    Win32HousekeepingDialog(Housekeeper& housekeeper, Clock& clock, HFONT font, int dpi)
        : presenter_(housekeeper, clock, *this), font_(font), dpi_(dpi) {}

    /** Shows the dialog until OK (agreed to) or Cancel. */
    void Run(HWND owner);

    void ShowForm(const HousekeepingForm& form) override;
    void ShowPreview(const std::string& preview, const std::string& accept) override;
    bool Confirm(const std::string& question) override;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND Child(const wchar_t* className, const wchar_t* text, DWORD style, int id, int x, int y,
               int width, int height);
    [[nodiscard]] HousekeepingForm Form() const;
    /** The number boxes of the rules that are on are enabled. */
    void EnableNumbers(const HousekeepingForm& form);

    HousekeepingPresenter presenter_;
    HFONT font_;
    int dpi_;
    HWND window_ = nullptr;
    bool done_ = false;
    bool showing_ = false; ///< while the form is filled in, its changes are not the user's
};

} // namespace clipwarden::win32
