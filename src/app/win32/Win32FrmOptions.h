#pragma once

#include "app/win32/Win32Form.h"
#include "forms/FrmOptionsLogic.h"
#include "forms/MainView.h"

namespace clipwarden::win32 {

/** The Options tool window. Closing it destroys the window; the next "Options" loads anew. */
class Win32FrmOptions final : public Win32Form, public OptionsView {
public:
    Win32FrmOptions(Services& services, FrmMainLogic& main) : logic_(services, main, *this) {}
    ~Win32FrmOptions() override;
    Win32FrmOptions(const Win32FrmOptions&) = delete;
    Win32FrmOptions& operator=(const Win32FrmOptions&) = delete;
    Win32FrmOptions(Win32FrmOptions&&) = delete;
    Win32FrmOptions& operator=(Win32FrmOptions&&) = delete;

    /** Creates the window and runs Form_Load. */
    bool Load();

    void SetGameDirText(const std::string& text) override;
    void SetCheck1(bool checked) override;
    [[nodiscard]] bool IsCheck1Checked() const override;
    WindowRef Handle() override;
    void ShowStopMessage(const std::string& text) override;

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    FrmOptionsLogic logic_;
};

} // namespace clipwarden::win32
