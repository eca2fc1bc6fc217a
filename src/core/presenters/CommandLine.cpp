#include "core/presenters/CommandLine.h"

#include <algorithm>

#ifndef CLIPWARDEN_VERSION
#define CLIPWARDEN_VERSION "unknown"
#endif

namespace clipwarden {

namespace {

CommandLine UsageError(std::string error) {
    CommandLine result;
    result.action = CommandLine::Action::Error;
    result.error = std::move(error);
    return result;
}

/** `--inspect [--json] FILE...`: every argument after `--inspect` is a file but `--json`
 *  and, before a `--`, anything else that starts with "-". */
CommandLine ParseInspect(const std::vector<std::string>& before,
                         const std::vector<std::string>& after) {
    CommandLine result;
    result.action = CommandLine::Action::Inspect;
    for (const std::string& argument : before) {
        if (argument == "--help" || argument == "-h") {
            result.action = CommandLine::Action::Help;
            return result;
        }
        if (argument != "--json") {
            return UsageError("'" + argument + "' cannot come with --inspect; see clipwarden --help");
        }
        result.json = true;
    }
    bool options = true;
    for (const std::string& argument : after) {
        if (options && argument == "--") {
            options = false;
        } else if (options && argument == "--json") {
            result.json = true;
        } else if (options && (argument == "--help" || argument == "-h")) {
            result.action = CommandLine::Action::Help;
            return result;
        } else if (options && argument.size() > 1 && argument[0] == '-') {
            return UsageError("unknown option '" + argument +
                              "' for --inspect (a file whose name starts with '-' goes after "
                              "--); see clipwarden --help");
        } else {
            result.files.push_back(argument);
        }
    }
    if (result.files.empty()) {
        return UsageError("--inspect needs the replay files to read");
    }
    return result;
}

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine result;
    const auto launch = std::find(arguments.begin(), arguments.end(), "--launch");
    if (const auto inspect = std::find(arguments.begin(), launch, "--inspect"); inspect != launch) {
        return ParseInspect({arguments.begin(), inspect}, {inspect + 1, arguments.end()});
    }
    for (auto it = arguments.begin(); it != launch; ++it) {
        const std::string& argument = *it;
        if (argument == "--help" || argument == "-h") {
            result.action = CommandLine::Action::Help;
            return result; // asked for help: nothing else matters
        }
        if (argument == "--version" || argument == "-V") {
            result.action = CommandLine::Action::Version;
        } else if (argument == "--library" && result.action == CommandLine::Action::Run) {
            result.action = CommandLine::Action::Library;
        } else if (argument == "--library" && result.action == CommandLine::Action::Library) {
            continue;
        } else {
            result.action = CommandLine::Action::Error;
            result.error = (argument.rfind('-', 0) == 0 ? "unknown option " : "unexpected ") +
                           ("'" + argument + "'") + "; see clipwarden --help";
            return result;
        }
    }
    if (launch != arguments.end() && result.action == CommandLine::Action::Library) {
        result.action = CommandLine::Action::Error;
        result.error = "--library and --launch cannot be asked for together";
        return result;
    }
    if (launch != arguments.end() && result.action == CommandLine::Action::Run) {
        // "--" ends the options, as everywhere: `--launch -- cmd` runs cmd.
        const auto first =
            launch + 1 != arguments.end() && launch[1] == "--" ? launch + 2 : launch + 1;
        result.command.assign(first, arguments.end());
        result.action = CommandLine::Action::Launch;
        if (result.command.empty()) {
            result.action = CommandLine::Action::Error;
            result.error = "--launch needs the command that starts the game";
        }
    }
    return result;
}

std::string HelpText() {
    return "Usage: clipwarden [--help | --version | --library]\n"
           "       clipwarden --launch COMMAND [ARGUMENT...]\n"
           "       clipwarden --inspect [--json] FILE...\n"
           "\n"
           "Keeps every replay GTA:VC records: each new recording of replay.rep is copied to a\n"
           "dated name beside it (replay0612-3.rep), and F5 and F6, pressed anywhere, copy the\n"
           "previous or next stored replay back over replay.rep. Without options it starts and\n"
           "shows its window; a second start brings the running one forward.\n"
           "\n"
           "  -h, --help      show this text and exit\n"
           "  -V, --version   show the version and exit\n"
           "  --library       open the Library window, of the running Clipwarden if one runs\n"
           "  --launch COMMAND [ARGUMENT...]\n"
           "                  run the game's command (Steam: clipwarden --launch %command%),\n"
           "                  hand the game to the running Clipwarden (starting one if none\n"
           "                  runs), and end with the command's exit status\n"
           "\n"
           "Settings: $XDG_CONFIG_HOME/Clipwarden/Clipwarden.conf (on Windows the registry).\n";
}

std::string VersionText() {
    return std::string("Clipwarden ") + CLIPWARDEN_VERSION + "\n";
}

} // namespace clipwarden
