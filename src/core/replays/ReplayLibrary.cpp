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
    const auto names = StoredReplays(error);
    return names.empty() ? std::string() : names.back();
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

std::string WhyTooLarge(std::uint64_t size) {
    return size > kLargestRecording
               ? "it holds " + SizeText(size) +
                     ", far more than any recording of the game (at most 800 kB), so it is "
                     "no replay and is left alone"
               : std::string();
}

bool ReplayLibrary::HoldsCopyOf(const FileStamp& slot) {
    // Copies keep the slot's modification time, so only a file of the same size and time
    // can hold the same recording; only those are read.
    return !FindCopyOf(PathOf(kReplaySlot), slot, true).empty();
}

std::string ReplayLibrary::FindCopyOf(const std::string& path, const FileStamp& stamp,
                                      bool sameTime) {
    if (stamp.size > kLargestRecording) {
        return {}; // never read: no stored replay is that large either
    }
    std::error_code error;
    for (const std::string& name : StoredReplays(error)) {
        const std::string stored = PathOf(name);
        const auto found = files_.Stamp(stored, error);
        if (found && found->size == stamp.size &&
            (!sameTime || found->modified == stamp.modified) && stored != path &&
            files_.SameContents(path, stored, error)) {
            return name;
        }
    }
    return {};
}

std::vector<std::string> ReplayLibrary::StoredReplays(std::error_code& error) {
    std::vector<std::string> names = ListReplays(error);
    std::erase_if(names, [](const std::string& name) { return ToLowerAscii(name) == kReplaySlot; });
    return names;
}

bool ReplayLibrary::IsCurrentReplay(const std::string& name, const FileStamp& stored) const {
    const auto& slot = cursor_.accountedSlot();
    return (!cursor_.currentReplay().empty() &&
            ToLowerAscii(name) == ToLowerAscii(cursor_.currentReplay())) ||
           (slot && slot->size == stored.size && slot->modified == stored.modified);
}

std::string ReplayLibrary::CaptureName(const std::string& ddmm, int number) {
    return "replay" + ddmm + "-" + std::to_string(number) + ".rep";
}

std::string ReplayLibrary::ForgetDetails(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        details_.index().Remove(name);
    }
    return names.empty() ? std::string() : details_.Save();
}

std::string ReplayLibrary::PathOf(const std::string& name) const {
    return files_.Join(folder_, name);
}

} // namespace clipwarden
