// The real windows under Qt's offscreen platform.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <type_traits>

#include <QAccessible>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <QUrl>

#include "ChildProcess.h"
#include "ReplayWriter.h"

#include "Fakes.h"
#include "TempDir.h"
#include "app/qt/LibraryWindow.h"
#include "app/qt/MainWindow.h"
#include "app/qt/OptionsWindow.h"
#include "core/presenters/WindowLayout.h"
#include "platform/posix/PosixFileSystem.h"
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

/** The controls of `window` that a screen reader finds without a name, as Qt's accessibility
 *  tree gives them to AT-SPI ("objectName (role)"). Rows and cells of lists are not walked. */
QStringList UnnamedControls(QWidget* window) {
    static const std::set<QAccessible::Role> controls = {
        QAccessible::EditableText, QAccessible::List,        QAccessible::Table,
        QAccessible::SpinBox,      QAccessible::CheckBox,    QAccessible::ComboBox,
        QAccessible::Button,       QAccessible::RadioButton, QAccessible::Graphic};
    QStringList unnamed;
    std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
        if (node == nullptr || node->state().invisible) {
            return;
        }
        if (controls.contains(node->role()) && node->text(QAccessible::Name).trimmed().isEmpty()) {
            unnamed << (node->object() != nullptr ? node->object()->objectName() : QString()) +
                           QStringLiteral(" (%1)").arg(node->role());
        }
        if (node->role() == QAccessible::Table || node->role() == QAccessible::List) {
            return;
        }
        for (int i = 0; i < node->childCount(); ++i) {
            walk(node->child(i));
        }
    };
    walk(QAccessible::queryAccessibleInterface(window));
    return unnamed;
}

struct Windows : ::testing::Test {
    TempDir dir;
    PosixFileSystem files;
    FakeClock clock;
    QtSettingsStore settings{QString::fromStdString(dir / "config/Clipwarden/Clipwarden.conf")};
    FakeShellFolders shell;
    FakeProcesses processes;
    FakeKeys keys;
    FakeLauncher launcher;
    FakeTrash trash;
    FakeFileManager fileManager;
    FakeFolderWatch folderWatch;
    FakeRegistry registry;
    std::ostringstream echo;
    Services services{files, clock,       settings,    shell, processes,   keys,          launcher,
                      trash, fileManager, folderWatch, registry, echo, "/games/vc", SearchPlaces{}};
    std::unique_ptr<MainWindow> main = std::make_unique<MainWindow>(services);

    template <typename T> T* Child(QWidget* form, const layout::Control& control) {
        T* widget = form->findChild<T*>(QString::fromLatin1(control.name));
        EXPECT_NE(widget, nullptr) << control.name;
        return widget;
    }
    /** The control sits where the layout table puts it, in pixels at 96 DPI. */
    template <typename T>
    void ExpectControl(QWidget* form, const layout::Control& control, const char* text) {
        T* widget = Child<T>(form, control);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(),
                  QRect(layout::Pixels(control.left), layout::Pixels(control.top),
                        layout::Pixels(control.width), layout::Pixels(control.height)))
            << control.name;
        if constexpr (requires { widget->text(); }) {
            if (text != nullptr) {
                EXPECT_EQ(widget->text().toStdString(), text) << control.name;
            }
            if constexpr (std::is_same_v<T, QLabel>) {
                EXPECT_LE(widget->fontMetrics().horizontalAdvance(widget->text()),
                          widget->contentsRect().width())
                    << control.name << ": its caption is cut";
            }
        }
    }
    QTimer* Timer(const char* name) { return main->findChild<QTimer*>(QString::fromLatin1(name)); }
};

namespace mw = layout::main_window;
namespace ow = layout::options_window;

