#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "core/gamefiles/ReplayReader.h"
#include "core/ports/FileSystem.h"
#include "core/replays/DetailsIndex.h"

namespace clipwarden {

/** A stored file whose details the index does not hold for its stamp. */
struct DetailsJob {
    std::string name;
    FileStamp stamp;
};

/** The `stored` files that the index lacks (or holds for another stamp), the newest first:
 *  those a player looks for first. */
std::vector<DetailsJob> MissingDetails(std::vector<DetailsJob> stored, const DetailsIndex& index);

/** Reads the details of each job in turn, at the system's idle I/O priority, and hands each
 *  reading to `found` with how many are done. Meant for a worker thread: it touches only the
 *  files and what it is given. `stop` is looked at before each file, so that closing the window
 *  or choosing another folder ends it at once. The number of files read. */
std::size_t ReadDetails(FileSystem& files, const std::string& folder,
                        const std::vector<DetailsJob>& jobs, const std::atomic<bool>& stop,
                        const std::function<void(const DetailsJob& job, ReplayReading reading,
                                                 std::size_t done)>& found);

/** "Reading replays: 1,234 of 10,000" */
std::string ReadingProgressText(std::size_t done, std::size_t total);

} // namespace clipwarden
