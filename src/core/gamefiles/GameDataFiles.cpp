#include "core/gamefiles/GameDataFiles.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/Text.h"
#include "core/gamefiles/LittleEndian.h"

namespace clipwarden {

namespace {

/** The game's text files: sections of lines, fields split by commas and blanks. */
std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t at = 0;
    const auto separator = [](char c) {
        return c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
    };
    while (at < line.size()) {
        while (at < line.size() && separator(line[at])) {
            ++at;
        }
        const std::size_t from = at;
        while (at < line.size() && !separator(line[at])) {
            ++at;
        }
        if (at > from) {
            fields.push_back(line.substr(from, at - from));
        }
    }
    return fields;
}

/** Calls `line(number, fields)` for every line that is not blank or a comment. */
template <typename Visit>
void EachLine(std::string_view text, Visit&& visit) {
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++number;
        if (const std::size_t hash = line.find('#'); hash != std::string_view::npos) {
            line = line.substr(0, hash);
        }
        const auto fields = Fields(line);
        if (!fields.empty()) {
            visit(number, fields);
        }
    }
}

std::optional<int> WholeNumber(std::string_view field) {
    int value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size()) {
        return std::nullopt;
    }
    return value;
}

/** A coordinate: a finite number within any map the game can hold. */
std::optional<float> Coordinate(std::string_view field) {
    float value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size() || !std::isfinite(value) ||
        std::fabs(value) > 100'000.0F) {
        return std::nullopt;
    }
    return value;
}

bool SectionNamed(std::string_view field, std::string_view name) {
    return ToLowerAscii(std::string(field)) == name;
}

std::string LineFault(int line, std::string_view what) {
    return "line " + std::to_string(line) + " " + std::string(what);
}

/** The name in an 8-byte, 0-padded field. */
std::string Name8(std::span<const std::uint8_t> bytes, std::size_t at) {
    std::string name;
    for (std::size_t i = 0; i < 8 && bytes[at + i] != 0; ++i) {
        name.push_back(static_cast<char>(bytes[at + i]));
    }
    return name;
}

/** One of the game's 16-bit characters as a code point: ASCII, its accented Latin letters
 *  (shifted into Windows-1252, which agrees with Unicode from 0xC0 up), U+FFFD otherwise. */
char32_t GameCharacter(std::uint16_t code) {
    if (code < 0x20 || code == 0x7F) {
        return U'\uFFFD'; // never a line break or a control character in a name
    }
    if (code < 128) {
        return code;
    }
    struct Shift {
        std::uint16_t last;
        std::uint16_t by;
    };
    static constexpr Shift kShifts[] = {{131, 64},  {141, 66},  {145, 68}, {149, 71},
                                        {154, 73}, {164, 75}, {168, 77}, {175, 80}};
    for (const Shift& shift : kShifts) {
        if (code <= shift.last) {
            return static_cast<char32_t>(code + shift.by);
        }
    }
    switch (code) {
    case 205:
        return U'\u00D1';
    case 206:
        return U'\u00F1';
    case 207:
        return U'\u00BF';
    default:
        return U'\uFFFD';
    }
}

constexpr std::size_t kLongestText = 1000; ///< characters kept of one text

} // namespace

GameFileReading<std::vector<Zone>> ReadZoneFile(std::string_view text) {
    GameFileReading<std::vector<Zone>> reading;
    std::vector<Zone> zones;
    bool inZones = false;
    std::string fault;
    EachLine(text, [&](int number, const std::vector<std::string_view>& fields) {
        if (!fault.empty()) {
            return;
        }
        if (fields.size() == 1 && SectionNamed(fields[0], "end")) {
            inZones = false;
            return;
        }
        if (!inZones) {
            inZones = fields.size() == 1 && SectionNamed(fields[0], "zone");
            return;
        }
        if (fields.size() != 9) {
            fault = LineFault(number, "of the zones does not hold 9 fields");
            return;
        }
        Zone zone;
        zone.label = ToUpperAscii(std::string(fields[0].substr(0, 7)));
        const auto type = WholeNumber(fields[1]);
        const auto level = WholeNumber(fields[8]);
        std::array<float, 6> corners{};
        for (std::size_t i = 0; i < corners.size(); ++i) {
            const auto value = Coordinate(fields[2 + i]);
            if (!value) {
                fault = LineFault(number, "holds a corner that is no coordinate");
                return;
            }
            corners[i] = *value;
        }
        if (!type || *type < 0 || *type > 3 || !level) {
            fault = LineFault(number, "holds a zone type or level that is no number the game knows");
            return;
        }
        zone.type = *type;
        zone.level = *level;
        zone.min = {std::min(corners[0], corners[3]), std::min(corners[1], corners[4]),
                    std::min(corners[2], corners[5])};
        zone.max = {std::max(corners[0], corners[3]), std::max(corners[1], corners[4]),
                    std::max(corners[2], corners[5])};
        zones.push_back(std::move(zone));
    });
    if (!fault.empty()) {
        reading.why = fault;
    } else if (zones.empty()) {
        reading.why = "it holds no zone";
    } else {
        reading.value = std::move(zones);
    }
    return reading;
}

