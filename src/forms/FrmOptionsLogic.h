#pragma once

#include "forms/FrmMainLogic.h"
#include "forms/MainView.h"
#include "forms/Services.h"

namespace clipwarden {

inline constexpr const char* kGameFolderTitle = "Select your GTA:VC folder:";
inline constexpr const char* kGameNotFound = "gta-vc.exe not found!";

/** The Options window's behaviour: the game folder and the autorun switch. */
class FrmOptionsLogic {
public:
    FrmOptionsLogic(Services& services, FrmMainLogic& main, OptionsView& view)
        : services_(services), main_(main), view_(view) {}

    /** Shows the stored values; runs every time the window loads. */
    void Form_Load();
    void Check1_Click();
    void selectGTADir_Click();

private:
    Services& services_;
    FrmMainLogic& main_;
    OptionsView& view_;
};

} // namespace clipwarden
