#include "core/replays/Housekeeper.h"

#include <limits>
#include <memory>
#include <utility>

#include "core/Text.h"

namespace clipwarden {

namespace {

/** Past this many removals an open Library window lists the folder anew instead of taking
 *  the rows out one by one. */
constexpr std::size_t kMostSingleChanges = 100;

/** Refusals in one pass after which the trash counts as refusing everything. */
constexpr std::size_t kMostRefusals = 3;

/** From this many moves on, a pass says that it has begun: it takes a while. */
constexpr std::size_t kManyMoves = 1000;

std::string CountText(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " old replay" : " old replays");
}

} // namespace

std::uint64_t BytesOf(std::uint64_t count, std::uint64_t unit) {
    return count > std::numeric_limits<std::uint64_t>::max() / unit
               ? std::numeric_limits<std::uint64_t>::max()
               : count * unit;
}

std::uint64_t UnitsHolding(std::uint64_t bytes, std::uint64_t unit) {
    return bytes / unit + (bytes % unit != 0 ? 1 : 0);
}

std::optional<std::uint64_t> Housekeeper::ReadRule(const std::string& key) {
    const std::optional<std::string> stored = settings_.Stored(key);
    const std::optional<std::uint64_t> value = stored ? ReadRuleValue(*stored) : std::nullopt;
    if (!stored || value) {
        refused_.erase(key);
        return value;
    }
    const auto said = refused_.find(key);
    if (said == refused_.end() || said->second != *stored) {
        refused_[key] = *stored;
        Log("The housekeeping setting " + key + " holds \"" + *stored +
            "\", which is not a whole number of at least 1, so that rule is off.");
    }
    return std::nullopt;
}

HousekeepingRules Housekeeper::ReadRules() {
    HousekeepingRules rules;
    rules.mostReplays = ReadRule(kKeyMostReplays);
    if (const auto megabytes = ReadRule(kKeyMostMegabytes)) {
        rules.mostBytes = BytesOf(*megabytes, kBytesPerMegabyte);
    }
    rules.mostDays = ReadRule(kKeyMostDays);
    return rules;
}

bool Housekeeper::StoreRules(const HousekeepingRules& rules) {
    const auto text = [](const std::optional<std::uint64_t>& value) {
        return value ? std::to_string(*value) : std::string();
    };
    const std::optional<std::uint64_t> megabytes =
        rules.mostBytes ? std::optional(UnitsHolding(*rules.mostBytes, kBytesPerMegabyte))
                        : std::nullopt;
    bool stored = true;
    for (const auto& [key, value] : {std::pair{kKeyMostReplays, text(rules.mostReplays)},
                                     std::pair{kKeyMostMegabytes, text(megabytes)},
                                     std::pair{kKeyMostDays, text(rules.mostDays)}}) {
        // A rule switched off is no value at all, so that nothing reads it as a slip.
        if (auto why = value.empty() ? settings_.RemoveSetting(key)
                                     : settings_.WriteSetting(key, value)) {
            Log(*why);
            stored = false;
        }
    }
    return stored;
}

HousekeepingScan Housekeeper::Scan() {
    HousekeepingScan scan;
    LibraryLabels& labels = library_.labels();
    if (const std::string why = labels.ConfirmMarks(); !why.empty()) {
        scan.paused = why + "; until then no replay would count as kept";
        return scan;
    }
    std::error_code error;
    const std::vector<std::string> names = library_.StoredReplays(error);
    if (error) {
        scan.paused = "the replay folder cannot be listed (" + files_.Describe(error) + ")";
        return scan;
    }
    scan.replays.reserve(names.size());
    for (const std::string& name : names) {
        if (name.front() == '.') {
            continue; // hidden: a temporary or someone else's, never a replay of the library
        }
        const auto stamp = files_.Stamp(library_.PathOf(name), error);
        if (!stamp) {
            // A link or a FIFO is no stored replay, and one gone meanwhile is none either;
            // any other failure leaves the listing incomplete.
            if (error == NotARecording() || error == std::errc::no_such_file_or_directory) {
                continue;
            }
            scan.paused = name + " cannot be read (" + files_.Describe(error) +
                          "), so the library was not listed completely";
            scan.replays.clear();
            return scan;
        }
        const auto mark = labels.Find(name, stamp->size);
        scan.replays.push_back({name, stamp->size, stamp->modified, mark && mark->kept,
                                library_.IsCurrentReplay(name, *stamp)});
    }
    return scan;
}

