#include "hotkeys/KeyboardHook.h"

namespace clipwarden {

std::intptr_t KeyboardHook::KeyboardHookProc(const KeyEvent& event, const CallNextHook& callNext) {
    const KeyEvent record = event; // the caller's record may change while the action runs
    const std::intptr_t result = callNext ? callNext() : 0;
    bool* latch = nullptr;
    const std::function<void()>* action = nullptr;
    if (record.vkCode == kVkF5) {
        latch = &keyLatchPrev_;
        action = &selectPrevious_;
    } else if (record.vkCode == kVkF6) {
        latch = &keyLatchNext_;
        action = &selectNext_;
    } else {
        return result;
    }
    // Whole-value comparisons: Alt (32), injected (16) or extended (1) neither act nor release.
    if (!*latch && record.flags == 0) {
        (*action)();
        *latch = true;
    } else if (*latch && record.flags == kFlagUp) {
        *latch = false;
    }
    return result;
}

} // namespace clipwarden
