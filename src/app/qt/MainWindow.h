#pragma once

#include <QPointer>
#include <QThreadPool>
#include <QWidget>
#include <functional>

#include "core/presenters/MainPresenter.h"
#include "core/presenters/MainView.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QTimer;

namespace clipwarden {

class LibraryWindow;
class OptionsWindow;

/** The main window: status, version choice, replay folder and the log. What it does lives in
 *  MainPresenter; this class only reports the user's actions and shows what it is told. */
class MainWindow final : public QWidget, public MainView {
    Q_OBJECT

public:
    explicit MainWindow(Services& services);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    MainWindow(MainWindow&&) = delete;
    MainWindow& operator=(MainWindow&&) = delete;

    /** The program's start-up, then the ticks and the window shown. */
    void Start();

    /** `closed` runs once the window has closed and captures nothing more. */
    void OnClosed(std::function<void()> closed) { closed_ = std::move(closed); }

    /** Shows the window in front of the others, as when another start asks for it. */
    void BringForward();

    MainPresenter& presenter() { return presenter_; }
    OptionsWindow* optionsWindow();
    LibraryWindow* libraryWindow();

    /** Shows the single Library window in front, creating it when it is not open. */
    void ShowLibraryWindow();

    // MainView
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

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Services& services_;
    MainPresenter presenter_;
    QLabel* statusLabel_ = nullptr;
    QRadioButton* version10Button_ = nullptr;
    QRadioButton* version11Button_ = nullptr;
    QLineEdit* replayFolderBox_ = nullptr;
    QListWidget* logList_ = nullptr;
    QTimer* captureTimer_ = nullptr;
    QTimer* gameLinkTimer_ = nullptr;
    QTimer* gameTextTimer_ = nullptr;
    QPointer<OptionsWindow> options_;
    QPointer<LibraryWindow> library_;
    std::function<void()> closed_;
    /** The copies off the GUI thread; destroyed first, it waits for a copy in flight. */
    QThreadPool copies_;
};

} // namespace clipwarden