TEST(Layout, TwipsBecomePixelsRoundedAtAnyDpi) {
    EXPECT_EQ(layout::Pixels(mw::kWidth), 321);
    EXPECT_EQ(layout::Pixels(mw::kHeight), 276);
    EXPECT_EQ(layout::Pixels(7), 0);
    EXPECT_EQ(layout::Pixels(8), 1);
    EXPECT_EQ(layout::Pixels(1440, 144), 144);
    EXPECT_EQ(layout::Pixels(ow::kWidth, 192), 546);
}

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

    ExpectControl<QLabel>(main.get(), mw::kStatusLabel, "Checking if GTA:VC is running...");
    ExpectControl<QRadioButton>(main.get(), mw::kVersion10Button, "GTA:VC v. 1.0");
    ExpectControl<QRadioButton>(main.get(), mw::kVersion11Button, "GTA:VC v. 1.1");
    ExpectControl<QPushButton>(main.get(), mw::kOptionsButton, "Options");
    ExpectControl<QLabel>(main.get(), mw::kReplayFolderLabel, "Replay folder :");
    ExpectControl<QLineEdit>(main.get(), mw::kReplayFolderBox, nullptr);
    ExpectControl<QPushButton>(main.get(), mw::kChooseReplayFolderButton, "Select");
    ExpectControl<QPushButton>(main.get(), mw::kLibraryButton, "Library");
    ExpectControl<QLabel>(main.get(), mw::kLogLabel, "Log :");
    ExpectControl<QListWidget>(main.get(), mw::kLogList, nullptr);
    ExpectControl<QFrame>(main.get(), mw::kUpperRule, nullptr);
    ExpectControl<QFrame>(main.get(), mw::kLowerRule, nullptr);
    for (QWidget* child : main->findChildren<QWidget*>()) {
        EXPECT_TRUE(main->rect().contains(child->geometry())) << child->objectName().toStdString();
    }

    auto* status = Child<QLabel>(main.get(), mw::kStatusLabel);
    EXPECT_EQ(status->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    EXPECT_EQ(status->palette().color(QPalette::WindowText), QColor(Qt::red));
    auto* box = Child<QLineEdit>(main.get(), mw::kReplayFolderBox);
    EXPECT_TRUE(box->isReadOnly());
    EXPECT_EQ(box->text().toStdString(), dir / "GTA Vice City User Files");
    EXPECT_TRUE(Child<QRadioButton>(main.get(), mw::kVersion11Button)->isChecked());

    // Tab order: the log first, then the folder's buttons and box, then the options.
    QWidget* list = Child<QListWidget>(main.get(), mw::kLogList);
    EXPECT_EQ(NextTabStop(list), Child<QPushButton>(main.get(), mw::kChooseReplayFolderButton));
    EXPECT_EQ(NextTabStop(NextTabStop(list)), Child<QPushButton>(main.get(), mw::kLibraryButton));
    EXPECT_EQ(NextTabStop(NextTabStop(NextTabStop(list))), box);
    EXPECT_EQ(NextTabStop(box), Child<QRadioButton>(main.get(), mw::kVersion10Button));
    EXPECT_EQ(main->focusWidget(), list);

    ASSERT_NE(Timer("captureTimer"), nullptr);
    EXPECT_TRUE(Timer("captureTimer")->isActive());
    EXPECT_TRUE(Timer("gameLinkTimer")->isActive());
    EXPECT_FALSE(Timer("gameTextTimer")->isActive());
}

TEST_F(Windows, LogLinesGoAtTheEndSelectedAndAGameTextStartsItsTimer) {
    main->Start();
    auto* list = Child<QListWidget>(main.get(), mw::kLogList);
    const int before = list->count(); // what start-up said
    echo.str({});
    main->presenter().notifier().PostNotification("[1] one", "");
    main->presenter().notifier().PostNotification("[2] two", "game text");
    ASSERT_EQ(list->count(), before + 2);
    EXPECT_EQ(list->item(before + 1)->text().toStdString(), "[2] two");
    EXPECT_EQ(list->currentRow(), before + 1);
    EXPECT_TRUE(Timer("gameTextTimer")->isActive());
    EXPECT_EQ(echo.str(), "[1] one\n[2] two\n");
}

