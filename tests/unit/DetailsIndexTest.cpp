// The details index: what it keeps comes back as it was, a file that changed is read again, and
// bytes that are no index of this version (damaged, foreign, too large, nested without end) are
// refused whole, never trusted in part.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "core/replays/DetailsIndex.h"

namespace clipwarden::test {
namespace {

FileStamp Stamp(std::int64_t modified) {
    FileStamp stamp;
    stamp.modified = modified;
    stamp.size = 800'008;
    stamp.device = 2049;
    stamp.fileId = 0xFFFF'FFFF'FFFF'FF01ULL; // an NTFS file index uses every bit
    return stamp;
}

ReplayReading AReplay() {
    ReplayReading reading;
    reading.kind = ReplayReading::Kind::Replay;
    ReplayDetails& d = reading.details;
    d.buffers = 8;
    d.frames = 4321;
    d.seconds = 142.56;
    d.clockStart = std::array<int, 2>{7, 38};
    d.weatherStart = 4;
    d.weatherEnd = 0;
    d.start = WorldPoint{220.5F, -1270.25F, 10};
    d.metres = 310.4;
    d.vehicleModels = {135, 159, 241};
    d.playerVehicleModels = {159};
    d.pedsAtOnce = 12;
    d.interiorStart = 0;
    d.interior = 17;
    d.rcVehicle = true;
    d.path = {{1, 2}, {3, 4}};
    return reading;
}

std::optional<DetailsIndex> Parse(const std::vector<std::uint8_t>& bytes, std::string& why) {
    return DetailsIndex::Parse(std::span(bytes.data(), bytes.size()), why);
}

TEST(DetailsIndex, KeepsRawFiguresAcrossItsFileAndForgetsAChangedFile) {
    DetailsIndex index;
    index.Put("replay1012-3.rep", Stamp(-5), AReplay()); // a time before 1970 too
    ReplayReading damaged;
    damaged.kind = ReplayReading::Kind::Damaged;
    damaged.why = "buffer 2 has no end byte";
    index.Put("odd\xff\nname.rep", Stamp(7), damaged);

    std::string why;
    const auto again = Parse(index.Serialize(), why);
    ASSERT_TRUE(again) << why;
    const IndexedReplay* replay = again->Find("replay1012-3.rep", Stamp(-5));
    ASSERT_NE(replay, nullptr);
    const ReplayDetails& d = replay->reading.details;
    EXPECT_EQ(d.frames, 4321);
    EXPECT_EQ(d.seconds, 142.56);
    EXPECT_EQ(d.clockStart, (std::array<int, 2>{7, 38}));
    EXPECT_FALSE(d.clockEnd);
    EXPECT_EQ(d.weatherEnd, 0);
    EXPECT_FLOAT_EQ(d.start->y, -1270.25F);
    EXPECT_FALSE(d.end);
    EXPECT_EQ(d.vehicleModels, (std::vector<std::uint16_t>{135, 159, 241}));
    EXPECT_EQ(d.playerVehicleModels, (std::vector<std::uint16_t>{159}));
    EXPECT_EQ(d.interior, 17);
    EXPECT_TRUE(d.rcVehicle);
    EXPECT_TRUE(d.path.empty()) << "the path is read from the file, not kept";

    const IndexedReplay* other = again->Find("odd\xff\nname.rep", Stamp(7));
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->reading.kind, ReplayReading::Kind::Damaged);
    EXPECT_EQ(other->reading.why, "buffer 2 has no end byte");

    // Another time, size or file: read again.
    EXPECT_EQ(again->Find("replay1012-3.rep", Stamp(-4)), nullptr);
    FileStamp moved = Stamp(-5);
    moved.fileId = 1;
    EXPECT_EQ(again->Find("replay1012-3.rep", moved), nullptr);

    DetailsIndex kept = *again;
    kept.KeepOnly({"replay1012-3.rep"});
    EXPECT_EQ(kept.size(), 1U);
}

TEST(DetailsIndex, BytesThatAreNoIndexOfThisVersionAreRefusedWhole) {
    DetailsIndex index;
    index.Put("a.rep", Stamp(1), AReplay());
    const auto bytes = index.Serialize();
    std::string why;

    auto truncated = bytes;
    truncated.resize(bytes.size() - 3);
    EXPECT_FALSE(Parse(truncated, why));
    EXPECT_FALSE(why.empty());

    using nlohmann::json;
    const auto foreign = json::to_cbor(json{{"format", "someone else's"}, {"replays", json::object()}});
    EXPECT_FALSE(Parse(foreign, why));
    auto newer = json::from_cbor(bytes);
    newer["version"] = 2;
    EXPECT_FALSE(Parse(json::to_cbor(newer), why));
    EXPECT_EQ(why, "it is an index of another version");

    // One entry out of range spoils the whole index: it is read again from the files.
    auto spoiled = json::from_cbor(bytes);
    spoiled["replays"]["a.rep"][10] = json::array({25, 0}); // a clock of 25:00
    EXPECT_FALSE(Parse(json::to_cbor(spoiled), why));
    EXPECT_EQ(why, "an entry of it is damaged");

    // Arrays nested a million deep: refused before anything recurses into them.
    std::vector<std::uint8_t> deep(1'000'000, 0x81); // CBOR: an array of one element, again
    deep.push_back(0x00);
    EXPECT_FALSE(Parse(deep, why));

    std::vector<std::uint8_t> huge(kMostIndexBytes + 1, 0);
    EXPECT_FALSE(Parse(huge, why));
    EXPECT_EQ(why, "it is larger than any index Clipwarden writes");
}

} // namespace
} // namespace clipwarden::test
