#include "core/gamefiles/ReplayTexts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace clipwarden {

std::string ClockText(const std::optional<std::array<int, 2>>& clock) {
    if (!clock) {
        return {};
    }
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", (*clock)[0] % 100, (*clock)[1] % 100);
    return text;
}

std::string LengthText(const std::optional<double>& seconds) {
    if (!seconds || !std::isfinite(*seconds) || *seconds < 0 || *seconds > 1e7) {
        return {};
    }
    const auto whole = static_cast<long>(std::lround(*seconds));
    char text[32];
    if (whole >= 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    }
    return text;
}

std::string PlaceOf(const std::optional<WorldPoint>& point, int interior, const GameNames& names) {
    return point ? names.PlaceAt(*point, interior) : std::string();
}

std::string PlaceText(const ReplayDetails& details, const GameNames& names) {
    const std::string from = PlaceOf(details.start, details.interiorStart, names);
    const std::string to = PlaceOf(details.end, details.interior, names);
    return from.empty() || to.empty() || to == from ? from : from + " to " + to;
}

std::string GameTimeText(const std::optional<std::array<int, 2>>& clock,
                         const std::optional<int>& weather) {
    const std::string time = ClockText(clock);
    const std::string sky = weather ? WeatherName(*weather) : std::string();
    return time.empty() || sky.empty() ? time + sky : time + " " + sky;
}

std::vector<std::string> VehicleNames(const std::vector<std::uint16_t>& models,
                                      const GameNames& names) {
    std::vector<std::string> result;
    result.reserve(models.size());
    for (const std::uint16_t model : models) {
        result.push_back(names.VehicleName(model));
    }
    return result;
}

std::vector<std::string> VehiclesPlayerFirst(const ReplayDetails& details, const GameNames& names) {
    std::vector<std::uint16_t> models = details.playerVehicleModels;
    for (const std::uint16_t model : details.vehicleModels) {
        if (std::find(models.begin(), models.end(), model) == models.end()) {
            models.push_back(model);
        }
    }
    return VehicleNames(models, names);
}

std::string Joined(const std::vector<std::string>& parts, const char* separator) {
    std::string joined;
    for (const std::string& part : parts) {
        joined += (joined.empty() ? "" : separator) + part;
    }
    return joined;
}

std::string Grouped(std::size_t number) {
    const std::string digits = std::to_string(number);
    std::string grouped;
    grouped.reserve(digits.size() + digits.size() / 3);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped += ',';
        }
        grouped += digits[i];
    }
    return grouped;
}

std::string MetresText(double metres) {
    return Grouped(static_cast<std::size_t>(std::lround(std::max(0.0, metres)))) + " m";
}

} // namespace clipwarden