TEST_F(Windows, ClickingTheVersionStoresItAndItIsRestoredAtTheNextStart) {
    main->Start();
    Child<QRadioButton>(main.get(), mw::kVersion10Button)->click();
    EXPECT_EQ(settings.Read("GTAVC-version"), "0");
    EXPECT_EQ(main->presenter().version(), GameVersion::V1_0);
    main.reset();
    MainWindow second(services);
    second.Start();
    EXPECT_TRUE(Child<QRadioButton>(&second, mw::kVersion10Button)->isChecked());
}

TEST_F(Windows, OneOptionsWindowAtATimeLoadedAfreshAfterClosing) {
    main->Start();
    auto* options = Child<QPushButton>(main.get(), mw::kOptionsButton);
    options->click();
    OptionsWindow* first = main->optionsWindow();
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
    EXPECT_TRUE(Child<QCheckBox>(main->optionsWindow(), ow::kAutorunBox)->isChecked());
}

TEST_F(Windows, TheLibraryWindowListsPlaysFollowsAndRemembersWhereItWas) {
    settings.Write("GTAVC-replays", dir / "replays");
    std::filesystem::create_directories(dir / "replays");
    for (const char* name : {"replay0101-0.rep", "replay0101-1.rep", "replay0101-2.rep"}) {
        WriteFile(dir / "replays/" + name, std::string("bytes of ") + name);
    }
    main->Start();
    Child<QPushButton>(main.get(), mw::kLibraryButton)->click();
    LibraryWindow* library = main->libraryWindow();
    ASSERT_NE(library, nullptr);
    main->ShowLibraryWindow();
    EXPECT_EQ(main->libraryWindow(), library) << "one window, brought forward";
    QTableView* table = library->table();
    ASSERT_EQ(table->model()->rowCount(), 3);
    EXPECT_EQ(table->currentIndex().row(), 2) << "the current replay in view";
    // Their details are read in the background; the status line says so until then.
    EXPECT_TRUE(Eventually([&] {
        QCoreApplication::processEvents();
        return library->findChild<QLabel*>("statusLine")->text().toStdString() ==
               "3 replays, 75 bytes";
    })) << library->findChild<QLabel*>("statusLine")->text().toStdString();

    // Enter plays the row with the focus; F6 then goes on from there.
    table->setCurrentIndex(table->model()->index(0, 0));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(table, &enter);
    EXPECT_EQ(ReadFile(dir / "replays/replay.rep"), "bytes of replay0101-0.rep");
    EXPECT_EQ(main->presenter().library().cursor().currentReplay(), "replay0101-0.rep");
    EXPECT_TRUE(table->model()->index(0, 0).data(Qt::FontRole).value<QFont>().bold());
    QKeyEvent f2(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier);
    QApplication::sendEvent(table, &f2);
    auto* editor = table->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr) << "F2 edits the label, whichever cell has the focus";
    editor->setText(QStringLiteral("the great jump"));
    QKeyEvent done(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(editor, &done);
    QApplication::processEvents(); // the delegate commits with a queued call
    EXPECT_EQ(table->model()->index(0, 1).data().toString().toStdString(), "the great jump")
        << echo.str();
    EXPECT_NE(ReadFile(dir / "replays/clipwarden-library.json").find("the great jump"),
              std::string::npos);

    // A .rep dropped from a file manager comes in under a new name; the list's own rows
    // dropped back are ignored.
    std::filesystem::create_directories(dir / "elsewhere");
    WriteFile(dir / "elsewhere/my jump.rep", "a jump from elsewhere");
    QMimeData dropped;
    dropped.setUrls(
        {QUrl::fromLocalFile(QString::fromStdString(dir / "elsewhere/my jump.rep")),
         QUrl::fromLocalFile(QString::fromStdString(dir / "replays/replay0101-1.rep"))});
    EXPECT_TRUE(table->model()->canDropMimeData(&dropped, Qt::CopyAction, -1, -1, {}));
    table->model()->dropMimeData(&dropped, Qt::CopyAction, -1, -1, {});
    ASSERT_TRUE(Eventually([&] {
        QCoreApplication::processEvents();
        return table->model()->rowCount() == 4;
    })) << "the copy runs aside, and its row comes once it is back";
    EXPECT_TRUE(std::filesystem::exists(dir / "elsewhere/my jump.rep")) << "copied, not moved";
    QMimeData* dragged = table->model()->mimeData({table->model()->index(1, 0)});
    ASSERT_EQ(dragged->urls().size(), 1);
    EXPECT_EQ(dragged->urls()[0].toLocalFile().toStdString(), dir / "replays/replay0101-1.rep");
    delete dragged;

    // Another folder: the open window follows it.
    std::filesystem::create_directories(dir / "other");
    WriteFile(dir / "other/replay0202-0.rep", "elsewhere");
    shell.answers.push_back(dir / "other");
    Child<QPushButton>(main.get(), mw::kChooseReplayFolderButton)->click();
    ASSERT_EQ(table->model()->rowCount(), 1);
    EXPECT_EQ(table->model()->index(0, 0).data().toString().toStdString(), "replay0202-0.rep");

    library->move(40, 30);
    library->resize(500, 300);
    table->setColumnWidth(1, 123);
    main->close(); // the Library goes with the main window, and says where it was
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main->libraryWindow(), nullptr);
    ASSERT_TRUE(settings.Read("Library/geometry"));
    EXPECT_NE(settings.Read("Library/columns")->find(",123,"), std::string::npos);
    main.reset();

    MainWindow second(services);
    second.Start();
    second.ShowLibraryWindow();
    EXPECT_EQ(second.libraryWindow()->size(), QSize(500, 300));
    EXPECT_EQ(second.libraryWindow()->table()->columnWidth(1), 123);
    second.libraryWindow()->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    settings.Write("Library/geometry", "-90000,-90000,500,300"); // a screen unplugged since
    second.ShowLibraryWindow();
    EXPECT_TRUE(QGuiApplication::primaryScreen()->availableGeometry().intersects(
        second.libraryWindow()->geometry()));
}

