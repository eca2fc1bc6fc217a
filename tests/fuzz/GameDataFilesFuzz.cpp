// The readers of the game's zone, text and model files over any bytes: they never crash, hang
// or read out of bounds, and what they take holds together. Built three times, once a reader,
// with FUZZ_ZONES, FUZZ_TEXTS or FUZZ_MODELS.

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "core/Text.h"
#include "core/gamefiles/GameDataFiles.h"
#include "core/gamefiles/GameNames.h"

namespace {

[[noreturn]] void Fault() {
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace clipwarden;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
#if defined(FUZZ_ZONES)
    auto reading = ReadZoneFile(text.substr(0, kMostZoneFileBytes));
    if (!reading.value) {
        if (reading.why.empty()) {
            Fault(); // a refusal says why
        }
        return 0;
    }
    for (const Zone& zone : *reading.value) {
        if (zone.label.size() > 7 || zone.type < 0 || zone.type > 3 || zone.min.x > zone.max.x ||
            zone.min.y > zone.max.y || zone.min.z > zone.max.z) {
            Fault();
        }
    }
    const GameNames names(std::move(reading.value), std::nullopt, std::nullopt);
    for (const WorldPoint point : {WorldPoint{0, 0, 0}, WorldPoint{220, -1270, 10}}) {
        if (names.PlaceAt(point, 0).empty()) {
            Fault(); // every point has a place, if only "Vice City"
        }
    }
#elif defined(FUZZ_TEXTS)
    const auto reading =
        ReadTextFile(std::span(data, std::min(size, kMostTextFileBytes)));
    if (!reading.value) {
        if (reading.why.empty()) {
            Fault();
        }
        return 0;
    }
    for (const auto& [key, value] : *reading.value) {
        // Names go into log lines and windows: valid UTF-8, and never a line break.
        if (!IsUtf8(key) || !IsUtf8(value) || value.find('\n') != std::string::npos ||
            value.find('\r') != std::string::npos) {
            Fault();
        }
    }
#elif defined(FUZZ_MODELS)
    const auto reading = ReadVehicleModels(text.substr(0, kMostModelFileBytes));
    if (!reading.value) {
        if (reading.why.empty()) {
            Fault();
        }
        return 0;
    }
    for (const auto& [id, key] : *reading.value) {
        if (id < 0 || id > 65535 || key.empty() || key.size() > 32 || !IsUtf8(key)) {
            Fault();
        }
    }
#else
#error "build with FUZZ_ZONES, FUZZ_TEXTS or FUZZ_MODELS"
#endif
    return 0;
}
