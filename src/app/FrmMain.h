#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

#include "core/AppState.h"
#include "forms/FrmMainLogic.h"
#include "forms/MainView.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTimer;

namespace clipwarden {

class FrmOptions;

/** The main window: status, version choice, replay folder and the log. Its behaviour lives in
 *  FrmMainLogic; this class only forwards events and shows what it is told. */
class FrmMain final : public QWidget, public MainView {
    Q_OBJECT

public:
    FrmMain(AppState& state, Services& services);
    ~FrmMain() override;
    FrmMain(const FrmMain&) = delete;
    FrmMain& operator=(const FrmMain&) = delete;
    FrmMain(FrmMain&&) = delete;
    FrmMain& operator=(FrmMain&&) = delete;

    /** Creation, load, the autorun launch and the timers, in the program's start-up order. */
    void Start();

    FrmMainLogic& logic() { return logic_; }
    FrmOptions* optionsWindow();

    // MainView
    void AddLogLine(const std::string& line) override;
    void SetTimer3Enabled(bool enabled) override;
    void SetStatusText(const std::string& text) override;
    [[nodiscard]] bool IsOption1Selected() const override;
    [[nodiscard]] bool IsOption2Selected() const override;
    void SetReplayDirText(const std::string& text) override;
    void SelectVersionOption(bool version11) override;
    WindowRef Handle() override;
    void ShowOptionsWindow() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Services& services_;
    FrmMainLogic logic_;
    QLabel* gtaStatus_ = nullptr;
    QRadioButton* option1_ = nullptr;
    QRadioButton* option2_ = nullptr;
    QPushButton* command1_ = nullptr;
    QLineEdit* txtReplayDir_ = nullptr;
    QPushButton* selectMyDocs_ = nullptr;
    QListWidget* list1_ = nullptr;
    QTimer* timer1_ = nullptr;
    QTimer* timer2_ = nullptr;
    QTimer* timer3_ = nullptr;
    QPointer<FrmOptions> options_;
};

} // namespace clipwarden
