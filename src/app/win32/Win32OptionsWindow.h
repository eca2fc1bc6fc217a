#pragma once

#include "app/win32/Win32Form.h"
#include "core/presenters/OptionsPresenter.h"
#include "core/presenters/OptionsView.h"

namespace clipwarden::win32 {

/** The Options tool window. Closing it destroys the window; the next "Options" creates anew. */
class Win32OptionsWindow final : public Win32Form, public OptionsView {
public:
    Win32OptionsWindow(Services& services, MainPresenter& main)
        : presenter_(services, main, *this) {}
    ~Win32OptionsWindow() override;
    Win32OptionsWindow(const Win32OptionsWindow&) = delete;
    Win32OptionsWindow& operator=(const Win32OptionsWindow&) = delete;
    Win32OptionsWindow(Win32OptionsWindow&&) = delete;
    Win32OptionsWindow& operator=(Win32OptionsWindow&&) = delete;

    /** Creates the window and shows the stored values in it. */
    bool Load();

    void ShowGameFolder(const std::string& folder) override;
    void ShowAutorun(bool on) override;
    WindowRef Handle() override;
    void ShowStopMessage(const std::string& text) override;

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    OptionsPresenter presenter_;
};

} // namespace clipwarden::win32
