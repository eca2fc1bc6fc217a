#include "app/FrmMain.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "app/FormLayout.h"
#include "app/FrmOptions.h"

namespace clipwarden {

namespace {

void PlaceLine(QWidget* parent, const char* name, int top) {
    auto* line = Place<QFrame>(parent, name, 0, top, 4815, 15);
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

FrmMain::FrmMain(AppState& state, Services& services)
    : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                           Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      services_(services), logic_(state, services, *this) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Clipwarden"));
    setWindowIcon(QIcon(QStringLiteral(":/clipwarden-32.png")));
    setFixedSize(Twips(4815), Twips(4140));
    ApplyFormFont(this);

    gtaStatus_ = Place<QLabel>(this, "gtaStatus", 1200, 60, 2535, 255);
    gtaStatus_->setText(QString::fromLatin1(kStatusChecking));
    gtaStatus_->setAlignment(Qt::AlignCenter);
    gtaStatus_->setStyleSheet(QStringLiteral("color: #ff0000;"));
    PlaceLine(this, "Line1_0", 300);
    option1_ = Place<QRadioButton>(this, "Option1", 1080, 380, 1335, 195);
    option1_->setText(QStringLiteral("GTA:VC v. 1.0"));
    option2_ = Place<QRadioButton>(this, "Option2", 1080, 580, 1335, 195);
    option2_->setText(QStringLiteral("GTA:VC v. 1.1"));
    auto* versions = new QButtonGroup(this);
    versions->addButton(option1_);
    versions->addButton(option2_);
    command1_ = Place<QPushButton>(this, "Command1", 2880, 440, 1215, 255);
    command1_->setText(QStringLiteral("Options"));
    PlaceLine(this, "Line1_1", 840);
    Place<QLabel>(this, "Label2", 0, 960, 1095, 255)->setText(QStringLiteral("Replay folder :"));
    txtReplayDir_ = Place<QLineEdit>(this, "txtReplayDir", 90, 1200, 3090, 285);
    txtReplayDir_->setReadOnly(true);
    txtReplayDir_->setStyleSheet(QStringLiteral("background-color: #c0c0c0;"));
    selectMyDocs_ = Place<QPushButton>(this, "selectMyDocs", 3240, 1200, 615, 315);
    selectMyDocs_->setText(QStringLiteral("Select"));
    Place<QLabel>(this, "Label1", 0, 1680, 375, 255)->setText(QStringLiteral("Log :"));
    list1_ = Place<QListWidget>(this, "List1", 0, 1920, 4815, 2205);

    // The log first; the labels take no focus.
    setTabOrder(list1_, selectMyDocs_);
    setTabOrder(selectMyDocs_, txtReplayDir_);
    setTabOrder(txtReplayDir_, option1_);
    setTabOrder(option1_, option2_);
    setTabOrder(option2_, command1_);
    list1_->setFocus();

    timer1_ = MakeTimer(this, "Timer1");
    timer2_ = MakeTimer(this, "Timer2");
    timer3_ = MakeTimer(this, "Timer3");
    connect(timer1_, &QTimer::timeout, this, [this] { logic_.Timer1_Timer(); });
    connect(timer2_, &QTimer::timeout, this, [this] { logic_.Timer2_Timer(); });
    connect(timer3_, &QTimer::timeout, this, [this] { logic_.Timer3_Timer(); });
    connect(option1_, &QRadioButton::clicked, this, [this] { logic_.Option1_Click(); });
    connect(option2_, &QRadioButton::clicked, this, [this] { logic_.Option2_Click(); });
    connect(selectMyDocs_, &QPushButton::clicked, this, [this] { logic_.selectMyDocs_Click(); });
    connect(command1_, &QPushButton::clicked, this, [this] { logic_.Command1_Click(); });
}

FrmMain::~FrmMain() {
    delete options_.data();
}

void FrmMain::Start() {
    logic_.Form_Initialize();
    logic_.EnsureLoaded();
    timer1_->start();
    timer2_->start();
    show();
    list1_->setFocus();
}

void FrmMain::AddLogLine(const std::string& line) {
    list1_->addItem(QString::fromStdString(line));
    list1_->setCurrentRow(list1_->count() - 1);
    list1_->scrollToBottom();
}

void FrmMain::SetTimer3Enabled(bool enabled) {
    if (!enabled) {
        timer3_->stop();
    } else if (!timer3_->isActive()) {
        timer3_->start();
    }
}

void FrmMain::SetStatusText(const std::string& text) {
    gtaStatus_->setText(QString::fromStdString(text));
}

bool FrmMain::IsOption1Selected() const {
    return option1_->isChecked();
}

bool FrmMain::IsOption2Selected() const {
    return option2_->isChecked();
}

void FrmMain::SetReplayDirText(const std::string& text) {
    txtReplayDir_->setText(QFile::decodeName(QByteArray::fromStdString(text)));
}

void FrmMain::SelectVersionOption(bool version11) {
    (version11 ? option2_ : option1_)->setChecked(true);
}

FrmOptions* FrmMain::optionsWindow() {
    return options_.data();
}

WindowRef FrmMain::Handle() {
    return static_cast<WindowRef>(winId());
}

void FrmMain::ShowOptionsWindow() {
    if (options_ == nullptr) {
        options_ = new FrmOptions(services_, logic_);
    }
    options_->show();
    options_->raise();
    options_->activateWindow();
}

void FrmMain::closeEvent(QCloseEvent* event) {
    logic_.Form_Unload();
    timer1_->stop();
    timer2_->stop();
    timer3_->stop();
    event->accept();
}

} // namespace clipwarden
