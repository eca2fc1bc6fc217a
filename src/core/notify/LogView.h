#pragma once

#include <string>

namespace clipwarden {

/** The main window's log list. */
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
};

} // namespace clipwarden
