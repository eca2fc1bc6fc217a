#include <windows.h>

#include <array>
#include <mutex>
#include <thread>
#include <vector>

#include "core/ports/FolderWatch.h"
#include "platform/win32/AnsiText.h"
#include "platform/win32/MessageWindow.h"

namespace clipwarden {

namespace {

constexpr UINT kChanges = WM_APP + 20;

/** ReadDirectoryChangesW on a thread of its own; what it reads is handed to the GUI thread
 *  through a message-only window. Windows reports no close, so a write is only "changed", and
 *  the capture waits for the slot to settle there. */
class Win32FolderWatch final : public FolderWatch {
public:
    Win32FolderWatch() = default;
    ~Win32FolderWatch() override {
        Stop();
        if (window_ != nullptr) {
            DestroyWindow(window_);
        }
    }
    Win32FolderWatch(const Win32FolderWatch&) = delete;
    Win32FolderWatch& operator=(const Win32FolderWatch&) = delete;
    Win32FolderWatch(Win32FolderWatch&&) = delete;
    Win32FolderWatch& operator=(Win32FolderWatch&&) = delete;

    std::string Watch(const std::string& folder,
                      std::function<void(const FolderChange&)> changed) override {
        Stop();
        if (window_ == nullptr) {
            window_ = CreateMessageWindow("ClipwardenFolderWatch", &Win32FolderWatch::Proc, "");
            if (window_ == nullptr) {
                return DescribeWin32Error(GetLastError());
            }
            SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        }
        folder_ =
            CreateFileW(ToWide(folder).c_str(), FILE_LIST_DIRECTORY,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
        if (folder_ == INVALID_HANDLE_VALUE) {
            return DescribeWin32Error(GetLastError());
        }
        changed_ = std::move(changed);
        stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        reader_ = std::thread([this] { ReadChanges(); });
        return {};
    }

    void Stop() override {
        changed_ = nullptr;
        if (folder_ != INVALID_HANDLE_VALUE) {
            SetEvent(stop_);
            if (reader_.joinable()) {
                reader_.join();
            }
            CloseHandle(stop_);
            CloseHandle(folder_);
            folder_ = INVALID_HANDLE_VALUE;
        }
        const std::lock_guard lock(mutex_);
        pending_.clear();
    }

private:
    void ReadChanges() {
        std::vector<DWORD> buffer(16384); // DWORD-aligned, as the call needs
        constexpr DWORD filter =
            FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;
        OVERLAPPED pendingRead{};
        pendingRead.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        for (;;) {
            DWORD got = 0;
            ResetEvent(pendingRead.hEvent);
            BOOL read = ReadDirectoryChangesW(folder_, buffer.data(),
                                              static_cast<DWORD>(buffer.size() * sizeof(DWORD)),
                                              FALSE, filter, nullptr, &pendingRead, nullptr);
            if (read) {
                const std::array<HANDLE, 2> waits = {pendingRead.hEvent, stop_};
                const DWORD woke = WaitForMultipleObjects(2, waits.data(), FALSE, INFINITE);
                if (woke != WAIT_OBJECT_0) {
                    CancelIoEx(folder_, &pendingRead);
                    GetOverlappedResult(folder_, &pendingRead, &got, TRUE);
                    CloseHandle(pendingRead.hEvent);
                    return;
                }
                read = GetOverlappedResult(folder_, &pendingRead, &got, FALSE);
            }
            std::vector<FolderChange> changes;
            if (!read) {
                changes.push_back({FolderChange::Kind::Ended, {}});
            } else if (got == 0) {
                changes.push_back({FolderChange::Kind::Missed, {}}); // the buffer overflowed
            } else {
                Decode(reinterpret_cast<const BYTE*>(buffer.data()), changes);
            }
            {
                const std::lock_guard lock(mutex_);
                pending_.insert(pending_.end(), changes.begin(), changes.end());
            }
            PostMessageA(window_, kChanges, 0, 0);
            if (!read) {
                CloseHandle(pendingRead.hEvent);
                return;
            }
        }
    }

    static void Decode(const BYTE* at, std::vector<FolderChange>& changes) {
        for (;;) {
            const auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at);
            const std::string name =
                FromWide(std::wstring(info->FileName, info->FileNameLength / sizeof(WCHAR)));
            switch (info->Action) {
            case FILE_ACTION_ADDED:
                changes.push_back({FolderChange::Kind::Added, name});
                break;
            case FILE_ACTION_MODIFIED:
                changes.push_back({FolderChange::Kind::Changed, name}); // no close follows
                break;
            case FILE_ACTION_RENAMED_NEW_NAME:
                changes.push_back({FolderChange::Kind::Closed, name}); // moved in whole
                break;
            case FILE_ACTION_REMOVED:
            case FILE_ACTION_RENAMED_OLD_NAME:
                changes.push_back({FolderChange::Kind::Removed, name});
                break;
            default:
                break;
            }
            if (info->NextEntryOffset == 0) {
                return;
            }
            at += info->NextEntryOffset;
        }
    }

    /** On the GUI thread: tells what the reader has found. */
    void Deliver() {
        std::vector<FolderChange> changes;
        {
            const std::lock_guard lock(mutex_);
            changes.swap(pending_);
        }
        for (const FolderChange& change : changes) {
            if (!changed_) {
                return;
            }
            auto changed = changed_;
            changed(change);
        }
    }

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Win32FolderWatch*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message == kChanges && self != nullptr) {
            self->Deliver();
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
    HANDLE folder_ = INVALID_HANDLE_VALUE;
    HANDLE stop_ = nullptr; ///< set to end the reader
    std::thread reader_;
    std::mutex mutex_;
    std::vector<FolderChange> pending_;
    std::function<void(const FolderChange&)> changed_;
};

} // namespace

std::unique_ptr<FolderWatch> CreateFolderWatch() {
    return std::make_unique<Win32FolderWatch>();
}

} // namespace clipwarden
