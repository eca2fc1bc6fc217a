#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/notify/Notifier.h"
#include "core/ports/Clock.h"
#include "core/ports/FileSystem.h"
#include "core/ports/Trash.h"
#include "core/replays/CaptureTimer.h"
#include "core/replays/Housekeeping.h"
#include "core/replays/ReplayLibrary.h"
#include "core/replays/WorkProgress.h"
#include "core/settings/Settings.h"

namespace clipwarden {

/** The housekeeping rules in the settings, a group of their own; each a whole number of at
 *  least 1, anything else (or nothing) switches its rule off. */
inline constexpr const char* kKeyMostReplays = "Housekeeping/most-replays";
inline constexpr const char* kKeyMostMegabytes = "Housekeeping/most-megabytes";
inline constexpr const char* kKeyMostDays = "Housekeeping/most-days";

/** As file managers count them. */
inline constexpr std::uint64_t kBytesPerMegabyte = 1'000'000;

/** `count` units of `unit` bytes, the largest number there is where that would overflow. */
std::uint64_t BytesOf(std::uint64_t count, std::uint64_t unit);
/** How many whole units of `unit` bytes hold `bytes`: rounded up. */
std::uint64_t UnitsHolding(std::uint64_t bytes, std::uint64_t unit);

/** The library's stored replays as housekeeping weighs them. */
struct HousekeepingScan {
    std::vector<StoredReplay> replays;
    /** Why nothing at all may go now (the listing is incomplete, the label file unavailable);
     *  "" when the rules may remove replays. */
    std::string paused;
};

/** Keeps the library within the rules the player chose: moves what they remove to the trash,
 *  oldest first, never a kept, the current or the newest replay, and nothing at all while it
 *  cannot tell for sure which replays are kept or which are there. */
class Housekeeper {
public:
    /** `aside` runs a pass's moves away from the GUI thread; without one they run at once. */
    Housekeeper(FileSystem& files, Clock& clock, Trash& trash, ReplayLibrary& library,
                Settings& settings, Notifier& notifier, CaptureTimer* aside = nullptr)
        : files_(files), clock_(clock), trash_(trash), library_(library), settings_(settings),
          notifier_(notifier), aside_(aside) {}

    /** The stored rules. A stored value that switches its rule off although it is there is
     *  said once in the log, until it changes. */
    HousekeepingRules ReadRules();

    /** Stores the rules (space in whole megabytes, rounded up); a write that failed is
     *  logged, and false returned. */
    bool StoreRules(const HousekeepingRules& rules);

    /** Lists the stored replays with their marks; never reads a file's contents. */
    HousekeepingScan Scan();

    /** What the rules remove from `scan` now. */
    [[nodiscard]] HousekeepingChoice Choose(const HousekeepingScan& scan,
                                            const HousekeepingRules& rules) const {
        return ChooseRemovals(scan.replays, rules, clock_.NowNanoseconds(), scan.paused.empty());
    }

    /** A pass with the stored rules: at start-up, after each capture, and once rules were
     *  confirmed. One log line when it moved anything; a pause and its reason are said once
     *  until they change. A pass asked for while one runs follows it. */
    void RunPass();

private:
    enum class Outcome { NotTried, Moved, Gone, Refused };
    /** The moves of one pass, on their way through the trash. */
    struct Pass {
        HousekeepingRules rules;
        HousekeepingChoice choice;
        std::vector<StoredReplay> replays; ///< the chosen ones, in the order of choice.remove
        std::vector<std::string> paths;
        std::string labelFile;
        std::optional<FileStamp> labelsSeen; ///< the label file the marks were read from
        std::vector<Outcome> outcomes;
        std::vector<std::string> why; ///< of each refusal
        bool labelsChanged = false;   ///< it stopped there: another writer changed the marks
        std::shared_ptr<WorkProgress> progress = std::make_shared<WorkProgress>();
    };
    /** Moves what the pass chose, oldest first; touches only the pass, the files and the trash. */
    static void MoveAll(Pass& pass, FileSystem& files, Trash& trash);

public:
    /** "the trash", or what the platform calls it. */
    [[nodiscard]] std::string trashName() const { return trash_.Name(); }

    /** How far the pass under way has come; null while none runs. */
    [[nodiscard]] std::shared_ptr<const WorkProgress> passProgress() const { return running_; }
    /** Stops the pass under way after the file in hand; what was moved stays moved. */
    void CancelPass() {
        if (running_ != nullptr) {
            running_->cancel = true;
        }
    }

private:
    /** On the GUI thread: drops the labels of what went, and says what happened. */
    void FinishPass(const Pass& pass);

    /** The rule stored under `key`; a refused value is said once. */
    std::optional<std::uint64_t> ReadRule(const std::string& key);
    /** Says `line` unless it was the last thing said of `topic`; "" forgets the topic. */
    void SayOnce(std::string& said, const std::string& line);
    void Log(const std::string& body);

    FileSystem& files_;
    Clock& clock_;
    Trash& trash_;
    ReplayLibrary& library_;
    Settings& settings_;
    Notifier& notifier_;
    CaptureTimer* aside_;
    bool passRunning_ = false;
    std::shared_ptr<WorkProgress> running_; ///< the pass under way's progress
    bool passAgain_ = false;
    std::map<std::string, std::string> refused_; ///< key → the refused value said
    std::string pauseSaid_;
    std::string keptExceedSaid_;
};

/** The log line of a pass that moved `choice` under `rules`, e.g. "Moved 3 old replays to the
 *  trash (12.4 MB) to keep at most 200." */
/** The rules that are on, for a status line: "housekeeping keeps at most 200 replays and
 *  2.0 GB, and removes replays recorded more than 30 days ago"; "" when none is on. */
std::string RulesText(const HousekeepingRules& rules);

std::string PassLine(const HousekeepingChoice& choice, const HousekeepingRules& rules,
                     const std::string& trashName = "the trash");

} // namespace clipwarden
