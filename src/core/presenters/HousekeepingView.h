#pragma once

#include <cstdint>
#include <string>

namespace clipwarden {

/** The housekeeping rules as the dialog shows them: each rule's switch and number. A rule
 *  that is off keeps a number to start from when it is switched on. */
struct HousekeepingForm {
    bool byNumber = false;
    std::uint64_t mostReplays = 200;
    bool bySpace = false;
    std::uint64_t space = 10; ///< in gigabytes, or megabytes without `gigabytes`
    bool gigabytes = true;
    bool byAge = false;
    std::uint64_t days = 90;

    bool operator==(const HousekeepingForm&) const = default;
};

/** What the Housekeeping dialog shows and asks when its presenter tells it to. */
class HousekeepingView {
public:
    HousekeepingView() = default;
    virtual ~HousekeepingView() = default;
    HousekeepingView(const HousekeepingView&) = delete;
    HousekeepingView& operator=(const HousekeepingView&) = delete;
    HousekeepingView(HousekeepingView&&) = delete;
    HousekeepingView& operator=(HousekeepingView&&) = delete;

    virtual void ShowForm(const HousekeepingForm& form) = 0;
    /** What the rules on show would move to the trash now, and what the accepting button does
     *  ("Move 97 replays to the trash", or "Save rules" when nothing would go). */
    virtual void ShowPreview(const std::string& preview, const std::string& accept) = 0;
    /** Asks a yes/no question; true for yes. */
    virtual bool Confirm(const std::string& question) = 0;
};

} // namespace clipwarden
