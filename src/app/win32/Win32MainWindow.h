#pragma once

#include <functional>
#include <map>
#include <memory>
#include <thread>

#include "app/win32/Win32Form.h"
#include "core/presenters/MainPresenter.h"
#include "core/presenters/MainView.h"

namespace clipwarden::win32 {

class Win32LibraryWindow;
class Win32OptionsWindow;

/** The main window with standard controls. What it does lives in MainPresenter. */
class Win32MainWindow final : public Win32Form, public MainView {
public:
    explicit Win32MainWindow(Services& services);
    ~Win32MainWindow() override;
    Win32MainWindow(const Win32MainWindow&) = delete;
    Win32MainWindow& operator=(const Win32MainWindow&) = delete;
    Win32MainWindow(Win32MainWindow&&) = delete;
    Win32MainWindow& operator=(Win32MainWindow&&) = delete;

    /** Creates the window, runs the program's start-up, starts the ticks and shows it. */
    bool Start();

    /** `closed` runs once the window is gone and captures nothing more. */
    void OnClosed(std::function<void()> closed) { closed_ = std::move(closed); }

    /** Shows the window in front of the others, as when another start asks for it. */
    void BringForward();

    MainPresenter& presenter() { return presenter_; }

    /** Shows the single Library window in front, creating it when it is not open. */
    void ShowLibraryWindow();

    void AddLogLine(const std::string& line) override;
    void RunGameTextTimer(bool running) override;
    void RecheckCaptureIn(int milliseconds) override;
    void RunAside(std::function<void()> work, std::function<void()> done) override;
    void SetStatusText(const std::string& text) override;
    void ShowReplayFolder(const std::string& folder) override;
    void ShowVersion(GameVersion version) override;
    WindowRef Handle() override;
    void ShowOptionsWindow() override;
    bool Confirm(const std::string& question) override;

private:
    /** Puts the log's selected line on the clipboard. */
    void CopyLogLine();
    int logExtent_ = 0; ///< how far the log scrolls sideways: its longest line's width

public:
private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    /** Ends the work aside numbered `id`, and runs what follows it on this thread. */
    void FinishAside(unsigned id);
    /** Ends every work aside, each followed by what comes after it: a recording on its way is
     *  stored, and a housekeeping pass ends its move, before the window goes. */
    void FinishAll();

    Services& services_;
    MainPresenter presenter_;
    std::unique_ptr<Win32OptionsWindow> options_;
    std::unique_ptr<Win32LibraryWindow> library_;
    bool gameTextTimerRunning_ = false;
    std::function<void()> closed_;
    /** Work aside: a capture's copy, a housekeeping pass, a delete or an import. Several may
     *  run at once, so that none waits on the GUI thread for another to end. */
    struct Aside {
        std::thread thread;
        std::function<void()> done; ///< what runs on this thread once it has finished
    };
    std::map<unsigned, Aside> asides_;
    unsigned lastAside_ = 0;
};

} // namespace clipwarden::win32
