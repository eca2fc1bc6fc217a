#pragma once

#include <charconv>
#include <optional>
#include <string>
#include <vector>

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

inline std::string WriteNumberList(const std::vector<int>& numbers) {
    std::string text;
    for (const int number : numbers) {
        text += (text.empty() ? "" : ",") + std::to_string(number);
    }
    return text;
}

} // namespace clipwarden
