#include "core/installs/InstallFinder.h"

#include "core/installs/LibraryFolders.h"

namespace clipwarden {

namespace {

constexpr const char* kSteamAppFolder = "steamapps";
constexpr const char* kSteamGameFolder = "Grand Theft Auto Vice City";
constexpr const char* kSteamPrefix = "compatdata/12110/pfx"; // 12110: the game's Steam app id
constexpr const char* kRockstarFolder = "Rockstar Games/Grand Theft Auto Vice City";
constexpr const char* kUserFiles = "GTA Vice City User Files";
constexpr std::size_t kMaxConfigBytes = 1 << 20;

/** The part of `path` before `marker`, when the marker is in it. */
std::optional<std::string> Before(const std::string& path, const std::string& marker) {
    const auto at = (path + "/").find(marker);
    if (at == std::string::npos || at == 0) {
        return std::nullopt;
    }
    return path.substr(0, at);
}

} // namespace

std::vector<GameInstall> InstallFinder::FindInstalls() {
    visited_.clear();
    found_.clear();
    if (places_.home.empty()) {
        return found_;
    }
    const std::string dataHome = places_.dataHome.empty() ? Home(".local/share") : places_.dataHome;
    const std::string configHome =
        places_.configHome.empty() ? Home(".config") : places_.configHome;

    if (!places_.winePrefix.empty()) {
        AddWinePrefix(places_.winePrefix, "the Wine prefix");
    }
    AddWinePrefix(Home(".wine"), "the Wine prefix");

    AddSteamInstalls(Home(".steam/steam"), "Steam");
    AddSteamInstalls(files_.Join(dataHome, "Steam"), "Steam");
    AddSteamInstalls(Home(".local/share/Steam"), "Steam");
    AddSteamInstalls(Home(".var/app/com.valvesoftware.Steam/.local/share/Steam"), "Flatpak Steam");
    AddSteamInstalls(Home(".var/app/com.valvesoftware.Steam/data/Steam"), "Flatpak Steam");
    AddSteamInstalls(Home("snap/steam/common/.local/share/Steam"), "Snap Steam");

    // Lutris names each game's prefix in its game file, and by default keeps it in ~/Games.
    AddLutrisConfigs(files_.Join(configHome, "lutris/games"));
    AddLutrisConfigs(files_.Join(dataHome, "lutris/games"));
    AddPrefixesIn(Home("Games"), "the Lutris prefix");
    AddPrefixesIn(files_.Join(dataHome, "bottles/bottles"), "the Bottles bottle");
    AddPrefixesIn(Home(".var/app/com.usebottles.bottles/data/bottles/bottles"),
                  "the Bottles bottle");
    return found_;
}

InstallRoot RootOfFolder(const std::string& folder) {
    // Steam's own prefixes lie inside the library; the library is what the folder belongs to.
    if (const auto library = Before(folder, std::string("/") + kSteamAppFolder + "/")) {
        return {InstallKind::SteamLibrary, *library};
    }
    if (const auto prefix = Before(folder, "/drive_c/")) {
        return {InstallKind::WinePrefix, *prefix};
    }
    return {};
}

std::optional<GameInstall> InstallFinder::InstallOf(const std::string& folder) {
    const InstallRoot root = RootOfFolder(folder);
    switch (root.kind) {
    case InstallKind::SteamLibrary:
        return ProbeSteamLibrary(root.root, "the Steam library " + root.root);
    case InstallKind::WinePrefix:
        return ProbeWinePrefix(root.root, "the Wine prefix " + root.root);
    case InstallKind::Other:
        break;
    }
    return std::nullopt;
}

void InstallFinder::AddSteamInstalls(const std::string& steamRoot, const std::string& edition) {
    if (!files_.Exists(files_.Join(steamRoot, kSteamAppFolder))) {
        return;
    }
    // The install's own folder is a library whether or not its list names it.
    std::vector<std::string> libraries{steamRoot};
    for (const char* list : {"steamapps/libraryfolders.vdf", "config/libraryfolders.vdf"}) {
        if (const auto text = files_.ReadText(files_.Join(steamRoot, list), kMaxConfigBytes)) {
            for (std::string& library : ParseLibraryFolders(*text)) {
                libraries.push_back(std::move(library));
            }
        }
    }
    for (const std::string& library : libraries) {
        if (!FirstVisit(library)) {
            continue;
        }
        const std::string where = library == steamRoot ? "the " + edition + " folder " + library
                                                       : "the " + edition + " library " + library;
        if (auto install = ProbeSteamLibrary(library, where)) {
            found_.push_back(std::move(*install));
        }
    }
}

void InstallFinder::AddWinePrefix(const std::string& prefix, const std::string& kind) {
    if (!FirstVisit(prefix)) {
        return;
    }
    if (auto install = ProbeWinePrefix(prefix, kind + " " + prefix)) {
        found_.push_back(std::move(*install));
    }
}

void InstallFinder::AddPrefixesIn(const std::string& folder, const std::string& kind) {
    for (const std::string& name : files_.ListFolders(folder)) {
        AddWinePrefix(files_.Join(folder, name), kind);
    }
}

void InstallFinder::AddLutrisConfigs(const std::string& folder) {
    std::error_code error;
    for (const std::string& name : files_.ListFiles(files_.Join(folder, "*.yml"), error)) {
        const auto text = files_.ReadText(files_.Join(folder, name), kMaxConfigBytes);
        if (!text) {
            continue;
        }
        // Only the one line that matters is read: "  prefix: /home/me/Games/gta-vice-city".
        std::size_t start = 0;
        while (start < text->size()) {
            const std::size_t end = std::min(text->find('\n', start), text->size());
            std::string line = text->substr(start, end - start);
            start = end + 1;
            const auto key = line.find("prefix:");
            if (key == std::string::npos || line.find_first_not_of(' ') != key) {
                continue;
            }
            std::string value = line.substr(key + 7);
            value.erase(0, value.find_first_not_of(" \t"));
            value.erase(value.find_last_not_of(" \t\r") + 1);
            if (value.size() >= 2 && (value.front() == '\'' || value.front() == '"') &&
                value.back() == value.front()) {
                value = value.substr(1, value.size() - 2);
            }
            if (value.starts_with("~/")) {
                value = Home(value.substr(2));
            }
            if (value.starts_with("/")) {
                AddWinePrefix(value, "the Lutris prefix");
            }
        }
    }
}

std::optional<GameInstall> InstallFinder::ProbeSteamLibrary(const std::string& library,
                                                            const std::string& foundIn) {
    const std::string apps = files_.Join(library, kSteamAppFolder);
    GameInstall install;
    install.foundIn = foundIn;
    const std::string game = files_.Join(files_.Join(apps, "common"), kSteamGameFolder);
    if (files_.Exists(game)) {
        install.gameFolder = game;
    }
    const std::string users =
        files_.Join(files_.Join(files_.Join(apps, kSteamPrefix), "drive_c/users"), "steamuser");
    ChooseReplayFolder(install,
                       {files_.Join(users, "Documents"), files_.Join(users, "My Documents")});
    if (install.gameFolder.empty() && !install.replayFolderExists) {
        return std::nullopt;
    }
    return install;
}

std::optional<GameInstall> InstallFinder::ProbeWinePrefix(const std::string& prefix,
                                                          const std::string& foundIn) {
    const std::string drive = files_.Join(prefix, "drive_c");
    if (!files_.Exists(drive)) {
        return std::nullopt;
    }
    GameInstall install;
    install.foundIn = foundIn;
    for (const char* programs : {"Program Files (x86)", "Program Files"}) {
        const std::string game = files_.Join(files_.Join(drive, programs), kRockstarFolder);
        if (files_.Exists(game)) {
            install.gameFolder = game;
            break;
        }
    }
    std::vector<std::string> documents;
    const std::string users = files_.Join(drive, "users");
    for (const std::string& user : files_.ListFolders(users)) {
        if (user == "Public") {
            continue; // shared by every user; the game writes into the player's own
        }
        for (const char* folder : {"Documents", "My Documents"}) {
            documents.push_back(files_.Join(files_.Join(users, user), folder));
        }
    }
    ChooseReplayFolder(install, documents);
    if (install.gameFolder.empty() && !install.replayFolderExists) {
        return std::nullopt;
    }
    return install;
}

void InstallFinder::ChooseReplayFolder(GameInstall& install,
                                       const std::vector<std::string>& documents) {
    for (const std::string& place : documents) {
        const std::string folder = files_.Join(place, kUserFiles);
        if (!files_.Exists(folder)) {
            continue;
        }
        std::error_code error;
        const auto slot = files_.Stamp(files_.Join(folder, "replay.rep"), error);
        const auto modified = slot ? std::optional(slot->modified) : std::nullopt;
        const bool newer = modified && (!install.slotModified || *modified > *install.slotModified);
        if (!install.replayFolderExists || newer) {
            install.replayFolder = folder;
            install.replayFolderExists = true;
            if (newer) {
                install.slotModified = modified;
            }
        }
    }
    if (!install.replayFolderExists && !documents.empty()) {
        install.replayFolder = files_.Join(documents.front(), kUserFiles);
    }
}

bool InstallFinder::FirstVisit(const std::string& root) {
    const std::string real = files_.RealPath(root);
    if (real.empty()) {
        return false; // nothing there to search
    }
    for (const std::string& seen : visited_) {
        if (seen == real) {
            return false;
        }
    }
    visited_.push_back(real);
    return true;
}

std::string InstallFinder::Home(const std::string& relative) const {
    return files_.Join(places_.home, relative);
}

std::optional<GameInstall> ChooseInstall(const std::vector<GameInstall>& installs) {
    const GameInstall* chosen = nullptr;
    for (const GameInstall& install : installs) {
        if (install.slotModified &&
            (!chosen || !chosen->slotModified || *install.slotModified > *chosen->slotModified)) {
            chosen = &install;
        }
    }
    for (const GameInstall& install : installs) {
        if (!chosen && install.replayFolderExists) {
            chosen = &install;
        }
    }
    if (!chosen && !installs.empty()) {
        chosen = &installs.front();
    }
    return chosen ? std::optional(*chosen) : std::nullopt;
}

} // namespace clipwarden
