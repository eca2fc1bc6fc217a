#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/Text.h"

namespace clipwarden {

using ProcessId = std::uint32_t;
/** An open process; 0 is no process. */
using ProcessHandle = std::intptr_t;

struct ProcessEntry {
    ProcessId id = 0;
    std::string exeFile; ///< executable file name without folder, nothing after it
};

enum class OpenFailure { None, NotFound, Refused };

/** Process list and memory access of another process. Every call fails soft: a failed
 *  read or write returns 0, a failed listing is empty. */
class ProcessService {
public:
    ProcessService() = default;
    virtual ~ProcessService() = default;
    ProcessService(const ProcessService&) = delete;
    ProcessService& operator=(const ProcessService&) = delete;
    ProcessService(ProcessService&&) = delete;
    ProcessService& operator=(ProcessService&&) = delete;

    /** Running processes in the system's order; empty when the list cannot be read. An entry
     *  may already have ended: see IsAlive. */
    virtual std::vector<ProcessEntry> Snapshot() = 0;

    /** The ids of the running processes whose executable is called `exeFile` (ASCII letters
     *  in any case), in the system's order; what a tick at rest asks, so a backend reads as
     *  little as it can for it. Empty when the list cannot be read. */
    virtual std::vector<ProcessId> FindNamed(const std::string& exeFile) {
        std::vector<ProcessId> found;
        for (const ProcessEntry& entry : Snapshot()) {
            if (EqualIgnoringAsciiCase(entry.exeFile, exeFile)) {
                found.push_back(entry.id);
            }
        }
        return found;
    }

    /** False when the process has ended and only its entry is left (a zombie), or is gone. */
    virtual bool IsAlive(ProcessId id) = 0;

    /** Opens the process for reading and writing its memory; 0 on failure, with the reason. */
    virtual ProcessHandle Open(ProcessId id, OpenFailure& failure) = 0;

    /** Reads into `buffer` at `address`; returns the bytes read, 0 on any failure. */
    virtual std::size_t Read(ProcessHandle process, std::uint64_t address,
                             std::span<std::byte> buffer) = 0;

    /** Writes `bytes` at `address`; returns the bytes written, 0 on any failure. */
    virtual std::size_t Write(ProcessHandle process, std::uint64_t address,
                              std::span<const std::byte> bytes) = 0;

    /** Releases the handle; 0 is ignored. */
    virtual void Close(ProcessHandle process) = 0;
};

std::unique_ptr<ProcessService> CreateProcessService();

} // namespace clipwarden
