#include "core/presenters/HousekeepingPresenter.h"

#include "core/Text.h"

namespace clipwarden {

namespace {

constexpr std::uint64_t kBytesPerGigabyte = 1000 * kBytesPerMegabyte;

std::string ReplaysText(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " replay" : " replays");
}

} // namespace

std::string HousekeepingNote(const std::string& trash) {
    return "Replays go to the " + trash +
           ", and the space they take is given back only once it is emptied. Kept replays, "
           "the current one and the newest one are never removed.";
}

HousekeepingRules HousekeepingPresenter::RulesOf(const HousekeepingForm& form) {
    HousekeepingRules rules;
    if (form.byNumber && form.mostReplays > 0) {
        rules.mostReplays = form.mostReplays;
    }
    if (form.bySpace && form.space > 0) {
        rules.mostBytes =
            BytesOf(form.space, form.gigabytes ? kBytesPerGigabyte : kBytesPerMegabyte);
    }
    if (form.byAge && form.days > 0) {
        rules.mostDays = form.days;
    }
    return rules;
}

HousekeepingForm HousekeepingPresenter::FormOf(const HousekeepingRules& rules) {
    HousekeepingForm form;
    if (rules.mostReplays) {
        form.byNumber = true;
        form.mostReplays = *rules.mostReplays;
    }
    if (rules.mostBytes) {
        form.bySpace = true;
        form.gigabytes = *rules.mostBytes % kBytesPerGigabyte == 0;
        form.space = form.gigabytes ? *rules.mostBytes / kBytesPerGigabyte
                                    : UnitsHolding(*rules.mostBytes, kBytesPerMegabyte);
    }
    if (rules.mostDays) {
        form.byAge = true;
        form.days = *rules.mostDays;
    }
    return form;
}

void HousekeepingPresenter::Open() {
    const HousekeepingRules rules = housekeeper_.ReadRules();
    scan_ = housekeeper_.Scan();
    view_.ShowForm(FormOf(rules));
    ShowPreview(rules);
}

void HousekeepingPresenter::OnFormChanged(const HousekeepingForm& form) {
    ShowPreview(RulesOf(form));
}

bool HousekeepingPresenter::OnAccept(const HousekeepingForm& form) {
    const HousekeepingRules rules = RulesOf(form);
    // The folder as it is now, so that what was agreed to is what goes.
    scan_ = housekeeper_.Scan();
    const HousekeepingChoice choice = housekeeper_.Choose(scan_, rules);
    if (!choice.remove.empty()) {
        ShowPreview(rules);
        if (!view_.Confirm("Move " + ReplaysText(choice.remove.size()) + " (" +
                           SizeText(choice.bytes) + ") to " + housekeeper_.trashName() +
                           " now? They can be restored from there until it is emptied.")) {
            return false;
        }
    }
    if (housekeeper_.StoreRules(rules)) {
        housekeeper_.RunPass();
    }
    return true;
}

void HousekeepingPresenter::ShowPreview(const HousekeepingRules& rules) {
    const std::size_t going =
        rules.any() && scan_.paused.empty() ? housekeeper_.Choose(scan_, rules).remove.size() : 0;
    // The button says what it does: storing rules that move files moves them at once.
    view_.ShowPreview(Preview(scan_, rules), going == 0 ? std::string("Save rules")
                                                        : "Move " + ReplaysText(going) + " to " +
                                                              housekeeper_.trashName());
}

std::string HousekeepingPresenter::Preview(const HousekeepingScan& scan,
                                           const HousekeepingRules& rules) const {
    if (!rules.any()) {
        return "No rule is on, so housekeeping removes nothing.";
    }
    if (!scan.paused.empty()) {
        // A path in the reason reaches the dialog escaped, as the log would show it.
        return "Housekeeping is paused: " + EscapeText(scan.paused, false) + ".";
    }
    const HousekeepingChoice choice = housekeeper_.Choose(scan, rules);
    std::string text;
    if (choice.remove.empty()) {
        text = "With these rules nothing goes now.";
    } else {
        const StoredReplay& oldest = scan.replays[choice.remove.front()];
        const StoredReplay& newest = scan.replays[choice.remove.back()];
        text = "With these rules " + ReplaysText(choice.remove.size()) +
               (choice.remove.size() == 1 ? " goes" : " go") + " to " + housekeeper_.trashName() +
               " now (" + SizeText(choice.bytes) + ")" +
               (choice.remove.size() == 1
                    ? ", recorded " + clock_.DateTimeText(oldest.modified) + "."
                    : ": the oldest recorded " + clock_.DateTimeText(oldest.modified) +
                          ", the newest " + clock_.DateTimeText(newest.modified) + ".");
    }
    if (choice.keptExceedSpace) {
        text += " The kept replays alone take more than " + SizeText(*rules.mostBytes) +
                ", so the space rule removes nothing.";
    }
    return text;
}

} // namespace clipwarden
