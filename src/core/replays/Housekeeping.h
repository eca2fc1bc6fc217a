#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace clipwarden {

/** The housekeeping rules; each is off when not set. */
struct HousekeepingRules {
    std::optional<std::uint64_t> mostReplays; ///< keep at most this many (kept ones not counted)
    std::optional<std::uint64_t> mostBytes;   ///< keep at most this much space (likewise)
    std::optional<std::uint64_t> mostDays;    ///< remove what was recorded longer ago

    [[nodiscard]] bool any() const { return mostReplays || mostBytes || mostDays; }
};

/** One stored replay as housekeeping weighs it. */
struct StoredReplay {
    std::string name;
    std::uint64_t size = 0;
    std::int64_t modified = 0; ///< nanoseconds since the epoch: when it was recorded
    bool kept = false;
    bool current = false;
};

/** What a pass would move to the trash, oldest first. */
struct HousekeepingChoice {
    std::vector<std::size_t> remove; ///< positions in the list given, oldest first
    std::uint64_t bytes = 0;         ///< their size together
    /** How many of them each rule chose (the age rule first, then the number, the space). */
    std::size_t byAge = 0;
    std::size_t byNumber = 0;
    std::size_t bySpace = 0;
    /** The kept replays alone take more than the space rule allows: it removes nothing. */
    bool keptExceedSpace = false;
};

/** Chooses what the rules remove from `replays`, the library's stored replays in listing
 *  order. Never chosen: a kept replay, the current one, the newest one (the latest time; of
 *  equal times the last listed). Kept replays do not count toward the number or the space;
 *  the protected current and newest do. Age counts from a replay's own time, so one from the
 *  future is never old. With `listingComplete` false nothing at all is chosen. */
HousekeepingChoice ChooseRemovals(const std::vector<StoredReplay>& replays,
                                  const HousekeepingRules& rules, std::int64_t now,
                                  bool listingComplete);

/** A stored rule's value: a whole number of at least 1, blanks around it allowed; anything
 *  else (empty, 0, negative, a fraction, text, too large) is nothing: the rule is off. */
std::optional<std::uint64_t> ReadRuleValue(const std::string& text);

} // namespace clipwarden