TEST_F(Windows, TheLibraryShowsWhatEachReplayHoldsFindsABansheeAndKeepsItsColumns) {
    settings.Write("GTAVC-replays", dir / "replays");
    settings.Write("Library/columns", "151,152,153,84,55"); // stored by the window of five
    std::filesystem::create_directories(dir / "replays");
    for (int i = 0; i < 6; ++i) {
        replaywriter::ScriptedDrive drive;
        drive.waypoints = {{220, -1270, 10}, {400, -300, 10}};
        drive.vehicles = {{2, static_cast<std::uint16_t>(i % 2 == 0 ? 159 : 168), false}};
        drive.playerVehicle = 0;
        const auto bytes = replaywriter::BuildReplay(drive);
        WriteFile(dir / ("replays/take" + std::to_string(i) + ".rep"),
                  std::string(bytes.begin(), bytes.end()));
    }
    WriteFile(dir / "replays/notes.rep", "not a replay at all");
    main->Start();
    main->ShowLibraryWindow();
    LibraryWindow* library = main->libraryWindow();
    ASSERT_NE(library, nullptr);
    QTableView* table = library->table();
    const int place = static_cast<int>(LibraryColumn::Place);
    // Filled in as the background read goes, row by row, newest first: until it has ended,
    // which rows are filled is the read's affair.
    auto* status = library->findChild<QLabel*>("statusLine");
    ASSERT_TRUE(Eventually([&] {
        QCoreApplication::processEvents();
        return !status->text().contains(QStringLiteral("Reading"));
    })) << status->text().toStdString();
    EXPECT_EQ(table->model()->index(0, place).data().toString().toStdString(), "not a replay");
    EXPECT_TRUE(table->model()->index(0, place).data(Qt::ForegroundRole).isValid()) << "in grey";
    EXPECT_EQ(table->model()->index(1, place).data().toString().toStdString(),
              "Ocean Beach to Vice Point");

    library->findChild<QLineEdit*>("filterBox")->setText(QStringLiteral("banshee"));
    ASSERT_EQ(table->model()->rowCount(), 3);
    table->setCurrentIndex(table->model()->index(1, 0));
    const auto* sketch = library->sketch();
    ASSERT_NE(sketch->sketch(), nullptr);
    EXPECT_EQ(sketch->accessibleDescription().toStdString().rfind(
                  "Path from Ocean Beach to Vice Point, ", 0),
              0U)
        << sketch->accessibleDescription().toStdString();
    EXPECT_NE(library->facts()->text().indexOf(QStringLiteral("in Banshee")), -1);
    QImage picture(sketch->size(), QImage::Format_ARGB32);
    const_cast<CitySketchWidget*>(sketch)->render(&picture);
    EXPECT_NE(picture.pixel(picture.width() / 2, picture.height() / 2), picture.pixel(0, 0))
        << "a drawn sketch, not a blank one";

    EXPECT_EQ(table->columnWidth(1), 152) << "the old window's widths are kept";
    QHeaderView* header = table->horizontalHeader();
    header->setSectionHidden(static_cast<int>(LibraryColumn::Size), true);
    header->moveSection(header->visualIndex(place), 1);
    library->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    main->ShowLibraryWindow();
    header = main->libraryWindow()->table()->horizontalHeader();
    EXPECT_TRUE(header->isSectionHidden(static_cast<int>(LibraryColumn::Size)));
    EXPECT_EQ(header->logicalIndex(1), place);
    EXPECT_EQ(main->libraryWindow()->table()->columnWidth(1), 152);
    EXPECT_EQ(settings.Read("Library/columns")->rfind("151,152,153,84,55,", 0), 0U)
        << "a hidden column keeps its width";
}

