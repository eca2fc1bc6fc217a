#include "app/FrmOptions.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "app/FormLayout.h"

namespace clipwarden {

FrmOptions::FrmOptions(Services& services, FrmMainLogic& main)
    : QWidget(nullptr,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      logic_(services, main, *this) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setAttribute(Qt::WA_DeleteOnClose); // closing unloads; the next click loads it afresh
    resize(Twips(4095), Twips(1140));
    ApplyFormFont(this);

    // Fixed geometry: the controls keep their places when the frame is resized.
    Place<QLabel>(this, "Label2", 120, 120, 1095, 255)->setText(QStringLiteral("GTA:VC folder :"));
    txtGTADir_ = Place<QLineEdit>(this, "txtGTADir", 90, 360, 3090, 285);
    txtGTADir_->setReadOnly(true);
    txtGTADir_->setStyleSheet(QStringLiteral("background-color: #c0c0c0;"));
    selectGTADir_ = Place<QPushButton>(this, "selectGTADir", 3240, 360, 615, 315);
    selectGTADir_->setText(QStringLiteral("Select"));
    check1_ = Place<QCheckBox>(this, "Check1", 120, 840, 3975, 255);
    check1_->setText(QStringLiteral("Autorun GTA:VC, when Clipwarden starts."));

    setTabOrder(txtGTADir_, selectGTADir_);
    setTabOrder(selectGTADir_, check1_);
    txtGTADir_->setFocus();

    connect(check1_, &QCheckBox::clicked, this, [this] { logic_.Check1_Click(); });
    connect(selectGTADir_, &QPushButton::clicked, this, [this] { logic_.selectGTADir_Click(); });
    logic_.Form_Load();
}

void FrmOptions::SetGameDirText(const std::string& text) {
    txtGTADir_->setText(QFile::decodeName(QByteArray::fromStdString(text)));
}

void FrmOptions::SetCheck1(bool checked) {
    check1_->setChecked(checked);
}

bool FrmOptions::IsCheck1Checked() const {
    return check1_->isChecked();
}

WindowRef FrmOptions::Handle() {
    return static_cast<WindowRef>(winId());
}

void FrmOptions::ShowStopMessage(const std::string& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Clipwarden"),
                    QString::fromStdString(text), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("stopMessage"));
    box.exec();
}

} // namespace clipwarden
