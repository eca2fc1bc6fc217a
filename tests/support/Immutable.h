#pragma once

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace clipwarden::test {

/** Makes a file or folder unchangeable for as long as it lives: the immutable attribute for
 *  root (whom permissions do not stop), write permission removed for everyone else. */
class Immutable {
public:
    explicit Immutable(std::string path) : path_(std::move(path)) {
        if (geteuid() == 0) {
            ok_ = SetFlag(true);
            flagged_ = ok_;
        } else {
            struct stat info {};
            if (stat(path_.c_str(), &info) == 0) {
                mode_ = info.st_mode & 07777;
                ok_ = chmod(path_.c_str(), mode_ & ~0222U) == 0;
            }
        }
    }
    ~Immutable() {
        if (flagged_) {
            SetFlag(false);
        } else if (ok_) {
            chmod(path_.c_str(), mode_);
        }
    }
    Immutable(const Immutable&) = delete;
    Immutable& operator=(const Immutable&) = delete;
    Immutable(Immutable&&) = delete;
    Immutable& operator=(Immutable&&) = delete;

    /** False when this system does not let the test make the path unchangeable. */
    [[nodiscard]] bool ok() const { return ok_; }

private:
    bool SetFlag(bool on) {
        const int fd = open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            return false;
        }
        int flags = 0;
        bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            done = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        close(fd);
        return done;
    }

    std::string path_;
    bool ok_ = false;
    bool flagged_ = false;
    mode_t mode_ = 0;
};

} // namespace clipwarden::test
