#include "platform/win32/MessageWindow.h"

namespace clipwarden {

HWND CreateMessageWindow(const char* className, WNDPROC proc, const char* name) {
    HINSTANCE module = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = module;
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass); // fails harmlessly when it is registered already
    return CreateWindowExA(0, className, name, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module,
                           nullptr);
}

} // namespace clipwarden
