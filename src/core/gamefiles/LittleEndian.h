#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace clipwarden {

/** The little-endian 16- and 32-bit numbers of the game's files, read at `at`; the caller has
 *  made sure they lie within `bytes`. */
inline std::uint16_t U16At(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

inline std::uint32_t U32At(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

} // namespace clipwarden
