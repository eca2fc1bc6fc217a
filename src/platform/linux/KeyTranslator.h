#pragma once

#include <cstdint>

#include "platform/KeyboardHookService.h"

namespace clipwarden {

inline constexpr std::uint32_t kVkLeftAlt = 164;
inline constexpr std::uint32_t kVkRightAlt = 165;

/** Turns key presses and releases into the records a low-level keyboard hook gets: a release
 *  has flags 128, and while either Alt key is down every record carries 32. Nothing is marked
 *  injected: Linux offers no reliable marker for synthesized keys. */
class KeyTranslator {
public:
    KeyEvent Translate(std::uint32_t vkCode, std::uint32_t scanCode, bool down, std::uint32_t time);

private:
    bool leftAlt_ = false;
    bool rightAlt_ = false;
};

/** Windows virtual-key code of an X keysym; 0 for keys with no code of interest. */
std::uint32_t VkFromKeysym(unsigned long keysym);

/** Windows virtual-key code of a Linux input event code (KEY_*); 0 likewise. */
std::uint32_t VkFromEvdevCode(unsigned code);

} // namespace clipwarden
