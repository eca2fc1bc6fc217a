#pragma once

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
};

} // namespace clipwarden
