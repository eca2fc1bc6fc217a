// What the housekeeping rules choose, as plain functions over a list.

#include <gtest/gtest.h>

#include "core/presenters/HousekeepingPresenter.h"
#include "core/replays/Housekeeper.h"
#include "core/replays/Housekeeping.h"

namespace clipwarden::test {
namespace {

constexpr std::int64_t kDay = 86'400LL * 1'000'000'000LL;
constexpr std::int64_t kNow = 20'000 * kDay;

/** Replays "r0".."r<n-1>", one a day, the last recorded yesterday, 10 bytes each. */
std::vector<StoredReplay> Daily(int count) {
    std::vector<StoredReplay> replays;
    for (int i = 0; i < count; ++i) {
        replays.push_back({"r" + std::to_string(i), 10, kNow - (count - i) * kDay, false, false});
    }
    return replays;
}

std::vector<std::string> Names(const std::vector<StoredReplay>& replays,
                               const HousekeepingChoice& choice) {
    std::vector<std::string> names;
    for (const std::size_t i : choice.remove) {
        names.push_back(replays[i].name);
    }
    return names;
}

TEST(Housekeeping, NeverChoosesAKeptTheCurrentOrTheNewestReplayAndCountsOnlyWhatMayGo) {
    auto replays = Daily(6);
    replays[0].kept = true;    // the oldest, kept: never goes, never counts
    replays[1].current = true; // counts, never goes
    HousekeepingRules rules;
    rules.mostReplays = 2;
    const auto choice = ChooseRemovals(replays, rules, kNow, true);
    EXPECT_EQ(Names(replays, choice), (std::vector<std::string>{"r2", "r3", "r4"}))
        << "five count; the current and the newest stay, so three go";
    EXPECT_EQ(choice.bytes, 30U);

    rules.mostReplays = 1; // fewer than the protected ones: those stay all the same
    EXPECT_EQ(Names(replays, ChooseRemovals(replays, rules, kNow, true)),
              (std::vector<std::string>{"r2", "r3", "r4"}));
    EXPECT_TRUE(ChooseRemovals(replays, rules, kNow, false).remove.empty())
        << "an incomplete listing chooses nothing";
}

TEST(Housekeeping, AgeCountsFromEachReplaysOwnTimeAndTheFutureIsNeverOld) {
    auto replays = Daily(5); // recorded 5, 4, 3, 2 and 1 days ago
    replays.push_back({"from the future", 10, kNow + 400 * kDay, false, false});
    replays.push_back({"same time", 10, replays[0].modified, false, false});
    HousekeepingRules rules;
    rules.mostDays = 3;
    // Older than three days: r0, r1 and the one of r0's time; oldest first, listing order
    // among equals. The one from the future is the newest, and stays.
    EXPECT_EQ(Names(replays, ChooseRemovals(replays, rules, kNow, true)),
              (std::vector<std::string>{"r0", "same time", "r1"}));
}

TEST(Housekeeping, KeptReplaysAboveTheSpaceLimitAreSaidAndNothingElseGoesForIt) {
    auto replays = Daily(4);
    HousekeepingRules rules;
    rules.mostBytes = 25;
    EXPECT_EQ(Names(replays, ChooseRemovals(replays, rules, kNow, true)),
              (std::vector<std::string>{"r0", "r1"}));
    replays[0].kept = true;
    replays[1].kept = true;
    replays[0].size = 30;
    const auto choice = ChooseRemovals(replays, rules, kNow, true);
    EXPECT_TRUE(choice.keptExceedSpace);
    EXPECT_TRUE(choice.remove.empty());
}

TEST(Housekeeping, AStoredValueIsARuleOnlyAsAWholeNumberOfAtLeastOne) {
    EXPECT_EQ(ReadRuleValue("200"), 200U);
    EXPECT_EQ(ReadRuleValue(" 7 "), 7U);
    for (const char* off : {"", "0", "-3", "+3", "2.5", "ten", "5 GB", "99999999999999999999"}) {
        EXPECT_FALSE(ReadRuleValue(off)) << off;
    }
}

TEST(Housekeeping, APassSaysWhichRulesMovedItsReplays) {
    HousekeepingRules rules;
    rules.mostReplays = 200;
    rules.mostBytes = 5'000'000'000;
    rules.mostDays = 30;
    HousekeepingChoice choice;
    choice.remove = {0, 1, 2};
    choice.bytes = 12'400'000;
    choice.byNumber = 3;
    EXPECT_EQ(PassLine(choice, rules),
              "Moved 3 old replays to the trash (12.4 MB) to keep at most 200.");
    choice.bySpace = 1;
    choice.byAge = 1;
    EXPECT_EQ(PassLine(choice, rules), "Moved 3 old replays to the trash (12.4 MB) to keep at most "
                                       "200 and 5.0 GB, and those recorded more than 30 days ago.");
    choice.byNumber = choice.bySpace = 0;
    choice.remove = {0};
    EXPECT_EQ(PassLine(choice, rules),
              "Moved 1 replay recorded more than 30 days ago to the trash (12.4 MB).");
}

TEST(Housekeeping, TheDialogShowsAStoredRuleInTheUnitItWasChosenIn) {
    HousekeepingForm form;
    form.bySpace = true;
    form.space = 3;
    for (const bool gigabytes : {true, false}) {
        form.gigabytes = gigabytes;
        EXPECT_EQ(HousekeepingPresenter::FormOf(HousekeepingPresenter::RulesOf(form)), form);
    }
    form.space = 0; // an emptied box: no rule, never a rule of nothing
    EXPECT_FALSE(HousekeepingPresenter::RulesOf(form).any());
}

} // namespace
} // namespace clipwarden::test
