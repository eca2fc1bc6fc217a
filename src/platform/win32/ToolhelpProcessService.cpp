#include <windows.h>

#include <tlhelp32.h>

#include "core/ports/ProcessService.h"
#include "platform/win32/AnsiText.h"

namespace clipwarden {

namespace {

constexpr DWORD kAllAccess = 0x1F0FFF;

/** Processes through the Tool Help snapshot; memory through ReadProcessMemory and
 *  WriteProcessMemory, which read a 32-bit game from a 64-bit program just as well. */
class ToolhelpProcessService final : public ProcessService {
    /** Hands each process of a Tool Help snapshot to `visit`; none when there is none. */
    template <typename Visit>
    static void Each(Visit&& visit) {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot == INVALID_HANDLE_VALUE) {
            return;
        }
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Process32First(snapshot, &entry); more;
             more = Process32Next(snapshot, &entry)) {
            visit(entry);
        }
        CloseHandle(snapshot);
    }

public:
    std::vector<ProcessEntry> Snapshot() override {
        std::vector<ProcessEntry> entries;
        Each([&entries](const PROCESSENTRY32& entry) {
            entries.push_back({entry.th32ProcessID, FromAnsi(TrimAtNul(entry.szExeFile))});
        });
        return entries;
    }

    std::vector<ProcessId> FindNamed(const std::string& exeFile) override {
        // The names are compared as they come: none is converted or kept.
        std::vector<ProcessId> found;
        Each([&](const PROCESSENTRY32& entry) {
            if (EqualIgnoringAsciiCase(TrimAtNul(entry.szExeFile), exeFile)) {
                found.push_back(entry.th32ProcessID);
            }
        });
        return found;
    }

    bool IsAlive(ProcessId) override {
        return true; // a snapshot lists running processes only
    }

    ProcessHandle Open(ProcessId id, OpenFailure& failure) override {
        HANDLE process = OpenProcess(kAllAccess, FALSE, id);
        if (process == nullptr) {
            failure = GetLastError() == ERROR_ACCESS_DENIED ? OpenFailure::Refused
                                                            : OpenFailure::NotFound;
            return 0;
        }
        failure = OpenFailure::None;
        return reinterpret_cast<ProcessHandle>(process);
    }

    std::size_t Read(ProcessHandle process, std::uint64_t address,
                     std::span<std::byte> buffer) override {
        SIZE_T done = 0;
        if (process == 0 ||
            !ReadProcessMemory(reinterpret_cast<HANDLE>(process),
                               reinterpret_cast<LPCVOID>(static_cast<std::uintptr_t>(address)),
                               buffer.data(), buffer.size(), &done)) {
            return 0;
        }
        return done;
    }

    std::size_t Write(ProcessHandle process, std::uint64_t address,
                      std::span<const std::byte> bytes) override {
        SIZE_T done = 0;
        if (process == 0 ||
            !WriteProcessMemory(reinterpret_cast<HANDLE>(process),
                                reinterpret_cast<LPVOID>(static_cast<std::uintptr_t>(address)),
                                bytes.data(), bytes.size(), &done)) {
            return 0;
        }
        return done;
    }

    void Close(ProcessHandle process) override {
        if (process != 0) {
            CloseHandle(reinterpret_cast<HANDLE>(process));
        }
    }
};

} // namespace

std::unique_ptr<ProcessService> CreateProcessService() {
    return std::make_unique<ToolhelpProcessService>();
}

} // namespace clipwarden
