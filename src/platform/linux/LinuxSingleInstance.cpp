#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <map>
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
 *  Unix domain socket in a folder of the user's alone for the requests. Every
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
        // Never through a link: it would truncate whatever file it points to.
        lock_ = open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK,
                     0600);
        struct stat info {};
        if (lock_ >= 0 && (fstat(lock_, &info) != 0 || !S_ISREG(info.st_mode))) {
            close(lock_);
            lock_ = -1;
            errno = EINVAL;
        }
        if (lock_ < 0) {
            why = "the file " + lockPath_ + " cannot be opened (" +
                  (errno == ELOOP ? std::string("it is a link; remove it")
                   : errno == EINVAL ? std::string("it is not an ordinary file; remove it")
                                     : std::string(std::strerror(errno))) +
                  ")";
            return Claim::Failed;
        }
        if (flock(lock_, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            std::array<char, 32> text{};
            const ssize_t got = pread(lock_, text.data(), text.size() - 1, 0);
            holder.assign(text.data(), got > 0 ? static_cast<std::size_t>(got) : 0);
            holder.erase(std::find_if_not(holder.begin(), holder.end(),
                                          [](char c) { return c >= '0' && c <= '9'; }),
                         holder.end());
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
        why = Listen();
        return Claim::Ours;
    }

    void OnRaiseRequest(std::function<void()> raise) override { raise_ = std::move(raise); }

    void OnGameHandedOver(std::function<void(ProcessId, ProcessHandle)> take) override {
        take_ = std::move(take);
    }

    void OnNotice(std::function<void(const std::string&)> notice) override {
        notice_ = std::move(notice);
    }

    void OnLibraryRequest(std::function<void()> show) override { library_ = std::move(show); }

    bool AskToRaise() override { return Ask(kRaiseMessage); }
    bool AskToShowLibrary() override { return Ask(kLibraryMessage); }

    void Release() override {
        clients_.clear();
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
    bool Ask(const char* request) const {
        const int fd = ConnectToInstance(socketPath_);
        if (fd < 0) {
            return false;
        }
        // Done only once the instance says so: a request it refused is no window in front.
        std::string why;
        const bool done = send(fd, request, std::strlen(request), MSG_NOSIGNAL) ==
                              static_cast<ssize_t>(std::strlen(request)) &&
                          AwaitAnswer(fd, "it refused", why);
        close(fd);
        return done;
    }

    /** A client being served: what it has sent so far, and the descriptor that came with it. */
    struct Client {
        Client() = default;
        ~Client() {
            notifier.reset();
            if (handed >= 0) {
                close(handed);
            }
            if (fd >= 0) {
                close(fd);
            }
        }
        Client(const Client&) = delete;
        Client& operator=(const Client&) = delete;
        Client(Client&&) = delete;
        Client& operator=(Client&&) = delete;

        int fd = -1;
        int handed = -1;
        std::string message;
        std::unique_ptr<QSocketNotifier> notifier;
        QTimer deadline;
    };

    /** Binds the socket; "" when requests can come in, else the line that says why not. */
    std::string Listen() {
        const auto fail = [this](const std::string& reason) {
            if (listener_ >= 0) {
                close(listener_);
                listener_ = -1;
            }
            return "Clipwarden cannot receive requests at " + socketPath_ + " (" + reason +
                   "): a second start cannot bring this window forward, and clipwarden "
                   "--launch cannot hand a game over. Check that folder, or set "
                   "XDG_RUNTIME_DIR to a folder of yours that only you can write to.";
        };
        const std::string folder = FolderOf(socketPath_);
        mkdir(folder.c_str(), 0700); // beside the settings: a folder of its own
        if (!PrivateFolder(folder)) {
            return fail("the folder is not yours alone");
        }
        sockaddr_un address{};
        if (!InstanceAddress(socketPath_, address)) {
            return fail("the path is too long for a socket");
        }
        listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (listener_ < 0) {
            return fail(std::strerror(errno));
        }
        unlink(socketPath_.c_str()); // left by an instance that died; the lock is ours now
        const mode_t mask = umask(0077);
        const bool bound =
            bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
        const int error = errno;
        umask(mask);
        if (!bound) {
            return fail(std::strerror(error));
        }
        if (listen(listener_, 16) != 0) {
            return fail(std::strerror(errno));
        }
        notifier_ = std::make_unique<QSocketNotifier>(listener_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Accept(); });
        return {};
    }

    /** Takes every waiting client; each is served as its bytes come, never waited for. */
    void Accept() {
        for (;;) {
            const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd < 0) {
                return;
            }
            if (clients_.size() >= kMostClients) {
                close(fd);
                Notice("A request to Clipwarden was turned away: " +
                       std::to_string(kMostClients) + " others are still being read.");
                continue;
            }
            auto& client = clients_[fd];
            client = std::make_unique<Client>();
            client->fd = fd;
            client->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
            QObject::connect(client->notifier.get(), &QSocketNotifier::activated,
                             [this, fd] { Read(fd); });
            client->deadline.setSingleShot(true);
            QObject::connect(&client->deadline, &QTimer::timeout, [this, fd] {
                Drop(fd, "it did not send a whole request within " +
                             std::to_string(kRequestMilliseconds / 1000) + " seconds");
            });
            client->deadline.start(kRequestMilliseconds);
        }
    }

    /** Reads what a client has sent by now; acts once its line is whole. */
    void Read(int fd) {
        const auto found = clients_.find(fd);
        if (found == clients_.end()) {
            return;
        }
        Client& client = *found->second;
        std::array<char, 256> buffer{};
        for (;;) {
            iovec data{buffer.data(), buffer.size()};
            alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(int) * 4)> control{};
            msghdr received{};
            received.msg_iov = &data;
            received.msg_iovlen = 1;
            received.msg_control = control.data();
            received.msg_controllen = control.size();
            const ssize_t got = recvmsg(fd, &received, MSG_CMSG_CLOEXEC | MSG_DONTWAIT);
            TakeDescriptors(received, client);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                return; // the rest comes later, or the deadline drops it
            }
            if (got <= 0) {
                clients_.erase(found); // gone before its line was whole
                return;
            }
            client.message.append(buffer.data(), static_cast<std::size_t>(got));
            if (client.message.find('\n') != std::string::npos) {
                Act(client);
                clients_.erase(found);
                return;
            }
            if (client.message.size() > kLongestRequest) {
                Drop(fd, "its request is too long");
                return;
            }
        }
    }

    static void TakeDescriptors(msghdr& received, Client& client) {
        for (cmsghdr* c = CMSG_FIRSTHDR(&received); c != nullptr; c = CMSG_NXTHDR(&received, c)) {
            if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS) {
                continue;
            }
            const std::size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
            for (std::size_t i = 0; i < count; ++i) {
                int fd = -1;
                std::memcpy(&fd, CMSG_DATA(c) + i * sizeof(int), sizeof(int));
                if (client.handed < 0) {
                    client.handed = fd;
                } else {
                    close(fd);
                }
            }
        }
    }

    void Act(Client& client) {
        const std::string& message = client.message;
        if (message.rfind(kRaiseMessage, 0) == 0 && raise_) {
            raise_();
            send(client.fd, kTakenAnswer, std::strlen(kTakenAnswer), MSG_NOSIGNAL | MSG_DONTWAIT);
        } else if (message.rfind(kLibraryMessage, 0) == 0 && library_) {
            library_();
            send(client.fd, kTakenAnswer, std::strlen(kTakenAnswer), MSG_NOSIGNAL | MSG_DONTWAIT);
        } else if (message.rfind(kGameVerb, 0) == 0 && client.handed >= 0 && take_ &&
                   FromOurUser(client.fd)) {
            ProcessId id = 0;
            const char* start = message.data() + std::strlen(kGameVerb);
            const auto [end, ec] = std::from_chars(start, message.data() + message.size(), id);
            if (ec != std::errc() || *end != '\n' || id == 0) {
                return;
            }
            if (!MemoryOf(client.handed, id)) {
                Notice("A launcher handed over something that is not the memory of process " +
                       std::to_string(id) + "; it was refused.");
                return;
            }
            send(client.fd, kTakenAnswer, std::strlen(kTakenAnswer), MSG_NOSIGNAL);
            take_(id, ProcessHandleOfDescriptor(client.handed));
            client.handed = -1; // the game link owns it now
        }
    }

    void Drop(int fd, const std::string& why) {
        clients_.erase(fd);
        Notice("A local program connected to Clipwarden and was disconnected: " + why + ".");
    }

    void Notice(const std::string& line) {
        if (notice_) {
            notice_(line);
        }
    }

    /** Whether `descriptor` is an open /proc/<id>/mem, as a hand-over must be. */
    static bool MemoryOf(int descriptor, ProcessId id) {
        struct statfs system {};
        std::array<char, 64> target{};
        const std::string link = "/proc/self/fd/" + std::to_string(descriptor);
        const ssize_t length = readlink(link.c_str(), target.data(), target.size() - 1);
        return fstatfs(descriptor, &system) == 0 && system.f_type == PROC_SUPER_MAGIC &&
               length > 0 &&
               std::string(target.data(), static_cast<std::size_t>(length)) ==
                   "/proc/" + std::to_string(id) + "/mem";
    }

    /** The socket is the user's alone already; a game is taken only from the user's own
     *  processes all the same. */
    static bool FromOurUser(int client) {
        ucred peer{};
        socklen_t size = sizeof(peer);
        return getsockopt(client, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
               peer.uid == getuid();
    }

    static constexpr std::size_t kMostClients = 8;
    static constexpr std::size_t kLongestRequest = 4096;
    static constexpr int kRequestMilliseconds = 2000;

    std::string lockPath_;
    std::string socketPath_;
    int lock_ = -1;
    int listener_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::map<int, std::unique_ptr<Client>> clients_;
    std::function<void()> raise_;
    std::function<void()> library_;
    std::function<void(const std::string&)> notice_;
    std::function<void(ProcessId, ProcessHandle)> take_;
};

} // namespace

std::unique_ptr<SingleInstance> CreateSingleInstance(const std::string& settingsPath) {
    return std::make_unique<LinuxSingleInstance>(settingsPath);
}

} // namespace clipwarden
