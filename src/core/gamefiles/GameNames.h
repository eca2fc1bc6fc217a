#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/gamefiles/GameDataFiles.h"
#include "core/gamefiles/ReplayReader.h"

namespace clipwarden {

class FileSystem;
class Registry;
struct SearchPlaces;

/** A district of the map as a top-down box, for naming a place and drawing the map. */
struct District {
    std::string name;
    float xFrom = 0;
    float xTo = 0;
    float yFrom = 0;
    float yTo = 0;
};

/** Names of places and vehicles: from the player's own game files where they were read,
 *  else the standard install's. */
class GameNames {
public:
    /** The standard install's: the districts as players know them, the stock vehicle names. */
    GameNames() = default;

    /** The game's own: navigation zones, their texts and the vehicles' text keys. Any of them
     *  may be missing; the standard tables stand in for what is. */
    GameNames(std::optional<std::vector<Zone>> zones,
              std::optional<std::map<std::string, std::string>> texts,
              std::optional<std::map<int, std::string>> vehicleKeys);

    /** The place of a point: an interior's name inside one (`interior` other than 0), else
     *  the smallest navigation zone that holds it, else "Vice City". */
    [[nodiscard]] std::string PlaceAt(const WorldPoint& point, int interior) const;

    /** The name of a vehicle model; "vehicle 241" for an id without one. */
    [[nodiscard]] std::string VehicleName(int model) const;

    /** The name of an interior (area) id; "interior 19" for one without a name. */
    [[nodiscard]] static std::string InteriorName(int interior);

    /** The districts to draw, top-down: the game's navigation zones, or the standard ones. */
    [[nodiscard]] std::vector<District> Districts() const;

    /** Whether the zones came from the game's own file. */
    [[nodiscard]] bool hasGameZones() const { return zones_.has_value(); }

private:
    [[nodiscard]] std::string TextOf(const std::string& key) const;

    std::optional<std::vector<Zone>> zones_;
    std::optional<std::map<std::string, std::string>> texts_;
    std::optional<std::map<int, std::string>> vehicleKeys_;
};

/** Reads the names of the game installed in `gameFolder` (its data/navig.zon, data/default.ide
 *  and text/american.gxt, found ignoring letter case, each read with its size cap). A file
 *  that is missing leaves its table standard; one that cannot be read or is damaged adds a
 *  line to `problems` saying so. An empty folder gives the standard names. */
GameNames LoadGameNames(FileSystem& files, const std::string& gameFolder,
                        std::vector<std::string>& problems);

/** The game folder whose files name places and vehicles: the stored one (`stored`), else the
 *  first found on this machine (Wine prefixes, Steam libraries, the registry), else the
 *  platform's default; "" when there is none. */
std::string GameFolderForNames(const std::optional<std::string>& stored, FileSystem& files,
                               const SearchPlaces& places, Registry& registry,
                               const std::string& defaultGameFolder);

} // namespace clipwarden
