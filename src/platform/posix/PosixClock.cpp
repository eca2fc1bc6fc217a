#include <ctime>

#include "core/ports/Clock.h"
#include "platform/posix/PosixFileSystem.h"

namespace clipwarden {

namespace {

std::string FormatNow(const char* format) {
    return FormatLocalTime(static_cast<long long>(time(nullptr)), format);
}

/** The local clock, formatted by the C library under the user's locale. */
class PosixClock final : public Clock {
public:
    [[nodiscard]] std::string TimeOfDayText() const override { return FormatNow("%X"); }
    [[nodiscard]] std::int64_t SteadyMilliseconds() const override {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
    }
    [[nodiscard]] std::int64_t NowNanoseconds() const override {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
    }
    [[nodiscard]] std::string TodayDDMM() const override { return FormatNow("%d%m"); }
    [[nodiscard]] std::string DateTimeText(std::int64_t nanoseconds) const override {
        // Floor division: a time before 1970 stays in its own second.
        const std::int64_t seconds =
            nanoseconds / 1'000'000'000 - (nanoseconds % 1'000'000'000 < 0 ? 1 : 0);
        return FormatLocalTime(static_cast<long long>(seconds), "%x %X");
    }
};

} // namespace

std::unique_ptr<Clock> CreateClock() {
    return std::make_unique<PosixClock>();
}

} // namespace clipwarden
