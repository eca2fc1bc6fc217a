#include <sys/inotify.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "core/ports/FolderWatch.h"

namespace clipwarden {

namespace {

/** File systems that accept a watch and then report nothing another machine or a user-space
 *  server changes: network file systems and FUSE. */
bool StaysSilent(long type) {
    constexpr std::array<long, 9> silent = {
        0x6969,     // NFS
        0x517B,     // SMB
        0xFF534D42, // CIFS
        0xFE534D42, // SMB2
        0x65735546, // FUSE
        0x01021997, // 9p (WSL, virtual machines)
        0x5346414F, // AFS
        0x73757245, // Coda
        0x0BD00BD0, // Lustre
    };
    return std::find(silent.begin(), silent.end(), type) != silent.end();
}

/** inotify on the folder: opens, writes, close-after-write, files moved in and out, made and
 *  deleted, and the folder's own end. Read on the GUI thread when the descriptor is ready. */
class InotifyFolderWatch final : public FolderWatch {
public:
    ~InotifyFolderWatch() override { Stop(); }
    InotifyFolderWatch() = default;
    InotifyFolderWatch(const InotifyFolderWatch&) = delete;
    InotifyFolderWatch& operator=(const InotifyFolderWatch&) = delete;
    InotifyFolderWatch(InotifyFolderWatch&&) = delete;
    InotifyFolderWatch& operator=(InotifyFolderWatch&&) = delete;

    std::string Watch(const std::string& folder,
                      std::function<void(const FolderChange&)> changed) override {
        Stop();
        struct statfs system {};
        if (statfs(folder.c_str(), &system) == 0 && StaysSilent(static_cast<long>(system.f_type))) {
            return "it lies on a network or FUSE file system, which does not report changes";
        }
        fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ < 0) {
            return Refused();
        }
        constexpr std::uint32_t mask = IN_OPEN | IN_MODIFY | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE |
                                       IN_CREATE |
                                       IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_DELETE_SELF |
                                       IN_MOVE_SELF | IN_ONLYDIR;
        if (inotify_add_watch(fd_, folder.c_str(), mask) < 0) {
            const std::string why = Refused();
            Stop();
            return why;
        }
        changed_ = std::move(changed);
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Read(); });
        return {};
    }

    void Stop() override {
        notifier_.reset();
        changed_ = nullptr;
        if (fd_ >= 0) {
            close(fd_);
            fd_ = -1;
        }
    }

private:
    static std::string Refused() {
        if (errno == ENOSPC || errno == EMFILE) {
            return "the system's limit of folder watches is reached (raise "
                   "fs.inotify.max_user_watches or max_user_instances)";
        }
        return std::strerror(errno);
    }

    void Read() {
        alignas(inotify_event) std::array<char, 16384> buffer{};
        for (;;) {
            const ssize_t got = read(fd_, buffer.data(), buffer.size());
            if (got <= 0) {
                return; // EAGAIN: all read
            }
            for (ssize_t at = 0; at < got;) {
                inotify_event event{};
                std::memcpy(&event, buffer.data() + at, sizeof(event));
                const char* name = buffer.data() + at + sizeof(event);
                at += static_cast<ssize_t>(sizeof(event) + event.len);
                const std::string file = event.len > 0 ? std::string(name) : std::string();
                if (!Tell(event.mask, file)) {
                    return; // the watch has ended, or the listener stopped it
                }
            }
        }
    }

    /** Tells one event; false when nothing more is to be told. */
    bool Tell(std::uint32_t mask, const std::string& name) {
        using Kind = FolderChange::Kind;
        const auto tell = [this](Kind kind, const std::string& file) {
            if (changed_) {
                auto changed = changed_; // the listener may stop or move the watch
                changed(FolderChange{kind, file});
            }
            return fd_ >= 0;
        };
        if ((mask & IN_Q_OVERFLOW) != 0) {
            return tell(Kind::Missed, {});
        }
        if ((mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED)) != 0) {
            auto changed = changed_;
            Stop();
            if (changed) {
                changed(FolderChange{Kind::Ended, {}});
            }
            return false;
        }
        if (name.empty() || (mask & IN_ISDIR) != 0) {
            return true; // the folder itself listed, or a subfolder: no replay
        }
        if ((mask & (IN_CREATE)) != 0 && !tell(Kind::Added, name)) {
            return false;
        }
        if ((mask & IN_OPEN) != 0 && !tell(Kind::Opened, name)) {
            return false;
        }
        if ((mask & IN_MODIFY) != 0 && !tell(Kind::Written, name)) {
            return false;
        }
        if ((mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) != 0 && !tell(Kind::Closed, name)) {
            return false;
        }
        if ((mask & IN_CLOSE_NOWRITE) != 0 && !tell(Kind::Released, name)) {
            return false;
        }
        if ((mask & (IN_DELETE | IN_MOVED_FROM)) != 0 && !tell(Kind::Removed, name)) {
            return false;
        }
        return true;
    }

    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void(const FolderChange&)> changed_;
};

} // namespace

std::unique_ptr<FolderWatch> CreateFolderWatch() {
    return std::make_unique<InotifyFolderWatch>();
}

} // namespace clipwarden