TEST_F(Windows, TheLogShowsEachLineWholeAndCopiesItAndAnEmptyLibraryOffersAnotherFolder) {
    settings.Write("GTAVC-replays", dir / "no replays yet");
    main->Start();
    const std::string line(300, 'w');
    main->presenter().Log(line + " END");
    auto* log = main->findChild<QListWidget*>(QString::fromLatin1(mw::kLogList.name));
    ASSERT_NE(log, nullptr);
    QListWidgetItem* last = log->item(log->count() - 1);
    EXPECT_TRUE(last->toolTip().endsWith(QStringLiteral(" END"))) << "read whole in its tooltip";
    QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
    QApplication::sendEvent(log, &copy);
    EXPECT_EQ(QApplication::clipboard()->text(), last->text());

    main->ShowLibraryWindow();
    LibraryWindow* library = main->libraryWindow();
    auto* sentence = library->findChild<QLabel*>("emptySentence");
    ASSERT_TRUE(sentence->isVisible());
    EXPECT_TRUE(sentence->text().contains(QStringLiteral("does not exist yet")))
        << sentence->text().toStdString();
    std::filesystem::create_directories(dir / "user files");
    WriteFile(dir / "user files/replay0101-0.rep", "a stored replay");
    shell.answers.push_back(dir / "user files");
    library->findChild<QPushButton*>("chooseFolderButton")->click();
    EXPECT_EQ(library->table()->model()->rowCount(), 1) << "the Library follows the folder chosen";
    EXPECT_TRUE(library->table()->isVisible());
}

