#include "core/presenters/OptionsPresenter.h"

namespace clipwarden {

void OptionsPresenter::ShowStoredValues() {
    view_.ShowGameFolder(main_.GameFolder());
    // The box shows exactly what the next start will do.
    view_.ShowAutorun(main_.settings().ReadSwitch(kKeyAutorun, false));
}

void OptionsPresenter::OnAutorunToggled(bool on) {
    main_.WriteSetting(kKeyAutorun, on ? "1" : "0");
}

void OptionsPresenter::OnChooseGameFolder() {
    std::string refused;
    const std::string answer = services_.shell.BrowseForFolder(view_.Handle(), kGameFolderTitle,
                                                               main_.GameFolder(), refused);
    if (!refused.empty()) {
        main_.Log(refused);
        return;
    }
    // A cancelled picker gives "", which is tested like any other answer.
    if (GameExecutablePresent(services_.files, answer)) {
        view_.ShowGameFolder(answer);
        main_.WriteSetting(kKeyGamePath, answer);
    } else {
        view_.ShowStopMessage(kGameNotFound);
    }
}

} // namespace clipwarden
