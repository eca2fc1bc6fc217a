#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace clipwarden {

/** The current local date and time as the user's locale writes them. */
class Clock {
public:
    Clock() = default;
    virtual ~Clock() = default;
    Clock(const Clock&) = delete;
    Clock& operator=(const Clock&) = delete;
    Clock(Clock&&) = delete;
    Clock& operator=(Clock&&) = delete;

    /** Time of day with seconds in the locale's form; never fails. */
    [[nodiscard]] virtual std::string TimeOfDayText() const = 0;

    /** Milliseconds on a clock that only moves forward, for telling how long something has
     *  lasted; unrelated to the date. Never fails. */
    [[nodiscard]] virtual std::int64_t SteadyMilliseconds() const = 0;

    /** A moment (nanoseconds since the epoch, as in a FileStamp) as the local date and time
     *  with seconds, in the locale's short form; never fails. */
    [[nodiscard]] virtual std::string DateTimeText(std::int64_t nanoseconds) const = 0;

    /** Now, in nanoseconds since the epoch as a FileStamp counts them; never fails. */
    [[nodiscard]] virtual std::int64_t NowNanoseconds() const = 0;

    /** Today as "DDMM" (day and month, two digits each); never fails. */
    [[nodiscard]] virtual std::string TodayDDMM() const = 0;
};

std::unique_ptr<Clock> CreateClock();

} // namespace clipwarden