GameFileReading<std::map<std::string, std::string>> ReadTextFile(
    std::span<const std::uint8_t> bytes) {
    GameFileReading<std::map<std::string, std::string>> reading;
    const auto fail = [&](std::string why) {
        reading.why = std::move(why);
        return reading;
    };
    const auto fits = [&](std::size_t at, std::size_t size) {
        return at <= bytes.size() && size <= bytes.size() - at;
    };
    if (!fits(0, 8) || Name8(bytes.first(4), 0).substr(0, 4) != "TABL") {
        return fail("it does not start with the table directory of the game's text file");
    }
    const std::uint32_t directorySize = U32At(bytes, 4);
    if (!fits(8, directorySize)) {
        return fail("its table directory runs past the end of the file");
    }
    std::optional<std::size_t> mainAt;
    for (std::size_t entry = 8; entry + 12 <= 8 + std::size_t{directorySize}; entry += 12) {
        if (Name8(bytes, entry) == "MAIN") {
            mainAt = U32At(bytes, entry + 8);
            break;
        }
    }
    if (!mainAt) {
        return fail("it holds no MAIN table");
    }
    // MAIN's chunks: TKEY and TDAT, each a tag and a size; others are skipped, as the game does.
    std::span<const std::uint8_t> keys;
    std::span<const std::uint8_t> data;
    std::size_t at = *mainAt;
    for (int chunk = 0; chunk < 16 && (keys.empty() || data.empty()); ++chunk) {
        if (!fits(at, 8)) {
            return fail("its MAIN table runs past the end of the file");
        }
        const std::string tag(reinterpret_cast<const char*>(bytes.data() + at), 4);
        const std::uint32_t size = U32At(bytes, at + 4);
        if (!fits(at + 8, size)) {
            return fail("a block of its MAIN table runs past the end of the file");
        }
        if (tag == "TKEY") {
            keys = bytes.subspan(at + 8, size);
        } else if (tag == "TDAT") {
            data = bytes.subspan(at + 8, size);
        }
        at += 8 + std::size_t{size};
    }
    if (keys.empty() || data.empty()) {
        return fail("its MAIN table has no keys or no texts");
    }
    std::map<std::string, std::string> texts;
    for (std::size_t entry = 0; entry + 12 <= keys.size(); entry += 12) {
        const std::size_t offset = U32At(keys, entry);
        const std::string key = Name8(keys, entry + 4);
        if (offset >= data.size() || key.empty()) {
            return fail("a key of its MAIN table points past its texts");
        }
        std::u32string text;
        for (std::size_t i = offset; i + 1 < data.size() && text.size() < kLongestText; i += 2) {
            const std::uint16_t code = U16At(data, i);
            if (code == 0) {
                break;
            }
            text.push_back(GameCharacter(code));
        }
        texts.emplace(EscapeOddBytes(key), EncodeUtf8(text));
    }
    reading.value = std::move(texts);
    return reading;
}

GameFileReading<std::map<int, std::string>> ReadVehicleModels(std::string_view text) {
    GameFileReading<std::map<int, std::string>> reading;
    std::map<int, std::string> models;
    bool inCars = false;
    bool sawCars = false;
    std::string fault;
    EachLine(text, [&](int number, const std::vector<std::string_view>& fields) {
        if (!fault.empty()) {
            return;
        }
        if (fields.size() == 1) {
            inCars = !SectionNamed(fields[0], "end") && SectionNamed(fields[0], "cars");
            sawCars = sawCars || inCars;
            return;
        }
        if (!inCars) {
            return;
        }
        const auto id = WholeNumber(fields[0]);
        if (fields.size() < 6 || !id || *id < 0 || *id > 65535) {
            fault = LineFault(number, "of the vehicles does not start with a model id and name");
            return;
        }
        models[*id] = EscapeOddBytes(std::string(fields[5].substr(0, 8)));
    });
    if (!fault.empty()) {
        reading.why = fault;
    } else if (!sawCars || models.empty()) {
        reading.why = "it holds no vehicles";
    } else {
        reading.value = std::move(models);
    }
    return reading;
}

} // namespace clipwarden
