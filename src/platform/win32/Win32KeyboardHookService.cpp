#include <windows.h>

#include <deque>

#include "platform/KeyboardHookService.h"

namespace clipwarden {

namespace {

constexpr UINT kKeyPending = WM_APP + 1;
constexpr const char* kWindowClass = "ClipwardenHotkeys";

/** The system-wide low-level keyboard hook.
 *
 *  WORKAROUND: Windows silently removes a low-level hook whose callback takes longer than the
 *  system's hook timeout, and a selection's listing and copy can take that long on a sleeping
 *  disk. So the callback only passes the key on and queues the record; the hook procedure runs
 *  for it right after, on the same thread, from the message-only window's queue (which modal
 *  loops serve too), in the order the keys came. */
class Win32KeyboardHookService final : public KeyboardHookService {
public:
    ~Win32KeyboardHookService() override { Uninstall(reinterpret_cast<HookHandle>(hook_)); }
    Win32KeyboardHookService() = default;
    Win32KeyboardHookService(const Win32KeyboardHookService&) = delete;
    Win32KeyboardHookService& operator=(const Win32KeyboardHookService&) = delete;
    Win32KeyboardHookService(Win32KeyboardHookService&&) = delete;
    Win32KeyboardHookService& operator=(Win32KeyboardHookService&&) = delete;

    HookHandle Install(HookProc proc, std::string& why) override {
        if (instance_ != nullptr) {
            why = "F5 and F6 are already being watched.";
            return 0;
        }
        HINSTANCE module = GetModuleHandleA(nullptr);
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &Win32KeyboardHookService::WindowProc;
        windowClass.hInstance = module;
        windowClass.lpszClassName = kWindowClass;
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module,
                                  nullptr);
        instance_ = this;
        proc_ = std::move(proc);
        hook_ =
            SetWindowsHookExA(WH_KEYBOARD_LL, &Win32KeyboardHookService::LowLevelProc, module, 0);
        if (hook_ == nullptr) {
            Uninstall(0);
            why = "F5 and F6 are not available: Windows refused the keyboard hook.";
            return 0;
        }
        return reinterpret_cast<HookHandle>(hook_);
    }

    void Uninstall(HookHandle) override {
        if (hook_ != nullptr) {
            UnhookWindowsHookEx(hook_);
            hook_ = nullptr;
        }
        if (window_ != nullptr) {
            DestroyWindow(window_);
            window_ = nullptr;
        }
        pending_.clear();
        proc_ = nullptr;
        if (instance_ == this) {
            instance_ = nullptr;
        }
    }

private:
    struct Pending {
        KeyEvent event;
        LRESULT passedOn;
    };

    static LRESULT CALLBACK LowLevelProc(int code, WPARAM wParam, LPARAM lParam) {
        Win32KeyboardHookService* self = instance_;
        const LRESULT result =
            CallNextHookEx(self != nullptr ? self->hook_ : nullptr, code, wParam, lParam);
        if (self != nullptr && code == HC_ACTION) {
            KBDLLHOOKSTRUCT record{};
            CopyMemory(&record, reinterpret_cast<const void*>(lParam), sizeof(record));
            KeyEvent event;
            event.vkCode = record.vkCode;
            event.scanCode = record.scanCode;
            event.flags = record.flags;
            event.time = record.time;
            event.dwExtraInfo = record.dwExtraInfo;
            self->pending_.push_back({event, result});
            PostMessageA(self->window_, kKeyPending, 0, 0);
        }
        return result;
    }

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        Win32KeyboardHookService* self = instance_;
        if (message == kKeyPending && self != nullptr && !self->pending_.empty()) {
            const Pending next = self->pending_.front();
            self->pending_.pop_front();
            if (self->proc_) {
                self->proc_(next.event,
                            [&next] { return static_cast<std::intptr_t>(next.passedOn); });
            }
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    static inline Win32KeyboardHookService* instance_ =
        nullptr; // the hook's C callback has no context
    HHOOK hook_ = nullptr;
    HWND window_ = nullptr;
    HookProc proc_;
    std::deque<Pending> pending_;
};

} // namespace

std::unique_ptr<KeyboardHookService> CreateKeyboardHookService() {
    return std::make_unique<Win32KeyboardHookService>();
}

} // namespace clipwarden
