#pragma once

#include <cstdint>
#include <functional>

namespace clipwarden {

/** Reads the key events of one evdev device (or any descriptor delivering input_event
 *  records) without grabbing it: value 1 is a press, 2 an auto-repeated press, 0 a release. */
class EvdevReader {
public:
    /** The Linux key code (KEY_*) and whether it went down (a repeat counts as down). */
    using Sink = std::function<void(unsigned, bool)>;

    /** Takes ownership of `fd`, which should be non-blocking. */
    EvdevReader(int fd, Sink sink) : fd_(fd), sink_(std::move(sink)) {}
    ~EvdevReader();
    EvdevReader(const EvdevReader&) = delete;
    EvdevReader& operator=(const EvdevReader&) = delete;
    EvdevReader(EvdevReader&&) = delete;
    EvdevReader& operator=(EvdevReader&&) = delete;

    /** Delivers every whole record that can be read now; false once the device is gone. */
    bool ReadAvailable();

    [[nodiscard]] int fd() const { return fd_; }

private:
    int fd_;
    Sink sink_;
    std::size_t partial_ = 0;
    alignas(8) unsigned char buffer_[24 * 64] = {};
};

} // namespace clipwarden
