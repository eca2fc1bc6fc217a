// The details index over any bytes: it never crashes, recurses without end or reads out of
// bounds, and what it takes for an index writes back into one that reads the same.

#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/replays/DetailsIndex.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using clipwarden::DetailsIndex;
    std::string why;
    const auto index = DetailsIndex::Parse(std::span(data, size), why);
    if (!index) {
        if (why.empty()) {
            std::abort(); // a refusal says why
        }
        return 0;
    }
    const auto bytes = index->Serialize();
    const auto again = DetailsIndex::Parse(std::span(bytes.data(), bytes.size()), why);
    if (!again || again->size() != index->size() || again->Serialize() != bytes) {
        std::abort(); // what was read cannot be written back
    }
    return 0;
}
