#include <windows.h>

#include <array>
#include <cstdio>

#include "core/ports/Clock.h"
#include "platform/win32/AnsiText.h"

namespace clipwarden {

namespace {

/** FILETIME counts 100 ns from 1601. */
constexpr std::int64_t kFrom1601To1970 = 116'444'736'000'000'000;

/** The local clock, formatted as the user's locale says. */
class Win32Clock final : public Clock {
public:
    [[nodiscard]] std::string TimeOfDayText() const override {
        std::array<char, 128> text{};
        GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, text.data(),
                       static_cast<int>(text.size()));
        return FromAnsi(text.data());
    }
    [[nodiscard]] std::int64_t SteadyMilliseconds() const override {
        return static_cast<std::int64_t>(GetTickCount64());
    }
    [[nodiscard]] std::int64_t NowNanoseconds() const override {
        FILETIME now{};
        GetSystemTimeAsFileTime(&now);
        const auto ticks =
            static_cast<std::int64_t>((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) |
                                      now.dwLowDateTime);
        return (ticks - kFrom1601To1970) * 100;
    }
    [[nodiscard]] std::string DateTimeText(std::int64_t nanoseconds) const override {
        const auto ticks = static_cast<std::uint64_t>(nanoseconds / 100 + kFrom1601To1970);
        FILETIME universal{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
        SYSTEMTIME utc{};
        SYSTEMTIME local{};
        if (!FileTimeToSystemTime(&universal, &utc) ||
            !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
            return {};
        }
        std::array<wchar_t, 64> date{};
        std::array<wchar_t, 64> time{};
        GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, date.data(),
                       static_cast<int>(date.size()));
        GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &local, nullptr, time.data(),
                       static_cast<int>(time.size()));
        return FromWide(date.data()) + " " + FromWide(time.data());
    }
    [[nodiscard]] std::string TodayDDMM() const override {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        std::array<char, 8> text{};
        std::snprintf(text.data(), text.size(), "%02u%02u", static_cast<unsigned>(now.wDay),
                      static_cast<unsigned>(now.wMonth));
        return text.data();
    }
};

} // namespace

std::unique_ptr<Clock> CreateClock() {
    return std::make_unique<Win32Clock>();
}

} // namespace clipwarden
