#pragma once

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "TempDir.h"

namespace clipwarden::test {

/** A PID namespace of the test's own with its own /proc. The processes started in it see only
 *  each other, so a game that another test or program runs on the machine is not in the way.
 *  Needs root or unprivileged user namespaces; without them commands run as they are.
 *  Everything in it ends with it. */
class PidSandbox {
public:
    PidSandbox() {
        std::vector<std::string> command = {"/usr/bin/unshare"};
        if (geteuid() != 0) {
            command.insert(command.end(), {"--user", "--map-root-user"});
        }
        command.insert(command.end(), {"--pid", "--fork", "--mount-proc", "--kill-child", "/bin/sh",
                                       "-c", "echo ready; exec sleep 100000"});
        try {
            holder_ = std::make_unique<ChildProcess>(command);
        } catch (const std::exception&) {
            return;
        }
        if (holder_->ReadLine() != "ready") {
            return;
        }
        // The namespace's first process is unshare's only child.
        const std::string pid = std::to_string(holder_->pid());
        const std::string children = ReadFile("/proc/" + pid + "/task/" + pid + "/children");
        init_ = children.substr(0, children.find(' '));
    }

    /** Whether commands run inside the sandbox. */
    [[nodiscard]] bool available() const { return !init_.empty(); }

    /** `args` as a command line that runs inside the sandbox. */
    [[nodiscard]] std::vector<std::string> Wrap(std::vector<std::string> args) const {
        if (!available()) {
            return args;
        }
        std::vector<std::string> command = {"/usr/bin/nsenter", "--target", init_, "--pid",
                                            "--mount"};
        if (geteuid() != 0) {
            command.insert(command.end(), {"--user", "--preserve-credentials"});
        }
        command.emplace_back("--");
        command.insert(command.end(), args.begin(), args.end());
        return command;
    }

private:
    std::unique_ptr<ChildProcess> holder_;
    std::string init_;
};

} // namespace clipwarden::test
