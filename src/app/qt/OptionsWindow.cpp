#include "app/qt/OptionsWindow.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "app/qt/QtPlacement.h"

namespace clipwarden {

namespace place = layout::options_window;

OptionsWindow::OptionsWindow(Services& services, MainPresenter& main)
    : QWidget(nullptr,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      presenter_(services, main, *this) {
    setObjectName(QStringLiteral("optionsWindow"));
    setWindowTitle(QStringLiteral("Options"));
    setAttribute(Qt::WA_DeleteOnClose); // closing unloads; the next click loads it afresh
    // Qt lets a tool window close without a thought for the program; this one keeps it running
    // after the main window has closed, and the program ends when it closes.
    setAttribute(Qt::WA_QuitOnClose, true);
    resize(layout::Pixels(place::kWidth), layout::Pixels(place::kHeight));
    ApplyFormFont(this);

    // Fixed geometry: the controls keep their places when the frame is resized.
    Place<QLabel>(this, place::kGameFolderLabel)->setText(QStringLiteral("GTA:VC folder :"));
    gameFolderBox_ = Place<QLineEdit>(this, place::kGameFolderBox);
    gameFolderBox_->setAccessibleName(QStringLiteral("GTA:VC folder"));
    gameFolderBox_->setReadOnly(true);
    gameFolderBox_->setStyleSheet(QStringLiteral("background-color: #c0c0c0;"));
    auto* chooseGameFolder = Place<QPushButton>(this, place::kChooseGameFolderButton);
    chooseGameFolder->setText(QStringLiteral("Select"));
    autorunBox_ = Place<QCheckBox>(this, place::kAutorunBox);
    autorunBox_->setText(QStringLiteral("Autorun GTA:VC, when Clipwarden starts."));

    setTabOrder(gameFolderBox_, chooseGameFolder);
    setTabOrder(chooseGameFolder, autorunBox_);
    gameFolderBox_->setFocus();

    connect(autorunBox_, &QCheckBox::clicked, this,
            [this](bool checked) { presenter_.OnAutorunToggled(checked); });
    connect(chooseGameFolder, &QPushButton::clicked, this,
            [this] { presenter_.OnChooseGameFolder(); });
    presenter_.ShowStoredValues();
}

void OptionsWindow::ShowGameFolder(const std::string& folder) {
    gameFolderBox_->setText(QFile::decodeName(QByteArray::fromStdString(folder)));
}

void OptionsWindow::ShowAutorun(bool on) {
    autorunBox_->setChecked(on);
}

WindowRef OptionsWindow::Handle() {
    return static_cast<WindowRef>(winId());
}

void OptionsWindow::ShowStopMessage(const std::string& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Clipwarden"),
                    QString::fromStdString(text), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("stopMessage"));
    box.exec();
}

} // namespace clipwarden
