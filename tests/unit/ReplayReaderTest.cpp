// The replay reader over buffers built byte by byte from the format's tables (not by any
// writer of ours): the figures of a replay of two buffers, each hard refusal, the soft checks.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "core/gamefiles/ReplayReader.h"

namespace clipwarden::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Kind = ReplayReading::Kind;

/** A packet of `size` bytes of type `type`, its other bytes 0xCC as stale memory would be. */
struct Packet {
    Bytes bytes;
    Packet(std::uint8_t type, std::size_t size) : bytes(size, 0xCC) { bytes[0] = type; }
    Packet& U8(std::size_t at, std::uint8_t value) {
        bytes.at(at) = value;
        return *this;
    }
    Packet& U16(std::size_t at, std::uint16_t value) {
        return U8(at, static_cast<std::uint8_t>(value)).U8(at + 1, static_cast<std::uint8_t>(value >> 8));
    }
    Packet& U32(std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            U8(at + static_cast<std::size_t>(i), static_cast<std::uint8_t>(value >> (8 * i)));
        }
        return *this;
    }
    Packet& F32(std::size_t at, float value) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        return U32(at, bits);
    }
};

/** One frame: the player at (x, y, 10) at `hours`:`minutes`, the game's timer at `ms`. */
Bytes Frame(float x, float y, std::uint8_t hours, std::uint8_t minutes, float blend,
            std::uint32_t ms, const std::vector<Packet>& inside) {
    std::vector<Packet> packets = {
        Packet(5, 88).U8(1, 0).F32(76, x).F32(80, y).F32(84, 10),
        Packet(6, 4).U8(1, hours).U8(2, minutes),
        Packet(7, 8).U8(1, 4).U8(2, 0).F32(4, blend),
        Packet(9, 8).U32(4, ms),
    };
    packets.insert(packets.end(), inside.begin(), inside.end());
    packets.push_back(Packet(12, 16).U8(12, 0));
    packets.push_back(Packet(8, 4));
    Bytes frame;
    for (const Packet& packet : packets) {
        frame.insert(frame.end(), packet.bytes.begin(), packet.bytes.end());
    }
    return frame;
}

