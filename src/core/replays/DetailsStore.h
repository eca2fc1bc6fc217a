#pragma once

#include <string>

#include "core/ports/FileSystem.h"
#include "core/replays/DetailsIndex.h"

namespace clipwarden {

/** The details index of the replay folder in use, kept in the user's cache folder (never in
 *  the replay folder), or in memory alone while that cannot be written. */
class DetailsStore {
public:
    /** `cacheFolder`: where the index files live; "" keeps everything in memory, silently. */
    DetailsStore(FileSystem& files, std::string cacheFolder)
        : files_(files), cacheFolder_(std::move(cacheFolder)) {}

    /** Takes the index of `replayFolder` from its file. One that is missing starts empty; one
     *  that is damaged, foreign or too large starts empty too and is replaced at the next
     *  save: it is never trusted. A line for the log when there is something to say, else "". */
    std::string Open(const std::string& replayFolder);

    DetailsIndex& index() { return index_; }
    [[nodiscard]] const DetailsIndex& index() const { return index_; }

    /** Writes the index through a temporary and a rename. Where the cache folder cannot be
     *  written, the details stay in memory while the program runs: the line that says so comes
     *  once, "" otherwise. */
    std::string Save();

    /** The index file of the folder opened last; "" while details live in memory alone. */
    [[nodiscard]] const std::string& path() const { return path_; }

private:
    FileSystem& files_;
    std::string cacheFolder_;
    std::string path_;
    DetailsIndex index_;
    bool inMemorySaid_ = false;
};

} // namespace clipwarden
