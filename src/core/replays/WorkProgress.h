#pragma once

#include <atomic>
#include <cstddef>
#include <string>

namespace clipwarden {

/** How far long work on a worker thread (moving hundreds of replays to the trash) has come,
 *  and whether the player asked it to stop: it stops after the file in hand. */
struct WorkProgress {
    std::atomic<bool> cancel{false};
    std::atomic<std::size_t> done{0};
    std::size_t total = 0;
};

/** "Moving 296 replays to the Recycle Bin: 120" */
inline std::string MovingText(const WorkProgress& progress, const std::string& trashName) {
    return "Moving " + std::to_string(progress.total) +
           (progress.total == 1 ? " replay to " : " replays to ") + trashName + ": " +
           std::to_string(progress.done.load());
}

} // namespace clipwarden