/** A whole buffer: `content`, the end byte, and stale bytes up to 100,000. */
Bytes Buffer(const Bytes& content) {
    Bytes buffer = content;
    buffer.push_back(0);
    buffer.resize(100'000, 0xEE);
    return buffer;
}

Bytes File(const std::vector<Bytes>& buffers, const char* header = "gtaVC7f") {
    Bytes file(header, header + 8);
    for (const Bytes& buffer : buffers) {
        file.insert(file.end(), buffer.begin(), buffer.end());
    }
    return file;
}

Bytes TwoBufferReplay() {
    const Packet particle = Packet(11, 20);
    Bytes first = particle.bytes;
    const Bytes frame1 = Frame(100, 200, 7, 38, 0.3F, 1000,
                               {Packet(1, 52).U8(1, 3).U16(26, 191),      // a car in slot 3
                                Packet(3, 8).U8(1, 0).U16(2, 0).U8(4, 0),  // the player appears
                                Packet(4, 44).U8(1, 0).U8(3, 4)});         // … in slot 3's car
    first.insert(first.end(), frame1.begin(), frame1.end());
    const Bytes second = Frame(103, 204, 7, 39, 0.7F, 1033,
                               {Packet(2, 44).U8(1, 5).U16(26, 166),      // a bike in slot 5
                                Packet(3, 8).U8(1, 0).U16(2, 0).U8(4, 0),
                                Packet(4, 44).U8(1, 0).U8(3, 0),           // on foot
                                Packet(3, 8).U8(1, 7).U16(2, 97).U8(4, 4),
                                Packet(4, 44).U8(1, 7).U8(3, 6)});         // a ped on the bike
    return File({Buffer(first), Buffer(second)});
}

TEST(ReplayReader, AReplayOfTwoBuffersGivesItsFigures) {
    const Bytes file = TwoBufferReplay();
    const ReplayReading reading = ReadReplay(file);
    ASSERT_EQ(reading.kind, Kind::Replay) << reading.why;
    const ReplayDetails& d = reading.details;
    EXPECT_EQ(d.buffers, 2);
    EXPECT_EQ(d.frames, 2);
    ASSERT_TRUE(d.seconds);
    EXPECT_NEAR(*d.seconds, 0.033, 1e-9);
    EXPECT_EQ(d.clockStart, (std::array<int, 2>{7, 38}));
    EXPECT_EQ(d.clockEnd, (std::array<int, 2>{7, 39}));
    EXPECT_EQ(d.weatherStart, 4) << "blend below one half: the old weather";
    EXPECT_EQ(d.weatherEnd, 0);
    EXPECT_EQ(WeatherName(*d.weatherStart), "Extra sunny");
    EXPECT_NEAR(d.metres, 5.0, 1e-4);
    EXPECT_EQ(d.vehicleModels, (std::vector<std::uint16_t>{166, 191}));
    EXPECT_EQ(d.playerVehicleModels, std::vector<std::uint16_t>{191}) << "the ped's bike is not the player's";
    EXPECT_EQ(d.pedsAtOnce, 2);
    ASSERT_EQ(d.path.size(), 2U);
    EXPECT_EQ(d.path[1], (std::array<float, 2>{103, 204}));
    EXPECT_TRUE(d.warnings.empty());
}

TEST(ReplayReader, EachHardFaultIsRefusedAndNamed) {
    const Bytes good = TwoBufferReplay();
    const auto kindOf = [](const Bytes& file) { return ReadReplay(file).kind; };

    EXPECT_EQ(kindOf(File({Buffer({})}, "gta3_7f")), Kind::OtherGame);
    EXPECT_EQ(ReadReplay(File({Buffer({})}, "GtaSA29")).why, "it is a replay of GTA: San Andreas");
    EXPECT_EQ(kindOf(Bytes{'n', 'o', 't', 'e', 's'}), Kind::NotReplay);
    EXPECT_EQ(kindOf(Bytes(good.begin(), good.end() - 1)), Kind::Damaged) << "a short buffer";
    Bytes nine = good;
    while (nine.size() < 8 + 9 * 100'000) {
        nine.insert(nine.end(), good.begin() + 8, good.begin() + 8 + 100'000);
    }
    EXPECT_EQ(kindOf(nine), Kind::Damaged) << "nine buffers would overrun the game's";
    EXPECT_EQ(kindOf(File({Buffer({})})), Kind::Damaged) << "no frame at all";

    Bytes unknown = good;
    unknown[8] = 13; // the first packet of the first buffer
    EXPECT_NE(ReadReplay(unknown).why.find("unknown type 13"), std::string::npos);
    // A buffer of particles to its very end has no end byte: the game would walk past it.
    Bytes endless(100'000, 0);
    for (std::size_t at = 0; at < endless.size(); at += 20) {
        endless[at] = 11;
    }
    EXPECT_NE(ReadReplay(File({endless})).why.find("no end byte"), std::string::npos);
    // An end byte inside a frame, and a frame's packets out of order.
    Bytes cut = Frame(0, 0, 1, 2, 0, 0, {});
    cut.resize(88 + 4);
    EXPECT_EQ(kindOf(File({Buffer(cut)})), Kind::Damaged);
    Bytes swapped = Frame(0, 0, 1, 2, 0, 0, {});
    std::swap_ranges(swapped.begin() + 88, swapped.begin() + 92, swapped.begin() + 92);
    EXPECT_NE(ReadReplay(File({Buffer(swapped)})).why.find("out of order"), std::string::npos);
}

TEST(ReplayReader, ABadValueIsUnknownAndFlaggedNeverShownAsANumber) {
    Bytes frames = Frame(5, 5, 25, 61, 2.0F, 500, {});
    const Bytes jump = Frame(5000, 5, 7, 0, 0.5F, 400, {});
    frames.insert(frames.end(), jump.begin(), jump.end());
    const ReplayReading reading = ReadReplay(File({Buffer(frames)}));
    ASSERT_EQ(reading.kind, Kind::Replay) << reading.why;
    EXPECT_FALSE(reading.details.clockStart);
    EXPECT_FALSE(reading.details.weatherStart);
    EXPECT_EQ(reading.details.weatherEnd, 0) << "blend one half: the new weather";
    EXPECT_EQ(reading.details.metres, 0) << "a teleport is no travel";
    EXPECT_EQ(reading.details.seconds, 0.0) << "a timer stepping back adds nothing";
    EXPECT_EQ(reading.details.warnings.size(), 4U);
}

} // namespace
} // namespace clipwarden::test
