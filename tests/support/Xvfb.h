#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "ChildProcess.h"

namespace clipwarden::test {

/** An X server of the test's own on a free display number, ended with the test. */
class Xvfb {
public:
    Xvfb() {
        for (int n = 200 + getpid() % 500; n < 900; ++n) {
            struct stat info {};
            const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
            const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
            if (stat(lock.c_str(), &info) == 0 || stat(socket.c_str(), &info) == 0) {
                continue;
            }
            display_ = ":" + std::to_string(n);
            server_ = std::make_unique<ChildProcess>(std::vector<std::string>{
                "/usr/bin/Xvfb", display_, "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
            for (int i = 0; i < 500 && server_->Alive(); ++i) {
                if (stat(socket.c_str(), &info) == 0) {
                    ready_ = true;
                    return;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            return;
        }
    }

    static bool Installed() { return access("/usr/bin/Xvfb", X_OK) == 0; }
    [[nodiscard]] bool ready() const { return ready_; }
    [[nodiscard]] const std::string& display() const { return display_; }

private:
    std::string display_;
    std::unique_ptr<ChildProcess> server_;
    bool ready_ = false;
};

/** Runs a command line to its end with DISPLAY set; its exit status. */
inline int RunOn(const std::string& display, const std::string& command) {
    return std::system(("DISPLAY=" + display + " " + command + " >/dev/null 2>&1").c_str());
}

} // namespace clipwarden::test
