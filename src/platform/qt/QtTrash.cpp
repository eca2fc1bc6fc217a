#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>
#include <cerrno>
#include <cstdio>

#include "core/ports/Trash.h"

namespace clipwarden {

namespace {

/** The freedesktop.org trash through Qt: the home trash for files on the home's volume,
 *  the volume's own .Trash-<uid> elsewhere. */
class QtTrash final : public Trash {
public:
    bool MoveToTrash(const std::string& path, std::string& why) override {
        const QString name = QFile::decodeName(QByteArray::fromStdString(path));
        // Qt takes the name as text; a name whose bytes do not survive that trip would
        // name another file, or none.
        if (QFile::encodeName(name).toStdString() != path) {
            why = "its name is not valid text here, so it cannot be handed to the trash safely; "
                  "rename it first";
            return false;
        }
        // WORKAROUND: Qt 6.4 puts the file into files/ and info/ of the working folder when
        // the user's data folder (the home trash's parent) does not exist yet; make it first.
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        if (data.isEmpty() || !MakePrivateFolders(QFile::encodeName(data).toStdString())) {
            why = "the data folder for the trash, " + QFile::encodeName(data).toStdString() +
                  ", cannot be made";
            return false;
        }
        QFile file(name);
        if (!file.moveToTrash()) {
            why = file.errorString().isEmpty() ? std::string("the trash refused it")
                                               : file.errorString().toStdString();
            return false;
        }
        // Anywhere but a trash's files/ folder it would be lost to the player: put it back.
        const QFileInfo moved(file.fileName());
        const QString trash = moved.absoluteDir().absolutePath();
        if (!moved.isAbsolute() || moved.absoluteDir().dirName() != QStringLiteral("files") ||
            !(trash.endsWith(QStringLiteral("/Trash/files")) ||
              trash.contains(QStringLiteral("/.Trash")))) {
            const bool back = std::rename(QFile::encodeName(moved.absoluteFilePath()).constData(),
                                          path.c_str()) == 0;
            why = "the trash put it at " +
                  QFile::encodeName(moved.absoluteFilePath()).toStdString() +
                  (back ? ", so it was put back" : ", where it stays");
            return false;
        }
        return true;
    }

private:
    /** Makes every missing folder of `path`, each readable by the user alone, as the data
     *  folder should be. */
    static bool MakePrivateFolders(const std::string& path) {
        for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
            const std::string part = path.substr(0, slash);
            struct stat info {};
            if (stat(part.c_str(), &info) != 0 && mkdir(part.c_str(), 0700) != 0 &&
                errno != EEXIST) {
                return false;
            }
            if (slash == std::string::npos) {
                return true;
            }
        }
    }
};

} // namespace

std::unique_ptr<Trash> CreateTrash() {
    return std::make_unique<QtTrash>();
}

} // namespace clipwarden
