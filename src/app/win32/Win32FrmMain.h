#pragma once

#include <memory>

#include "app/win32/Win32Form.h"
#include "core/AppState.h"
#include "forms/FrmMainLogic.h"
#include "forms/MainView.h"

namespace clipwarden::win32 {

class Win32FrmOptions;

/** The main window with standard controls. Its behaviour lives in FrmMainLogic. */
class Win32FrmMain final : public Win32Form, public MainView {
public:
    Win32FrmMain(AppState& state, Services& services);
    ~Win32FrmMain() override;
    Win32FrmMain(const Win32FrmMain&) = delete;
    Win32FrmMain& operator=(const Win32FrmMain&) = delete;
    Win32FrmMain(Win32FrmMain&&) = delete;
    Win32FrmMain& operator=(Win32FrmMain&&) = delete;

    /** Creation, load, the autorun launch, the timers and the window shown. */
    bool Start();

    void AddLogLine(const std::string& line) override;
    void SetTimer3Enabled(bool enabled) override;
    void SetStatusText(const std::string& text) override;
    [[nodiscard]] bool IsOption1Selected() const override;
    [[nodiscard]] bool IsOption2Selected() const override;
    void SetReplayDirText(const std::string& text) override;
    void SelectVersionOption(bool version11) override;
    WindowRef Handle() override;
    void ShowOptionsWindow() override;

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    Services& services_;
    FrmMainLogic logic_;
    std::unique_ptr<Win32FrmOptions> options_;
    HBRUSH background_ = nullptr;
    bool timer3_ = false;
};

} // namespace clipwarden::win32
