#pragma once

#include <QString>
#include <string>

namespace clipwarden {

/** The core's UTF-8 text as Qt's; bytes that are not UTF-8 show as replacement characters. */
inline QString FromBytes(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace clipwarden
