#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/gamefiles/GameNames.h"
#include "core/gamefiles/ReplayReader.h"

namespace clipwarden {

// What a replay holds, as a person reads it: the names come from the game folder's files,
// so these texts are made when shown and never stored.

/** "07:38" for a clock of the game; "" for none. */
std::string ClockText(const std::optional<std::array<int, 2>>& clock);

/** "0:30", "12:05", "1:02:03" for a length in seconds; "" for none. */
std::string LengthText(const std::optional<double>& seconds);

/** The place of a point as the game names it; "" for no point. */
std::string PlaceOf(const std::optional<WorldPoint>& point, int interior, const GameNames& names);

/** The start's place, or "Ocean Beach to Vice Point" when the end lies elsewhere; "" when the
 *  start is unknown. */
std::string PlaceText(const ReplayDetails& details, const GameNames& names);

/** "07:38 Extra sunny", or whichever of the two is known; "" for neither. */
std::string GameTimeText(const std::optional<std::array<int, 2>>& clock,
                         const std::optional<int>& weather);

std::vector<std::string> VehicleNames(const std::vector<std::uint16_t>& models,
                                      const GameNames& names);

/** Every vehicle's name, the ones the player drove first, the others by id. */
std::vector<std::string> VehiclesPlayerFirst(const ReplayDetails& details, const GameNames& names);

std::string Joined(const std::vector<std::string>& parts, const char* separator);

/** 1234567 as "1,234,567". */
std::string Grouped(std::size_t number);

/** "1,487 m", a distance rounded to the metre. */
std::string MetresText(double metres);

} // namespace clipwarden
