// The real windows under Qt's offscreen platform.

#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "Fakes.h"
#include "TempDir.h"
#include "app/FrmMain.h"
#include "app/FrmOptions.h"
#include "platform/linux/PosixFileSystem.h"
#include "platform/qt/QtSettingsStore.h"

namespace clipwarden::test {
namespace {

/** The widget Tab moves to from `from`. */
QWidget* NextTabStop(QWidget* from) {
    for (QWidget* w = from->nextInFocusChain(); w != from; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) != 0 && w->isEnabled() &&
            w->parentWidget() == from->parentWidget()) {
            return w;
        }
    }
    return nullptr;
}

struct Windows : ::testing::Test {
    TempDir dir;
    PosixFileSystem files;
    FakeClock clock;
    QtSettingsStore settings{QString::fromStdString(dir / "config/Clipwarden/Clipwarden.conf")};
    FakeShellFolders shell;
    FakeProcesses processes;
    FakeHooks hooks;
    FakeLauncher launcher;
    std::ostringstream echo;
    Services services{files, clock, settings, shell, processes, hooks, launcher, echo, "/games/vc"};
    AppState state;
    std::unique_ptr<FrmMain> main = std::make_unique<FrmMain>(state, services);

    template <typename T> T* Child(QWidget* form, const char* name) {
        T* widget = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    template <typename T>
    void ExpectControl(QWidget* form, const char* name, const char* text, QRect pixels) {
        T* widget = Child<T>(form, name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), pixels) << name;
        if constexpr (requires { widget->text(); }) {
            if (text != nullptr) {
                EXPECT_EQ(widget->text().toStdString(), text) << name;
            }
        }
    }
    QTimer* Timer(const char* name) { return main->findChild<QTimer*>(QString::fromLatin1(name)); }
};

