// The replay reader over any bytes: it never crashes or reads out of bounds, and what it
// calls a replay has figures that hold together.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/gamefiles/ReplayReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using clipwarden::ReplayReading;
    const ReplayReading reading =
        clipwarden::ReadReplay(std::span(data, std::min(size, clipwarden::kMostReplayBytes)));
    if (reading.kind != ReplayReading::Kind::Replay) {
        if (reading.why.empty()) {
            std::abort(); // a refusal says why
        }
        return 0;
    }
    const auto& d = reading.details;
    if (d.frames < 1 || d.buffers < 1 || d.buffers > 8 || d.path.size() > 64 ||
        !std::is_sorted(d.vehicleModels.begin(), d.vehicleModels.end()) ||
        !d.seconds || !std::isfinite(*d.seconds) || *d.seconds < 0 || !std::isfinite(d.metres) ||
        d.metres < 0) {
        std::abort();
    }
    return 0;
}
