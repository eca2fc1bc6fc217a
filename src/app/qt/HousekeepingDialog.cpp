#include "app/qt/HousekeepingDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <limits>

#include "app/qt/QtText.h"

namespace clipwarden {

namespace {

QSpinBox* NumberBox(QWidget* parent, const char* name) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(1, std::numeric_limits<int>::max()); // 0 is no rule: the switch says so
    box->setAccelerated(true);
    return box;
}

int Clamped(std::uint64_t value) {
    return static_cast<int>(std::min<std::uint64_t>(value, std::numeric_limits<int>::max()));
}

} // namespace

HousekeepingDialog::HousekeepingDialog(Housekeeper& housekeeper, Clock& clock, QWidget* parent)
    : QDialog(parent), presenter_(housekeeper, clock, *this) {
    setObjectName(QStringLiteral("housekeepingDialog"));
    setWindowTitle(QStringLiteral("Housekeeping"));

    // Two rules read "Keep at most" on screen; a screen reader tells them apart by what they
    // count, and each number box by the rule it belongs to.
    byNumber_ = new QCheckBox(QStringLiteral("Keep at &most"), this);
    byNumber_->setObjectName(QStringLiteral("byNumber"));
    byNumber_->setAccessibleName(QStringLiteral("Keep at most a number of replays"));
    mostReplays_ = NumberBox(this, "mostReplays");
    mostReplays_->setSuffix(QStringLiteral(" replays"));
    mostReplays_->setAccessibleName(QStringLiteral("Most replays kept"));
    bySpace_ = new QCheckBox(QStringLiteral("Keep at m&ost"), this);
    bySpace_->setObjectName(QStringLiteral("bySpace"));
    bySpace_->setAccessibleName(QStringLiteral("Keep at most this much space"));
    space_ = NumberBox(this, "space");
    space_->setAccessibleName(QStringLiteral("Most space kept"));
    unit_ = new QComboBox(this);
    unit_->setObjectName(QStringLiteral("spaceUnit"));
    unit_->setAccessibleName(QStringLiteral("Unit of the space kept"));
    unit_->addItems({QStringLiteral("MB"), QStringLiteral("GB")});
    byAge_ = new QCheckBox(QStringLiteral("&Remove replays recorded more than"), this);
    byAge_->setObjectName(QStringLiteral("byAge"));
    days_ = NumberBox(this, "days");
    days_->setSuffix(QStringLiteral(" days ago"));
    days_->setAccessibleName(QStringLiteral("Days after which replays are removed"));

    auto* rules = new QGridLayout;
    rules->addWidget(byNumber_, 0, 0);
    rules->addWidget(mostReplays_, 0, 1, 1, 2);
    rules->addWidget(bySpace_, 1, 0);
    rules->addWidget(space_, 1, 1);
    rules->addWidget(unit_, 1, 2);
    rules->addWidget(byAge_, 2, 0);
    rules->addWidget(days_, 2, 1, 1, 2);
    rules->setColumnStretch(1, 1);

    preview_ = new QLabel(this);
    preview_->setObjectName(QStringLiteral("housekeepingPreview"));
    preview_->setWordWrap(true);
    preview_->setTextFormat(Qt::PlainText);
    preview_->setMinimumHeight(3 * fontMetrics().lineSpacing());
    auto* note = new QLabel(FromBytes(HousekeepingNote("trash")), this);
    note->setObjectName(QStringLiteral("housekeepingNote"));
    note->setWordWrap(true); // ordinary text: a disabled label is announced as unavailable

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    acceptButton_ = buttons->button(QDialogButtonBox::Ok);
    acceptButton_->setObjectName(QStringLiteral("acceptButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &HousekeepingDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &HousekeepingDialog::reject);

    auto* column = new QVBoxLayout(this);
    column->addLayout(rules);
    column->addWidget(preview_);
    column->addWidget(note);
    column->addWidget(buttons);
    setMinimumWidth(fontMetrics().averageCharWidth() * 64);

    for (QCheckBox* box : {byNumber_, bySpace_, byAge_}) {
        connect(box, &QCheckBox::toggled, this, [this] { FormChanged(); });
    }
    for (QSpinBox* box : {mostReplays_, space_, days_}) {
        connect(box, &QSpinBox::valueChanged, this, [this] { FormChanged(); });
    }
    connect(unit_, &QComboBox::currentIndexChanged, this, [this] { FormChanged(); });
    presenter_.Open();
}

void HousekeepingDialog::ShowForm(const HousekeepingForm& form) {
    showing_ = true;
    byNumber_->setChecked(form.byNumber);
    mostReplays_->setValue(Clamped(form.mostReplays));
    bySpace_->setChecked(form.bySpace);
    space_->setValue(Clamped(form.space));
    unit_->setCurrentIndex(form.gigabytes ? 1 : 0);
    byAge_->setChecked(form.byAge);
    days_->setValue(Clamped(form.days));
    showing_ = false;
    EnableNumbers(form);
}

void HousekeepingDialog::EnableNumbers(const HousekeepingForm& form) {
    mostReplays_->setEnabled(form.byNumber);
    space_->setEnabled(form.bySpace);
    unit_->setEnabled(form.bySpace);
    days_->setEnabled(form.byAge);
}

void HousekeepingDialog::ShowPreview(const std::string& preview, const std::string& accept) {
    preview_->setText(FromBytes(preview));
    acceptButton_->setText(FromBytes(accept));
}

bool HousekeepingDialog::Confirm(const std::string& question) {
    return QMessageBox::question(this, QStringLiteral("Clipwarden"), FromBytes(question),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void HousekeepingDialog::accept() {
    if (presenter_.OnAccept(Form())) {
        QDialog::accept();
    }
}

HousekeepingForm HousekeepingDialog::Form() const {
    HousekeepingForm form;
    form.byNumber = byNumber_->isChecked();
    form.mostReplays = static_cast<std::uint64_t>(mostReplays_->value());
    form.bySpace = bySpace_->isChecked();
    form.space = static_cast<std::uint64_t>(space_->value());
    form.gigabytes = unit_->currentIndex() == 1;
    form.byAge = byAge_->isChecked();
    form.days = static_cast<std::uint64_t>(days_->value());
    return form;
}

void HousekeepingDialog::FormChanged() {
    if (showing_) {
        return;
    }
    const HousekeepingForm form = Form();
    EnableNumbers(form);
    presenter_.OnFormChanged(form);
}

} // namespace clipwarden
