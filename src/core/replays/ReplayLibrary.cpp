#include "core/replays/ReplayLibrary.h"

#include <cmath>

#include "core/Text.h"

namespace clipwarden {

namespace {

constexpr std::size_t kPrefixLength = 11; // "replay" + DDMM + "-"
constexpr std::size_t kFixedLength = 15;  // prefix + ".rep"

std::string OverflowText(const std::string& holder) {
    return "Overflow: " + holder +
           " holds the highest number a capture name can have today; rename it or move it out "
           "of the replay folder";
}

} // namespace

std::vector<std::string> ReplayLibrary::ListReplays(std::error_code& error) {
    return files_.ListFiles(PathOf("*.rep"), error);
}

std::string ReplayLibrary::FindLastReplay() {
    std::error_code error;
    std::string last;
    for (const std::string& name : ListReplays(error)) {
        if (name != kReplaySlot) {
            last = name;
        }
    }
    return last;
}

ReplayName ReplayLibrary::NextReplayName() {
    ReplayName result;
    result.ddmm = clock_.TodayDDMM();
    std::error_code error;
    const auto names = files_.ListFiles(PathOf("replay" + result.ddmm + "-*.rep"), error);
    if (error) {
        result.failure = files_.Describe(error);
        return result;
    }
    int highest = 0;
    std::string holder; // the name with the highest number
    bool found = false;
    for (const std::string& name : names) {
        found = true;
        // The listing matches ignoring case and only by the wildcard, so the name is at least
        // as long as the fixed pieces.
        const std::string numberText = name.size() >= kFixedLength
                                           ? name.substr(kPrefixLength, name.size() - kFixedLength)
                                           : std::string();
        const double value = ReadLeadingNumber(numberText).value;
        if (value > static_cast<double>(highest)) {
            const double rounded = std::nearbyint(value); // halves go to the even neighbour
            if (rounded > kHighestReplayNumber) {
                result.failure = OverflowText(name);
                return result;
            }
            highest = static_cast<int>(rounded);
            holder = name;
        }
    }
    if (found && highest == kHighestReplayNumber) {
        result.failure = OverflowText(holder);
        return result;
    }
    result.number = found ? highest + 1 : 0;
    result.name = CaptureName(result.ddmm, result.number);
    return result;
}

bool ReplayLibrary::HoldsCopyOf(const FileStamp& slot) {
    std::error_code error;
    const std::string slotPath = PathOf(kReplaySlot);
    for (const std::string& name : ListReplays(error)) {
        if (name == kReplaySlot) {
            continue;
        }
        // Copies keep the slot's modification time, so only a file of the same size and time
        // can hold the same recording; only those are read.
        const std::string path = PathOf(name);
        const auto stored = files_.Stamp(path, error);
        if (stored && stored->size == slot.size && stored->modified == slot.modified &&
            files_.SameContents(slotPath, path, error)) {
            return true;
        }
    }
    return false;
}

std::string ReplayLibrary::CaptureName(const std::string& ddmm, int number) {
    return "replay" + ddmm + "-" + std::to_string(number) + ".rep";
}

std::string ReplayLibrary::PathOf(const std::string& name) const {
    return files_.Join(folder_, name);
}

} // namespace clipwarden