TEST_F(Windows, EveryControlOfEveryWindowHasANameAScreenReaderCanSay) {
    settings.Write("GTAVC-replays", dir / "replays");
    std::filesystem::create_directories(dir / "replays");
    WriteFile(dir / "replays/replay0101-0.rep", "a stored replay");
    main->Start();
    EXPECT_EQ(UnnamedControls(main.get()).join(QStringLiteral(", ")).toStdString(), "");
    main->ShowOptionsWindow();
    EXPECT_EQ(UnnamedControls(main->optionsWindow()).join(QStringLiteral(", ")).toStdString(), "");
    main->ShowLibraryWindow();
    LibraryWindow* library = main->libraryWindow();
    EXPECT_EQ(UnnamedControls(library).join(QStringLiteral(", ")).toStdString(), "");
    EXPECT_EQ(library->table()->model()->index(0, 0).data(Qt::AccessibleDescriptionRole),
              QStringLiteral("current replay"))
        << "bold, said in words";
    library->ShowHousekeeping();
    HousekeepingDialog* housekeeping = library->housekeepingDialog();
    ASSERT_NE(housekeeping, nullptr);
    EXPECT_EQ(UnnamedControls(housekeeping).join(QStringLiteral(", ")).toStdString(), "");
    const auto name = [housekeeping](const char* object) {
        return QAccessible::queryAccessibleInterface(housekeeping->findChild<QWidget*>(object))
            ->text(QAccessible::Name);
    };
    EXPECT_NE(name("byNumber"), name("bySpace")) << "two rules, two names";
    EXPECT_TRUE(housekeeping->findChild<QLabel*>("housekeepingNote")->isEnabled())
        << "a hint is text, not an unavailable control";
}

TEST_F(Windows, TheHousekeepingDialogPreviewsAsksAndAppliesItsRule) {
    settings.Write("GTAVC-replays", dir / "replays");
    std::filesystem::create_directories(dir / "replays");
    for (int i = 0; i < 3; ++i) {
        WriteFileAt(dir / ("replays/take" + std::to_string(i) + ".rep"), "a take", 1'700'000'000 + i);
    }
    main->Start();
    main->ShowLibraryWindow();
    main->libraryWindow()->findChild<QPushButton*>("housekeepingButton")->click();
    HousekeepingDialog* dialog = main->libraryWindow()->housekeepingDialog();
    ASSERT_NE(dialog, nullptr);
    auto* preview = dialog->findChild<QLabel*>("housekeepingPreview");
    EXPECT_EQ(preview->text().toStdString(), "No rule is on, so housekeeping removes nothing.");
    dialog->findChild<QCheckBox*>("byNumber")->setChecked(true);
    dialog->findChild<QSpinBox*>("mostReplays")->setValue(1);
    EXPECT_EQ(preview->text().toStdString(),
              "With these rules 2 replays go to the trash now (12 bytes): the oldest recorded "
              "t1700000000, the newest t1700000001.");

    // OK asks first; No keeps the dialog open and changes nothing, Yes applies the rule.
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        QTimer::singleShot(0, [answer] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            box->button(answer)->click();
        });
        dialog->accept();
    }
    EXPECT_EQ(settings.Read("Housekeeping/most-replays"), "1");
    // The moves run aside; the list follows once they are back.
    ASSERT_TRUE(Eventually([&] {
        QCoreApplication::processEvents();
        return main->libraryWindow()->table()->model()->rowCount() == 1;
    }));
    EXPECT_EQ(trash.trashed, (std::vector<std::string>{dir / "replays/take0.rep",
                                                       dir / "replays/take1.rep"}));
    EXPECT_EQ(main->libraryWindow()->table()->model()->rowCount(), 1) << "the list follows";
}

