// The documents folder and the folder picker of the Qt backend.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <filesystem>

#include "TempDir.h"
#include "core/ports/ShellFolders.h"

namespace clipwarden::test {
namespace {

TEST(SpecialFolder, IsTheXdgDocumentsFolderWithoutATrailingSeparator) {
    TempDir home;
    std::filesystem::create_directories(home / "config");
    std::filesystem::create_directories(home / "My Docs");
    WriteFile(home / "config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/My Docs/\"\n");
    setenv("HOME", home.str().c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    const auto shell = CreateShellFolders();
    EXPECT_EQ(shell->GetSpecialFolderPath(kFolderPersonal), home / "My Docs");
    EXPECT_EQ(shell->GetSpecialFolderPath(0), "");
}

/** Answers the next folder picker: with `path`, or cancels it when `path` is empty. */
void AnswerPicker(const QString& path, QString* title, bool* modal, QWidget** parent,
                  QString* openedAt) {
    QTimer::singleShot(50, [=] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            AnswerPicker(path, title, modal, parent, openedAt); // not shown yet
            return;
        }
        *title = dialog->windowTitle();
        *openedAt = dialog->directory().absolutePath();
        *modal = dialog->windowModality() == Qt::WindowModal;
        *parent = dialog->parentWidget();
        if (path.isEmpty()) {
            dialog->reject();
        } else {
            // As a user would: open the folder, then confirm.
            dialog->setDirectory(path);
            if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                name->clear();
            }
            static_cast<QDialog*>(dialog)->accept(); // the file dialog checks the choice
        }
    });
}

struct Picker : ::testing::Test {
    QWidget owner;
    std::unique_ptr<ShellFolders> shell = CreateShellFolders();
    QString title;
    bool modal = false;
    QWidget* parent = nullptr;
    QString openedAt;

    std::string Pick(const QString& answer, const std::string& start = {}) {
        AnswerPicker(answer, &title, &modal, &parent, &openedAt);
        std::string refused;
        std::string chosen =
            shell->BrowseForFolder(static_cast<WindowRef>(owner.winId()), "Pick one:", start, refused);
        EXPECT_EQ(refused, "");
        return chosen;
    }
};

TEST_F(Picker, ReturnsTheChosenFolderAsChosenModalToItsOwner) {
    TempDir dir;
    std::filesystem::create_directories(dir / "Replays here");
    EXPECT_EQ(Pick(QString::fromStdString(dir / "Replays here")), dir / "Replays here");
    EXPECT_EQ(title.toStdString(), "Pick one:");
    EXPECT_TRUE(modal) << "modal to its window, not to the whole program";
    EXPECT_EQ(parent, &owner);
}

TEST_F(Picker, OpensAtTheFolderInUse) {
    TempDir dir;
    std::filesystem::create_directories(dir / "GTA Vice City User Files");
    EXPECT_EQ(Pick(QString(), dir / "GTA Vice City User Files"), "");
    EXPECT_EQ(openedAt.toStdString(), dir / "GTA Vice City User Files");
}

TEST_F(Picker, TheRootStaysTheRootAndACancelGivesNothing) {
    EXPECT_EQ(Pick(QStringLiteral("/")), "/");
    EXPECT_EQ(Pick(QString()), "");
}

} // namespace
} // namespace clipwarden::test
