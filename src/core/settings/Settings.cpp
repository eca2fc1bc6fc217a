#include "core/settings/Settings.h"

#include "core/Text.h"

namespace clipwarden {

std::string Settings::ReadSetting(const std::string& key, const std::string& defaultValue) {
    return store_.Read(key).value_or(defaultValue);
}

std::string Settings::ReadSetting(const std::string& key, int defaultValue) {
    return ReadSetting(key, std::to_string(defaultValue));
}

double Settings::ReadNumber(const std::string& key, int defaultValue) {
    const auto stored = store_.Read(key);
    if (!stored) {
        return defaultValue;
    }
    return ParseNumberText(*stored).value_or(defaultValue);
}

bool Settings::ReadSwitch(const std::string& key, bool defaultOn) {
    return ReadNumber(key, defaultOn ? 1 : 0) == 1.0;
}

std::optional<std::string> Settings::WriteSetting(const std::string& key,
                                                  const std::string& value) {
    if (auto why = store_.Write(key, value)) {
        return "The setting " + key + " could not be saved: " + *why;
    }
    return std::nullopt;
}

std::optional<std::string> Settings::RemoveSetting(const std::string& key) {
    if (auto why = store_.Remove(key)) {
        return "The setting " + key + " could not be removed: " + *why;
    }
    return std::nullopt;
}

std::optional<double> ParseNumberText(const std::string& text) {
    const LeadingNumber number = ReadLeadingNumber(text);
    if (!number.found) {
        return std::nullopt;
    }
    for (std::size_t pos = number.length; pos < text.size(); ++pos) {
        if (text[pos] != ' ' && text[pos] != '\t') {
            return std::nullopt;
        }
    }
    return number.value;
}

} // namespace clipwarden
