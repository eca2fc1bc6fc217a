#include "platform/linux/InstanceSocket.h"
#include "platform/linux/Spawn.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "core/Text.h"

namespace clipwarden {

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

int ConnectToInstance(const std::string& socketPath, std::string* why) {
    const auto fail = [why](int fd, const std::string& reason) {
        if (why != nullptr) {
            *why = reason;
        }
        if (fd >= 0) {
            close(fd);
        }
        return -1;
    };
    sockaddr_un address{};
    if (!InstanceAddress(socketPath, address)) {
        return fail(-1, "the path " + socketPath + " is too long for a socket");
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return fail(fd, std::strerror(errno));
    }
    // A Unix socket connects at once or not at all (EAGAIN: its queue is full): a busy
    // instance is tried again until the deadline, never waited on for good.
    const auto deadline = std::chrono::steady_clock::now() + kInstanceTimeout;
    while (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        if (errno != EAGAIN && errno != EINTR) {
            return fail(fd, std::strerror(errno));
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return fail(fd, "it does not answer");
        }
        usleep(20'000);
    }
    // Whoever listens there must be this user's own Clipwarden: another user may have bound
    // the path first where others can write.
    ucred listener{};
    socklen_t size = sizeof(listener);
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &listener, &size) != 0 ||
        listener.uid != getuid()) {
        return fail(fd, "the socket " + EscapeText(socketPath, true) + " belongs to user " +
                            std::to_string(listener.uid) + ", not to you");
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

bool PrivateFolder(const std::string& folder) {
    struct stat info {};
    return !folder.empty() && folder.front() == '/' && lstat(folder.c_str(), &info) == 0 &&
           S_ISDIR(info.st_mode) && info.st_uid == getuid() && (info.st_mode & 022) == 0;
}

std::string InstanceSocketFolder(const std::string& settingsPath) {
    const std::string runtime = EnvironmentVariable("XDG_RUNTIME_DIR");
    if (PrivateFolder(runtime)) {
        return runtime;
    }
    // Beside the settings, in a folder of its own that nobody else can write to.
    return FolderOf(settingsPath) + "/run";
}

std::string InstanceSocketPath(const std::string& settingsPath) {
    return InstanceSocketFolder(settingsPath) + "/clipwarden-" + StableHexName(settingsPath) +
           ".sock";
}

bool InstanceAnswers(const std::string& socketPath) {
    const int fd = ConnectToInstance(socketPath);
    if (fd < 0) {
        return false;
    }
    close(fd);
    return true;
}

bool AwaitAnswer(int fd, const std::string& refused, std::string& why) {
    std::string answer;
    std::array<char, 64> buffer{};
    pollfd ready{fd, POLLIN, 0};
    const auto deadline = std::chrono::steady_clock::now() + kInstanceTimeout;
    while (answer.find('\n') == std::string::npos && answer.size() < buffer.size()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
            why = "it did not answer in time";
            return false;
        }
        const ssize_t got = recv(fd, buffer.data(), buffer.size(), 0);
        if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        }
        if (got <= 0) {
            why = refused;
            return false;
        }
        answer.append(buffer.data(), static_cast<std::size_t>(got));
    }
    return answer == kTakenAnswer;
}

bool HandOverGame(const std::string& socketPath, ProcessId id, int memory, std::string& why) {
    const int fd = ConnectToInstance(socketPath, &why);
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
        taken = AwaitAnswer(fd, "it did not take the game", why);
    } else {
        why = std::strerror(errno);
    }
    close(fd);
    return taken;
}

} // namespace clipwarden