TEST_F(Windows, TheMainWindowHasEveryControlInItsPlace) {
    shell.documents = dir.str();
    main->Start();
    EXPECT_EQ(main->windowTitle().toStdString(), "Clipwarden");
    EXPECT_EQ(main->size(), QSize(321, 276));
    EXPECT_EQ(main->minimumSize(), main->maximumSize()) << "fixed single border";
    EXPECT_FALSE(main->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(main->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(main->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(main->windowIcon().isNull());

    ExpectControl<QLabel>(main.get(), "gtaStatus", "Checking if GTA:VC is running...",
                          {80, 4, 169, 17});
    ExpectControl<QRadioButton>(main.get(), "Option1", "GTA:VC v. 1.0", {72, 25, 89, 13});
    ExpectControl<QRadioButton>(main.get(), "Option2", "GTA:VC v. 1.1", {72, 39, 89, 13});
    ExpectControl<QPushButton>(main.get(), "Command1", "Options", {192, 29, 81, 17});
    ExpectControl<QLabel>(main.get(), "Label2", "Replay folder :", {0, 64, 73, 17});
    ExpectControl<QLineEdit>(main.get(), "txtReplayDir", nullptr, {6, 80, 206, 19});
    ExpectControl<QPushButton>(main.get(), "selectMyDocs", "Select", {216, 80, 41, 21});
    ExpectControl<QLabel>(main.get(), "Label1", "Log :", {0, 112, 25, 17});
    ExpectControl<QListWidget>(main.get(), "List1", nullptr, {0, 128, 321, 147});
    ExpectControl<QFrame>(main.get(), "Line1_0", nullptr, {0, 20, 321, 1});
    ExpectControl<QFrame>(main.get(), "Line1_1", nullptr, {0, 56, 321, 1});

    auto* status = Child<QLabel>(main.get(), "gtaStatus");
    EXPECT_EQ(status->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    EXPECT_EQ(status->palette().color(QPalette::WindowText), QColor(Qt::red));
    auto* box = Child<QLineEdit>(main.get(), "txtReplayDir");
    EXPECT_TRUE(box->isReadOnly());
    EXPECT_EQ(box->text().toStdString(), dir / "GTA Vice City User Files");
    EXPECT_TRUE(Child<QRadioButton>(main.get(), "Option2")->isChecked());

    // Tab order: the log first, then the folder's button and box, then the options.
    QWidget* list = Child<QListWidget>(main.get(), "List1");
    EXPECT_EQ(NextTabStop(list), Child<QPushButton>(main.get(), "selectMyDocs"));
    EXPECT_EQ(NextTabStop(NextTabStop(list)), box);
    EXPECT_EQ(NextTabStop(box), Child<QRadioButton>(main.get(), "Option1"));
    EXPECT_EQ(main->focusWidget(), list);

    ASSERT_NE(Timer("Timer1"), nullptr);
    EXPECT_TRUE(Timer("Timer1")->isActive());
    EXPECT_TRUE(Timer("Timer2")->isActive());
    EXPECT_FALSE(Timer("Timer3")->isActive());
    EXPECT_EQ(Timer("Timer1")->interval(), 1000);
    EXPECT_EQ(Timer("Timer3")->interval(), 1000);
}

TEST_F(Windows, LogLinesGoAtTheEndSelectedAndAGameTextStartsTimer3) {
    main->Start();
    main->logic().notifier().PostNotification("[1] one", "");
    main->logic().notifier().PostNotification("[2] two", "game text");
    auto* list = Child<QListWidget>(main.get(), "List1");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(1)->text().toStdString(), "[2] two");
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_TRUE(Timer("Timer3")->isActive());
    EXPECT_EQ(echo.str(), "[1] one\n[2] two\n");
}

TEST_F(Windows, ClickingTheVersionStoresItAndItIsRestoredAtTheNextStart) {
    main->Start();
    Child<QRadioButton>(main.get(), "Option1")->click();
    EXPECT_EQ(settings.Read("GTAVC-version"), "0");
    main.reset();
    AppState again;
    FrmMain second(again, services);
    second.Start();
    EXPECT_TRUE(second.findChild<QRadioButton*>(QStringLiteral("Option1"))->isChecked());
}

TEST_F(Windows, OneOptionsWindowAtATimeLoadedAfreshAfterClosing) {
    main->Start();
    auto* options = Child<QPushButton>(main.get(), "Command1");
    options->click();
    FrmOptions* first = main->optionsWindow();
    ASSERT_NE(first, nullptr);
    options->click();
    EXPECT_EQ(main->optionsWindow(), first);
    EXPECT_EQ(first->windowTitle().toStdString(), "Options");
    EXPECT_TRUE(first->windowFlags() & Qt::Tool);
    EXPECT_EQ(first->parentWidget(), nullptr);
    EXPECT_TRUE(first->isVisible());

    settings.Write("GTAVC-autorun", "1");
    first->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main->optionsWindow(), nullptr);
    options->click();
    ASSERT_NE(main->optionsWindow(), nullptr);
    EXPECT_TRUE(
        main->optionsWindow()->findChild<QCheckBox*>(QStringLiteral("Check1"))->isChecked());
}

TEST_F(Windows, TheOptionsWindowHasEveryControlAndKeepsThemWhenResized) {
    main->Start();
    main->ShowOptionsWindow();
    FrmOptions* options = main->optionsWindow();
    ExpectControl<QLabel>(options, "Label2", "GTA:VC folder :", {8, 8, 73, 17});
    ExpectControl<QLineEdit>(options, "txtGTADir", "/games/vc", {6, 24, 206, 19});
    ExpectControl<QPushButton>(options, "selectGTADir", "Select", {216, 24, 41, 21});
    ExpectControl<QCheckBox>(options, "Check1", "Autorun GTA:VC, when Clipwarden starts.",
                             {8, 56, 265, 17});
    EXPECT_EQ(options->size(), QSize(273, 76));
    EXPECT_FALSE(options->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(options->windowFlags() & Qt::WindowMaximizeButtonHint);
    options->resize(400, 200);
    EXPECT_EQ(Child<QPushButton>(options, "selectGTADir")->geometry(), QRect(216, 24, 41, 21));
    EXPECT_TRUE(Child<QLineEdit>(options, "txtGTADir")->isReadOnly());
    QWidget* box = Child<QLineEdit>(options, "txtGTADir");
    EXPECT_EQ(NextTabStop(box), Child<QPushButton>(options, "selectGTADir"));
    EXPECT_EQ(NextTabStop(NextTabStop(box)), Child<QCheckBox>(options, "Check1"));

    Child<QCheckBox>(options, "Check1")->click();
    EXPECT_EQ(settings.Read("GTAVC-autorun"), "1");
    Child<QCheckBox>(options, "Check1")->click();
    EXPECT_EQ(settings.Read("GTAVC-autorun"), "0");
}

TEST_F(Windows, AFolderWithoutTheGameIsRefusedWithAStopMessage) {
    main->Start();
    main->ShowOptionsWindow();
    FrmOptions* options = main->optionsWindow();
    shell.answers = {dir.str()};
    std::string seenText;
    std::string seenTitle;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons seenButtons;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seenText = box->text().toStdString();
        seenTitle = box->windowTitle().toStdString();
        seenIcon = box->icon();
        seenButtons = box->standardButtons();
        box->button(QMessageBox::Ok)->click();
    });
    Child<QPushButton>(options, "selectGTADir")->click();
    EXPECT_EQ(seenText, "gta-vc.exe not found!");
    EXPECT_EQ(seenTitle, "Clipwarden");
    EXPECT_EQ(seenIcon, QMessageBox::Critical);
    EXPECT_EQ(seenButtons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(Child<QLineEdit>(options, "txtGTADir")->text().toStdString(), "/games/vc");
    EXPECT_FALSE(settings.Read("GTAVC-path"));

    WriteFile(dir / "gta-vc.exe", "MZ");
    shell.answers = {dir.str()};
    Child<QPushButton>(options, "selectGTADir")->click();
    EXPECT_EQ(Child<QLineEdit>(options, "txtGTADir")->text().toStdString(), dir.str());
    EXPECT_EQ(settings.Read("GTAVC-path"), dir.str());
}

TEST_F(Windows, ClosingTheMainWindowRemovesTheHookButLeavesOptionsOpen) {
    main->Start();
    main->ShowOptionsWindow();
    ASSERT_NE(hooks.installed, 0);
    main->close();
    EXPECT_EQ(hooks.removed, (std::vector<HookHandle>{42}));
    EXPECT_FALSE(hooks.Press(117, 0));
    EXPECT_TRUE(main->optionsWindow()->isVisible());
    EXPECT_FALSE(Timer("Timer1")->isActive());
}

TEST_F(Windows, NothingIsWrittenBeforeTheUserChangesSomething) {
    main->Start();
    main->ShowOptionsWindow();
    main->close();
    EXPECT_FALSE(std::filesystem::exists(dir / "config/Clipwarden/Clipwarden.conf"));
}

} // namespace
} // namespace clipwarden::test
