#include <windows.h>

#include "core/Text.h"
#include "core/ports/SingleInstance.h"
#include "platform/win32/MessageWindow.h"

namespace clipwarden {

namespace {

constexpr const char* kWindowClass = "ClipwardenInstance";
constexpr UINT kBringForward = WM_APP + 7;
constexpr UINT kShowLibrary = WM_APP + 8;
/** From the setup program (installer.nsi sends it): end, whatever windows are open. */
constexpr UINT kQuit = WM_APP + 10;

/** A named mutex of the session (Windows drops it with its holder) and a message-only window
 *  named like it, which later starts find and post their requests to. */
class Win32SingleInstance final : public SingleInstance {
public:
    explicit Win32SingleInstance(const std::string& key)
        : name_("Clipwarden-" + StableHexName(key)) {}
    ~Win32SingleInstance() override { Release(); }
    Win32SingleInstance(const Win32SingleInstance&) = delete;
    Win32SingleInstance& operator=(const Win32SingleInstance&) = delete;
    Win32SingleInstance(Win32SingleInstance&&) = delete;
    Win32SingleInstance& operator=(Win32SingleInstance&&) = delete;

    Claim TryClaim(std::string& holder, std::string& why) override {
        // "Local\" and then no backslash: the mutex of this session.
        mutex_ = CreateMutexA(nullptr, TRUE, ("Local\\" + name_).c_str());
        if (mutex_ == nullptr) {
            why = "Windows refused the mutex " + name_;
            return Claim::Failed;
        }
        if (GetLastError() == ERROR_ALREADY_EXISTS) {
            CloseHandle(mutex_);
            mutex_ = nullptr;
            if (HWND other = Find()) {
                DWORD pid = 0;
                GetWindowThreadProcessId(other, &pid);
                holder = std::to_string(pid);
            }
            return Claim::Taken;
        }
        window_ =
            CreateMessageWindow(kWindowClass, &Win32SingleInstance::WindowProc, name_.c_str());
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        return Claim::Ours;
    }

    void OnRaiseRequest(std::function<void()> raise) override { raise_ = std::move(raise); }
    void OnLibraryRequest(std::function<void()> show) override { library_ = std::move(show); }
    void OnQuitRequest(std::function<void()> quit) override { quit_ = std::move(quit); }
    // Windows lets Clipwarden open the game itself; nobody hands one over.
    void OnGameHandedOver(std::function<void(ProcessId, ProcessHandle)>) override {}

    void OnNotice(std::function<void(const std::string&)>) override {} // refuses none

    bool AskToRaise() override { return Ask(kBringForward); }
    bool AskToShowLibrary() override { return Ask(kShowLibrary); }

    void Release() override {
        if (window_ != nullptr) {
            DestroyWindow(window_);
            window_ = nullptr;
        }
        if (mutex_ != nullptr) {
            ReleaseMutex(mutex_);
            CloseHandle(mutex_);
            mutex_ = nullptr;
        }
    }

private:
    bool Ask(UINT request) const {
        HWND other = Find();
        if (other == nullptr) {
            return false;
        }
        AllowSetForegroundWindow(ASFW_ANY); // we were just started: lend the first one the focus
        return PostMessageA(other, request, 0, 0) != 0;
    }

    HWND Find() const { return FindWindowExA(HWND_MESSAGE, nullptr, kWindowClass, name_.c_str()); }

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self =
            reinterpret_cast<Win32SingleInstance*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message == kBringForward && self != nullptr && self->raise_) {
            self->raise_();
            return 0;
        }
        if (message == kShowLibrary && self != nullptr && self->library_) {
            self->library_();
            return 0;
        }
        if (message == kQuit && self != nullptr && self->quit_) {
            self->quit_();
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    std::string name_;
    HANDLE mutex_ = nullptr;
    HWND window_ = nullptr;
    std::function<void()> raise_;
    std::function<void()> library_;
    std::function<void()> quit_;
};

} // namespace

std::unique_ptr<SingleInstance> CreateSingleInstance(const std::string& key) {
    return std::make_unique<Win32SingleInstance>(key);
}

} // namespace clipwarden
