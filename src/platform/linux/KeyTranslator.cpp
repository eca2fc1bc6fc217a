#include "platform/linux/KeyTranslator.h"

#include <X11/keysym.h>
#include <linux/input-event-codes.h>

#include <array>

namespace clipwarden {

KeyEvent KeyTranslator::Translate(std::uint32_t vkCode, std::uint32_t scanCode, bool down,
                                  std::uint32_t time) {
    if (vkCode == kVkLeftAlt) {
        leftAlt_ = down;
    } else if (vkCode == kVkRightAlt) {
        rightAlt_ = down;
    }
    KeyEvent event;
    event.vkCode = vkCode;
    event.scanCode = scanCode;
    event.time = time;
    event.flags = (down ? 0U : kFlagUp) | ((leftAlt_ || rightAlt_) ? kFlagAltDown : 0U);
    return event;
}

std::uint32_t VkFromKeysym(unsigned long keysym) {
    if (keysym >= XK_F1 && keysym <= XK_F24) {
        return 112 + static_cast<std::uint32_t>(keysym - XK_F1);
    }
    if (keysym >= XK_a && keysym <= XK_z) {
        return 'A' + static_cast<std::uint32_t>(keysym - XK_a);
    }
    if (keysym >= XK_A && keysym <= XK_Z) {
        return static_cast<std::uint32_t>(keysym);
    }
    if (keysym >= XK_0 && keysym <= XK_9) {
        return static_cast<std::uint32_t>(keysym);
    }
    switch (keysym) {
    case XK_Alt_L:
    case XK_Meta_L:
        return kVkLeftAlt;
    case XK_Alt_R:
    case XK_Meta_R:
    case XK_ISO_Level3_Shift:
        return kVkRightAlt;
    case XK_space:
        return 0x20;
    case XK_Return:
        return 0x0D;
    case XK_Escape:
        return 0x1B;
    default:
        return 0;
    }
}

std::uint32_t VkFromEvdevCode(unsigned code) {
    if (code >= KEY_F1 && code <= KEY_F10) {
        return 112 + (code - KEY_F1);
    }
    switch (code) {
    case KEY_F11:
        return 122;
    case KEY_F12:
        return 123;
    case KEY_LEFTALT:
        return kVkLeftAlt;
    case KEY_RIGHTALT:
        return kVkRightAlt;
    case KEY_SPACE:
        return 0x20;
    case KEY_ENTER:
        return 0x0D;
    case KEY_ESC:
        return 0x1B;
    default:
        break;
    }
    static constexpr std::array<unsigned, 26> kLetters = {
        KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I, KEY_J, KEY_K, KEY_L, KEY_M,
        KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R, KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z};
    for (std::size_t i = 0; i < kLetters.size(); ++i) {
        if (kLetters[i] == code) {
            return 'A' + static_cast<std::uint32_t>(i);
        }
    }
    return 0;
}

} // namespace clipwarden
