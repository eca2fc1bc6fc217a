#include "core/presenters/MainPresenter.h"

#include <utility>

#include "core/Text.h"
#include "core/installs/InstallFinder.h"
#include "core/installs/RegisteredGame.h"

namespace clipwarden {

MainPresenter::MainPresenter(Services& services, MainView& view)
    : services_(services), view_(view), settings_(services.settings),
      inGameText_(services.processes, view), notifier_(view, inGameText_, services.logEcho),
      library_(services.files, services.clock,
               services.shell.GetSpecialFolderPath(kFolderDetailsCache)),
      capture_(services.files, services.clock, library_, notifier_, view),
      housekeeper_(services.files, services.clock, services.trash, library_, settings_, notifier_,
                   &view),
      selection_(services.files, services.clock, library_, notifier_, capture_),
      watch_(library_.cursor(), services.clock, notifier_),
      gameLink_(services.processes, services.clock, watch_, view, notifier_),
      hotkeys_([this] { selection_.SelectPreviousReplay(); },
               [this] { selection_.SelectNextReplay(); }) {
    gameLink_.OnRecognised([this](const GameLayout& layout) { FollowRecognisedVersion(layout); });
    capture_.OnSaved([this] { housekeeper_.RunPass(); });
}

MainPresenter::~MainPresenter() {
    Shutdown();
}

void MainPresenter::Start() {
    FindMissingFolders();
    // The launch is decided on the settings as they are before anything else runs, and
    // happens once the session is open in full.
    const std::string folder = GameFolder();
    const bool launch =
        settings_.ReadSwitch(kKeyAutorun, false) && GameExecutablePresent(services_.files, folder);
    OpenSession();
    housekeeper_.RunPass();
    if (launch) {
        LaunchGame();
    }
}

void MainPresenter::FindMissingFolders() {
    const auto storedReplays = settings_.Stored(kKeyReplays);
    const auto storedGame = settings_.Stored(kKeyGamePath);
    if (storedReplays && storedGame) {
        return;
    }
    InstallFinder finder(services_.files, services_.searchPlaces);
    // With one folder set, the other comes from the install that one lies in.
    std::optional<GameInstall> install = finder.InstallOf(storedReplays ? *storedReplays
                                                          : storedGame  ? *storedGame
                                                                        : std::string());
    if (!install || (storedReplays && install->gameFolder.empty())) {
        install = ChooseInstall(finder.FindInstalls());
    }
    if (!install && !storedGame) {
        // Where Windows players have it: Steam, the launcher, the retail installer.
        if (const auto found = FindRegisteredGame(services_.registry, services_.files,
                                                  services_.defaultGameFolder);
            found && !found->foundIn.empty()) {
            foundGameFolder_ = found->folder;
            Log("Using the game folder " + found->folder + ", found in " + found->foundIn + ".");
        }
    }
    if (!install) {
        if (!storedReplays && !services_.searchPlaces.home.empty()) {
            Log("No copy of GTA:VC was found in the Wine prefixes or Steam libraries of this "
                "user, so replays are looked for in " +
                DocumentsReplayFolder() +
                ". If the game keeps them elsewhere, choose that folder.");
        }
        return;
    }
    if (!storedReplays) {
        foundReplayFolder_ = install->replayFolder;
    }
    if (!storedGame) {
        foundGameFolder_ = install->gameFolder;
    }
    std::string used;
    if (!foundReplayFolder_.empty()) {
        used = "the replay folder " + foundReplayFolder_;
    }
    if (!foundGameFolder_.empty()) {
        used += (used.empty() ? "the game folder " : " and the game folder ") + foundGameFolder_;
    }
    if (!used.empty()) {
        Log("Using " + used + ", found in " + install->foundIn + ".");
    }
}

std::string MainPresenter::DocumentsReplayFolder() {
    return services_.files.Join(services_.shell.GetSpecialFolderPath(kFolderPersonal),
                                kUserFilesFolder);
}

std::string MainPresenter::GameFolder() {
    return settings_.ReadSetting(
        kKeyGamePath, foundGameFolder_.empty() ? services_.defaultGameFolder : foundGameFolder_);
}

void MainPresenter::OpenSession() {
    const std::string fallback =
        foundReplayFolder_.empty() ? DocumentsReplayFolder() : foundReplayFolder_;
    std::string folder = settings_.ReadSetting(kKeyReplays, fallback);
    if (folder.empty()) {
        // An empty folder would be the root: the default serves instead.
        Log("The replay folder in the settings is empty, so " + fallback +
            " is used; choose another with Select.");
        folder = fallback;
    } else if (folder.find("\xEF\xBF\xBD") != std::string::npos &&
               !services_.files.FolderModified(folder)) {
        // Hand-edited bytes that are not UTF-8 reach here as U+FFFD: they name no folder.
        Log("The replay folder in the settings, " + folder +
            ", holds characters the settings file could not read as text (UTF-8), so it names "
            "no folder and nothing is stored; choose the folder with Select.");
        notedMissingFolder_ = true;
    }
    OpenLibrary(folder);
    version_ = StoredVersion();
    view_.ShowVersion(version_);

    std::string why;
    keys_ = services_.keys.Subscribe([this](const KeyEvent& event) { hotkeys_.OnKey(event); }, why);
    if (keys_ == 0 && !why.empty()) {
        Log(why);
    }
}

void MainPresenter::OpenLibrary(const std::string& folder) {
    library_.SetFolder(folder);
    view_.ShowReplayFolder(library_.folder());
    if (const std::string notice = library_.labels().Load(library_.folder()); !notice.empty()) {
        Log(notice);
    }
    if (const std::string notice = library_.details().Open(library_.folder()); !notice.empty()) {
        Log(notice);
    }
    library_.cursor().SetCurrentReplay(library_.FindLastReplay());
    // A copy cut short by a crash or a kill leaves a temporary; the recording it was
    // copying is still in the slot, and is stored like any other that is not in the library.
    services_.files.RemoveStaleTemporaries(library_.folder());
    capture_.TakeSlotAtStartUp();
    WatchFolder();
    capture_.CaptureTick();
    library_.Changed({}); // an open Library window follows to the new folder
}

void MainPresenter::CaptureTick() {
    capture_.CaptureTick();
    LookForChanges();
}

void MainPresenter::WatchFolder() {
    const std::string folder = library_.folder();
    const std::string why = services_.folderWatch.Watch(
        folder, [this](const FolderChange& change) { OnFolderChange(change); });
    watching_ = why.empty();
    folderModified_ = services_.files.FolderModified(folder);
    if (!folderModified_ && !std::exchange(notedMissingFolder_, true)) {
        Log("The replay folder " + folder +
            " does not exist yet. Recordings are stored there as soon as it does (once the "
            "game has saved its first replay); if it is the wrong folder, choose the right one "
            "with Select.");
    } else if (folderModified_ && std::exchange(notedMissingFolder_, false)) {
        Log("The replay folder " + folder +
            " is there now; recordings made there are stored from now on.");
    }
    // A folder that is not there yet is watched once it is: nothing to say until then.
    const std::string failure =
        watching_ || !folderModified_
            ? std::string()
            : "Changes in " + folder + " are not reported (" + why +
                  "), so Clipwarden looks at it once a second; a recording is stored "
                  "about a second after the game has written it.";
    if (!failure.empty() && failure != watchFailure_) {
        Log(failure);
    }
    watchFailure_ = failure;
}

void MainPresenter::OnFolderChange(const FolderChange& change) {
    using Kind = FolderChange::Kind;
    const std::string name = ToLowerAscii(change.name);
    if (change.kind == Kind::Missed || change.kind == Kind::Ended) {
        watching_ = change.kind == Kind::Missed;
        capture_.SlotUnknown();
        capture_.CaptureTick();
        library_.Changed({}); // look at everything again
        return;
    }
    if (name == kReplaySlot) {
        if (change.kind == Kind::Opened) {
            capture_.SlotOpened();
        } else if (change.kind == Kind::Written) {
            capture_.SlotWritten();
        } else if (change.kind == Kind::Closed) {
            capture_.SlotClosed();
        } else if (change.kind == Kind::Released) {
            capture_.SlotReleased();
        } else if (change.kind == Kind::Changed || change.kind == Kind::Added) {
            capture_.SlotChanged();
        }
        return;
    }
    const bool replay =
        name.size() > 4 && name.compare(name.size() - 4, 4, ".rep") == 0 && name.front() != '.';
    if (replay && (change.kind == Kind::Added || change.kind == Kind::Closed ||
                   change.kind == Kind::Changed || change.kind == Kind::Removed)) {
        library_.Changed(change.name);
    }
}

void MainPresenter::LookForChanges() {
    if (watching_) {
        return;
    }
    if (watchFailure_.empty()) {
        WatchFolder(); // the watch ended (the folder moved or came back): set it again
        if (watching_) {
            library_.Changed({});
            return;
        }
    }
    const auto modified = services_.files.FolderModified(library_.folder());
    if (modified != folderModified_) {
        folderModified_ = modified;
        library_.Changed({});
    }
}

LibraryParts MainPresenter::libraryParts() {
    return {services_.files,
            services_.clock,
            services_.trash,
            services_.fileManager,
            library_,
            selection_,
            notifier_,
            housekeeper_,
            [this]() -> const GameNames& { return gameNames(); },
            [this] { OnChooseReplayFolder(); }};
}

const GameNames& MainPresenter::gameNames() {
    const std::string folder = GameFolder();
    if (namesFolder_ != folder) {
        std::vector<std::string> problems;
        gameNames_ = LoadGameNames(services_.files, folder, problems);
        namesFolder_ = folder;
        for (const std::string& problem : problems) {
            Log(problem);
        }
    }
    return gameNames_;
}

void MainPresenter::LaunchGame() {
    const std::string game = GameFolder();
    const std::string why =
        services_.launcher.Open(services_.files.Join(game, kGameExecutable), game);
    if (!why.empty()) {
        Log(why);
    }
}

void MainPresenter::Shutdown() {
    services_.folderWatch.Stop();
    watching_ = false;
    if (keys_ != 0) {
        services_.keys.Unsubscribe(keys_);
        keys_ = 0;
    }
}

void MainPresenter::OnVersionChosen(GameVersion version) {
    // The running game's own version decides where its text goes: the option never says
    // otherwise while that game is attached.
    const GameLayout* layout = gameLink_.layout();
    if (layout != nullptr && layout->option != version) {
        view_.ShowVersion(version_);
        Log(std::string("GTA:VC ") + layout->name +
            " is running, and Clipwarden uses its own version whatever the option says; the "
            "option can be changed once the game has ended.");
        return;
    }
    version_ = version;
    StoreVersion();
}

GameVersion MainPresenter::StoredVersion() {
    return settings_.ReadSwitch(kKeyVersion, true) ? GameVersion::V1_1 : GameVersion::V1_0;
}

void MainPresenter::StoreVersion() {
    WriteSetting(kKeyVersion, version_ == GameVersion::V1_1 ? "1" : "0");
}

void MainPresenter::FollowRecognisedVersion(const GameLayout& layout) {
    if (!layout.option) {
        return; // the Steam edition has no option of its own; the window keeps its choice
    }
    if (version_ != *layout.option) {
        version_ = *layout.option;
        view_.ShowVersion(version_);
    }
    // Stored only when it changes what is stored (or the default), so a 1.1 game with no
    // settings file writes none.
    if (StoredVersion() != version_) {
        StoreVersion();
    }
}

void MainPresenter::OnChooseReplayFolder() {
    std::string refused;
    const std::string answer = services_.shell.BrowseForFolder(view_.Handle(), kReplayFolderTitle,
                                                               library_.folder(), refused);
    if (!refused.empty()) {
        Log(refused);
    }
    if (answer.empty()) {
        return;
    }
    // A folder with no recording at all is often one level off (the game's own folder, or
    // Documents): asked before it is taken.
    std::error_code error;
    if (services_.files.ListFiles(services_.files.Join(answer, "*.rep"), error).empty() && !error &&
        !view_.Confirm(EscapeText("The folder " + answer +
                                      " holds no replay.rep and no stored replay. Is it the "
                                      "folder where GTA:VC saves its replays (\"" +
                                      kUserFilesFolder +
                                      "\", usually in your documents)? Choose No to keep " +
                                      library_.folder() + ".",
                                  false))) {
        return;
    }
    WriteSetting(kKeyReplays, answer);
    notedMissingFolder_ = false;
    // The window and the program never disagree: capture and F5/F6 move along at once.
    OpenLibrary(answer);
}

void MainPresenter::OnOptionsClicked() {
    view_.ShowOptionsWindow();
}

void MainPresenter::WriteSetting(const std::string& key, const std::string& value) {
    if (const auto why = settings_.WriteSetting(key, value)) {
        Log(*why);
    }
    if (key == kKeyGamePath && namesFolder_ && *namesFolder_ != GameFolder()) {
        library_.Changed({}); // an open Library names places and vehicles anew
    }
}

void MainPresenter::Log(const std::string& body) {
    notifier_.PostNotification(LogText(services_.clock.TimeOfDayText(), body), {});
}


} // namespace clipwarden
