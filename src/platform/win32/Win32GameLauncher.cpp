#include <windows.h>

#include <shellapi.h>

#include "core/ports/GameLauncher.h"
#include "platform/win32/AnsiText.h"

namespace clipwarden {

namespace {

/** The shell's "open", as Explorer starts a program. */
class Win32GameLauncher final : public GameLauncher {
public:
    std::string Open(const std::string& executable, const std::string& folder) override {
        ShellExecuteW(GetActiveWindow(), L"open", ToWide(executable).c_str(), nullptr,
                      ToWide(folder).c_str(), SW_SHOW);
        return {}; // the shell reports its own failures
    }
};

} // namespace

std::unique_ptr<GameLauncher> CreateGameLauncher() {
    return std::make_unique<Win32GameLauncher>();
}

std::string DefaultGameFolder() {
    return "C:\\Program files\\Rockstar Games\\Grand Theft Auto Vice City";
}

SearchPlaces DefaultSearchPlaces() {
    return {}; // Windows keeps the game where the settings' defaults say
}

} // namespace clipwarden
