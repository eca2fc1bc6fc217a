// clipwarden --inspect as a player or a script runs it: no display, no running instance, the
// game folder from the settings naming the places, nothing written anywhere.

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>

#include "ChildProcess.h"
#include "HeadlessCommand.h"
#include "ReplayWriter.h"
#include "TempDir.h"

namespace clipwarden::test {
namespace {

struct Inspect : ::testing::Test {
    TempDir home;
    std::string replays = home / "replays";
    std::string game = home / "game";

    void SetUp() override {
        std::filesystem::create_directories(replays);
        std::filesystem::create_directories(game + "/data");
        std::filesystem::create_directories(home / "config/Clipwarden");
        WriteFile(home / "config/Clipwarden/Clipwarden.conf",
                  "[Main]\nGTAVC-path=" + game + "\n");
        WriteFile(game + "/data/navig.zon",
                  replaywriter::BuildZoneFile({{"SHORE", 1, {0, -2000, -100}, {1600, 0, 300}, 1}}));

        replaywriter::ScriptedDrive drive;
        drive.waypoints = {{220, -1270, 10}};
        drive.vehicles = {{2, 135, false}, {3, 136, false}, {7, 159, false}};
        ASSERT_TRUE(replaywriter::WriteGameFile(replays + "/replay1012-3.rep",
                                                replaywriter::BuildReplay(drive)));
        drive.waypoints = {{-900, -500, 10}, {-850, -500, 10}};
        drive.playerVehicle = 2;
        drive.hours = 23;
        drive.minutes = 59;
        drive.oldWeather = 2;
        drive.blend = 0.1F;
        ASSERT_TRUE(replaywriter::WriteGameFile(replays + "/chase.rep",
                                                replaywriter::BuildReplay(drive)));
        auto damaged = replaywriter::BuildReplay(drive);
        damaged[8 + 20] = 0xEE; // the first frame's type, after one particle
        ASSERT_TRUE(replaywriter::WriteGameFile(replays + "/broken.rep", damaged));
        WriteFile(replays + "/notes.rep", "not a replay at all\n");
    }

    /** Runs clipwarden with `args`; its standard output and error, and its exit status. */
    std::pair<std::vector<std::string>, int> Run(const std::vector<std::string>& args) {
        ChildProcess run(HeadlessCommand(home.str(), args), {}, true);
        std::vector<std::string> lines;
        while (true) {
            std::string line = run.ReadLine(std::chrono::seconds(30));
            if (line.empty() && !run.Alive()) {
                break;
            }
            if (!line.empty()) {
                lines.push_back(line);
            }
        }
        return {lines, run.ExitStatus()};
    }

    std::set<std::string> EverythingInHome() {
        std::set<std::string> paths;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(home.str())) {
            paths.insert(entry.path().string());
        }
        return paths;
    }
};

TEST_F(Inspect, TellsEachReplayInALineAndSaysWhyTheOthersAreNone) {
    const auto before = EverythingInHome();
    const auto [good, goodStatus] =
        Run({"--inspect", replays + "/replay1012-3.rep", replays + "/chase.rep"});
    EXPECT_EQ(goodStatus, 0);
    ASSERT_EQ(good.size(), 2U);
    EXPECT_EQ(good[0], replays +
                           "/replay1012-3.rep: 1.9 s, SHORE, 07:38 Extra sunny, on foot; "
                           "Sentinel, Rio, Banshee");
    // Outside the game's own zones: the game's name for all of its map.
    EXPECT_EQ(good[1], replays + "/chase.rep: 1.9 s, Vice City, 23:59 Rainy, in Banshee; "
                                 "Sentinel, Rio, Banshee");

    const std::string odd = replays + "/odd\nname.rep";
    std::filesystem::copy_file(replays + "/chase.rep", odd);
    const auto [mixed, mixedStatus] =
        Run({"--inspect", replays + "/broken.rep", replays + "/notes.rep", replays, odd});
    EXPECT_EQ(mixedStatus, 1);
    ASSERT_EQ(mixed.size(), 4U); // the name's line break cannot start a line of its own
    EXPECT_EQ(mixed[0].rfind(replays + "/broken.rep: damaged, the game would hang on it: ", 0),
              0U) << mixed[0];
    EXPECT_EQ(mixed[1], replays + "/notes.rep: not a replay: it does not begin as a replay of "
                                  "the game");
    EXPECT_EQ(mixed[2], replays + ": not a replay: it is a folder");
    EXPECT_EQ(mixed[3].rfind(replays + "/odd\\nname.rep: 1.9 s, ", 0), 0U) << mixed[3];

    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"--inspect"}, {"--inspect", "--jsn", "a.rep"},
          {"--library", "--inspect", "a.rep"}}) {
        const auto [lines, status] = Run(wrong);
        EXPECT_EQ(status, 2) << wrong.back();
        ASSERT_EQ(lines.size(), 1U) << wrong.back();
        EXPECT_EQ(lines[0].rfind("clipwarden: ", 0), 0U) << lines[0];
    }
    std::filesystem::remove(odd);
    EXPECT_EQ(EverythingInHome(), before); // nothing written, not even the settings
}

TEST_F(Inspect, JsonGivesEveryFigureUnderItsKeyInOrder) {
    const auto [lines, status] =
        Run({"--inspect", "--json", replays + "/chase.rep", replays + "/broken.rep"});
    EXPECT_EQ(status, 1);
    ASSERT_EQ(lines.size(), 2U);
    const auto replay = nlohmann::ordered_json::parse(lines[0]);
    std::vector<std::string> keys;
    for (const auto& item : replay.items()) {
        keys.push_back(item.key());
    }
    EXPECT_EQ(keys, (std::vector<std::string>{
                        "file", "replay", "why", "damaged", "seconds", "frames", "clock",
                        "weather", "place", "start", "end", "metres", "vehicle_ids", "vehicles",
                        "peds_at_once", "interior", "rc_vehicle", "player_vehicles", "path"}));
    EXPECT_EQ(replay["replay"], true);
    EXPECT_TRUE(replay["why"].is_null());
    EXPECT_EQ(replay["clock"], nlohmann::json({"23:59", "23:59"}));
    EXPECT_EQ(replay["weather"], nlohmann::json({"Rainy", "Rainy"}));
    EXPECT_EQ(replay["place"], nlohmann::json({"Vice City", "Vice City"}));
    EXPECT_EQ(replay["start"], nlohmann::json({-900.0, -500.0, 10.0}));
    EXPECT_DOUBLE_EQ(replay["metres"].get<double>(), 50.0);
    EXPECT_EQ(replay["vehicle_ids"], nlohmann::json({135, 136, 159}));
    EXPECT_EQ(replay["player_vehicles"], nlohmann::json({"Banshee"}));
    EXPECT_EQ(replay["peds_at_once"], 3);
    EXPECT_TRUE(replay["interior"].is_null());
    EXPECT_EQ(replay["path"].size(), 60U);

    const auto broken = nlohmann::json::parse(lines[1]);
    EXPECT_EQ(broken["replay"], false);
    EXPECT_EQ(broken["damaged"], true);
    EXPECT_TRUE(broken["why"].is_string());
    EXPECT_FALSE(broken.contains("seconds"));
}

} // namespace
} // namespace clipwarden::test
