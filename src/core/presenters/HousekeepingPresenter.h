#pragma once

#include <string>

#include "core/ports/Clock.h"
#include "core/presenters/HousekeepingView.h"
#include "core/replays/Housekeeper.h"

namespace clipwarden {

/** The dialog's lasting note; `trash` is what the system calls it. */
std::string HousekeepingNote(const std::string& trash);

/** What the Housekeeping dialog does: shows the stored rules, previews what rules being
 *  chosen would remove now, and stores them once the player agreed to that. */
class HousekeepingPresenter {
public:
    HousekeepingPresenter(Housekeeper& housekeeper, Clock& clock, HousekeepingView& view)
        : housekeeper_(housekeeper), clock_(clock), view_(view) {}

    /** Shows the stored rules and what they remove now. */
    void Open();

    /** A rule was switched or its number changed: the preview follows. */
    void OnFormChanged(const HousekeepingForm& form);

    /** OK: asks when the rules remove anything now, then stores them and lets a pass move
     *  what they chose. False when the player said no: nothing was changed, the dialog stays. */
    bool OnAccept(const HousekeepingForm& form);

    /** The rules a form stands for, and back. */
    [[nodiscard]] static HousekeepingRules RulesOf(const HousekeepingForm& form);
    [[nodiscard]] static HousekeepingForm FormOf(const HousekeepingRules& rules);

private:
    /** The preview of `rules` and the accepting button's text, shown. */
    void ShowPreview(const HousekeepingRules& rules);
    [[nodiscard]] std::string Preview(const HousekeepingScan& scan,
                                      const HousekeepingRules& rules) const;

    Housekeeper& housekeeper_;
    Clock& clock_;
    HousekeepingView& view_;
    HousekeepingScan scan_; ///< the folder as it was when the dialog opened
};

} // namespace clipwarden
