#pragma once

#include <optional>
#include <string>

namespace clipwarden {

struct DroppedPrivileges {
    bool failed = false; ///< they could not be dropped: the program must not go on
    std::string line;    ///< what happened, for the log
};

/** Gives up privileges that came from the program file (a file capability, or the set-user-ID
 *  or set-group-ID bit): with them, any program of the user could load its own code into
 *  Clipwarden (Qt reads plugin paths from the environment) and use them. Nothing when the
 *  program gained none; running as root by the user's own choice gains none. Call it first
 *  thing, before any library reads the environment. */
std::optional<DroppedPrivileges> DropFilePrivileges();

} // namespace clipwarden