void Housekeeper::RunPass() {
    if (passRunning_) {
        passAgain_ = true; // once this one is done: a capture may have come meanwhile
        return;
    }
    const HousekeepingRules rules = ReadRules();
    if (!rules.any()) {
        SayOnce(pauseSaid_, {});
        SayOnce(keptExceedSaid_, {});
        return;
    }
    const HousekeepingScan scan = Scan();
    if (!scan.paused.empty()) {
        SayOnce(pauseSaid_, "Housekeeping is paused: " + scan.paused +
                                ". Nothing is removed until that is mended.");
        return;
    }
    const HousekeepingChoice choice = Choose(scan, rules);
    SayOnce(keptExceedSaid_,
            choice.keptExceedSpace
                ? "The kept replays alone take more than the " + SizeText(*rules.mostBytes) +
                      " housekeeping keeps at most, so that rule removes nothing; keep fewer "
                      "replays or allow more space."
                : std::string());
    if (choice.remove.empty()) {
        SayOnce(pauseSaid_, {});
        return;
    }

    // The moves run away from the GUI thread: thousands of them take seconds.
    auto pass = std::make_shared<Pass>();
    pass->rules = rules;
    pass->choice = choice;
    for (const std::size_t at : choice.remove) {
        pass->replays.push_back(scan.replays[at]);
        pass->paths.push_back(library_.PathOf(scan.replays[at].name));
    }
    pass->labelFile = library_.labels().path();
    pass->labelsSeen = library_.labels().seen();
    pass->outcomes.resize(pass->paths.size(), Outcome::NotTried);
    pass->why.resize(pass->paths.size());
    if (pass->paths.size() >= kManyMoves) {
        Log("Moving " + CountText(pass->paths.size()) + " to " + trash_.Name() + "…");
    }
    passRunning_ = true;
    pass->progress->total = pass->paths.size();
    running_ = pass->progress;
    FileSystem& files = files_;
    Trash& trash = trash_;
    const auto work = [pass, &files, &trash] { MoveAll(*pass, files, trash); };
    const auto done = [this, pass] {
        passRunning_ = false;
        running_.reset();
        FinishPass(*pass);
        // One asked to stop is not taken up again at once.
        if (std::exchange(passAgain_, false) && !pass->progress->cancel.load()) {
            RunPass();
        }
    };
    if (aside_ != nullptr) {
        aside_->RunAside(work, done);
    } else {
        work();
        done();
    }
}

void Housekeeper::MoveAll(Pass& pass, FileSystem& files, Trash& trash) {
    std::size_t refusals = 0;
    for (std::size_t i = 0; i < pass.paths.size(); ++i) {
        if (pass.progress->cancel.load()) {
            return; // asked to stop: the rest stays where it is
        }
        // A kept mark set meanwhile by another writer must be seen before anything goes.
        std::error_code error;
        if (files.Stamp(pass.labelFile, error) != pass.labelsSeen) {
            pass.labelsChanged = true;
            return;
        }
        pass.progress->done = i + 1;
        if (trash.MoveToTrash(pass.paths[i], pass.why[i])) {
            pass.outcomes[i] = Outcome::Moved;
        } else if (!files.Exists(pass.paths[i])) {
            pass.outcomes[i] = Outcome::Gone; // someone else removed it meanwhile
        } else {
            // One file the trash will not take is passed over; a trash that takes none ends
            // the pass.
            pass.outcomes[i] = Outcome::Refused;
            if (++refusals == kMostRefusals) {
                return;
            }
        }
    }
}

