#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace clipwarden {

/** A window as the shell knows it: the native window id; 0 is none. */
using WindowRef = std::uintptr_t;

inline constexpr int kFolderPersonal = 5;
/** Clipwarden's own folder for derived data it may lose: $XDG_CACHE_HOME/clipwarden, on
 *  Windows %LOCALAPPDATA%\Clipwarden\Cache. It need not exist yet. */
inline constexpr int kFolderDetailsCache = 0x10001;

/** The user's special folders and the modal folder picker. */
class ShellFolders {
public:
    ShellFolders() = default;
    virtual ~ShellFolders() = default;
    ShellFolders(const ShellFolders&) = delete;
    ShellFolders& operator=(const ShellFolders&) = delete;
    ShellFolders(ShellFolders&&) = delete;
    ShellFolders& operator=(ShellFolders&&) = delete;

    /** Path of the special folder without a trailing separator; "" when it has none. */
    virtual std::string GetSpecialFolderPath(int folderId) = 0;

    /** Shows a picker of folders only, modal to `owner` (not to the whole program), opened
     *  at `start` when that exists; the chosen path exactly as the platform gives it, "" on
     *  cancel. A folder that cannot be named exactly gives "" and `refused`, a line for the
     *  log that says why. */
    virtual std::string BrowseForFolder(WindowRef owner, const std::string& title,
                                        const std::string& start, std::string& refused) = 0;
};

std::unique_ptr<ShellFolders> CreateShellFolders();

} // namespace clipwarden
