#include "core/gamefiles/ReplayReport.h"

#include <cmath>
#include <cstdio>
#include <ostream>
#include <nlohmann/json.hpp>

#include "core/Text.h"
#include "core/gamefiles/ReplayTexts.h"
#include "core/ports/FileSystem.h"
#include "core/ports/SettingsStore.h"
#include "core/settings/Settings.h"

namespace clipwarden {

namespace {

using Json = nlohmann::ordered_json;

ReplayReading Refused(std::string why) {
    ReplayReading reading;
    reading.why = std::move(why);
    return reading;
}

/** A figure rounded to `places` decimals, so that 220.35 is written as such, not as the
 *  float's 220.35000610351562. */
double Rounded(double value, int places) {
    const double scale = std::pow(10.0, places);
    return std::round(value * scale) / scale;
}

Json PointJson(const std::optional<WorldPoint>& point) {
    if (!point) {
        return nullptr;
    }
    return Json::array({Rounded(point->x, 2), Rounded(point->y, 2), Rounded(point->z, 2)});
}

Json OrNull(const std::string& text) {
    return text.empty() ? Json(nullptr) : Json(text);
}

} // namespace

ReplayReading InspectReplayFile(FileSystem& files, const std::string& path) {
    if (const auto bytes = files.ReadText(path, kMostReplayBytes)) {
        return ReadReplay(
            std::span(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()));
    }
    if (!files.Exists(path)) {
        return Refused("it does not exist");
    }
    std::error_code error;
    files.ListFiles(files.Join(path, "*"), error);
    if (!error) {
        return Refused("it is a folder");
    }
    if (files.Stamp(path, error)) {
        return Refused("it cannot be read; check that you may read it");
    }
    return Refused(error == NotARecording() ? "it is no ordinary file"
                                            : "it cannot be read (" + files.Describe(error) + ")");
}

std::string InspectionLine(const std::string& file, const ReplayReading& reading,
                           const GameNames& names) {
    std::string line = EscapeText(file, false) + ": ";
    switch (reading.kind) {
    case ReplayReading::Kind::Damaged:
        return line + "damaged, the game would hang on it: " + reading.why;
    case ReplayReading::Kind::OtherGame:
    case ReplayReading::Kind::NotReplay:
        return line + "not a replay: " + reading.why;
    case ReplayReading::Kind::Replay:
        break;
    }
    const ReplayDetails& d = reading.details;
    std::vector<std::string> parts;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f s", d.seconds.value_or(0));
    parts.emplace_back(d.seconds ? seconds : "length unknown");

    const std::string place = PlaceText(d, names);
    parts.push_back(place.empty() ? "place unknown" : place);

    const std::string time = GameTimeText(d.clockStart, d.weatherStart);
    parts.push_back(time.empty() ? "time unknown" : time);

    const auto driven = VehicleNames(d.playerVehicleModels, names);
    parts.push_back(driven.empty() ? "on foot" : "in " + Joined(driven, ", "));
    line += Joined(parts, ", ");
    if (!d.vehicleModels.empty()) {
        line += "; " + Joined(VehicleNames(d.vehicleModels, names), ", ");
    }
    return line;
}

std::string InspectionJson(const std::string& file, const ReplayReading& reading,
                           const GameNames& names) {
    const bool replay = reading.kind == ReplayReading::Kind::Replay;
    Json object;
    object["file"] = EscapeOddBytes(file);
    object["replay"] = replay;
    object["why"] = replay ? Json(nullptr) : Json(reading.why);
    object["damaged"] = reading.kind == ReplayReading::Kind::Damaged;
    if (replay) {
        const ReplayDetails& d = reading.details;
        object["seconds"] = d.seconds ? Json(Rounded(*d.seconds, 3)) : Json(nullptr);
        object["frames"] = d.frames;
        object["clock"] = {OrNull(ClockText(d.clockStart)), OrNull(ClockText(d.clockEnd))};
        object["weather"] = {OrNull(d.weatherStart ? WeatherName(*d.weatherStart) : ""),
                             OrNull(d.weatherEnd ? WeatherName(*d.weatherEnd) : "")};
        object["place"] = {OrNull(PlaceOf(d.start, d.interiorStart, names)),
                           OrNull(PlaceOf(d.end, d.interior, names))};
        object["start"] = PointJson(d.start);
        object["end"] = PointJson(d.end);
        object["metres"] = Rounded(d.metres, 1);
        object["vehicle_ids"] = d.vehicleModels;
        object["vehicles"] = VehicleNames(d.vehicleModels, names);
        object["peds_at_once"] = d.pedsAtOnce;
        object["interior"] =
            d.interior != 0 ? Json(GameNames::InteriorName(d.interior)) : Json(nullptr);
        object["rc_vehicle"] = d.rcVehicle;
        object["player_vehicles"] = VehicleNames(d.playerVehicleModels, names);
        Json path = Json::array();
        for (const auto& point : d.path) {
            path.push_back({Rounded(point[0], 2), Rounded(point[1], 2)});
        }
        object["path"] = std::move(path);
    }
    return object.dump(-1, ' ', false, Json::error_handler_t::replace);
}

int InspectReplays(FileSystem& files, const std::vector<std::string>& paths, bool json,
                   const GameNames& names, const std::function<void(const std::string&)>& print) {
    int status = 0;
    for (const std::string& path : paths) {
        const ReplayReading reading = InspectReplayFile(files, path);
        print((json ? InspectionJson(path, reading, names) : InspectionLine(path, reading, names)) +
              '\n');
        if (reading.kind != ReplayReading::Kind::Replay) {
            status = 1;
        }
    }
    return status;
}

int AnswerInspect(FileSystem& files, SettingsStore& settings, const SearchPlaces& places,
                  Registry& registry, const std::string& defaultGameFolder,
                  const std::vector<std::string>& paths, bool json, std::ostream& out,
                  std::ostream& err) {
    const std::string gameFolder =
        GameFolderForNames(settings.Read(kKeyGamePath), files, places, registry, defaultGameFolder);
    std::vector<std::string> problems;
    const GameNames names = LoadGameNames(files, gameFolder, problems);
    for (const std::string& problem : problems) {
        err << "clipwarden: " << EscapeText(problem, false) << '\n';
    }
    const int status = InspectReplays(files, paths, json, names,
                                      [&out](const std::string& line) { out << line; });
    out.flush();
    return status;
}

} // namespace clipwarden
