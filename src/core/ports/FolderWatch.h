#pragma once

#include <functional>
#include <memory>
#include <string>

namespace clipwarden {

/** One change in a watched folder. */
struct FolderChange {
    enum class Kind {
        Opened,  ///< a file was opened
        Written, ///< a file was written to (it is open for writing)
        Changed, ///< a file's contents changed; whether it is still open cannot be told
        Closed,  ///< a file was closed after writing, or moved in whole
        Released, ///< a file was closed without a write (a reader, or a writer that wrote nothing)
        Added,   ///< a file was made
        Removed, ///< a file was deleted or moved out
        Missed,  ///< changes were lost (the queue overflowed): look at the whole folder again
        Ended,   ///< the watch ended (the folder was moved, deleted or unmounted)
    };
    Kind kind = Kind::Missed;
    std::string name; ///< the file's name in the folder; "" for Missed and Ended
};

/** Tells of the changes in one folder as they happen, for the capture and the Library. */
class FolderWatch {
public:
    FolderWatch() = default;
    virtual ~FolderWatch() = default;
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;
    FolderWatch(FolderWatch&&) = delete;
    FolderWatch& operator=(FolderWatch&&) = delete;

    /** Watches `folder` from now on instead of the last one; `changed` runs on the GUI thread
     *  for each change. Returns "" when changes will be told, else why they cannot be (the
     *  watch limit is reached, or the file system would stay silent): the caller looks for
     *  them itself then. */
    virtual std::string Watch(const std::string& folder,
                              std::function<void(const FolderChange&)> changed) = 0;

    /** Ends the watch; nothing is told from now on. */
    virtual void Stop() = 0;
};

std::unique_ptr<FolderWatch> CreateFolderWatch();

} // namespace clipwarden
