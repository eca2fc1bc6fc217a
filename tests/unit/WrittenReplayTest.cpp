// The replay reader over replays the stand-in games write, spread over several buffers as the
// game spreads a long recording: particles first in a buffer, frames moved on whole to the next.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "ReplayWriter.h"
#include "core/gamefiles/ReplayReader.h"

namespace clipwarden::test {
namespace {

using replaywriter::ScriptedDrive;

ReplayReading Read(const std::vector<std::uint8_t>& bytes) {
    return ReadReplay(std::span(bytes.data(), bytes.size()));
}

TEST(WrittenReplay, ADriveOverThreeBuffersKeepsEveryFrameAndFigure) {
    ScriptedDrive drive;
    drive.frames = 400;
    drive.leastBuffers = 3;
    drive.hours = 21;
    drive.minutes = 5;
    drive.minutesPerFrame = 0;
    drive.oldWeather = 2;
    drive.newWeather = 5;
    drive.blend = 0.75F;
    drive.waypoints = {{-900, -500, 10}, {-900, 400, 10}, {-300, 400, 12}};
    drive.vehicles = {{2, 159, false}, {5, 135, false}, {9, 191, true}};
    drive.playerVehicle = 2; // the PCJ 600, a bike
    drive.otherPeds = 4;
    const auto bytes = replaywriter::BuildReplay(drive);
    ASSERT_EQ(bytes.size(), 8U + 3 * 100'000U);

    const ReplayReading reading = Read(bytes);
    ASSERT_EQ(reading.kind, ReplayReading::Kind::Replay) << reading.why;
    const ReplayDetails& d = reading.details;
    EXPECT_EQ(d.buffers, 3);
    EXPECT_EQ(d.frames, 400);
    ASSERT_TRUE(d.seconds);
    EXPECT_NEAR(*d.seconds, 399 * 0.033, 1e-9);
    EXPECT_EQ(d.clockStart, (std::array<int, 2>{21, 5}));
    EXPECT_EQ(d.weatherStart, 5); // the new weather dominates past half the blend
    ASSERT_TRUE(d.start && d.end);
    EXPECT_FLOAT_EQ(d.start->x, -900);
    EXPECT_FLOAT_EQ(d.end->x, -300);
    EXPECT_FLOAT_EQ(d.end->y, 400);
    // No frame falls on the turn itself, which the frames cut by about a metre.
    EXPECT_NEAR(d.metres, 900 + std::sqrt(600.0 * 600 + 2 * 2), 2);
    EXPECT_EQ(d.vehicleModels, (std::vector<std::uint16_t>{135, 159, 191}));
    EXPECT_EQ(d.playerVehicleModels, (std::vector<std::uint16_t>{191}));
    EXPECT_EQ(d.pedsAtOnce, 5);
    EXPECT_FALSE(d.rcVehicle);
    EXPECT_EQ(d.warnings, std::vector<std::string>());

    // The path: at most 64 points, evenly over the whole drive, its first and last kept.
    ASSERT_LE(d.path.size(), kMostPathPoints);
    ASSERT_GE(d.path.size(), 32U);
    EXPECT_EQ(d.path.front(), (std::array<float, 2>{-900, -500}));
    EXPECT_EQ(d.path.back(), (std::array<float, 2>{-300, 400}));
    const auto corner = std::find_if(d.path.begin(), d.path.end(), [](const auto& point) {
        return std::hypot(point[0] + 900, point[1] - 400) < 25; // one step of the thinned path
    });
    EXPECT_NE(corner, d.path.end()) << "the turn halfway is not on the path";
}

TEST(WrittenReplay, ABufferThatOpensWithParticlesLosesNoFrame) {
    // The game moves a particle on to the next buffer only near the end of one, so a buffer
    // opens with particles only for some frame sizes: find such a drive among a few.
    for (int particles = 1; particles <= 60; ++particles) {
        ScriptedDrive drive;
        drive.frames = 800;
        drive.particlesBetweenFrames = particles;
        const auto bytes = replaywriter::BuildReplay(drive);
        bool opensWithParticles = false;
        for (std::size_t at = 8 + 100'000; at < bytes.size(); at += 100'000) {
            opensWithParticles = opensWithParticles || bytes[at] == 11;
        }
        if (!opensWithParticles) {
            continue;
        }
        const ReplayReading reading = Read(bytes);
        ASSERT_EQ(reading.kind, ReplayReading::Kind::Replay) << reading.why;
        EXPECT_EQ(reading.details.frames, 800);
        EXPECT_EQ(reading.details.warnings, std::vector<std::string>());
        return;
    }
    FAIL() << "no drive put particles first in a buffer";
}

TEST(WrittenReplay, OnFootInsideAnInteriorAndAnRcVehicle) {
    ScriptedDrive drive;
    drive.frames = 3;
    drive.interior = 17;
    drive.rc = true;
    drive.vehicles = {{4, 171, false}};
    const ReplayReading reading = Read(replaywriter::BuildReplay(drive));
    ASSERT_EQ(reading.kind, ReplayReading::Kind::Replay) << reading.why;
    EXPECT_TRUE(reading.details.playerVehicleModels.empty()); // seen, but not driven
    EXPECT_EQ(reading.details.vehicleModels, (std::vector<std::uint16_t>{171}));
    EXPECT_EQ(reading.details.interior, 17);
    EXPECT_EQ(reading.details.interiorStart, 17);
    EXPECT_TRUE(reading.details.rcVehicle);
    EXPECT_EQ(reading.details.metres, 0);
    EXPECT_EQ(reading.details.path.size(), 1U); // standing still: one point, no repeats
}

TEST(WrittenReplay, AFullRingOfEightBuffersIsReadAndOneByteMoreIsDamaged) {
    ScriptedDrive drive;
    drive.frames = 20'000; // more than eight buffers hold: the ring ends the drive
    auto bytes = replaywriter::BuildReplay(drive);
    ASSERT_EQ(bytes.size(), 800'008U);
    const ReplayReading full = Read(bytes);
    ASSERT_EQ(full.kind, ReplayReading::Kind::Replay) << full.why;
    EXPECT_EQ(full.details.buffers, 8);
    bytes.push_back(0);
    EXPECT_EQ(Read(bytes).kind, ReplayReading::Kind::Damaged);
}

} // namespace
} // namespace clipwarden::test
