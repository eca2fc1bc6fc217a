#include <QFile>
#include <QFileDialog>
#include <QStandardPaths>
#include <QWidget>

#include <sys/stat.h>

#include <cstdlib>

#include "core/ports/ShellFolders.h"

namespace clipwarden {

namespace {

/** The documents folder from the XDG user dirs, and the toolkit's folder chooser. */
class QtShellFolders final : public ShellFolders {
public:
    std::string GetSpecialFolderPath(int folderId) override {
        if (folderId == kFolderDetailsCache) {
            const QByteArray cache = qgetenv("XDG_CACHE_HOME");
            const char* home = std::getenv("HOME");
            if (!cache.isEmpty() && cache.startsWith('/')) {
                return cache.toStdString() + "/clipwarden";
            }
            return home != nullptr && home[0] == '/' ? std::string(home) + "/.cache/clipwarden"
                                                     : std::string();
        }
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
                                const std::string& start, std::string& refused) override {
        refused.clear();
        QWidget* parent = owner == 0 ? nullptr : QWidget::find(static_cast<WId>(owner));
        QFileDialog dialog(parent, QString::fromStdString(title), QFile::decodeName(start.c_str()));
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        dialog.setWindowModality(Qt::WindowModal); // the other windows stay usable
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return {};
        }
        const QString chosen = dialog.selectedFiles().front();
        const std::string path = QFile::encodeName(chosen).toStdString();
        // Qt holds names as text: a name that is not valid UTF-8 comes back as another name.
        struct stat info {};
        if (stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            refused = "The folder " + path +
                      " cannot be used: its name is not text Clipwarden can keep exactly (it "
                      "is not valid UTF-8). Rename it, or choose another folder.";
            return {};
        }
        return path;
    }
};

} // namespace

std::unique_ptr<ShellFolders> CreateShellFolders() {
    return std::make_unique<QtShellFolders>();
}

} // namespace clipwarden
