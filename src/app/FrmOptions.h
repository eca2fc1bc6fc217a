#pragma once

#include <QWidget>

#include "forms/FrmOptionsLogic.h"
#include "forms/MainView.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace clipwarden {

/** The Options window: the game folder and the autorun switch. A modeless tool window without
 *  owner; closing it unloads it. */
class FrmOptions final : public QWidget, public OptionsView {
    Q_OBJECT

public:
    FrmOptions(Services& services, FrmMainLogic& main);
    ~FrmOptions() override = default;
    FrmOptions(const FrmOptions&) = delete;
    FrmOptions& operator=(const FrmOptions&) = delete;
    FrmOptions(FrmOptions&&) = delete;
    FrmOptions& operator=(FrmOptions&&) = delete;

    FrmOptionsLogic& logic() { return logic_; }

    void SetGameDirText(const std::string& text) override;
    void SetCheck1(bool checked) override;
    [[nodiscard]] bool IsCheck1Checked() const override;
    WindowRef Handle() override;
    void ShowStopMessage(const std::string& text) override;

private:
    FrmOptionsLogic logic_;
    QLineEdit* txtGTADir_ = nullptr;
    QPushButton* selectGTADir_ = nullptr;
    QCheckBox* check1_ = nullptr;
};

} // namespace clipwarden
