#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFile>
#include <QProcess>
#include <QStringList>

#include "core/ports/FileManager.h"

namespace clipwarden {

namespace {

constexpr int kAnswerMilliseconds = 5000;

/** A file: URI of any byte path: every byte but the unreserved ones and '/' percent-encoded,
 *  so that a name that is not UTF-8 still names its own file. */
QString FileUri(const std::string& path) {
    static constexpr const char* digits = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const unsigned char c : path) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
                           c == '/';
        if (plain) {
            uri.push_back(static_cast<char>(c));
        } else {
            uri += '%';
            uri.push_back(digits[c >> 4]);
            uri.push_back(digits[c & 15]);
        }
    }
    return QString::fromLatin1(uri.data(), static_cast<qsizetype>(uri.size()));
}

/** The freedesktop FileManager1 interface on the session bus (Nautilus, Dolphin, Nemo,
 *  Thunar and others answer it), xdg-open on the folder where none does. */
class DBusFileManager final : public FileManager {
public:
    void ShowInFolder(const std::string& path,
                      std::function<void(const std::string&)> done) override {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) {
            done(OpenFolder(path));
            return;
        }
        QDBusMessage call = QDBusMessage::createMethodCall(
            "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
            "org.freedesktop.FileManager1", "ShowItems");
        call << QStringList{FileUri(path)} << QString();
        // Never waited on: a busy or silent file manager must not hold up the window.
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kAnswerMilliseconds));
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                         [path, done = std::move(done)](QDBusPendingCallWatcher* finished) {
                             const bool failed = finished->isError();
                             finished->deleteLater();
                             done(failed ? OpenFolder(path) : std::string());
                         });
    }

private:
    /** xdg-open on the file's folder, detached; "" once started, else why not. */
    static std::string OpenFolder(const std::string& path) {
        const auto slash = path.find_last_of('/');
        const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
        const QString name = QFile::decodeName(QByteArray::fromStdString(folder));
        if (QFile::encodeName(name).toStdString() != folder) {
            return "no file manager answered on the session bus, and the folder's name is not "
                   "valid text for xdg-open";
        }
        if (!QProcess::startDetached("xdg-open", {name})) {
            return "no file manager answered on the session bus, and xdg-open could not be "
                   "started (apt-get install xdg-utils)";
        }
        return {};
    }
};

} // namespace

std::unique_ptr<FileManager> CreateFileManager() {
    return std::make_unique<DBusFileManager>();
}

} // namespace clipwarden
