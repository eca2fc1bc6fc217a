#include "core/Text.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <iterator>

namespace clipwarden {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Length of the UTF-8 sequence at `pos` and its code point; 0 when the bytes are not valid.
std::size_t DecodeOne(const std::string& text, std::size_t pos, char32_t& out) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        out = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (pos + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            return 0;
        }
        value = (value << 6) | (byte(pos + i) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return 0;
    }
    out = value;
    return length;
}

void AppendHexByte(std::string& out, unsigned char byte) {
    static constexpr const char* digits = "0123456789ABCDEF";
    out += "\\x";
    out.push_back(digits[byte >> 4]);
    out.push_back(digits[byte & 15]);
}

} // namespace

std::string EscapeText(const std::string& text, bool escapeBackslash) {
    std::string shown;
    shown.reserve(text.size());
    const auto hex = [&shown](unsigned char byte) { AppendHexByte(shown, byte); };
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t point = 0;
        const std::size_t length = DecodeOne(text, pos, point);
        const auto byte = static_cast<unsigned char>(text[pos]);
        // C1 controls and the line separators split a line as a newline does.
        const bool separates = point < 0xA0 || point == 0x2028 || point == 0x2029;
        if (length > 1 && !separates) {
            shown.append(text, pos, length);
            pos += length;
            continue;
        }
        if (length > 1) {
            for (std::size_t i = 0; i < length; ++i, ++pos) {
                hex(static_cast<unsigned char>(text[pos]));
            }
            continue;
        }
        ++pos;
        if (length == 1 && byte >= 0x20 && byte != 0x7F && (byte != '\\' || !escapeBackslash)) {
            shown.push_back(static_cast<char>(byte));
        } else if (byte == '\\') {
            shown += "\\\\";
        } else if (byte == '\n') {
            shown += "\\n";
        } else if (byte == '\r') {
            shown += "\\r";
        } else if (byte == '\t') {
            shown += "\\t";
        } else if (byte == 0) {
            shown += "\\0";
        } else {
            hex(byte);
        }
    }
    return shown;
}

std::u32string DecodeUtf8(const std::string& text) {
    std::u32string result;
    result.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t c = 0;
        const std::size_t length = DecodeOne(text, pos, c);
        result.push_back(length == 0 ? kReplacement : c);
        pos += length == 0 ? 1 : length;
    }
    return result;
}

std::string EncodeUtf8(const std::u32string& text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::string EscapeOddBytes(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t ignored = 0;
        const std::size_t length = DecodeOne(text, pos, ignored);
        if (length == 0) {
            AppendHexByte(out, static_cast<unsigned char>(text[pos++]));
        } else if (text[pos] == '\\') {
            out += "\\\\";
            ++pos;
        } else {
            out.append(text, pos, length);
            pos += length;
        }
    }
    return out;
}

std::string UnescapeOddBytes(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    const auto nibble = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        if (text[pos] == '\\' && pos + 1 < text.size() && text[pos + 1] == '\\') {
            out.push_back('\\');
            ++pos;
        } else if (text[pos] == '\\' && pos + 3 < text.size() && text[pos + 1] == 'x' &&
                   nibble(text[pos + 2]) >= 0 && nibble(text[pos + 3]) >= 0) {
            out.push_back(static_cast<char>(nibble(text[pos + 2]) * 16 + nibble(text[pos + 3])));
            pos += 3;
        } else {
            out.push_back(text[pos]); // a lone backslash was never written; kept as it is
        }
    }
    return out;
}

bool IsUtf8(const std::string& text) {
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t ignored = 0;
        const std::size_t length = DecodeOne(text, pos, ignored);
        if (length == 0) {
            return false;
        }
        pos += length;
    }
    return true;
}

std::string SizeText(std::uint64_t bytes) {
    if (bytes < 1000) {
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    }
    static constexpr const char* units[] = {"kB", "MB", "GB", "TB", "PB", "EB"};
    std::size_t unit = 0;
    std::uint64_t scale = 1000;
    while (unit + 1 < std::size(units) && bytes / scale >= 1000) {
        scale *= 1000;
        ++unit;
    }
    // One decimal below 100 units ("12.4 MB"), none above ("532 MB"); rounded half up.
    const std::uint64_t tenths = (bytes + scale / 20) / (scale / 10);
    std::string text = tenths >= 1000
                           ? std::to_string((tenths + 5) / 10)
                           : std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
    return text + " " + units[unit];
}

std::string FirstCharacters(const std::string& text, std::size_t count) {
    std::size_t pos = 0;
    for (std::size_t seen = 0; seen < count && pos < text.size(); ++seen) {
        char32_t ignored = 0;
        const std::size_t length = DecodeOne(text, pos, ignored);
        pos += length == 0 ? 1 : length;
    }
    return text.substr(0, pos);
}

std::string ToLowerAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return text;
}

std::string ToUpperAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    });
    return text;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

std::string StableHexName(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ULL; // FNV-1a
    for (const unsigned char c : text) {
        hash = (hash ^ c) * 1099511628211ULL;
    }
    std::string hex(16, '0');
    for (std::size_t i = hex.size(); i > 0; --i, hash >>= 4) {
        hex[i - 1] = "0123456789abcdef"[hash & 15];
    }
    return hex;
}

LeadingNumber ReadLeadingNumber(std::string_view text) {
    LeadingNumber result;
    std::size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    const std::size_t start = pos;
    const auto digit = [&] { return pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; };
    std::size_t digits = 0;
    for (; digit(); ++pos) {
        ++digits;
    }
    if (pos < text.size() && text[pos] == '.') {
        const std::size_t dot = pos++;
        std::size_t fraction = 0;
        for (; digit(); ++pos) {
            ++fraction;
        }
        if (fraction == 0) {
            pos = dot + 1; // "2." still reads as 2
        }
        digits += fraction;
    }
    if (digits == 0) {
        return result;
    }
    double value = 0;
    // from_chars ignores the locale, so "2.5" is two and a half under every LC_NUMERIC.
    std::from_chars(text.data() + start, text.data() + pos, value);
    result.value = negative ? -value : value;
    result.length = pos;
    result.found = true;
    return result;
}

} // namespace clipwarden
