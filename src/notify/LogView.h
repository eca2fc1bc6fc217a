#pragma once

#include <string>

namespace clipwarden {

/** The main window's log list and its display timer, as notifications need them. */
class LogView {
public:
    LogView() = default;
    virtual ~LogView() = default;
    LogView(const LogView&) = delete;
    LogView& operator=(const LogView&) = delete;
    LogView(LogView&&) = delete;
    LogView& operator=(LogView&&) = delete;

    /** Adds the line at the end of the log and makes it the selected, visible line. */
    virtual void AddLogLine(const std::string& line) = 0;

    /** Switches the in-game display timer (Timer3) on or off; switching on a running timer
     *  leaves it running. */
    virtual void SetTimer3Enabled(bool enabled) = 0;
};

} // namespace clipwarden
