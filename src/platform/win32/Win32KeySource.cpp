#include <windows.h>

#include <deque>

#include "platform/win32/MessageWindow.h"
#include "platform/win32/Win32KeySource.h"

namespace clipwarden {

namespace {

constexpr UINT kKeyPending = WM_APP + 1;
constexpr const char* kWindowClass = "ClipwardenHotkeys";

/** The system-wide low-level keyboard hook.
 *
 *  WORKAROUND: Windows silently removes a low-level hook whose callback takes longer than the
 *  system's hook timeout, and a selection's listing and copy can take that long on a sleeping
 *  disk. So the callback only passes the key on and queues the event; the handler runs for it
 *  right after, on the same thread, from the message-only window's queue (which modal loops
 *  serve too), in the order the keys came. */
class Win32KeySource final : public KeySource {
public:
    ~Win32KeySource() override { Unsubscribe(kSubscription); }
    Win32KeySource() = default;
    Win32KeySource(const Win32KeySource&) = delete;
    Win32KeySource& operator=(const Win32KeySource&) = delete;
    Win32KeySource(Win32KeySource&&) = delete;
    Win32KeySource& operator=(Win32KeySource&&) = delete;

    KeySubscription Subscribe(KeyHandler handler, std::string& why) override {
        if (instance_ != nullptr) {
            why = "F5 and F6 are already being watched.";
            return 0;
        }
        HINSTANCE module = GetModuleHandleA(nullptr);
        window_ = CreateMessageWindow(kWindowClass, &Win32KeySource::WindowProc, "");
        instance_ = this;
        handler_ = std::move(handler);
        hook_ = SetWindowsHookExA(WH_KEYBOARD_LL, &Win32KeySource::LowLevelProc, module, 0);
        if (hook_ == nullptr) {
            Unsubscribe(kSubscription);
            why = "F5 and F6 are not available: Windows refused the keyboard hook.";
            return 0;
        }
        return kSubscription;
    }

    void Unsubscribe(KeySubscription subscription) override {
        if (subscription != kSubscription) {
            return;
        }
        if (hook_ != nullptr) {
            UnhookWindowsHookEx(hook_);
            hook_ = nullptr;
        }
        if (window_ != nullptr) {
            DestroyWindow(window_);
            window_ = nullptr;
        }
        pending_.clear();
        handler_ = nullptr;
        if (instance_ == this) {
            instance_ = nullptr;
        }
    }

private:
    static constexpr KeySubscription kSubscription = 1; // one hook per process

    static LRESULT CALLBACK LowLevelProc(int code, WPARAM wParam, LPARAM lParam) {
        Win32KeySource* self = instance_;
        const LRESULT result =
            CallNextHookEx(self != nullptr ? self->hook_ : nullptr, code, wParam, lParam);
        if (self != nullptr && code == HC_ACTION) {
            KBDLLHOOKSTRUCT record{};
            CopyMemory(&record, reinterpret_cast<const void*>(lParam), sizeof(record));
            self->pending_.push_back(KeyEventOf(record.vkCode, record.flags));
            PostMessageA(self->window_, kKeyPending, 0, 0);
        }
        return result;
    }

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        Win32KeySource* self = instance_;
        if (message == kKeyPending && self != nullptr && !self->pending_.empty()) {
            const KeyEvent next = self->pending_.front();
            self->pending_.pop_front();
            if (self->handler_) {
                self->handler_(next);
            }
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    static inline Win32KeySource* instance_ = nullptr; // the hook's C callback has no context
    HHOOK hook_ = nullptr;
    HWND window_ = nullptr;
    KeyHandler handler_;
    std::deque<KeyEvent> pending_;
};

} // namespace

KeyEvent KeyEventOf(unsigned long vkCode, unsigned long flags) {
    KeyEvent event;
    event.key = vkCode == VK_F5 ? Key::F5 : vkCode == VK_F6 ? Key::F6 : Key::Other;
    event.pressed = (flags & LLKHF_UP) == 0;
    event.altHeld = (flags & LLKHF_ALTDOWN) != 0;
    event.injected = (flags & LLKHF_INJECTED) != 0;
    return event;
}

std::unique_ptr<KeySource> CreateKeySource() {
    return std::make_unique<Win32KeySource>();
}

} // namespace clipwarden
