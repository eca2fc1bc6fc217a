#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace clipwarden {

/** Code points of UTF-8 text; a byte that does not start a valid sequence becomes U+FFFD. */
std::u32string DecodeUtf8(const std::string& text);

/** Text made safe to show on one line: control characters as \\n, \\r, \\t, \\0 or \\xNN,
 *  bytes that are not UTF-8 as \\xNN and, with `escapeBackslash`, a backslash as two, so
 *  that no two texts look alike. */
std::string EscapeText(const std::string& text, bool escapeBackslash);

std::string EncodeUtf8(const std::u32string& text);

/** Any byte string as valid UTF-8 that UnescapeOddBytes turns back into the same bytes:
 *  bytes that are not UTF-8 as \\xNN, a backslash as two. */
std::string EscapeOddBytes(const std::string& text);
std::string UnescapeOddBytes(const std::string& text);

/** Whether `text` is valid UTF-8 throughout. */
bool IsUtf8(const std::string& text);

/** A file size as a file manager shows it, in decimal units: "532 bytes", "12.4 MB". */
std::string SizeText(std::uint64_t bytes);

/** The first `count` characters (code points) of UTF-8 text. */
std::string FirstCharacters(const std::string& text, std::size_t count);

/** ASCII letters lower-cased; every other byte unchanged. */
std::string ToLowerAscii(std::string text);
std::string ToUpperAscii(std::string text);

/** Whether two texts are the same, ASCII letters compared in any case (as file and process
 *  names are on Windows); no copy is made. */
bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b);

/** A short name made from a text that stays the same across builds and platforms: the
 *  FNV-1a hash of its bytes as 16 lower-case hex digits. */
std::string StableHexName(const std::string& text);

struct LeadingNumber {
    double value = 0;
    std::size_t length = 0; ///< characters consumed, blanks included
    bool found = false;     ///< false when the text does not begin with a number
};

/** The number a text begins with, independent of the locale: leading blanks, an optional
 *  sign, digits and an optional decimal fraction; reading stops at the first character that
 *  cannot continue it. */
LeadingNumber ReadLeadingNumber(std::string_view text);

} // namespace clipwarden
