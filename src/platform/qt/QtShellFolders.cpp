#include <QFile>
#include <QFileDialog>
#include <QStandardPaths>
#include <QWidget>

#include "core/ports/ShellFolders.h"

namespace clipwarden {

namespace {

/** The documents folder from the XDG user dirs, and the toolkit's folder chooser. */
class QtShellFolders final : public ShellFolders {
public:
    std::string GetSpecialFolderPath(int folderId) override {
        if (folderId != kFolderPersonal) {
            return {};
        }
        QString path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) {
            path.chop(1);
        }
        return QFile::encodeName(path).toStdString();
    }

    std::string BrowseForFolder(WindowRef owner, const std::string& title,
                                const std::string& start) override {
        QWidget* parent = owner == 0 ? nullptr : QWidget::find(static_cast<WId>(owner));
        const QString chosen = QFileDialog::getExistingDirectory(
            parent, QString::fromStdString(title), QFile::decodeName(start.c_str()),
            QFileDialog::ShowDirsOnly);
        return QFile::encodeName(chosen).toStdString();
    }
};

} // namespace

std::unique_ptr<ShellFolders> CreateShellFolders() {
    return std::make_unique<QtShellFolders>();
}

} // namespace clipwarden
