#pragma once

#include <cstdint>
#include <functional>

#include "platform/KeyboardHookService.h"

namespace clipwarden {

inline constexpr std::uint32_t kVkF5 = 116;
inline constexpr std::uint32_t kVkF6 = 117;

/** F5 and F6 as hotkeys over a stream of key events: a plain press acts once, and the key
 *  acts again only after its plain release. Every event is passed on first. */
class KeyboardHook {
public:
    KeyboardHook(std::function<void()> selectPrevious, std::function<void()> selectNext)
        : selectPrevious_(std::move(selectPrevious)), selectNext_(std::move(selectNext)) {}

    std::intptr_t KeyboardHookProc(const KeyEvent& event, const CallNextHook& callNext);

    [[nodiscard]] bool keyLatchPrev() const { return keyLatchPrev_; }
    [[nodiscard]] bool keyLatchNext() const { return keyLatchNext_; }

private:
    std::function<void()> selectPrevious_;
    std::function<void()> selectNext_;
    bool keyLatchPrev_ = false;
    bool keyLatchNext_ = false;
};

} // namespace clipwarden
