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

    /** Takes the index of `replayFolder` from its file, after writing what the one open held
     *  and had not written yet. One that is missing starts empty; one that is damaged, foreign
     *  or too large starts empty too and is replaced at the next save: it is never trusted.
     *  A line for the log when there is something to say, else "". */
    std::string Open(const std::string& replayFolder);

    /** What a file holds, to be written at the next save. */
    void Put(const std::string& name, const FileStamp& stamp, ReplayReading reading) {
        index_.Put(name, stamp, std::move(reading));
        unsaved_ = true;
    }
    /** Drops the files that are not among `names` any more (gone behind its back). */
    void KeepOnly(const std::vector<std::string>& names) {
        unsaved_ = index_.KeepOnly(names) > 0 || unsaved_;
    }
    /** Saves when something changed since the last save; a line for the log as Save's. */
    std::string SaveChanges() { return unsaved_ ? Save() : std::string(); }

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
    bool unsaved_ = false;
};

} // namespace clipwarden
