#pragma once

#include <QString>

#include <string>

#include "core/ports/SettingsStore.h"

namespace clipwarden {

/** The most a settings file of Clipwarden's can hold; anything larger is not its own. */
inline constexpr long long kMostSettingsBytes = 1024 * 1024;

/** The settings as an INI file, section [Main], flushed on every write. A value that is not
 *  UTF-8 (a path on Linux may be any bytes) is kept byte for byte. */
class QtSettingsStore final : public SettingsStore {
public:
    /** `path` of the INI file; it is created by the first write, never by a read. */
    explicit QtSettingsStore(QString path) : path_(std::move(path)) {}

    std::optional<std::string> Read(const std::string& key) override;
    std::optional<std::string> Write(const std::string& key, const std::string& value) override;
    std::optional<std::string> Remove(const std::string& key) override;

    [[nodiscard]] const QString& path() const { return path_; }

    /** "" when the file is absent or one Clipwarden may read and write; otherwise the line
     *  that says why it is left alone (not an ordinary file, too large) and what to do. */
    [[nodiscard]] std::string Problem() const;

private:
    QString path_;
};

/** $XDG_CONFIG_HOME (or ~/.config) + "/Clipwarden/Clipwarden.conf". */
QString DefaultSettingsPath();

} // namespace clipwarden
