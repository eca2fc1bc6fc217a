#include <QSocketNotifier>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/ports/SingleInstance.h"
#include "platform/linux/InstanceSocket.h"

namespace clipwarden {

namespace {

bool MakeFolders(const std::string& folder) {
    std::string path;
    std::size_t start = 0;
    while (start <= folder.size()) {
        const std::size_t end = std::min(folder.find('/', start + 1), folder.size());
        path = folder.substr(0, end);
        if (!path.empty() && mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

/** flock on a lock file beside the settings file (the kernel drops it with the process), and a
 *  Unix domain socket in $XDG_RUNTIME_DIR (else beside the lock) for the requests. Every
 *  descriptor is close-on-exec, so that the game, Wine or Steam never hold the lock. */
class LinuxSingleInstance final : public SingleInstance {
public:
    explicit LinuxSingleInstance(const std::string& settingsPath)
        : lockPath_(FolderOf(settingsPath) + "/Clipwarden.lock"),
          socketPath_(InstanceSocketPath(settingsPath)) {}
    ~LinuxSingleInstance() override { Release(); }
    LinuxSingleInstance(const LinuxSingleInstance&) = delete;
    LinuxSingleInstance& operator=(const LinuxSingleInstance&) = delete;
    LinuxSingleInstance(LinuxSingleInstance&&) = delete;
    LinuxSingleInstance& operator=(LinuxSingleInstance&&) = delete;

    Claim TryClaim(std::string& holder, std::string& why) override {
        if (!MakeFolders(FolderOf(lockPath_))) {
            why = "the folder " + FolderOf(lockPath_) + " cannot be created (" +
                  std::strerror(errno) + ")";
            return Claim::Failed;
        }
        lock_ = open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (lock_ < 0) {
            why = "the file " + lockPath_ + " cannot be opened (" + std::strerror(errno) + ")";
            return Claim::Failed;
        }
        if (flock(lock_, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            std::array<char, 32> text{};
            const ssize_t got = pread(lock_, text.data(), text.size() - 1, 0);
            holder.assign(text.data(), got > 0 ? static_cast<std::size_t>(got) : 0);
            close(lock_);
            lock_ = -1;
            if (error == EWOULDBLOCK) {
                return Claim::Taken;
            }
            why = "the file " + lockPath_ + " cannot be locked (" + std::strerror(error) + ")";
            return Claim::Failed;
        }
        const std::string pid = std::to_string(getpid());
        if (ftruncate(lock_, 0) != 0 || pwrite(lock_, pid.data(), pid.size(), 0) < 0) {
            // The pid is only for telling the user; the lock is what counts.
        }
        Listen();
        return Claim::Ours;
    }

    void OnRaiseRequest(std::function<void()> raise) override { raise_ = std::move(raise); }

    void OnGameHandedOver(std::function<void(ProcessId, ProcessHandle)> take) override {
        take_ = std::move(take);
    }

    bool AskToRaise() override {
        const int fd = ConnectToInstance(socketPath_);
        if (fd < 0) {
            return false;
        }
        const bool sent = send(fd, kRaiseMessage, std::strlen(kRaiseMessage), MSG_NOSIGNAL) ==
                          static_cast<ssize_t>(std::strlen(kRaiseMessage));
        close(fd);
        return sent;
    }

    void Release() override {
        notifier_.reset();
        if (listener_ >= 0) {
            close(listener_);
            unlink(socketPath_.c_str());
            listener_ = -1;
        }
        if (lock_ >= 0) {
            close(lock_); // drops the lock; the file stays, for the next start to lock
            lock_ = -1;
        }
    }

private:
    void Listen() {
        sockaddr_un address{};
        if (!InstanceAddress(socketPath_, address)) {
            return; // no requests then; the lock still keeps a second start out
        }
        listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (listener_ < 0) {
            return;
        }
        unlink(socketPath_.c_str()); // left by an instance that died; the lock is ours now
        const mode_t mask = umask(0077);
        const bool bound =
            bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
        umask(mask);
        if (!bound || listen(listener_, 8) != 0) {
            close(listener_);
            listener_ = -1;
            return;
        }
        notifier_ = std::make_unique<QSocketNotifier>(listener_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Accept(); });
    }

    void Accept() {
        for (;;) {
            const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) {
                return;
            }
            Serve(client);
            close(client);
        }
    }

    /** Reads one request and acts on it. A request is one short line, sent at once; a peer
     *  that says nothing for a moment is dropped, so that nobody can hold up the GUI thread. */
    void Serve(int client) {
        std::string message;
        int handed = -1; // a descriptor that came with the message
        std::array<char, 256> buffer{};
        pollfd ready{client, POLLIN, 0};
        while (message.find('\n') == std::string::npos && message.size() < 4096 &&
               poll(&ready, 1, 200) > 0) {
            iovec data{buffer.data(), buffer.size()};
            alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(int) * 4)> control{};
            msghdr received{};
            received.msg_iov = &data;
            received.msg_iovlen = 1;
            received.msg_control = control.data();
            received.msg_controllen = control.size();
            const ssize_t got = recvmsg(client, &received, MSG_CMSG_CLOEXEC);
            for (cmsghdr* c = CMSG_FIRSTHDR(&received); c != nullptr;
                 c = CMSG_NXTHDR(&received, c)) {
                if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS) {
                    const std::size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
                    for (std::size_t i = 0; i < count; ++i) {
                        int fd = -1;
                        std::memcpy(&fd, CMSG_DATA(c) + i * sizeof(int), sizeof(int));
                        if (handed < 0) {
                            handed = fd;
                        } else {
                            close(fd);
                        }
                    }
                }
            }
            if (got <= 0) {
                break;
            }
            message.append(buffer.data(), static_cast<std::size_t>(got));
        }
        if (message.rfind(kRaiseMessage, 0) == 0 && raise_) {
            raise_();
        } else if (message.rfind(kGameVerb, 0) == 0 && handed >= 0 && take_ &&
                   FromOurUser(client)) {
            ProcessId id = 0;
            const char* start = message.data() + std::strlen(kGameVerb);
            const auto [end, ec] = std::from_chars(start, message.data() + message.size(), id);
            if (ec == std::errc() && *end == '\n' && id != 0) {
                send(client, kTakenAnswer, std::strlen(kTakenAnswer), MSG_NOSIGNAL);
                take_(id, ProcessHandleOfDescriptor(handed));
                handed = -1; // the game link owns it now
            }
        }
        if (handed >= 0) {
            close(handed);
        }
    }

    /** The socket is the user's alone already; a game is taken only from the user's own
     *  processes all the same. */
    static bool FromOurUser(int client) {
        ucred peer{};
        socklen_t size = sizeof(peer);
        return getsockopt(client, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
               peer.uid == getuid();
    }

    std::string lockPath_;
    std::string socketPath_;
    int lock_ = -1;
    int listener_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> raise_;
    std::function<void(ProcessId, ProcessHandle)> take_;
};

} // namespace

std::unique_ptr<SingleInstance> CreateSingleInstance(const std::string& settingsPath) {
    return std::make_unique<LinuxSingleInstance>(settingsPath);
}

} // namespace clipwarden
