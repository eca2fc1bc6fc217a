// The label file's reader over any bytes: it never crashes or hangs, and whatever it takes
// for a label file writes back into one that reads the same, every kept mark included.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/replays/LibraryLabels.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using clipwarden::LibraryLabels;
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const bool ignoreCase : {false, true}) {
        const auto entries = LibraryLabels::Parse(text, ignoreCase);
        if (!entries) {
            continue;
        }
        const auto again = LibraryLabels::Parse(LibraryLabels::Serialize(*entries), ignoreCase);
        if (!again || again->size() != entries->size()) {
            std::abort(); // what was read cannot be written back
        }
        for (const auto& [key, entry] : *entries) {
            const auto found = again->find(key);
            if (found == again->end() || found->second.size != entry.size ||
                found->second.mark.kept != entry.mark.kept ||
                found->second.mark.label != entry.mark.label) {
                std::abort(); // a mark changed on its way through the file
            }
        }
    }
    return 0;
}
