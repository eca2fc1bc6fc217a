#pragma once

#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>

#include "ChildProcess.h"

namespace clipwarden::test {

/** An X server of the test's own, ended with the test. Xvfb picks a free display number
 *  itself and writes it out once it accepts clients, so tests running side by side never
 *  race for one. */
class Xvfb {
public:
    Xvfb() {
        server_ = std::make_unique<ChildProcess>(std::vector<std::string>{
            "/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
        const std::string number = server_->ReadLine(std::chrono::seconds(60));
        if (!number.empty() && number.find_first_not_of("0123456789") == std::string::npos) {
            display_.assign(1, ':').append(number);
            ready_ = true;
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
