#pragma once

#include <windows.h>

namespace clipwarden {

/** A message-only window of its own class, handled by `proc`: something to post to on the
 *  GUI thread. Null when it cannot be created. */
HWND CreateMessageWindow(const char* className, WNDPROC proc, const char* name);

} // namespace clipwarden
