#include "core/replays/DetailsReader.h"

#include <algorithm>

#include "core/gamefiles/ReplayReport.h"
#include "core/gamefiles/ReplayTexts.h"

namespace clipwarden {

std::vector<DetailsJob> MissingDetails(std::vector<DetailsJob> stored, const DetailsIndex& index) {
    std::vector<DetailsJob> jobs = std::move(stored);
    std::erase_if(jobs, [&index](const DetailsJob& job) {
        return index.Find(job.name, job.stamp) != nullptr;
    });
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
