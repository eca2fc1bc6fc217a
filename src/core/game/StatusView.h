#pragma once

#include <string>

namespace clipwarden {

/** The game-status caption of the main window. */
class StatusView {
public:
    StatusView() = default;
    virtual ~StatusView() = default;
    StatusView(const StatusView&) = delete;
    StatusView& operator=(const StatusView&) = delete;
    StatusView(StatusView&&) = delete;
    StatusView& operator=(StatusView&&) = delete;

    virtual void SetStatusText(const std::string& text) = 0;
};

} // namespace clipwarden
