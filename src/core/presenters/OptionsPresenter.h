#pragma once

#include "core/presenters/MainPresenter.h"
#include "core/presenters/OptionsView.h"
#include "core/presenters/Services.h"

namespace clipwarden {

inline constexpr const char* kGameFolderTitle = "Select your GTA:VC folder:";
inline constexpr const char* kGameNotFound = "gta-vc.exe not found!";

/** What the Options window does: the game folder and the autorun switch. */
class OptionsPresenter {
public:
    OptionsPresenter(Services& services, MainPresenter& main, OptionsView& view)
        : services_(services), main_(main), view_(view) {}

    /** Shows the stored values; runs every time the window opens. */
    void ShowStoredValues();
    void OnAutorunToggled(bool on);
    void OnChooseGameFolder();

private:
    Services& services_;
    MainPresenter& main_;
    OptionsView& view_;
};

} // namespace clipwarden
