#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/ports/ProcessService.h"

namespace clipwarden {

/** One Clipwarden per settings file: the first start holds the instance while its main window
 *  is open; a later start asks it to come forward instead of running beside it. The system
 *  frees the instance when its holder dies, however it dies. */
class SingleInstance {
public:
    enum class Claim {
        Ours,   ///< this process is the instance now
        Taken,  ///< another process is; `holder` says which
        Failed, ///< neither could be told; `why` says why
    };

    SingleInstance() = default;
    virtual ~SingleInstance() = default;
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;
    SingleInstance(SingleInstance&&) = delete;
    SingleInstance& operator=(SingleInstance&&) = delete;

    /** Tries to become the instance. On Taken, `holder` is the running one's process id (or
     *  "" when it cannot be told); on Failed, `why` is one line for the user; on Ours, `why`
     *  is "" or the line for the log that says why no request can come in. */
    virtual Claim TryClaim(std::string& holder, std::string& why) = 0;

    /** While the instance is ours, `raise` runs on the GUI thread whenever another start asks
     *  the running Clipwarden to come forward. */
    virtual void OnRaiseRequest(std::function<void()> raise) = 0;

    /** While the instance is ours, `show` runs on the GUI thread whenever another start
     *  asks for the Library window (`clipwarden --library`). */
    virtual void OnLibraryRequest(std::function<void()> show) = 0;

    /** While the instance is ours, `quit` runs on the GUI thread when the setup program asks
     *  the running Clipwarden to end before it replaces it, whatever windows are open. Only
     *  where a setup program asks (Windows). */
    virtual void OnQuitRequest(std::function<void()> quit) { static_cast<void>(quit); }

    /** While the instance is ours, `take` runs on the GUI thread when a launcher hands over a
     *  game it opened; `take` owns the handle from then on. Platforms whose instance can
     *  open the game itself never call it. */
    virtual void OnGameHandedOver(std::function<void(ProcessId, ProcessHandle)> take) = 0;

    /** While the instance is ours, `notice` runs on the GUI thread with a line for the log
     *  when a request is refused (a client too slow, too many at once, a bad hand-over). */
    virtual void OnNotice(std::function<void(const std::string&)> notice) = 0;

    /** Asks the running instance to come forward; false when it could not be reached or did
     *  not do so (it may wait a few seconds for the answer). */
    virtual bool AskToRaise() = 0;

    /** Asks the running instance to show its Library window in front; likewise. */
    virtual bool AskToShowLibrary() = 0;

    /** Gives the instance up; another start may take it from now on. */
    virtual void Release() = 0;
};

/** The instance of the settings file at `settingsPath` (on Windows: of the user's session). */
std::unique_ptr<SingleInstance> CreateSingleInstance(const std::string& settingsPath);

} // namespace clipwarden
