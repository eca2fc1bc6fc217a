#pragma once

#include <string>

#include "core/AppState.h"
#include "forms/MainView.h"
#include "forms/Services.h"
#include "game/GameDisplay.h"
#include "game/GameLink.h"
#include "game/PlaybackWatch.h"
#include "hotkeys/KeyboardHook.h"
#include "notify/Notifier.h"
#include "replays/RecordingCapture.h"
#include "replays/ReplayLibrary.h"
#include "replays/ReplaySelection.h"
#include "settings/Settings.h"

namespace clipwarden {

inline constexpr const char* kReplayFolderTitle =
    "Select the folder which stores your GTA:VC Replays";
inline constexpr const char* kUserFilesFolder = "GTA Vice City User Files";

/** The main window's behaviour: start-up, shutdown, clicks, the three ticks and the hotkeys.
 *  The window itself only forwards its events here and shows what it is told. */
class FrmMainLogic {
public:
    FrmMainLogic(AppState& state, Services& services, MainView& view);

    /** Runs when the window object is created: starts the game when autorun is set and the
     *  game folder holds gta-vc.exe, after loading the window in full. */
    void Form_Initialize();

    /** Loads the window once: replay folder, current replay, version, hook, stamp. */
    void EnsureLoaded();

    void Form_Load();
    void Form_Unload();
    void Option1_Click();
    void Option2_Click();
    void selectMyDocs_Click();
    void Command1_Click();
    void Timer1_Timer() { capture_.Timer1_Timer(); }
    void Timer2_Timer() { gameLink_.Timer2_Timer(); }
    void Timer3_Timer() { display_.Timer3_Timer(); }

    /** Stores a setting, logging a write that failed. */
    void WriteSetting(const std::string& key, const std::string& value);

    /** Appends a log line with the current time and no game text. */
    void Log(const std::string& body);

    Settings& settings() { return settings_; }
    Notifier& notifier() { return notifier_; }
    KeyboardHook& keyboardHook() { return hook_; }
    ReplaySelection& selection() { return selection_; }
    [[nodiscard]] bool loaded() const { return loaded_; }

private:
    AppState& state_;
    Services& services_;
    MainView& view_;
    Settings settings_;
    Notifier notifier_;
    ReplayLibrary library_;
    RecordingCapture capture_;
    ReplaySelection selection_;
    PlaybackWatch watch_;
    GameLink gameLink_;
    GameDisplay display_;
    KeyboardHook hook_;
    bool loaded_ = false;
};

/** True when `folder` holds an ordinary file named gta-vc.exe in any letter case. */
bool GameExecutablePresent(FileSystem& files, const std::string& folder);

} // namespace clipwarden
