#include "core/replays/Housekeeping.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace clipwarden {

namespace {

constexpr std::int64_t kNanosecondsPerDay = 86'400LL * 1'000'000'000LL;

} // namespace

HousekeepingChoice ChooseRemovals(const std::vector<StoredReplay>& replays,
                                  const HousekeepingRules& rules, std::int64_t now,
                                  bool listingComplete) {
    HousekeepingChoice choice;
    if (!listingComplete || !rules.any() || replays.empty()) {
        return choice;
    }
    std::size_t newest = 0;
    for (std::size_t i = 1; i < replays.size(); ++i) {
        if (replays[i].modified >= replays[newest].modified) {
            newest = i;
        }
    }
    // What may go, oldest first; of equal times the first listed first.
    std::vector<std::size_t> candidates;
    std::uint64_t counted = 0; ///< replays that count toward the number: all but the kept
    std::uint64_t countedBytes = 0;
    std::uint64_t keptBytes = 0;
    for (std::size_t i = 0; i < replays.size(); ++i) {
        const StoredReplay& replay = replays[i];
        if (replay.kept) {
            keptBytes += replay.size;
            continue;
        }
        ++counted;
        countedBytes += replay.size;
        if (!replay.current && i != newest) {
            candidates.push_back(i);
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(), [&](std::size_t a, std::size_t b) {
        return replays[a].modified < replays[b].modified;
    });

    std::vector<bool> chosen(replays.size(), false);
    const auto take = [&](std::size_t i, std::size_t& by) {
        chosen[i] = true;
        ++by;
        --counted;
        countedBytes -= replays[i].size;
    };
    if (rules.mostDays) {
        const std::uint64_t days = *rules.mostDays;
        const std::int64_t span =
            days >= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max() /
                                               kNanosecondsPerDay)
                ? std::numeric_limits<std::int64_t>::max()
                : static_cast<std::int64_t>(days) * kNanosecondsPerDay;
        for (const std::size_t i : candidates) {
            // Older than the span; a time in the future is never old.
            if (replays[i].modified < now && now - replays[i].modified > span) {
                take(i, choice.byAge);
            }
        }
    }
    if (rules.mostReplays) {
        for (const std::size_t i : candidates) {
            if (counted <= *rules.mostReplays) {
                break;
            }
            if (!chosen[i]) {
                take(i, choice.byNumber);
            }
        }
    }
    if (rules.mostBytes) {
        if (keptBytes > *rules.mostBytes) {
            choice.keptExceedSpace = true; // said once; nothing else goes for this rule
        } else {
            for (const std::size_t i : candidates) {
                if (countedBytes <= *rules.mostBytes) {
                    break;
                }
                if (!chosen[i]) {
                    take(i, choice.bySpace);
                }
            }
        }
    }
    for (const std::size_t i : candidates) {
        if (chosen[i]) {
            choice.remove.push_back(i);
            choice.bytes += replays[i].size;
        }
    }
    return choice;
}

std::optional<std::uint64_t> ReadRuleValue(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::nullopt;
    }
    const auto last = text.find_last_not_of(" \t");
    const char* begin = text.data() + first;
    const char* end = text.data() + last + 1;
    if (*begin < '0' || *begin > '9') {
        return std::nullopt; // a sign, a point or a word
    }
    std::uint64_t value = 0;
    const auto [next, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || next != end || value == 0) {
        return std::nullopt;
    }
    return value;
}

} // namespace clipwarden
