#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace clipwarden {

/** The most bytes a reader ever takes of a replay file: one more than the largest replay, so
 *  that a larger file is told apart by its size alone. */
inline constexpr std::size_t kMostReplayBytes = 800'009;

/** A point in the game's world; one unit is one metre. */
struct WorldPoint {
    float x = 0;
    float y = 0;
    float z = 0;
};

/** What a Vice City replay holds. A value a check rejected is nothing, never a number. */
struct ReplayDetails {
    int buffers = 0;
    int frames = 0;
    std::optional<double> seconds;                 ///< first frame to last
    std::optional<std::array<int, 2>> clockStart;  ///< hours, minutes
    std::optional<std::array<int, 2>> clockEnd;
    std::optional<int> weatherStart;               ///< the dominant weather of the pair
    std::optional<int> weatherEnd;
    std::optional<WorldPoint> start;               ///< the player's position
    std::optional<WorldPoint> end;
    double metres = 0;
    std::vector<std::array<float, 2>> path;        ///< top-down, at most kMostPathPoints
    std::vector<std::uint16_t> vehicleModels;      ///< distinct, ascending
    std::vector<std::uint16_t> playerVehicleModels; ///< distinct, ascending; none on foot
    int pedsAtOnce = 0;
    int interiorStart = 0;                         ///< of the first frame; 0 outdoors
    int interior = 0;                              ///< of the last frame; 0 outdoors
    bool rcVehicle = false;
    std::vector<std::string> warnings;             ///< what the soft checks flagged
};

inline constexpr std::size_t kMostPathPoints = 64;

/** What a file is, read from its bytes. */
struct ReplayReading {
    enum class Kind {
        Replay,    ///< a Vice City replay
        Damaged,   ///< Vice City's header, but a body the game would hang or crash on
        OtherGame, ///< GTA III's or San Andreas's replay
        NotReplay, ///< anything else
    };
    Kind kind = Kind::NotReplay;
    std::string why; ///< "" for a replay
    ReplayDetails details;
};

/** Whether a file of `size` bytes may be a whole replay: the header and 1 to 8 buffers. A
 *  writer's 4,096-byte pieces never add up to such a size before its last one. */
constexpr bool IsWholeReplaySize(std::uint64_t size) {
    return size > 8 && (size - 8) % 100'000 == 0 && (size - 8) / 100'000 <= 8;
}

/** Reads a replay file's bytes (at most kMostReplayBytes of them): never past their end,
 *  never past a buffer's end byte, each field at its offset, little-endian. */
ReplayReading ReadReplay(std::span<const std::uint8_t> bytes);

/** The name of a weather id of the game ("Extra sunny"); "" for an unknown one. */
std::string WeatherName(int weather);

} // namespace clipwarden
