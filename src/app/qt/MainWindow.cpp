#include "app/qt/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTimer>

#include "app/qt/LibraryWindow.h"
#include "app/qt/OptionsWindow.h"
#include "app/qt/QtPlacement.h"

namespace clipwarden {

namespace {

namespace place = layout::main_window;

void PlaceRule(QWidget* parent, const layout::Control& control) {
    auto* line = Place<QFrame>(parent, control);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
}

QTimer* MakeTimer(QObject* parent, const char* name) {
    auto* timer = new QTimer(parent);
    timer->setObjectName(QString::fromLatin1(name));
    timer->setInterval(1000);
    return timer;
}

} // namespace

MainWindow::MainWindow(Services& services)
    : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                           Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      services_(services), presenter_(services, *this) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Clipwarden"));
    setWindowIcon(QIcon(QStringLiteral(":/clipwarden-32.png")));
    setFixedSize(layout::Pixels(place::kWidth), layout::Pixels(place::kHeight));
    ApplyFormFont(this);

    statusLabel_ = Place<QLabel>(this, place::kStatusLabel);
    statusLabel_->setText(QString::fromLatin1(kStatusChecking));
    statusLabel_->setAlignment(Qt::AlignCenter);
    statusLabel_->setStyleSheet(QStringLiteral("color: #ff0000;"));
    PlaceRule(this, place::kUpperRule);
    version10Button_ = Place<QRadioButton>(this, place::kVersion10Button);
    version10Button_->setText(QStringLiteral("GTA:VC v. 1.0"));
    version11Button_ = Place<QRadioButton>(this, place::kVersion11Button);
    version11Button_->setText(QStringLiteral("GTA:VC v. 1.1"));
    auto* versions = new QButtonGroup(this);
    versions->addButton(version10Button_);
    versions->addButton(version11Button_);
    auto* optionsButton = Place<QPushButton>(this, place::kOptionsButton);
    optionsButton->setText(QStringLiteral("Options"));
    PlaceRule(this, place::kLowerRule);
    Place<QLabel>(this, place::kReplayFolderLabel)->setText(QStringLiteral("Replay folder :"));
    replayFolderBox_ = Place<QLineEdit>(this, place::kReplayFolderBox);
    replayFolderBox_->setAccessibleName(QStringLiteral("Replay folder"));
    replayFolderBox_->setReadOnly(true);
    replayFolderBox_->setStyleSheet(QStringLiteral("background-color: #c0c0c0;"));
    auto* chooseReplayFolder = Place<QPushButton>(this, place::kChooseReplayFolderButton);
    chooseReplayFolder->setText(QStringLiteral("Select"));
    auto* libraryButton = Place<QPushButton>(this, place::kLibraryButton);
    libraryButton->setText(QStringLiteral("Library"));
    Place<QLabel>(this, place::kLogLabel)->setText(QStringLiteral("Log :"));
    logList_ = Place<QListWidget>(this, place::kLogList);
    logList_->setAccessibleName(QStringLiteral("Log"));
    // A line longer than the log is wide is read whole in its tooltip, or copied.
    auto* copy = new QAction(QStringLiteral("&Copy"), logList_);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, this, [this] {
        QStringList lines;
        for (const QListWidgetItem* item : logList_->selectedItems()) {
            lines.push_back(item->text());
        }
        if (!lines.isEmpty()) {
            QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
        }
    });
    logList_->addAction(copy);
    logList_->setContextMenuPolicy(Qt::ActionsContextMenu);

    // The log first; the labels take no focus.
    setTabOrder(logList_, chooseReplayFolder);
    setTabOrder(chooseReplayFolder, libraryButton);
    setTabOrder(libraryButton, replayFolderBox_);
    setTabOrder(replayFolderBox_, version10Button_);
    setTabOrder(version10Button_, version11Button_);
    setTabOrder(version11Button_, optionsButton);
    logList_->setFocus();

    captureTimer_ = MakeTimer(this, "captureTimer");
    gameLinkTimer_ = MakeTimer(this, "gameLinkTimer");
    gameTextTimer_ = MakeTimer(this, "gameTextTimer");
    connect(captureTimer_, &QTimer::timeout, this, [this] { presenter_.CaptureTick(); });
    connect(gameLinkTimer_, &QTimer::timeout, this, [this] { presenter_.GameLinkTick(); });
    connect(gameTextTimer_, &QTimer::timeout, this, [this] { presenter_.GameTextTick(); });
    connect(version10Button_, &QRadioButton::clicked, this,
            [this] { presenter_.OnVersionChosen(GameVersion::V1_0); });
    connect(version11Button_, &QRadioButton::clicked, this,
            [this] { presenter_.OnVersionChosen(GameVersion::V1_1); });
    connect(chooseReplayFolder, &QPushButton::clicked, this,
            [this] { presenter_.OnChooseReplayFolder(); });
    connect(optionsButton, &QPushButton::clicked, this, [this] { presenter_.OnOptionsClicked(); });
    connect(libraryButton, &QPushButton::clicked, this, [this] { ShowLibraryWindow(); });
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this), &QShortcut::activated, this,
            [this] { ShowLibraryWindow(); });
}

