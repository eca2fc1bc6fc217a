#pragma once

#include <QDialog>

#include "core/presenters/HousekeepingPresenter.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace clipwarden {

/** The Housekeeping dialog: the three rules, what they would remove now, OK and Cancel. */
class HousekeepingDialog final : public QDialog, public HousekeepingView {
    Q_OBJECT

public:
    HousekeepingDialog(Housekeeper& housekeeper, Clock& clock, QWidget* parent);

    // HousekeepingView
    void ShowForm(const HousekeepingForm& form) override;
    void ShowPreview(const std::string& preview, const std::string& accept) override;
    bool Confirm(const std::string& question) override;

    void accept() override;

private:
    [[nodiscard]] HousekeepingForm Form() const;
    void FormChanged();
    /** The number boxes of the rules that are on are enabled. */
    void EnableNumbers(const HousekeepingForm& form);

    HousekeepingPresenter presenter_;
    QCheckBox* byNumber_ = nullptr;
    QSpinBox* mostReplays_ = nullptr;
    QCheckBox* bySpace_ = nullptr;
    QSpinBox* space_ = nullptr;
    QComboBox* unit_ = nullptr;
    QCheckBox* byAge_ = nullptr;
    QSpinBox* days_ = nullptr;
    QLabel* preview_ = nullptr;
    QPushButton* acceptButton_ = nullptr; ///< says what it does: store the rules, or move files too
    bool showing_ = false; ///< while the form is filled in, its changes are not the user's
};

} // namespace clipwarden
