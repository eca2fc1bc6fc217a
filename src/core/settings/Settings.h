#pragma once

#include <optional>
#include <string>

#include "core/ports/SettingsStore.h"

namespace clipwarden {

inline constexpr const char* kKeyGamePath = "GTAVC-path";
inline constexpr const char* kKeyAutorun = "GTAVC-autorun";
inline constexpr const char* kKeyReplays = "GTAVC-replays";
inline constexpr const char* kKeyVersion = "GTAVC-version";

/** The four keys of the section "Main". Nothing is cached: every read asks the store. */
class Settings {
public:
    explicit Settings(SettingsStore& store) : store_(store) {}

    /** The stored text, or nothing when the key is absent. */
    std::optional<std::string> Stored(const std::string& key) { return store_.Read(key); }

    /** The stored text, or `defaultValue` when the key is absent (an empty text is kept). */
    std::string ReadSetting(const std::string& key, const std::string& defaultValue);

    /** As above with a number default, returned as its decimal text. */
    std::string ReadSetting(const std::string& key, int defaultValue);

    /** The key read as a number, exactly as written ("0.6" stays 0.6); a text that is not a
     *  number reads as `defaultValue`. */
    double ReadNumber(const std::string& key, int defaultValue);

    /** True when the key read as a number equals 1; "0.6" and "1.4" count as off. */
    bool ReadSwitch(const std::string& key, bool defaultOn);

    /** Stores the text; on failure a log line saying which setting could not be saved. */
    std::optional<std::string> WriteSetting(const std::string& key, const std::string& value);

    /** Removes the key; on failure a log line saying which setting could not be removed. */
    std::optional<std::string> RemoveSetting(const std::string& key);

private:
    SettingsStore& store_;
};

/** A number text: blanks around it, an optional sign, digits and an optional fraction. */
std::optional<double> ParseNumberText(const std::string& text);

} // namespace clipwarden
