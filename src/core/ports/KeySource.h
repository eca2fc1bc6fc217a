#pragma once

#include <functional>
#include <memory>
#include <string>

namespace clipwarden {

/** The keys Clipwarden reacts to; every other key is `Other`. */
enum class Key { F5, F6, Other };

/** One key going down or up, as every platform's key source reports it. */
struct KeyEvent {
    Key key = Key::Other;
    bool pressed = true;   ///< false for a release; an auto-repeated press is a press
    bool altHeld = false;  ///< either Alt key was down
    bool injected = false; ///< synthesized by another program, where the platform can tell
};

/** Called on the GUI thread for every key event. */
using KeyHandler = std::function<void(const KeyEvent&)>;

/** 0 is no subscription. */
using KeySubscription = int;

/** A system-wide keyboard observer: every key event, whichever window has the focus. It only
 *  watches; the keys still reach the application that has the focus. */
class KeySource {
public:
    KeySource() = default;
    virtual ~KeySource() = default;
    KeySource(const KeySource&) = delete;
    KeySource& operator=(const KeySource&) = delete;
    KeySource(KeySource&&) = delete;
    KeySource& operator=(KeySource&&) = delete;

    /** Starts delivering key events to `handler`; 0 when no key source is available, with
     *  `why` saying what the user can do about it. */
    virtual KeySubscription Subscribe(KeyHandler handler, std::string& why) = 0;

    /** Stops delivery; 0 and unknown subscriptions are ignored. */
    virtual void Unsubscribe(KeySubscription subscription) = 0;
};

std::unique_ptr<KeySource> CreateKeySource();

} // namespace clipwarden
