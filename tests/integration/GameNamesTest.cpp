// Place and vehicle names from a game folder's own zone, text and model files (found ignoring
// letter case, as a copy of the game on Linux may spell them), and the standard names when
// those files are missing or damaged.

#include <gtest/gtest.h>

#include <filesystem>

#include "ReplayWriter.h"
#include "TempDir.h"
#include "core/gamefiles/GameNames.h"
#include "core/ports/FileSystem.h"

namespace clipwarden::test {
namespace {

using replaywriter::ScriptedZone;

std::string AsText(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

struct GameFolder : ::testing::Test {
    TempDir game;
    std::unique_ptr<FileSystem> files = CreateFileSystem();
    std::vector<std::string> problems;

    void SetUp() override {
        std::filesystem::create_directories(game / "Data");
        std::filesystem::create_directories(game / "TEXT");
    }
    void WriteZones(const std::string& text) { WriteFile(game / "Data/Navig.ZON", text); }
    GameNames Load() { return LoadGameNames(*files, game.str(), problems); }
};

TEST_F(GameFolder, ThePlayersOwnZonesTextsAndModelsNameThePlaceAndVehicles) {
    WriteZones(replaywriter::BuildZoneFile({
        {"VICE_C", 0, {-2400, -2000, -500}, {1600, 2000, 500}, 0},
        {"beach1", 1, {1300, -1900, -100}, {-300, -900, 300}, 1}, // corners in either order
        {"HOTEL1", 1, {200, -1300, -100}, {260, -1240, 300}, 1},  // has no text
        {"INFOZ", 2, {-2400, -2000, -500}, {1600, 2000, 500}, 0}, // not a place
    }));
    WriteFile(game / "Data/DEFAULT.ide",
              replaywriter::BuildModelFile({{159, "BANSHEE"}, {250, "MYCAR"}}));
    WriteFile(game / "TEXT/American.gxt",
              AsText(replaywriter::BuildTextFile({{"BANSHEE", "Banshee GT"},
                                                  {"BEACH1", "Sandy Shore"},
                                                  {"MYCAR", "Custom Car"},
                                                  {"VICE_C", "Vice Town"}})));
    const GameNames names = Load();
    EXPECT_EQ(problems, std::vector<std::string>());
    EXPECT_TRUE(names.hasGameZones());

    EXPECT_EQ(names.PlaceAt({100, -1000, 10}, 0), "Sandy Shore");
    EXPECT_EQ(names.PlaceAt({220, -1270, 10}, 0), "HOTEL1"); // the smallest zone that holds it
    EXPECT_EQ(names.PlaceAt({-1000, 500, 10}, 0), "Vice Town");
    EXPECT_EQ(names.PlaceAt({100, -1000, 400}, 0), "Vice Town"); // above the beach's box
    EXPECT_EQ(names.PlaceAt({5000, 5000, 0}, 0), "Vice City");
    EXPECT_EQ(names.PlaceAt({100, -1000, 10}, 5), "Strip club");
    EXPECT_EQ(names.PlaceAt({100, -1000, 10}, 19), "interior 19");

    EXPECT_EQ(names.VehicleName(159), "Banshee GT");
    EXPECT_EQ(names.VehicleName(250), "Custom Car");
    EXPECT_EQ(names.VehicleName(135), "Sentinel"); // not in this model list: the standard name
    EXPECT_EQ(names.VehicleName(241), "vehicle 241");
}

TEST_F(GameFolder, WithoutOrWithDamagedFilesTheStandardNamesStandIn) {
    const GameNames standard = Load();
    EXPECT_EQ(problems, std::vector<std::string>()); // missing files are no problem
    EXPECT_FALSE(standard.hasGameZones());
    EXPECT_EQ(standard.PlaceAt({220, -1270, 10}, 0), "Ocean Beach");
    EXPECT_EQ(standard.PlaceAt({-1300, 100, 10}, 0), "Junk Yard"); // inside the airport's box
    EXPECT_EQ(standard.PlaceAt({-1500, 100, 10}, 0), "Escobar International");
    EXPECT_EQ(standard.PlaceAt({1500, 1900, 10}, 0), "Vice City");
    EXPECT_EQ(standard.VehicleName(159), "Banshee");
    EXPECT_EQ(standard.Districts().size(), 12U);

    // Each damaged file is said once, by name and why, and passed over.
    WriteZones("zone\nBEACH1, 1, -300, -1900, oops, 1300, -900, 300, 1\nend\n");
    WriteFile(game / "Data/default.ide", "cars\nbanshee, 159\nend\n");
    std::vector<std::uint8_t> text = replaywriter::BuildTextFile({{"BANSHEE", "Banshee GT"}});
    text[19] = 0x7F; // MAIN's offset points far past the file's end
    WriteFile(game / "TEXT/american.gxt", AsText(text));
    const GameNames fallback = Load();
    ASSERT_EQ(problems.size(), 3U);
    EXPECT_NE(problems[0].find("data/navig.zon is damaged (line 2 "), std::string::npos)
        << problems[0];
    EXPECT_NE(problems[1].find("data/default.ide is damaged"), std::string::npos) << problems[1];
    EXPECT_NE(problems[2].find("text/american.gxt is damaged"), std::string::npos) << problems[2];
    EXPECT_EQ(fallback.PlaceAt({220, -1270, 10}, 0), "Ocean Beach");
    EXPECT_EQ(fallback.VehicleName(159), "Banshee");

    // A text file larger than the game's could be is not read at all.
    problems.clear();
    std::filesystem::resize_file(game / "TEXT/american.gxt", kMostTextFileBytes + 1);
    Load();
    ASSERT_EQ(problems.size(), 3U);
    EXPECT_NE(problems[2].find("could not be read"), std::string::npos) << problems[2];
}

} // namespace
} // namespace clipwarden::test
