#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/ports/FileSystem.h"
#include "core/ports/GameLauncher.h"

namespace clipwarden {

/** What a folder lies in, judged by its path alone. */
enum class InstallKind {
    SteamLibrary, ///< under <library>/steamapps/
    WinePrefix,   ///< under <prefix>/drive_c/
    Other,
};

struct InstallRoot {
    InstallKind kind = InstallKind::Other;
    std::string root; ///< the library or the prefix; "" for Other
};

/** The Steam library or Wine prefix a game or replay folder lies in. */
InstallRoot RootOfFolder(const std::string& folder);

/** One copy of the game: its folder and the replay folder of the same prefix or Steam
 *  library. Either may be missing: a game never started has no replay folder yet. */
struct GameInstall {
    std::string gameFolder;   ///< "" when the prefix or library holds no game folder
    std::string replayFolder; ///< where the game keeps its user files, made or not
    bool replayFolderExists = false;
    std::optional<std::int64_t> slotModified; ///< replay.rep's last-modified time, if any
    std::string foundIn;                      ///< "the Wine prefix /home/me/.wine"
};

/** Looks for the game in Wine prefixes (WINEPREFIX, ~/.wine, Lutris, Bottles) and Steam
 *  libraries (native, Flatpak and Snap Steam, every library each one lists). */
class InstallFinder {
public:
    InstallFinder(FileSystem& files, SearchPlaces places)
        : files_(files), places_(std::move(places)) {}

    /** Every install found, one per prefix or library (links followed), in search order. */
    std::vector<GameInstall> FindInstalls();

    /** The install a game or replay folder lies in, judged by its path: a folder inside a
     *  Wine prefix or a Steam library belongs to that prefix or library. */
    std::optional<GameInstall> InstallOf(const std::string& folder);

private:
    void AddSteamInstalls(const std::string& steamRoot, const std::string& edition);
    void AddWinePrefix(const std::string& prefix, const std::string& kind);
    void AddPrefixesIn(const std::string& folder, const std::string& kind);
    void AddLutrisConfigs(const std::string& folder);
    std::optional<GameInstall> ProbeSteamLibrary(const std::string& library,
                                                 const std::string& foundIn);
    std::optional<GameInstall> ProbeWinePrefix(const std::string& prefix,
                                               const std::string& foundIn);
    /** The user-files folder among a prefix's users, preferring one holding the newest slot. */
    void ChooseReplayFolder(GameInstall& install, const std::vector<std::string>& documents);
    /** False when the real path of `root` was searched before. */
    bool FirstVisit(const std::string& root);
    [[nodiscard]] std::string Home(const std::string& relative) const;

    FileSystem& files_;
    SearchPlaces places_;
    std::vector<std::string> visited_;
    std::vector<GameInstall> found_;
};

/** The install to use: the one whose replay.rep is newest, else the first whose replay
 *  folder exists, else the first with a game folder. */
std::optional<GameInstall> ChooseInstall(const std::vector<GameInstall>& installs);

} // namespace clipwarden
