#include "platform/qt/QtSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#include <sys/stat.h>

namespace clipwarden {

namespace {

QString KeyOf(const std::string& key) {
    const QString name = QString::fromStdString(key);
    return key.find('/') != std::string::npos ? name : QStringLiteral("Main/") + name;
}

} // namespace

std::string QtSettingsStore::Problem() const {
    struct stat info {};
    const QByteArray path = QFile::encodeName(path_);
    if (stat(path.constData(), &info) != 0) {
        return {}; // none yet: the defaults, and the first write makes it
    }
    const std::string named = "The settings file " + path.toStdString();
    if (!S_ISREG(info.st_mode)) {
        return named + " is not an ordinary file, so Clipwarden neither reads nor writes it and "
                       "uses its defaults. Remove it, and Clipwarden makes a new one.";
    }
    if (info.st_size > kMostSettingsBytes) {
        return named + " is larger than " + std::to_string(kMostSettingsBytes / 1024) +
               " KiB, too large to be Clipwarden's, so Clipwarden neither reads nor writes it "
               "and uses its defaults. Move it away, and Clipwarden makes a new one.";
    }
    return {};
}

std::optional<std::string> QtSettingsStore::Read(const std::string& key) {
    if (!Problem().empty()) {
        return std::nullopt;
    }
    QSettings settings(path_, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        return std::nullopt; // unreadable or not an INI file: defaults, and the file stays
    }
    const QVariant value = settings.value(KeyOf(key));
    if (!value.isValid()) {
        return std::nullopt;
    }
    if (value.typeId() == QMetaType::QByteArray) {
        return value.toByteArray().toStdString(); // a path that is not text, byte for byte
    }
    // An INI value with unquoted commas reads back as a list; it was one text when written.
    const QString text = value.typeId() == QMetaType::QStringList
                             ? value.toStringList().join(QStringLiteral(", "))
                             : value.toString();
    return text.toStdString();
}

std::optional<std::string> QtSettingsStore::Write(const std::string& key,
                                                  const std::string& value) {
    if (const std::string problem = Problem(); !problem.empty()) {
        return problem;
    }
    const QFileInfo file(path_);
    if (!QDir().mkpath(file.absolutePath())) {
        return "the folder " + file.absolutePath().toStdString() +
               " cannot be created; check that you may write there.";
    }
    QSettings settings(path_, QSettings::IniFormat);
    if (settings.status() == QSettings::FormatError) {
        return "the file " + path_.toStdString() +
               " is not a settings file Clipwarden can read; rename or remove it.";
    }
    // Paths are bytes: one that is not UTF-8 is kept as bytes, any other as the text it is.
    const QByteArray bytes = QByteArray::fromStdString(value);
    const QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() == bytes) {
        settings.setValue(KeyOf(key), text);
    } else {
        settings.setValue(KeyOf(key), bytes);
    }
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        return "the file " + path_.toStdString() +
               " cannot be written; check that you may write there and that the disk has room.";
    }
    return std::nullopt;
}

std::optional<std::string> QtSettingsStore::Remove(const std::string& key) {
    if (!Read(key)) {
        return std::nullopt; // not there (or no file): nothing to write
    }
    QSettings settings(path_, QSettings::IniFormat);
    settings.remove(KeyOf(key));
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        return "the file " + path_.toStdString() +
               " cannot be written; check that you may write there and that the disk has room.";
    }
    return std::nullopt;
}

QString DefaultSettingsPath() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config)) {
        config = QDir::homePath() + QStringLiteral("/.config");
    }
    return config + QStringLiteral("/Clipwarden/Clipwarden.conf");
}

} // namespace clipwarden
