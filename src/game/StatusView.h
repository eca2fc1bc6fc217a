#pragma once

#include <string>

namespace clipwarden {

/** The game-status caption and the version options of the main window. */
class StatusView {
public:
    StatusView() = default;
    virtual ~StatusView() = default;
    StatusView(const StatusView&) = delete;
    StatusView& operator=(const StatusView&) = delete;
    StatusView(StatusView&&) = delete;
    StatusView& operator=(StatusView&&) = delete;

    virtual void SetStatusText(const std::string& text) = 0;

    /** "GTA:VC v. 1.0" is selected. */
    [[nodiscard]] virtual bool IsOption1Selected() const = 0;

    /** "GTA:VC v. 1.1" is selected. */
    [[nodiscard]] virtual bool IsOption2Selected() const = 0;
};

} // namespace clipwarden
