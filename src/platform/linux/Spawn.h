#pragma once

#include <signal.h>
#include <sys/types.h>

#include <string>
#include <vector>

namespace clipwarden {

/** How a program is started. */
struct SpawnSetup {
    std::string folder;             ///< its working folder; "" keeps ours
    bool newSession = false;        ///< leaves our session (and terminal) behind
    bool quiet = false;             ///< its standard streams go to /dev/null
    const sigset_t* mask = nullptr; ///< its blocked signals; nullptr keeps ours
};

/** Starts `args` (found on PATH, never through a shell) with `env`, SIGPIPE back at its
 *  default, which Clipwarden ignores for itself. Returns 0 and the child's id, or the error. */
int SpawnProgram(std::vector<std::string> args, std::vector<std::string> env,
                 const SpawnSetup& setup, pid_t& child);

/** The texts as the null-ended pointer array that exec takes; valid while `texts` lives. */
std::vector<char*> Pointers(std::vector<std::string>& texts);

/** The value of an environment variable; "" when it is not set. */
std::string EnvironmentVariable(const char* name);

/** This process's environment as a list. */
std::vector<std::string> OwnEnvironment();

} // namespace clipwarden
