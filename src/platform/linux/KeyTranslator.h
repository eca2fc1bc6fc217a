#pragma once

#include "core/ports/KeySource.h"

namespace clipwarden {

/** The keys the Linux sources tell apart: the two hotkeys and the two Alt keys. */
enum class LinuxKey { F5, F6, LeftAlt, RightAlt, Other };

/** Turns key presses and releases into key events, tracking whether either Alt key is down.
 *  Nothing is marked injected: Linux offers no reliable marker for synthesized keys. */
class KeyTranslator {
public:
    KeyEvent Translate(LinuxKey key, bool down);

private:
    bool leftAlt_ = false;
    bool rightAlt_ = false;
};

/** The key of an X keysym. */
LinuxKey KeyFromKeysym(unsigned long keysym);

/** The key of a Linux input event code (KEY_*). */
LinuxKey KeyFromEvdevCode(unsigned code);

} // namespace clipwarden
