#pragma once

#include <charconv>
#include <optional>
#include <string>
#include <vector>

#include "core/settings/Settings.h"

namespace clipwarden {

// Where the Library window was when it closed, in its own settings section so that both
// programs read the same text: "x,y,width,height" and the column widths, "w1,w2,...".

inline constexpr const char* kKeyLibraryGeometry = "Library/geometry";
inline constexpr const char* kKeyLibraryColumns = "Library/columns";

/** Whole numbers separated by commas, nothing else; nothing when the text is anything else. */
inline std::optional<std::vector<int>> ReadNumberList(const std::string& text) {
    std::vector<int> numbers;
    const char* at = text.data();
    const char* end = text.data() + text.size();
    while (at < end) {
        int value = 0;
        const auto [next, ec] = std::from_chars(at, end, value);
        if (ec != std::errc() || (next != end && *next != ',')) {
            return std::nullopt;
        }
        numbers.push_back(value);
        at = next == end ? end : next + 1;
    }
    if (numbers.empty()) {
        return std::nullopt;
    }
    return numbers;
}

/** Where the Library window was, as its settings hold it: its frame (x, y, width, height)
 *  when one is stored and sound, and the widths of its `columns` columns (0 where none or an
 *  unlikely one is stored). Whether the frame lies on a screen is the window's to tell. */
struct LibraryPlace {
    std::optional<std::vector<int>> frame;
    std::vector<int> widths;
};

inline LibraryPlace ReadLibraryPlace(Settings& settings, std::size_t columns) {
    LibraryPlace place;
    place.frame = ReadNumberList(settings.ReadSetting(kKeyLibraryGeometry, std::string()));
    if (place.frame &&
        (place.frame->size() != 4 || (*place.frame)[2] <= 0 || (*place.frame)[3] <= 0)) {
        place.frame.reset();
    }
    place.widths.assign(columns, 0);
    const auto widths = ReadNumberList(settings.ReadSetting(kKeyLibraryColumns, std::string()));
    if (widths && widths->size() == columns) {
        for (std::size_t i = 0; i < columns; ++i) {
            place.widths[i] = (*widths)[i] > 0 && (*widths)[i] < 4000 ? (*widths)[i] : 0;
        }
    }
    return place;
}

inline std::string WriteNumberList(const std::vector<int>& numbers) {
    std::string text;
    for (const int number : numbers) {
        text += (text.empty() ? "" : ",") + std::to_string(number);
    }
    return text;
}

} // namespace clipwarden
