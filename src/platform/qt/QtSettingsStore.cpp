#include "platform/qt/QtSettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

namespace clipwarden {

namespace {

QString KeyOf(const std::string& key) {
    return QStringLiteral("Main/") + QString::fromStdString(key);
}

} // namespace

std::optional<std::string> QtSettingsStore::Read(const std::string& key) {
    QSettings settings(path_, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        return std::nullopt; // unreadable or not an INI file: defaults, and the file stays
    }
    const QVariant value = settings.value(KeyOf(key));
    if (!value.isValid()) {
        return std::nullopt;
    }
    // An INI value with unquoted commas reads back as a list; it was one text when written.
    const QString text = value.typeId() == QMetaType::QStringList
                             ? value.toStringList().join(QStringLiteral(", "))
                             : value.toString();
    return text.toStdString();
}

std::optional<std::string> QtSettingsStore::Write(const std::string& key,
                                                  const std::string& value) {
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
    settings.setValue(KeyOf(key), QString::fromStdString(value));
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
