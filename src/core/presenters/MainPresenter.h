#pragma once

#include <string>

#include "core/game/GameLink.h"
#include "core/game/InGameText.h"
#include "core/game/PlaybackWatch.h"
#include "core/hotkeys/ReplayHotkeys.h"
#include "core/installs/RegisteredGame.h"
#include "core/notify/Notifier.h"
#include "core/presenters/LibraryPresenter.h"
#include "core/presenters/MainView.h"
#include "core/presenters/Services.h"
#include "core/replays/Housekeeper.h"
#include "core/replays/RecordingCapture.h"
#include "core/replays/ReplayLibrary.h"
#include "core/replays/ReplaySelection.h"
#include "core/settings/Settings.h"

namespace clipwarden {

inline constexpr const char* kReplayFolderTitle =
    "Select the folder which stores your GTA:VC Replays";
inline constexpr const char* kUserFilesFolder = "GTA Vice City User Files";

/** What the main window does: start-up, shutdown, clicks, the three ticks and the hotkeys.
 *  The window only reports what the user did and shows what it is told. */
class MainPresenter {
public:
    MainPresenter(Services& services, MainView& view);
    ~MainPresenter();
    MainPresenter(const MainPresenter&) = delete;
    MainPresenter& operator=(const MainPresenter&) = delete;
    MainPresenter(MainPresenter&&) = delete;
    MainPresenter& operator=(MainPresenter&&) = delete;

    /** Looks for the game's folders that are not set, opens the library in the replay folder,
     *  restores the version, starts watching F5/F6, takes replay.rep's stamp as accounted for,
     *  and then starts the game when autorun is on and the game folder holds gta-vc.exe. Runs
     *  once, before the window shows. */
    void Start();

    /** The main window is closing: F5 and F6 stop selecting. */
    void Shutdown();

    void OnVersionChosen(GameVersion version);
    /** A `clipwarden --launch` opened the game and handed it over. */
    void OnGameHandedOver(ProcessId id, ProcessHandle handle) {
        gameLink_.UseHandedOverGame(id, handle);
    }
    void OnChooseReplayFolder();
    void OnOptionsClicked();

    /** The once-a-second ticks: capture, game link, and (while a text is on show) game text. */
    void CaptureTick();
    void GameLinkTick() { gameLink_.GameLinkTick(); }
    void GameTextTick() { inGameText_.GameTextTick(gameLink_.handle(), gameLink_.layout()); }

    /** The game folder: the stored one, else the one found at start-up, else the default. */
    std::string GameFolder();

    /** Stores a setting, logging a write that failed. */
    void WriteSetting(const std::string& key, const std::string& value);

    /** Appends a log line with the current time and no game text. */
    void Log(const std::string& body);

    /** What a Library window works with: this window's library, selection, housekeeping
     *  and log. */
    LibraryParts libraryParts();

    /** The names of places and vehicles, from the game folder's files (read again when the
     *  game folder changes); problems with them are logged once. */
    const GameNames& gameNames();

    Settings& settings() { return settings_; }
    Notifier& notifier() { return notifier_; }
    [[nodiscard]] const ReplayLibrary& library() const { return library_; }
    [[nodiscard]] const InGameText& inGameText() const { return inGameText_; }
    [[nodiscard]] GameVersion version() const { return version_; }

private:
    void OpenSession();
    /** Fills in from the game's installs the folders the settings do not hold, and says where
     *  it found them. Nothing is written: a found folder stays a default. */
    void FindMissingFolders();
    /** The replay folder where Windows keeps it: the documents folder's user files. */
    std::string DocumentsReplayFolder();
    /** Capture and F5/F6 work in `folder` from now on; an unstored slot recording is stored. */
    void OpenLibrary(const std::string& folder);
    void LaunchGame();
    /** Watches the replay folder for capture and the Library; says once when it cannot. */
    void WatchFolder();
    void OnFolderChange(const FolderChange& change);
    /** Where the folder cannot be watched: a look at its time, a listing when it moved. */
    void LookForChanges();
    /** The version the settings hold (1.1 unless the number stored is other than 1). */
    GameVersion StoredVersion();
    /** Stores the chosen version, logging a write that failed. */
    void StoreVersion();
    /** The window's option follows the version the running game turned out to be. */
    void FollowRecognisedVersion(const GameLayout& layout);

    Services& services_;
    MainView& view_;
    Settings settings_;
    InGameText inGameText_;
    Notifier notifier_;
    ReplayLibrary library_;
    RecordingCapture capture_;
    Housekeeper housekeeper_;
    ReplaySelection selection_;
    PlaybackWatch watch_;
    GameLink gameLink_;
    ReplayHotkeys hotkeys_;
    GameVersion version_ = GameVersion::V1_1;
    std::string foundGameFolder_;
    std::string foundReplayFolder_;
    KeySubscription keys_ = 0;
    bool watching_ = false;
    std::string watchFailure_; ///< said once until it changes
    std::optional<std::int64_t> folderModified_;
    GameNames gameNames_;
    std::optional<std::string> namesFolder_; ///< the game folder gameNames_ came from
    bool notedMissingFolder_ = false; ///< the folder's absence was said: its arrival is too
};


} // namespace clipwarden