void Housekeeper::FinishPass(const Pass& pass) {
    // What really went; which rules chose them stays as chosen, for the line.
    HousekeepingChoice moved = pass.choice;
    moved.remove.clear();
    moved.bytes = 0;
    std::vector<std::string> gone;
    std::string refused;
    std::size_t refusals = 0;
    for (std::size_t i = 0; i < pass.paths.size(); ++i) {
        const StoredReplay& replay = pass.replays[i];
        if (pass.outcomes[i] == Outcome::Moved) {
            moved.remove.push_back(pass.choice.remove[i]);
            moved.bytes += replay.size;
            gone.push_back(replay.name);
        } else if (pass.outcomes[i] == Outcome::Refused) {
            refused += (refused.empty() ? "" : "; ") + replay.name + " (" +
                       pass.why[i] + ")";
            ++refusals;
        }
    }
    std::string failure;
    if (pass.progress->cancel.load()) {
        Log("Housekeeping stopped when asked, after " + std::to_string(moved.remove.size()) +
            " of " + std::to_string(pass.paths.size()) + " replays; the rest stay where they are.");
    }
    if (pass.labelsChanged) {
        failure = "Housekeeping stopped: the label file changed while it ran; it goes on with the "
                  "new marks after the next recording.";
    }
    if (refusals > 0) {
        failure += std::string(failure.empty() ? "" : " ") + "Housekeeping passed over what " +
                   trash_.Name() + " would not take: " + refused +
                   (refusals == 1 ? ". It stays where it is" : ". They stay where they are") +
                   ", and housekeeping tries again after the next recording.";
    }
    if (!gone.empty()) {
        if (std::string why; !library_.labels().Forget(gone, why)) {
            Log("The labels of the replays housekeeping moved to " + trash_.Name() +
                " could not be dropped (" + why + ").");
        }
        if (const std::string line = library_.ForgetDetails(gone); !line.empty()) {
            Log(line);
        }
        Log(PassLine(moved, pass.rules, trash_.Name()));
        if (gone.size() > kMostSingleChanges) {
            library_.Changed({});
        } else {
            for (const std::string& name : gone) {
                library_.Changed(name);
            }
        }
    }
    SayOnce(pauseSaid_, failure);
}

void Housekeeper::SayOnce(std::string& said, const std::string& line) {
    if (!line.empty() && line != said) {
        Log(line);
    }
    said = line;
}

void Housekeeper::Log(const std::string& body) {
    notifier_.PostNotification(LogText(clock_.TimeOfDayText(), body), {});
}

std::string RulesText(const HousekeepingRules& rules) {
    std::vector<std::string> keeps;
    if (rules.mostReplays) {
        keeps.push_back(std::to_string(*rules.mostReplays) +
                        (*rules.mostReplays == 1 ? " replay" : " replays"));
    }
    if (rules.mostBytes) {
        keeps.push_back(SizeText(*rules.mostBytes));
    }
    std::string text;
    if (!keeps.empty()) {
        text =
            "housekeeping keeps at most " + keeps[0] + (keeps.size() > 1 ? " and " + keeps[1] : "");
    }
    if (rules.mostDays) {
        text += (text.empty() ? "housekeeping removes" : ", and removes") +
                std::string(" replays recorded more than ") + std::to_string(*rules.mostDays) +
                (*rules.mostDays == 1 ? " day ago" : " days ago");
    }
    return text;
}

std::string PassLine(const HousekeepingChoice& choice, const HousekeepingRules& rules,
                     const std::string& trashName) {
    std::vector<std::string> reasons;
    if (choice.byNumber > 0 && rules.mostReplays) {
        reasons.push_back("at most " + std::to_string(*rules.mostReplays));
    }
    if (choice.bySpace > 0 && rules.mostBytes) {
        reasons.push_back(std::string(reasons.empty() ? "at most " : "") +
                          SizeText(*rules.mostBytes));
    }
    const std::string age =
        choice.byAge > 0 && rules.mostDays
            ? "recorded more than " + std::to_string(*rules.mostDays) +
                  (*rules.mostDays == 1 ? " day ago" : " days ago")
            : std::string();
    if (reasons.empty()) { // by age alone
        return "Moved " + std::to_string(choice.remove.size()) +
               (choice.remove.size() == 1 ? " replay " : " replays ") + age + " to " + trashName +
               " (" + SizeText(choice.bytes) + ").";
    }
    std::string line = "Moved " + CountText(choice.remove.size()) + " to " + trashName + " (" +
                       SizeText(choice.bytes) + ") to keep " + reasons[0];
    if (reasons.size() > 1) {
        line += " and " + reasons[1];
    }
    return line + (age.empty() ? "." : ", and those " + age + ".");
}

} // namespace clipwarden
