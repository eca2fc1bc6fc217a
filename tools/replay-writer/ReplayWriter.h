#pragma once

// Writes replay.rep the way GTA:VC writes it, and the game's zone, text and model files, from
// a script: the bytes every stand-in game, test, benchmark and fuzz seed shares.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace clipwarden::replaywriter {

struct Point {
    float x = 0;
    float y = 0;
    float z = 0;
};

/** A vehicle present in every frame of the drive, at its pool slot. */
struct ScriptedVehicle {
    int slot = 0;
    std::uint16_t model = 0;
    bool bike = false;
};

/** What the recorder sees, frame by frame. */
struct ScriptedDrive {
    int frames = 60;
    std::uint32_t firstTimer = 100'000; ///< the game's time in ms at the first frame
    std::uint32_t frameMilliseconds = 33;
    int hours = 7;
    int minutes = 38;
    int minutesPerFrame = 0;            ///< the clock's pace; 0 keeps it still
    int oldWeather = 4;
    int newWeather = 0;
    float blend = 0.3F;
    std::vector<Point> waypoints = {{220, -1270, 10}}; ///< the player, met evenly in turn
    std::vector<ScriptedVehicle> vehicles;
    int playerVehicle = -1; ///< index into `vehicles` the player sits in; -1 on foot
    int otherPeds = 2;      ///< peds beside the player in every frame
    int interior = 0;
    bool rc = false;
    int particlesBetweenFrames = 1;
    int leastBuffers = 1;   ///< frames are padded out with particles until this many are used
};

/** The whole file, header and 1 to 8 buffers of 100,000 bytes, stale bytes after each end. */
std::vector<std::uint8_t> BuildReplay(const ScriptedDrive& drive);

/** How a write may dawdle, for the tests of a capture. */
struct WritePace {
    int pauseMilliseconds = 0; ///< a pause while the file is open: halfway, or between buffers
    /** Each buffer in one write of its own, past the C runtime's buffer, so that the file is a
     *  whole replay of fewer buffers during each pause. */
    bool wholeBuffers = false;
};

/** Writes `bytes` to `path` as the game does: one open, the header, then the buffers through
 *  the C runtime's 4,096-byte buffer, one close. False when any step failed. */
bool WriteGameFile(const std::string& path, const std::vector<std::uint8_t>& bytes,
                   WritePace pace = {});

struct ScriptedZone {
    std::string label;
    int type = 1;
    Point from;
    Point to;
    int level = 0;
};

/** A zone file (data/navig.zon) holding these zones, commas between fields. */
std::string BuildZoneFile(const std::vector<ScriptedZone>& zones);

/** A text file (text/american.gxt) whose MAIN table holds these keys and ASCII texts, and one
 *  mission table after it. */
std::vector<std::uint8_t> BuildTextFile(const std::map<std::string, std::string>& texts);

/** A model list (data/default.ide) with these vehicle ids and text keys in its cars section,
 *  and an objects section before it. */
std::string BuildModelFile(const std::map<int, std::string>& vehicleKeys);

} // namespace clipwarden::replaywriter
