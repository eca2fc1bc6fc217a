#include <QFile>
#include <QString>

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
        QFile file(name);
        if (!file.moveToTrash()) {
            why = file.errorString().isEmpty() ? std::string("the trash refused it")
                                               : file.errorString().toStdString();
            return false;
        }
        return true;
    }
};

} // namespace

std::unique_ptr<Trash> CreateTrash() {
    return std::make_unique<QtTrash>();
}

} // namespace clipwarden
