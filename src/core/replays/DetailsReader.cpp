#include "core/replays/DetailsReader.h"

#include <algorithm>

#include "core/gamefiles/ReplayReport.h"

namespace clipwarden {

namespace {

/** 1234567 as "1,234,567". */
std::string Grouped(std::size_t number) {
    std::string digits = std::to_string(number);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), ",");
    }
    return digits;
}

} // namespace

std::vector<DetailsJob> MissingDetails(FileSystem& files, const std::string& folder,
                                       const std::vector<std::string>& names,
                                       const DetailsIndex& index) {
    std::vector<DetailsJob> jobs;
    for (const std::string& name : names) {
        std::error_code error;
        const auto stamp = files.Stamp(files.Join(folder, name), error);
        if (stamp && index.Find(name, *stamp) == nullptr) {
            jobs.push_back({name, *stamp});
        }
    }
    std::stable_sort(jobs.begin(), jobs.end(), [](const DetailsJob& a, const DetailsJob& b) {
        return a.stamp.modified > b.stamp.modified;
    });
    return jobs;
}

std::size_t ReadDetails(FileSystem& files, const std::string& folder,
                        const std::vector<DetailsJob>& jobs, const std::atomic<bool>& stop,
                        const std::function<void(const DetailsJob& job, ReplayReading reading,
                                                 std::size_t done)>& found) {
    files.UseIdleIoPriority();
    std::size_t done = 0;
    for (const DetailsJob& job : jobs) {
        if (stop.load()) {
            break;
        }
        ReplayReading reading = InspectReplayFile(files, files.Join(folder, job.name));
        found(job, std::move(reading), ++done);
    }
    return done;
}

std::string ReadingProgressText(std::size_t done, std::size_t total) {
    return "Reading replays: " + Grouped(done) + " of " + Grouped(total);
}

} // namespace clipwarden
