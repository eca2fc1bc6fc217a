#pragma once

#include <optional>
#include <string>

namespace clipwarden {

/** Per-user persistent text values of the application's "Main" section; a key written
 *  "Group/name" lies in a section of its own ("Library/geometry"). */
class SettingsStore {
public:
    SettingsStore() = default;
    virtual ~SettingsStore() = default;
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;
    SettingsStore(SettingsStore&&) = delete;
    SettingsStore& operator=(SettingsStore&&) = delete;

    /** The stored text, or nothing when the key is absent or the store cannot be read. */
    virtual std::optional<std::string> Read(const std::string& key) = 0;

    /** Stores and flushes the value; on failure returns why, in one line, and keeps the
     *  stored data as it was. */
    virtual std::optional<std::string> Write(const std::string& key, const std::string& value) = 0;

    /** Removes the key and flushes; a key that is not there is no failure. On failure returns
     *  why, in one line, and keeps the stored data as it was. */
    virtual std::optional<std::string> Remove(const std::string& key) = 0;
};

} // namespace clipwarden
