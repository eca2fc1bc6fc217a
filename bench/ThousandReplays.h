#pragma once

// What the benchmarks of reading replays share: 1,000 replays of 8 buffers (a few distinct
// files linked under many names, so that they all sit in the page cache), and a command run
// with its output thrown away.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ReplayWriter.h"
#include "TempDir.h"

extern char** environ;

namespace clipwarden::test {

/** A full replay of 8 buffers. */
inline std::vector<std::uint8_t> FullReplay() {
    replaywriter::ScriptedDrive drive;
    drive.frames = 20'000; // more than eight buffers hold: the ring is full
    drive.vehicles = {{2, 159, false}, {5, 135, false}, {9, 191, true}, {12, 150, false}};
    drive.playerVehicle = 0;
    drive.otherPeds = 6;
    drive.waypoints = {{-900, -500, 10}, {300, -1000, 10}, {400, 200, 10}};
    return replaywriter::BuildReplay(drive);
}

struct ThousandReplays {
    TempDir folder;
    std::vector<std::string> names; ///< without the folder
    std::vector<std::string> paths;
    ThousandReplays() {
        auto bytes = FullReplay();
        for (int distinct = 0; distinct < 4; ++distinct) {
            bytes[8 + 100'000 * 7 + 70] = static_cast<std::uint8_t>(distinct); // stale bytes apart
            replaywriter::WriteGameFile(folder / ("distinct" + std::to_string(distinct)), bytes);
        }
        for (int i = 0; i < 1000; ++i) {
            names.push_back("replay" + std::to_string(i) + ".rep");
            paths.push_back(folder / names.back());
            std::filesystem::create_hard_link(folder / ("distinct" + std::to_string(i % 4)),
                                              paths.back());
        }
    }
};

/** Runs `args` with its output thrown away; its exit status. */
inline int RunQuietly(std::vector<std::string> args) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    int status = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        waitpid(pid, &status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
    return status;
}

} // namespace clipwarden::test
