#pragma once

#include <string>

#include "game/StatusView.h"
#include "notify/LogView.h"
#include "shell/ShellFolders.h"

namespace clipwarden {

/** What the main window's logic needs of its window. */
class MainView : public LogView, public StatusView {
public:
    virtual void SetReplayDirText(const std::string& text) = 0;

    /** Selects "GTA:VC v. 1.0" (false) or "GTA:VC v. 1.1" (true); the other is deselected. */
    virtual void SelectVersionOption(bool version11) = 0;

    /** The native window, owner of the pickers and of the game launch. */
    virtual WindowRef Handle() = 0;

    /** Shows the single Options window, loading it when it is not loaded. */
    virtual void ShowOptionsWindow() = 0;
};

/** What the Options window's logic needs of its window. */
class OptionsView {
public:
    OptionsView() = default;
    virtual ~OptionsView() = default;
    OptionsView(const OptionsView&) = delete;
    OptionsView& operator=(const OptionsView&) = delete;
    OptionsView(OptionsView&&) = delete;
    OptionsView& operator=(OptionsView&&) = delete;

    virtual void SetGameDirText(const std::string& text) = 0;
    virtual void SetCheck1(bool checked) = 0;
    [[nodiscard]] virtual bool IsCheck1Checked() const = 0;
    virtual WindowRef Handle() = 0;

    /** A modal message box with the stop icon, one OK button and the title "Clipwarden". */
    virtual void ShowStopMessage(const std::string& text) = 0;
};

} // namespace clipwarden
