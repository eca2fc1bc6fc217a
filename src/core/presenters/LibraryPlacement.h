#pragma once

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <vector>

#include "core/settings/Settings.h"

namespace clipwarden {

// Where the Library window was when it closed, in its own settings section so that both
// programs read the same text: "x,y,width,height", the column widths, "w1,w2,...", and so on.

inline constexpr const char* kKeyLibraryGeometry = "Library/geometry";
inline constexpr const char* kKeyLibraryColumns = "Library/columns";
/** The columns left to right, by their own numbers: "0,6,1,..." */
inline constexpr const char* kKeyLibraryOrder = "Library/order";
/** The hidden columns, by their own numbers; "" for none. */
inline constexpr const char* kKeyLibraryHidden = "Library/hidden";
/** The heights of the list and the details pane below it. */
inline constexpr const char* kKeyLibrarySplit = "Library/split";

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
 *  when one is stored and sound; the widths of its `columns` columns (0 where none or an
 *  unlikely one is stored); the order they stand in, left to right (the columns' own order
 *  unless a whole one is stored); which are hidden; and the heights of the list and the
 *  details pane (nothing unless both are stored). Whether the frame lies on a screen is the
 *  window's to tell. */
struct LibraryPlace {
    std::optional<std::vector<int>> frame;
    std::vector<int> widths;
    std::vector<int> order;
    std::vector<bool> hidden;
    std::optional<std::vector<int>> split;
};

inline LibraryPlace ReadLibraryPlace(Settings& settings, std::size_t columns) {
    LibraryPlace place;
    place.frame = ReadNumberList(settings.ReadSetting(kKeyLibraryGeometry, std::string()));
    if (place.frame &&
        (place.frame->size() != 4 || (*place.frame)[2] <= 0 || (*place.frame)[3] <= 0)) {
        place.frame.reset();
    }
    place.widths.assign(columns, 0);
    // Fewer widths than columns were stored by a window with fewer columns: they still fit
    // the columns they were stored for, which come first.
    const auto widths = ReadNumberList(settings.ReadSetting(kKeyLibraryColumns, std::string()));
    if (widths && widths->size() <= columns) {
        for (std::size_t i = 0; i < widths->size(); ++i) {
            place.widths[i] = (*widths)[i] > 0 && (*widths)[i] < 4000 ? (*widths)[i] : 0;
        }
    }
    for (std::size_t i = 0; i < columns; ++i) {
        place.order.push_back(static_cast<int>(i));
    }
    if (const auto order = ReadNumberList(settings.ReadSetting(kKeyLibraryOrder, std::string()));
        order && order->size() == columns &&
        std::is_permutation(order->begin(), order->end(), place.order.begin())) {
        place.order = *order;
    }
    place.hidden.assign(columns, false);
    if (const auto hidden =
            ReadNumberList(settings.ReadSetting(kKeyLibraryHidden, std::string()))) {
        for (const int column : *hidden) {
            // The name always shows: a row without it would say nothing.
            if (column > 0 && static_cast<std::size_t>(column) < columns) {
                place.hidden[static_cast<std::size_t>(column)] = true;
            }
        }
    }
    place.split = ReadNumberList(settings.ReadSetting(kKeyLibrarySplit, std::string()));
    if (place.split && (place.split->size() != 2 || (*place.split)[0] < 0 ||
                        (*place.split)[1] < 0 || (*place.split)[0] + (*place.split)[1] == 0)) {
        place.split.reset();
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

namespace clipwarden {

/** The settings that store `place` (its frame, if any, aside), key and text. */
inline std::vector<std::pair<const char*, std::string>>
LibraryPlaceSettings(const LibraryPlace& place) {
    std::vector<int> hidden;
    for (std::size_t i = 0; i < place.hidden.size(); ++i) {
        if (place.hidden[i]) {
            hidden.push_back(static_cast<int>(i));
        }
    }
    std::vector<std::pair<const char*, std::string>> settings = {
        {kKeyLibraryColumns, WriteNumberList(place.widths)},
        {kKeyLibraryOrder, WriteNumberList(place.order)},
        {kKeyLibraryHidden, WriteNumberList(hidden)},
    };
    if (place.frame) {
        settings.emplace_back(kKeyLibraryGeometry, WriteNumberList(*place.frame));
    }
    if (place.split) {
        settings.emplace_back(kKeyLibrarySplit, WriteNumberList(*place.split));
    }
    return settings;
}

} // namespace clipwarden
