#include "core/gamefiles/GameNames.h"

#include <algorithm>
#include <array>
#include <limits>

#include "core/Text.h"
#include "core/installs/InstallFinder.h"
#include "core/installs/RegisteredGame.h"
#include "core/ports/FileSystem.h"

namespace clipwarden {

namespace {

/** The districts of the standard install, top-down. */
const std::vector<District>& StandardDistricts() {
    static const std::vector<District> kDistricts = {
        {"Ocean Beach", -253.2F, 1254.9F, -1805.4F, -930.5F},
        {"Washington Beach", -104.0F, 1246.0F, -930.5F, -351.2F},
        {"Vice Point", 163.7F, 1246.0F, -351.2F, 1398.9F},
        {"Starfish Island", -748.2F, -104.5F, -818.3F, -241.5F},
        {"Leaf Links", -213.7F, 163.7F, -241.4F, 797.6F},
        {"Prawn Island", -213.7F, 163.7F, 797.6F, 1243.5F},
        {"Downtown", -1613.0F, -213.7F, 413.2F, 1677.3F},
        {"Little Haiti", -1208.2F, -578.3F, -241.5F, 412.7F},
        {"Little Havana", -1208.2F, -748.2F, -898.7F, -241.5F},
        {"Viceport", -1208.2F, -253.2F, -1779.6F, -898.7F},
        {"Escobar International", -1888.2F, -1208.2F, -1779.6F, 230.4F},
        {"Junk Yard", -1396.8F, -1208.2F, -42.9F, 230.4F},
    };
    return kDistricts;
}

/** The names the standard text file gives the zone labels. */
const std::map<std::string, std::string>& StandardZoneNames() {
    static const std::map<std::string, std::string> kNames = {
        {"VICE_C", "Vice City"},        {"IND_ZON", "Vice City Beach"},
        {"COM_ZON", "Vice City Mainland"}, {"BEACH1", "Ocean Beach"},
        {"BEACH2", "Washington Beach"}, {"BEACH3", "Vice Point"},
        {"GOLFC", "Leaf Links"},        {"STARI", "Starfish Island"},
        {"DOCKS", "Viceport"},          {"HAVANA", "Little Havana"},
        {"HAITI", "Little Haiti"},      {"PORNI", "Prawn Island"},
        {"DTOWN", "Downtown"},          {"A_PORT", "Escobar International"},
        {"JUNKY", "Junk Yard"},
    };
    return kNames;
}

struct StandardVehicle {
    const char* name;
    const char* key; ///< its text key in the standard text file; "" when none is known
};

/** The standard install's vehicles, model ids 130 to 236. */
constexpr int kFirstVehicle = 130;
constexpr std::array<StandardVehicle, 107> kStandardVehicles = {{
    {"Landstalker", "LANDSTK"}, {"Idaho", "IDAHO"}, {"Stinger", "STINGER"},
    {"Linerunner", "LINERUN"}, {"Perennial", "PEREN"}, {"Sentinel", "SENTINL"},
    {"Rio", "RIO"}, {"Firetruck", "FIRETRK"}, {"Trashmaster", "TRASHM"},
    {"Stretch", "STRETCH"}, {"Manana", "MANANA"}, {"Infernus", "INFERNS"},
    {"Voodoo", "VOODOO"}, {"Pony", "PONY"}, {"Mule", "MULE"}, {"Cheetah", "CHEETAH"},
    {"Ambulance", "AMBULAN"}, {"FBI Washington", "FBICAR"}, {"Moonbeam", "MOONBM"},
    {"Esperanto", "ESPERAN"}, {"Taxi", "TAXI"}, {"Washington", "WASHING"},
    {"Bobcat", "BOBCAT"}, {"Mr. Whoopee", "WHOOPEE"}, {"BF Injection", "BFINJC"},
    {"Hunter", "HUNTER"}, {"Police", "POLICAR"}, {"Enforcer", "ENFORCR"},
    {"Securicar", "SECURI"}, {"Banshee", "BANSHEE"}, {"Predator", "PREDATR"},
    {"Bus", "BUS"}, {"Rhino", "RHINO"}, {"Barracks OL", "BARRCKS"},
    {"Cuban Hermes", "CUBAN"}, {"Helicopter", ""}, {"Angel", "ANGEL"},
    {"Coach", "COACH"}, {"Cabbie", "CABBIE"}, {"Stallion", "STALION"},
    {"Rumpo", "RUMPO"}, {"RC Bandit", "RCBANDT"}, {"Romero's Hearse", "ROMERO"},
    {"Packer", "PACKER"}, {"Sentinel XS", "SENTXS"}, {"Admiral", "ADMIRAL"},
    {"Squalo", "SQUALO"}, {"Sea Sparrow", "SEASPAR"}, {"Pizza Boy", "PIZZABO"},
    {"Gang Burrito", "GANGBUR"}, {"Airtrain", ""}, {"Dodo", ""},
    {"Speeder", "SPEEDER"}, {"Reefer", "REEFER"}, {"Tropic", "TROPIC"},
    {"Flatbed", "FLATBED"}, {"Yankee", "YANKEE"}, {"Caddy", "CADDY"},
    {"Zebra Cab", "ZEBRA"}, {"Top Fun", "TOPFUN"}, {"Skimmer", "SKIMMER"},
    {"PCJ 600", "PCJ600"}, {"Faggio", "FAGGIO"}, {"Freeway", "FREEWAY"},
    {"RC Baron", "RCBARON"}, {"RC Raider", "RCRAIDE"}, {"Glendale", "GLENDAL"},
    {"Oceanic", "OCEANIC"}, {"Sanchez", "SANCHEZ"}, {"Sparrow", "SPARROW"},
    {"Patriot", "PATRIOT"}, {"Love Fist", "LOVEFIS"}, {"Coast Guard", "COASTG"},
    {"Dinghy", "DINGHY"}, {"Hermes", "HERMES"}, {"Sabre", "SABRE"},
    {"Sabre Turbo", "SABRETU"}, {"Phoenix", "PHOENIX"}, {"Walton", "WALTON"},
    {"Regina", "REGINA"}, {"Comet", "COMET"}, {"Deluxo", "DELUXO"},
    {"Burrito", "BURRITO"}, {"Spand Express", "SPAND"}, {"Marquis", "MARQUIS"},
    {"Baggage Handler", "BAGGAGE"}, {"Kaufman Cab", "KAUFMAN"}, {"Maverick", "MAVERIC"},
    {"VCN Maverick", "VCNMAV"}, {"Rancher", "RANCHER"}, {"FBI Rancher", "FBIRANC"},
    {"Virgo", "VIRGO"}, {"Greenwood", "GREENWO"}, {"Cuban Jetmax", "CUBJET"},
    {"Hotring Racer", "HOTRING"}, {"Sandking", "SANDKIN"}, {"Blista Compact", "BLISTAC"},
    {"Police Maverick", "POLMAV"}, {"Boxville", "BOXVILL"}, {"Benson", "BENSON"},
    {"Mesa Grande", "MESA"}, {"RC Goblin", ""}, {"Hotring Racer", "HOTRINA"},
    {"Hotring Racer", "HOTRINB"}, {"Bloodring Banger", "BLOODRA"},
    {"Bloodring Banger", "BLOODRB"}, {"VCPD Cheetah", ""},
}};

const StandardVehicle* StandardVehicleOf(int model) {
    const int index = model - kFirstVehicle;
    return index >= 0 && index < static_cast<int>(kStandardVehicles.size())
               ? &kStandardVehicles[static_cast<std::size_t>(index)]
               : nullptr;
}

constexpr std::array<const char*, 19> kInteriors = {
    "",           "Hotel",          "Mansion",     "Bank",          "Mall",
    "Strip club", "Lawyer's office", "Coffee shop", "Concert hall",  "Film studio",
    "Rifle range", "Biker bar",     "Police station", "",           "Dirt track",
    "Bloodring",  "Hotring",        "Malibu club", "Print works",
};

bool Holds(const Zone& zone, const WorldPoint& point) {
    return point.x >= zone.min.x && point.x <= zone.max.x && point.y >= zone.min.y &&
           point.y <= zone.max.y && point.z >= zone.min.z && point.z <= zone.max.z;
}

double Volume(const Zone& zone) {
    return (double{zone.max.x} - zone.min.x) * (double{zone.max.y} - zone.min.y) *
           (double{zone.max.z} - zone.min.z);
}

/** Whether a zone covers the whole map (the game's own "Vice City"): no district to draw. */
bool CoversMap(const Zone& zone) {
    return zone.min.x <= -2400 && zone.max.x >= 1600 && zone.min.y <= -2000 && zone.max.y >= 2000;
}

/** The one file in `folder` called `name` ignoring letter case; "" when there is none. */
std::string FindIgnoringCase(FileSystem& files, const std::string& folder,
                             const std::string& name, bool isFolder) {
    std::error_code error;
    const std::vector<std::string> names =
        isFolder ? files.ListFolders(folder) : files.ListFiles(files.Join(folder, "*"), error);
    const auto found = std::find_if(names.begin(), names.end(), [&](const std::string& each) {
        return EqualIgnoringAsciiCase(each, name);
    });
    return found == names.end() ? std::string() : files.Join(folder, *found);
}

} // namespace

GameNames::GameNames(std::optional<std::vector<Zone>> zones,
                     std::optional<std::map<std::string, std::string>> texts,
                     std::optional<std::map<int, std::string>> vehicleKeys)
    : texts_(std::move(texts)), vehicleKeys_(std::move(vehicleKeys)) {
    if (zones) {
        // Only navigation zones name places.
        std::erase_if(*zones, [](const Zone& zone) { return zone.type > 1; });
        if (!zones->empty()) {
            zones_ = std::move(zones);
        }
    }
}

std::string GameNames::TextOf(const std::string& key) const {
    if (texts_) {
        const auto found = texts_->find(key);
        return found != texts_->end() && !found->second.empty() ? found->second : key;
    }
    const auto found = StandardZoneNames().find(key);
    return found != StandardZoneNames().end() ? found->second : key;
}

std::string GameNames::PlaceAt(const WorldPoint& point, int interior) const {
    if (interior != 0) {
        return InteriorName(interior);
    }
    if (zones_) {
        const Zone* best = nullptr;
        for (const int type : {1, 0}) {
            for (const Zone& zone : *zones_) {
                if (zone.type == type && Holds(zone, point) &&
                    (best == nullptr || Volume(zone) < Volume(*best))) {
                    best = &zone;
                }
            }
            if (best != nullptr) {
                return TextOf(best->label);
            }
        }
        return "Vice City";
    }
    const District* best = nullptr;
    double bestArea = std::numeric_limits<double>::max();
    for (const District& district : StandardDistricts()) {
        const double area = (double{district.xTo} - district.xFrom) *
                            (double{district.yTo} - district.yFrom);
        if (point.x >= district.xFrom && point.x <= district.xTo && point.y >= district.yFrom &&
            point.y <= district.yTo && area < bestArea) {
            best = &district;
            bestArea = area;
        }
    }
    return best != nullptr ? best->name : "Vice City";
}

std::string GameNames::VehicleName(int model) const {
    const StandardVehicle* standard = StandardVehicleOf(model);
    std::string key = standard != nullptr ? standard->key : "";
    if (vehicleKeys_) {
        const auto found = vehicleKeys_->find(model);
        key = found != vehicleKeys_->end() ? found->second : std::string();
    }
    if (texts_ && !key.empty()) {
        const auto found = texts_->find(key);
        if (found != texts_->end() && !found->second.empty()) {
            return found->second;
        }
    }
    if (standard != nullptr) {
        return standard->name;
    }
    return key.empty() ? "vehicle " + std::to_string(model) : key;
}

std::string GameNames::InteriorName(int interior) {
    if (interior >= 0 && interior < static_cast<int>(kInteriors.size()) &&
        *kInteriors[static_cast<std::size_t>(interior)] != '\0') {
        return kInteriors[static_cast<std::size_t>(interior)];
    }
    return "interior " + std::to_string(interior);
}

std::vector<District> GameNames::Districts() const {
    if (!zones_) {
        return StandardDistricts();
    }
    std::vector<District> districts;
    for (const Zone& zone : *zones_) {
        if (!CoversMap(zone)) {
            districts.push_back({TextOf(zone.label), zone.min.x, zone.max.x, zone.min.y,
                                 zone.max.y});
        }
    }
    return districts;
}

GameNames LoadGameNames(FileSystem& files, const std::string& gameFolder,
                        std::vector<std::string>& problems) {
    if (gameFolder.empty()) {
        return {};
    }
    // Reads one of the game's files; nothing when it is missing (said only when it is there
    // but cannot be read).
    const auto read = [&](const std::string& folderName, const std::string& fileName,
                          std::size_t maxBytes) -> std::optional<std::string> {
        const std::string folder = FindIgnoringCase(files, gameFolder, folderName, true);
        const std::string path =
            folder.empty() ? std::string() : FindIgnoringCase(files, folder, fileName, false);
        if (path.empty()) {
            return std::nullopt;
        }
        std::error_code error;
        auto bytes = files.ReadSmallFile(path, maxBytes, error);
        if (!bytes) {
            problems.push_back("The game's " + folderName + "/" + fileName +
                               " could not be read (" + files.Describe(error) +
                               "); the standard names are used instead.");
        }
        return bytes;
    };
    const auto damaged = [&](const std::string& file, const std::string& why) {
        problems.push_back("The game's " + file + " is damaged (" + why +
                           "); the standard names are used instead.");
    };

    std::optional<std::vector<Zone>> zones;
    if (const auto text = read("data", "navig.zon", kMostZoneFileBytes)) {
        auto reading = ReadZoneFile(*text);
        if (!reading.value) {
            damaged("data/navig.zon", reading.why);
        }
        zones = std::move(reading.value);
    }
    std::optional<std::map<int, std::string>> vehicleKeys;
    if (const auto text = read("data", "default.ide", kMostModelFileBytes)) {
        auto reading = ReadVehicleModels(*text);
        if (!reading.value) {
            damaged("data/default.ide", reading.why);
        }
        vehicleKeys = std::move(reading.value);
    }
    std::optional<std::map<std::string, std::string>> texts;
    if (const auto bytes = read("text", "american.gxt", kMostTextFileBytes)) {
        auto reading = ReadTextFile(std::span(
            reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()));
        if (!reading.value) {
            damaged("text/american.gxt", reading.why);
        }
        texts = std::move(reading.value);
    }
    return {std::move(zones), std::move(texts), std::move(vehicleKeys)};
}

std::string GameFolderForNames(const std::optional<std::string>& stored, FileSystem& files,
                               const SearchPlaces& places, Registry& registry,
                               const std::string& defaultGameFolder) {
    if (stored && !stored->empty()) {
        return *stored;
    }
    InstallFinder finder(files, places);
    for (const GameInstall& install : finder.FindInstalls()) {
        if (!install.gameFolder.empty()) {
            return install.gameFolder;
        }
    }
    if (const auto found = FindRegisteredGame(registry, files, defaultGameFolder)) {
        return found->folder;
    }
    return defaultGameFolder;
}

} // namespace clipwarden
