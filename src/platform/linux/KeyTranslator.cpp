#include "platform/linux/KeyTranslator.h"

#include <X11/keysym.h>
#include <linux/input-event-codes.h>

namespace clipwarden {

KeyEvent KeyTranslator::Translate(LinuxKey key, bool down) {
    if (key == LinuxKey::LeftAlt) {
        leftAlt_ = down;
    } else if (key == LinuxKey::RightAlt) {
        rightAlt_ = down;
    }
    KeyEvent event;
    event.key = key == LinuxKey::F5 ? Key::F5 : key == LinuxKey::F6 ? Key::F6 : Key::Other;
    event.pressed = down;
    event.altHeld = leftAlt_ || rightAlt_;
    return event;
}

LinuxKey KeyFromKeysym(unsigned long keysym) {
    switch (keysym) {
    case XK_F5:
        return LinuxKey::F5;
    case XK_F6:
        return LinuxKey::F6;
    case XK_Alt_L:
    case XK_Meta_L:
        return LinuxKey::LeftAlt;
    case XK_Alt_R:
    case XK_Meta_R:
    case XK_ISO_Level3_Shift: // AltGr
        return LinuxKey::RightAlt;
    default:
        return LinuxKey::Other;
    }
}

LinuxKey KeyFromEvdevCode(unsigned code) {
    switch (code) {
    case KEY_F5:
        return LinuxKey::F5;
    case KEY_F6:
        return LinuxKey::F6;
    case KEY_LEFTALT:
        return LinuxKey::LeftAlt;
    case KEY_RIGHTALT:
        return LinuxKey::RightAlt;
    default:
        return LinuxKey::Other;
    }
}

} // namespace clipwarden
