#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace clipwarden {

/** The game versions the window offers to choose between. */
enum class GameVersion { V1_0, V1_1 };

/** Where one executable of the game keeps what Clipwarden reads and writes. */
struct GameLayout {
    const char* name;                  ///< as the log names the version: "1.0", "1.1", "Steam"
    std::optional<GameVersion> option; ///< the window's option for it, if it has one
    std::uint64_t playbackFlag;        ///< 1 byte, 1 while a replay plays
    std::uint64_t messageFlag1;        ///< 1 byte
    std::uint64_t messageFlag2;        ///< 1 byte
    std::array<std::uint64_t, 3> messageTexts; ///< 512 bytes each
};

inline constexpr GameLayout kLayout10{"1.0",    GameVersion::V1_0, 0xA10AF6,
                                      0x94DBCC, 0x97F83B,          {0x78C5F8, 0x7D3E40, 0x939028}};
inline constexpr GameLayout kLayout11{"1.1",    GameVersion::V1_1, 0xA10AFE,
                                      0x94DBD4, 0x97F843,          {0x78C600, 0x7D3E48, 0x939030}};
inline constexpr GameLayout kLayoutSteam{"Steam",  std::nullopt, 0xA0FAFE,
                                         0x94CBD4, 0x97E843,     {0x78B600, 0x7D2E48, 0x938030}};

/** The 32-bit value here tells the executables apart. */
inline constexpr std::uint64_t kSignatureAddress = 0x61C11C;
inline constexpr std::uint32_t kSignature10 = 0x74FF5064;
inline constexpr std::uint32_t kSignature11 = 0x00408DC0;
inline constexpr std::uint32_t kSignatureSteam = 0x00004824;
/** The Steam executable before it has decrypted itself during start-up. */
inline constexpr std::uint32_t kSignatureSteamPacked = 0x24E58287;

/** Read every tick to tell that the game is alive: readable in every executable. */
inline constexpr std::uint64_t kLivenessProbe = 0xA10AFE;

inline constexpr std::size_t kMessageTextBytes = 512;
inline constexpr std::byte kFlagShowing{0x31};
inline constexpr std::byte kFlagCleared{0x30};

/** The layout of the executable with this signature; nothing for any other value. */
constexpr const GameLayout* LayoutOfSignature(std::uint32_t signature) {
    switch (signature) {
    case kSignature10:
        return &kLayout10;
    case kSignature11:
        return &kLayout11;
    case kSignatureSteam:
        return &kLayoutSteam;
    default:
        return nullptr;
    }
}

} // namespace clipwarden
