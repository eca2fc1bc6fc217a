// fuzz-seeds FOLDER: writes the fuzzers' seed corpora from the writers, one folder a reader:
// replays/, zones/, texts/, models/, index/. Seeds, not checked in: each build makes them anew.

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "ReplayWriter.h"
#include "core/gamefiles/ReplayReader.h"
#include "core/replays/DetailsIndex.h"

using namespace clipwarden::replaywriter;

namespace {

bool Write(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string AsText(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz-seeds FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    for (const char* kind : {"replays", "zones", "texts", "models", "index"}) {
        std::filesystem::create_directories(folder / kind);
    }
    bool ok = true;

    ScriptedDrive onFoot;
    onFoot.frames = 5;
    ok = ok && Write(folder / "replays/on-foot.rep", AsText(BuildReplay(onFoot)));
    ScriptedDrive driving;
    driving.frames = 40;
    driving.vehicles = {{1, 159, false}, {4, 191, true}, {6, 171, false}};
    driving.playerVehicle = 1;
    driving.waypoints = {{-900, -500, 10}, {300, -1000, 10}};
    driving.interior = 3;
    driving.rc = true;
    driving.minutesPerFrame = 1;
    ok = ok && Write(folder / "replays/driving.rep", AsText(BuildReplay(driving)));
    ScriptedDrive twoBuffers = driving;
    twoBuffers.leastBuffers = 2;
    twoBuffers.particlesBetweenFrames = 3;
    ok = ok && Write(folder / "replays/two-buffers.rep", AsText(BuildReplay(twoBuffers)));

    ok = ok && Write(folder / "zones/navig.zon",
                     BuildZoneFile({{"VICE_C", 0, {-2400, -2000, -500}, {1600, 2000, 500}, 0},
                                    {"BEACH1", 1, {-253, -1805, -100}, {1254, -930, 300}, 1},
                                    {"DTOWN", 1, {-1613, 413, -100}, {-213, 1677, 300}, 2}}));
    ok = ok && Write(folder / "texts/american.gxt",
                     AsText(BuildTextFile({{"BANSHEE", "Banshee"},
                                           {"BEACH1", "Ocean Beach"},
                                           {"DTOWN", "Downtown"}})));
    ok = ok && Write(folder / "models/default.ide",
                     BuildModelFile({{130, "LANDSTK"}, {159, "BANSHEE"}, {191, "PCJ600"}}));

    // An index of the replays above, as the Library keeps it.
    clipwarden::DetailsIndex index;
    clipwarden::FileStamp stamp;
    for (const auto& drive : {onFoot, driving, twoBuffers}) {
        const auto bytes = BuildReplay(drive);
        stamp.size = bytes.size();
        stamp.fileId += 1;
        index.Put("replay1012-" + std::to_string(stamp.fileId) + ".rep", stamp,
                  clipwarden::ReadReplay(std::span(bytes.data(), bytes.size())));
    }
    clipwarden::ReplayReading notes;
    notes.why = "it does not begin as a replay of the game";
    index.Put("notes.rep", stamp, notes);
    const auto indexBytes = index.Serialize();
    ok = ok && Write(folder / "index/details.cbor", AsText(indexBytes));
    return ok ? 0 : 1;
}
