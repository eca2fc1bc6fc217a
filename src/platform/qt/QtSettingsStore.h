#pragma once

#include <QString>

#include "core/ports/SettingsStore.h"

namespace clipwarden {

/** The settings as an INI file, section [Main], flushed on every write. */
class QtSettingsStore final : public SettingsStore {
public:
    /** `path` of the INI file; it is created by the first write, never by a read. */
    explicit QtSettingsStore(QString path) : path_(std::move(path)) {}

    std::optional<std::string> Read(const std::string& key) override;
    std::optional<std::string> Write(const std::string& key, const std::string& value) override;

    [[nodiscard]] const QString& path() const { return path_; }

private:
    QString path_;
};

/** $XDG_CONFIG_HOME (or ~/.config) + "/Clipwarden/Clipwarden.conf". */
QString DefaultSettingsPath();

} // namespace clipwarden
