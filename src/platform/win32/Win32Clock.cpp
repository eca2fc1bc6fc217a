#include <windows.h>

#include <array>
#include <cstdio>

#include "core/ports/Clock.h"
#include "platform/win32/AnsiText.h"

namespace clipwarden {

namespace {

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
