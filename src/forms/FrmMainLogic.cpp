#include "forms/FrmMainLogic.h"

namespace clipwarden {

FrmMainLogic::FrmMainLogic(AppState& state, Services& services, MainView& view)
    : state_(state), services_(services), view_(view), settings_(services.settings),
      notifier_(state, view, services.logEcho), library_(state, services.files, services.clock),
      capture_(state, services.files, services.clock, library_, notifier_),
      selection_(state, services.files, services.clock, library_, notifier_, capture_),
      watch_(state, services.clock, notifier_),
      gameLink_(state, services.processes, services.clock, watch_, view, notifier_),
      display_(state, services.processes, view, view),
      hook_([this] { selection_.SelectPreviousReplay(); },
            [this] { selection_.SelectNextReplay(); }) {}

void FrmMainLogic::Form_Initialize() {
    const std::string folder = settings_.ReadSetting(kKeyGamePath, services_.defaultGameFolder);
    const bool autorun = settings_.ReadNumber(kKeyAutorun, 0) == 1;
    if (!autorun || !GameExecutablePresent(services_.files, folder)) {
        return;
    }
    EnsureLoaded(); // the launch's owner is the loaded main window
    const std::string game = settings_.ReadSetting(kKeyGamePath, services_.defaultGameFolder);
    const std::string why =
        services_.launcher.Open(services_.files.Join(game, kGameExecutable), game);
    if (!why.empty()) {
        Log(why);
    }
}

void FrmMainLogic::EnsureLoaded() {
    if (!loaded_) {
        Form_Load();
    }
}

void FrmMainLogic::Form_Load() {
    loaded_ = true;
    const std::string documents = services_.shell.GetSpecialFolderPath(kFolderPersonal);
    const std::string defaultReplays = services_.files.Join(documents, kUserFilesFolder);
    state_.replayDir = settings_.ReadSetting(kKeyReplays, defaultReplays);
    view_.SetReplayDirText(state_.replayDir);
    state_.currentReplay = library_.FindLastReplay();
    view_.SelectVersionOption(settings_.ReadNumber(kKeyVersion, 1) == 1);

    std::string why;
    state_.keyboardHook = services_.hooks.Install(
        [this](const KeyEvent& event, const CallNextHook& next) {
            return hook_.KeyboardHookProc(event, next);
        },
        why);
    if (state_.keyboardHook == 0 && !why.empty()) {
        Log(why);
    }

    // The recording in replay.rep at start-up counts as stored; when there is none, the
    // first one the game writes differs from this stamp.
    std::error_code error;
    if (const auto stamp = services_.files.Stamp(library_.PathOf(kReplaySlot), error)) {
        state_.lastReplayStamp = stamp->text;
    }
    if (state_.lastReplayStamp.empty()) {
        state_.lastReplayStamp = services_.clock.DateTimeText();
    }
}

void FrmMainLogic::Form_Unload() {
    services_.hooks.Uninstall(state_.keyboardHook);
    state_.keyboardHook = 0;
}

void FrmMainLogic::Option1_Click() {
    WriteSetting(kKeyVersion, "0");
}

void FrmMainLogic::Option2_Click() {
    WriteSetting(kKeyVersion, "1");
}

void FrmMainLogic::selectMyDocs_Click() {
    const std::string answer = services_.shell.BrowseForFolder(view_.Handle(), kReplayFolderTitle);
    if (answer.empty()) {
        return;
    }
    // Capture and F5/F6 stay in the folder read at start-up until the next start.
    view_.SetReplayDirText(answer);
    WriteSetting(kKeyReplays, answer);
}

void FrmMainLogic::Command1_Click() {
    view_.ShowOptionsWindow();
}

void FrmMainLogic::WriteSetting(const std::string& key, const std::string& value) {
    if (const auto why = settings_.WriteSetting(key, value)) {
        Log(*why);
    }
}

void FrmMainLogic::Log(const std::string& body) {
    notifier_.PostNotification(LogText(services_.clock.TimeOfDayText(), body), {});
}

bool GameExecutablePresent(FileSystem& files, const std::string& folder) {
    std::error_code error;
    const auto names = files.ListFiles(files.Join(folder, kGameExecutable), error);
    return !names.empty() && names.front().size() == std::string(kGameExecutable).size();
}

} // namespace clipwarden
