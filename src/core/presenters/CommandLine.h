#pragma once

#include <string>
#include <vector>

namespace clipwarden {

/** What the command line asks for. */
struct CommandLine {
    enum class Action { Run, Help, Version, Launch, Library, Inspect, Error };
    Action action = Action::Run;
    std::string error;                ///< with Error: one line saying what is wrong
    std::vector<std::string> command; ///< with Launch: everything after `--launch`, verbatim
    std::vector<std::string> files;   ///< with Inspect: the files, in the order given
    bool json = false;                ///< with Inspect: a JSON object a line
};

/** Reads the arguments (without the program's name). Everything after the first `--launch` is
 *  a command to pass on as it is, options such as `--` and `--verb=…` included, so the
 *  arguments are split there before anything is parsed. */
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

/** The answer to `--help`. */
std::string HelpText();

/** The answer to `--version`. */
std::string VersionText();

/** The exit status of a command line that could not be understood. */
inline constexpr int kUsageError = 2;

} // namespace clipwarden
