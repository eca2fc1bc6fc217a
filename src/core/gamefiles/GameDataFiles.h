#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/gamefiles/ReplayReader.h"

namespace clipwarden {

/** The most bytes read of the game's zone and model files, and of its text file. */
inline constexpr std::size_t kMostZoneFileBytes = 1024 * 1024;
inline constexpr std::size_t kMostModelFileBytes = 1024 * 1024;
inline constexpr std::size_t kMostTextFileBytes = 16 * 1024 * 1024;

/** A box of the game's zone file: its label (upper case, at most 7 characters, also the key
 *  of its name in the text file), its type and two corners in min/max order. */
struct Zone {
    std::string label;
    int type = 0; ///< 0 default, 1 navigation, 2 info, 3 map
    WorldPoint min;
    WorldPoint max;
    int level = 0;
};

/** What one of the game's data files held, or why it could not be read. */
template <typename T>
struct GameFileReading {
    std::optional<T> value;
    std::string why; ///< set when there is no value
};

/** The `zone … end` sections of a zone file (data/navig.zon). Damaged when a line in them
 *  cannot be read or none holds a box. */
GameFileReading<std::vector<Zone>> ReadZoneFile(std::string_view text);

/** The MAIN table of the game's text file (text/american.gxt): each key with its text as
 *  UTF-8, the game's accented letters decoded, control characters replaced. */
GameFileReading<std::map<std::string, std::string>> ReadTextFile(
    std::span<const std::uint8_t> bytes);

/** The `cars` section of the model list (data/default.ide): each vehicle model id with the
 *  text key of its name. */
GameFileReading<std::map<int, std::string>> ReadVehicleModels(std::string_view text);

} // namespace clipwarden