MainWindow::~MainWindow() {
    delete library_.data();
    delete options_.data();
}

void MainWindow::Start() {
    presenter_.Start();
    captureTimer_->start();
    gameLinkTimer_->start();
    show();
    logList_->setFocus();
}

void MainWindow::AddLogLine(const std::string& line) {
    auto* item = new QListWidgetItem(QString::fromStdString(line), logList_);
    item->setToolTip(item->text());
    logList_->setCurrentRow(logList_->count() - 1);
    logList_->scrollToBottom();
}

void MainWindow::RunGameTextTimer(bool running) {
    if (!running) {
        gameTextTimer_->stop();
    } else if (!gameTextTimer_->isActive()) {
        gameTextTimer_->start();
    }
}

void MainWindow::RunAside(std::function<void()> work, std::function<void()> done) {
    copies_.start([this, work = std::move(work), done = std::move(done)]() mutable {
        work();
        // Back on the GUI thread; dropped with the window if it has gone meanwhile.
        QMetaObject::invokeMethod(this, std::move(done), Qt::QueuedConnection);
    });
}

void MainWindow::RecheckCaptureIn(int milliseconds) {
    QTimer::singleShot(milliseconds, this, [this] {
        if (captureTimer_->isActive()) { // nothing is captured once the window has closed
            presenter_.CaptureTick();
        }
    });
}

void MainWindow::SetStatusText(const std::string& text) {
    statusLabel_->setText(QString::fromStdString(text));
}

void MainWindow::ShowReplayFolder(const std::string& folder) {
    replayFolderBox_->setText(QFile::decodeName(QByteArray::fromStdString(folder)));
}

void MainWindow::ShowVersion(GameVersion version) {
    (version == GameVersion::V1_0 ? version10Button_ : version11Button_)->setChecked(true);
}

OptionsWindow* MainWindow::optionsWindow() {
    return options_.data();
}

WindowRef MainWindow::Handle() {
    return static_cast<WindowRef>(winId());
}

bool MainWindow::Confirm(const std::string& question) {
    return QMessageBox::question(
               this, QStringLiteral("Clipwarden"), QString::fromStdString(question),
               QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void MainWindow::ShowOptionsWindow() {
    if (options_ == nullptr) {
        options_ = new OptionsWindow(services_, presenter_);
        // It opens centred on the main window, not wherever the system puts new windows.
        options_->move(frameGeometry().center() - options_->rect().center());
    }
    options_->show();
    options_->raise();
    options_->activateWindow();
}

LibraryWindow* MainWindow::libraryWindow() {
    return library_.data();
}

void MainWindow::ShowLibraryWindow() {
    if (library_ == nullptr) {
        library_ = new LibraryWindow(services_, presenter_, this);
    }
    library_->BringForward();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (library_ != nullptr) {
        library_->close(); // it goes with the main window, its place stored
    }
    presenter_.Shutdown();
    captureTimer_->stop();
    gameLinkTimer_->stop();
    gameTextTimer_->stop();
    event->accept();
    if (closed_) {
        closed_();
    }
}

void MainWindow::BringForward() {
    showNormal();
    raise();
    activateWindow();
}

} // namespace clipwarden
