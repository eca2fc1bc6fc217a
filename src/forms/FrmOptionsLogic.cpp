#include "forms/FrmOptionsLogic.h"

namespace clipwarden {

void FrmOptionsLogic::Form_Load() {
    view_.SetGameDirText(main_.settings().ReadSetting(kKeyGamePath, services_.defaultGameFolder));
    view_.SetCheck1(main_.settings().ReadNumber(kKeyAutorun, 0) == 1);
}

void FrmOptionsLogic::Check1_Click() {
    main_.WriteSetting(kKeyAutorun, view_.IsCheck1Checked() ? "1" : "0");
}

void FrmOptionsLogic::selectGTADir_Click() {
    const std::string answer = services_.shell.BrowseForFolder(view_.Handle(), kGameFolderTitle);
    // A cancelled picker gives "", which is tested like any other answer.
    if (GameExecutablePresent(services_.files, answer)) {
        view_.SetGameDirText(answer);
        main_.WriteSetting(kKeyGamePath, answer);
    } else {
        view_.ShowStopMessage(kGameNotFound);
    }
}

} // namespace clipwarden
