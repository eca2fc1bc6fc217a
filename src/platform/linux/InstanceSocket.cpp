#include "platform/linux/InstanceSocket.h"
#include "platform/linux/Spawn.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cstring>

#include "core/Text.h"

namespace clipwarden {

namespace {} // namespace

bool InstanceAddress(const std::string& socketPath, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof(address.sun_path)) {
        return false;
    }
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    return true;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

int ConnectToInstance(const std::string& socketPath) {
    sockaddr_un address{};
    if (!InstanceAddress(socketPath, address)) {
        return -1;
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

std::string SettingsPathOfEnvironment() {
    std::string config = EnvironmentVariable("XDG_CONFIG_HOME");
    if (config.empty() || config.front() != '/') {
        config = EnvironmentVariable("HOME") + "/.config";
    }
    return config + "/Clipwarden/Clipwarden.conf";
}

std::string InstanceSocketPath(const std::string& settingsPath) {
    const std::string runtime = EnvironmentVariable("XDG_RUNTIME_DIR");
    const std::string folder =
        !runtime.empty() && runtime.front() == '/' && access(runtime.c_str(), W_OK | X_OK) == 0
            ? runtime
            : FolderOf(settingsPath);
    return folder + "/clipwarden-" + StableHexName(settingsPath) + ".sock";
}

bool InstanceAnswers(const std::string& socketPath) {
    const int fd = ConnectToInstance(socketPath);
    if (fd < 0) {
        return false;
    }
    close(fd);
    return true;
}

bool HandOverGame(const std::string& socketPath, ProcessId id, int memory) {
    const int fd = ConnectToInstance(socketPath);
    if (fd < 0) {
        return false;
    }
    std::string line = kGameVerb + std::to_string(id) + "\n";
    iovec data{line.data(), line.size()};
    alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(int))> control{};
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control.data();
    message.msg_controllen = control.size();
    cmsghdr* rights = CMSG_FIRSTHDR(&message);
    rights->cmsg_level = SOL_SOCKET;
    rights->cmsg_type = SCM_RIGHTS;
    rights->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(rights), &memory, sizeof(int));
    bool taken = false;
    if (sendmsg(fd, &message, MSG_NOSIGNAL) == static_cast<ssize_t>(line.size())) {
        // The instance answers once it holds the game; a busy one gets a few seconds.
        std::string answer;
        std::array<char, 64> buffer{};
        pollfd ready{fd, POLLIN, 0};
        while (answer.find('\n') == std::string::npos && poll(&ready, 1, 5000) > 0) {
            const ssize_t got = recv(fd, buffer.data(), buffer.size(), 0);
            if (got <= 0) {
                break;
            }
            answer.append(buffer.data(), static_cast<std::size_t>(got));
        }
        taken = answer == kTakenAnswer;
    }
    close(fd);
    return taken;
}

} // namespace clipwarden
