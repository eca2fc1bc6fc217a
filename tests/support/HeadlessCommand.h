#pragma once

#include <cstdlib>
#include <string>
#include <vector>

namespace clipwarden::test {

/** A command line that runs `program` (the real clipwarden unless given) without any display,
 *  in `home` with its settings in home/config, and nothing from this machine's Wine, data
 *  folders or session that would change where it looks; `variables` ("NAME=value") are added,
 *  `args` follow the program. */
inline std::vector<std::string> HeadlessCommand(const std::string& home,
                                                const std::vector<std::string>& args = {},
                                                const std::vector<std::string>& variables = {},
                                                std::string program = {}) {
    if (program.empty()) {
        const char* bin = std::getenv("CLIPWARDEN_BIN");
        program = bin != nullptr ? bin : "clipwarden";
    }
    std::vector<std::string> command = {"/usr/bin/env"};
    for (const char* unset : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "WINEPREFIX",
                              "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        command.insert(command.end(), {"-u", unset});
    }
    command.insert(command.end(),
                   {"HOME=" + home, "XDG_CONFIG_HOME=" + home + "/config", "LC_ALL=C"});
    command.insert(command.end(), variables.begin(), variables.end());
    command.push_back(program);
    command.insert(command.end(), args.begin(), args.end());
    return command;
}

} // namespace clipwarden::test
