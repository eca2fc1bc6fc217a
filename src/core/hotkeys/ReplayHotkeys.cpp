#include "core/hotkeys/ReplayHotkeys.h"

namespace clipwarden {

void ReplayHotkeys::OnKey(const KeyEvent& event) {
    bool* held = nullptr;
    const std::function<void()>* action = nullptr;
    if (event.key == Key::F5) {
        held = &f5Held_;
        action = &selectPrevious_;
    } else if (event.key == Key::F6) {
        held = &f6Held_;
        action = &selectNext_;
    } else {
        return;
    }
    if (event.altHeld || event.injected) {
        return;
    }
    if (event.pressed && !*held) {
        (*action)();
        *held = true; // only once the action has returned, whatever it achieved
    } else if (!event.pressed && *held) {
        *held = false;
    }
}

} // namespace clipwarden
