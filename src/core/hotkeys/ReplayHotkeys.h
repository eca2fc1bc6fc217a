#pragma once

#include <functional>

#include "core/ports/KeySource.h"

namespace clipwarden {

/** F5 and F6 as hotkeys over a stream of key events: a plain press (no Alt, not injected) acts
 *  once, and the key acts again only after its plain release. A press or release with Alt
 *  held or injected neither acts nor frees the key. */
class ReplayHotkeys {
public:
    ReplayHotkeys(std::function<void()> selectPrevious, std::function<void()> selectNext)
        : selectPrevious_(std::move(selectPrevious)), selectNext_(std::move(selectNext)) {}

    void OnKey(const KeyEvent& event);

    [[nodiscard]] bool f5Held() const { return f5Held_; }
    [[nodiscard]] bool f6Held() const { return f6Held_; }

private:
    std::function<void()> selectPrevious_;
    std::function<void()> selectNext_;
    bool f5Held_ = false;
    bool f6Held_ = false;
};

} // namespace clipwarden
