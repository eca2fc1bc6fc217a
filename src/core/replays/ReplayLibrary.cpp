#include "core/replays/ReplayLibrary.h"

#include <cmath>

#include "core/Text.h"

namespace clipwarden {

namespace {

constexpr std::size_t kPrefixLength = 11; // "replay" + DDMM + "-"
constexpr std::size_t kFixedLength = 15;  // prefix + ".rep"

std::string OverflowText(const std::string& ddmm) {
    return "Overflow: no capture name is left for today after replay" + ddmm + "-" +
           std::to_string(kHighestReplayNumber) + ".rep";
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
                result.failure = OverflowText(result.ddmm);
                return result;
            }
            highest = static_cast<int>(rounded);
        }
    }
    if (found && highest == kHighestReplayNumber) {
        result.failure = OverflowText(result.ddmm);
        return result;
    }
    result.number = found ? highest + 1 : 0;
    result.name = CaptureName(result.ddmm, result.number);
    return result;
}

std::string ReplayLibrary::CaptureName(const std::string& ddmm, int number) {
    return "replay" + ddmm + "-" + std::to_string(number) + ".rep";
}

std::string ReplayLibrary::PathOf(const std::string& name) const {
    return files_.Join(folder_, name);
}

} // namespace clipwarden