TEST_F(Windows, TheOptionsWindowHasEveryControlAndKeepsThemWhenResized) {
    main->Start();
    main->ShowOptionsWindow();
    OptionsWindow* options = main->optionsWindow();
    ExpectControl<QLabel>(options, ow::kGameFolderLabel, "GTA:VC folder :");
    ExpectControl<QLineEdit>(options, ow::kGameFolderBox, "/games/vc");
    ExpectControl<QPushButton>(options, ow::kChooseGameFolderButton, "Select");
    ExpectControl<QCheckBox>(options, ow::kAutorunBox, "Autorun GTA:VC, when Clipwarden starts.");
    EXPECT_EQ(options->size(), QSize(273, 76));
    EXPECT_FALSE(options->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(options->windowFlags() & Qt::WindowMaximizeButtonHint);
    options->resize(400, 200);
    ExpectControl<QPushButton>(options, ow::kChooseGameFolderButton, "Select");
    EXPECT_TRUE(Child<QLineEdit>(options, ow::kGameFolderBox)->isReadOnly());
    QWidget* box = Child<QLineEdit>(options, ow::kGameFolderBox);
    EXPECT_EQ(NextTabStop(box), Child<QPushButton>(options, ow::kChooseGameFolderButton));
    EXPECT_EQ(NextTabStop(NextTabStop(box)), Child<QCheckBox>(options, ow::kAutorunBox));

    Child<QCheckBox>(options, ow::kAutorunBox)->click();
    EXPECT_EQ(settings.Read("GTAVC-autorun"), "1");
    Child<QCheckBox>(options, ow::kAutorunBox)->click();
    EXPECT_EQ(settings.Read("GTAVC-autorun"), "0");
}

TEST_F(Windows, AFolderWithoutTheGameIsRefusedWithAStopMessage) {
    main->Start();
    main->ShowOptionsWindow();
    OptionsWindow* options = main->optionsWindow();
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
    Child<QPushButton>(options, ow::kChooseGameFolderButton)->click();
    EXPECT_EQ(seenText, "gta-vc.exe not found!");
    EXPECT_EQ(seenTitle, "Clipwarden");
    EXPECT_EQ(seenIcon, QMessageBox::Critical);
    EXPECT_EQ(seenButtons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(Child<QLineEdit>(options, ow::kGameFolderBox)->text().toStdString(), "/games/vc");
    EXPECT_FALSE(settings.Read("GTAVC-path"));

    WriteFile(dir / "gta-vc.exe", "MZ");
    shell.answers = {dir.str()};
    Child<QPushButton>(options, ow::kChooseGameFolderButton)->click();
    EXPECT_EQ(Child<QLineEdit>(options, ow::kGameFolderBox)->text().toStdString(), dir.str());
    EXPECT_EQ(settings.Read("GTAVC-path"), dir.str());
}

TEST_F(Windows, ClosingTheMainWindowStopsF5AndF6ButLeavesOptionsOpen) {
    main->Start();
    main->ShowOptionsWindow();
    ASSERT_NE(keys.subscribed, 0);
    main->close();
    EXPECT_EQ(keys.unsubscribed, (std::vector<KeySubscription>{42}));
    EXPECT_FALSE(keys.Key(Key::F6, true));
    EXPECT_TRUE(main->optionsWindow()->isVisible());
    EXPECT_FALSE(Timer("captureTimer")->isActive());
}

TEST_F(Windows, TheProgramEndsWithItsLastWindowTheOptionsWindowIncluded) {
    main->Start();
    main->ShowOptionsWindow();
    int lastClosed = 0;
    bool optionsOpenAtTheEnd = false;
    const auto ended = QObject::connect(qApp, &QGuiApplication::lastWindowClosed, [&] {
        ++lastClosed;
        optionsOpenAtTheEnd =
            main->optionsWindow() != nullptr && main->optionsWindow()->isVisible();
    });
    // The program's own event loop decides when it ends; close one window after the other in it.
    QTimer::singleShot(0, [&] {
        main->close();
        QTimer::singleShot(0, [&] {
            if (main->optionsWindow() != nullptr) {
                main->optionsWindow()->close();
            }
        });
    });
    QTimer failsafe;
    failsafe.setSingleShot(true);
    QObject::connect(&failsafe, &QTimer::timeout, qApp, &QCoreApplication::quit);
    failsafe.start(60000);
    QApplication::exec();
    QObject::disconnect(ended);
    EXPECT_TRUE(failsafe.isActive()) << "the program did not end when its last window closed";
    EXPECT_EQ(lastClosed, 1);
    EXPECT_FALSE(optionsOpenAtTheEnd) << "the program ended while Options was still open";
}

TEST_F(Windows, NothingIsWrittenBeforeTheUserChangesSomething) {
    main->Start();
    main->ShowOptionsWindow();
    main->close();
    EXPECT_FALSE(std::filesystem::exists(dir / "config/Clipwarden/Clipwarden.conf"));
}

} // namespace
} // namespace clipwarden::test
