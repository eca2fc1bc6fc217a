#pragma once

#include <string>

#include "core/ports/ShellFolders.h"

namespace clipwarden {

/** What the Options window shows when the presenter tells it to. */
class OptionsView {
public:
    OptionsView() = default;
    virtual ~OptionsView() = default;
    OptionsView(const OptionsView&) = delete;
    OptionsView& operator=(const OptionsView&) = delete;
    OptionsView(OptionsView&&) = delete;
    OptionsView& operator=(OptionsView&&) = delete;

    virtual void ShowGameFolder(const std::string& folder) = 0;
    virtual void ShowAutorun(bool on) = 0;
    virtual WindowRef Handle() = 0;

    /** A modal message box with the stop icon, one OK button and the title "Clipwarden". */
    virtual void ShowStopMessage(const std::string& text) = 0;
};

} // namespace clipwarden
