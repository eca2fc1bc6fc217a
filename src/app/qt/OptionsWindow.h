#pragma once

#include <QWidget>

#include "core/presenters/OptionsPresenter.h"
#include "core/presenters/OptionsView.h"

class QCheckBox;
class QLineEdit;

namespace clipwarden {

/** The Options window: the game folder and the autorun switch. A modeless tool window without
 *  owner; closing it destroys it, and it keeps the program running while it is open. */
class OptionsWindow final : public QWidget, public OptionsView {
    Q_OBJECT

public:
    OptionsWindow(Services& services, MainPresenter& main);
    ~OptionsWindow() override = default;
    OptionsWindow(const OptionsWindow&) = delete;
    OptionsWindow& operator=(const OptionsWindow&) = delete;
    OptionsWindow(OptionsWindow&&) = delete;
    OptionsWindow& operator=(OptionsWindow&&) = delete;

    void ShowGameFolder(const std::string& folder) override;
    void ShowAutorun(bool on) override;
    WindowRef Handle() override;
    void ShowStopMessage(const std::string& text) override;

private:
    OptionsPresenter presenter_;
    QLineEdit* gameFolderBox_ = nullptr;
    QCheckBox* autorunBox_ = nullptr;
};

} // namespace clipwarden
