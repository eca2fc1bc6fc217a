#include "platform/linux/EvdevReader.h"

#include <linux/input.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace clipwarden {

EvdevReader::~EvdevReader() {
    close(fd_);
}

bool EvdevReader::ReadAvailable() {
    for (;;) {
        const ssize_t got = read(fd_, buffer_ + partial_, sizeof(buffer_) - partial_);
        if (got == 0) {
            return false; // end of file: the device (or pipe) is gone
        }
        if (got < 0) {
            return errno == EAGAIN || errno == EINTR;
        }
        const std::size_t total = partial_ + static_cast<std::size_t>(got);
        std::size_t offset = 0;
        for (; offset + sizeof(input_event) <= total; offset += sizeof(input_event)) {
            input_event event{};
            std::memcpy(&event, buffer_ + offset, sizeof(event));
            if (event.type != EV_KEY || event.value < 0 || event.value > 2) {
                continue;
            }
            sink_(event.code, event.value != 0);
        }
        partial_ = total - offset;
        std::memmove(buffer_, buffer_ + offset, partial_);
    }
}

} // namespace clipwarden
