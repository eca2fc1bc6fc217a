#pragma once

#include <functional>

namespace clipwarden {

/** Asks for one extra capture tick soon, so that a recording that has just appeared is
 *  stored once it has settled rather than a whole tick later. */
class CaptureTimer {
public:
    CaptureTimer() = default;
    virtual ~CaptureTimer() = default;
    CaptureTimer(const CaptureTimer&) = delete;
    CaptureTimer& operator=(const CaptureTimer&) = delete;
    CaptureTimer(CaptureTimer&&) = delete;
    CaptureTimer& operator=(CaptureTimer&&) = delete;

    /** One capture tick after about `milliseconds`, besides the regular ones. */
    virtual void RecheckCaptureIn(int milliseconds) = 0;

    /** Runs `work` (a copy, which may take long) away from the GUI thread where the view can,
     *  then `done` on the GUI thread with a queued call. `work` touches only what it was
     *  given. Here both run at once, on the caller's thread. */
    virtual void RunAside(std::function<void()> work, std::function<void()> done) {
        work();
        done();
    }
};

} // namespace clipwarden
