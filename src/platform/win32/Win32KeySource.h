#pragma once

#include "core/ports/KeySource.h"

namespace clipwarden {

/** The key event of a low-level hook record, given its virtual-key code and flags: F5 and F6
 *  by their codes, the release, Alt and injection from the flags. */
KeyEvent KeyEventOf(unsigned long vkCode, unsigned long flags);

} // namespace clipwarden
