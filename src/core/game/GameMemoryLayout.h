#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace clipwarden {

/** The game versions Clipwarden writes its in-game text for. */
enum class GameVersion { V1_0, V1_1 };

/** Where the game keeps what Clipwarden reads and writes. Addresses are those of version 1.1;
 *  version 1.0 keeps the message locations 8 bytes lower. */
inline constexpr std::uint64_t kPlaybackFlag = 0xA10AFE; // never shifted
inline constexpr std::uint64_t kMessageFlag1 = 0x94DBD4;
inline constexpr std::uint64_t kMessageFlag2 = 0x97F843;
inline constexpr std::array<std::uint64_t, 3> kMessageTexts = {0x78C600, 0x7D3E48, 0x939030};
inline constexpr std::size_t kMessageTextBytes = 512;

/** How far the message locations of `version` lie from those of 1.1. */
constexpr std::int64_t MessageShift(GameVersion version) {
    return version == GameVersion::V1_0 ? -8 : 0;
}

inline constexpr std::byte kFlagShowing{0x31};
inline constexpr std::byte kFlagCleared{0x30};

} // namespace clipwarden
