#include "platform/linux/Spawn.h"

#include <fcntl.h>
#include <spawn.h>

#include <cstdlib>

extern char** environ; // NOLINT(readability-redundant-declaration)

namespace clipwarden {

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (auto& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

int SpawnProgram(std::vector<std::string> args, std::vector<std::string> env,
                 const SpawnSetup& setup, pid_t& child) {
    auto argv = Pointers(args);
    auto envp = Pointers(env);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!setup.folder.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, setup.folder.c_str());
    }
    if (setup.quiet) {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    short flags = POSIX_SPAWN_SETSIGDEF;
    if (setup.newSession) {
        flags |= POSIX_SPAWN_SETSID;
    }
    if (setup.mask != nullptr) {
        posix_spawnattr_setsigmask(&attributes, setup.mask);
        flags |= POSIX_SPAWN_SETSIGMASK;
    }
    posix_spawnattr_setflags(&attributes, flags);
    const int failed =
        posix_spawnp(&child, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return failed;
}

std::string EnvironmentVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::vector<std::string> OwnEnvironment() {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        env.emplace_back(*e);
    }
    return env;
}

} // namespace clipwarden
