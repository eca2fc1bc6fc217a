// The Windows program: Win32 services and windows around the same core.

#include <windows.h>

#include <objbase.h>

#include <cstdio>
#include <iostream>

#include "app/win32/Win32MainWindow.h"
#include "core/presenters/InstanceClaim.h"
#include "platform/win32/RegistrySettingsStore.h"

using namespace clipwarden;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); // the folder picker needs it
    const auto files = CreateFileSystem();
    const auto clock = CreateClock();
    const auto settings = CreateRegistrySettingsStore();
    const auto shell = CreateShellFolders();
    const auto processes = CreateProcessService();
    const auto keys = CreateKeySource();
    const auto launcher = CreateGameLauncher();
    Services services{*files,    *clock,    *settings,          *shell, *processes, *keys,
                      *launcher, std::cout, DefaultGameFolder()};

    // One Clipwarden per session: a second start brings the first one forward.
    const auto instance = CreateSingleInstance("HKEY_CURRENT_USER\\Software\\Clipwarden");
    std::string noInstance;
    if (!ClaimInstance(*instance, std::cerr, noInstance)) {
        return 0;
    }

    win32::Win32MainWindow mainWindow(services);
    instance->OnRaiseRequest([&mainWindow] { mainWindow.BringForward(); });
    mainWindow.OnClosed([&instance] { instance->Release(); });
    if (!mainWindow.Start()) {
        MessageBoxA(nullptr, "The main window could not be created.", "Clipwarden",
                    MB_OK | MB_ICONSTOP);
        return 1;
    }
    if (!noInstance.empty()) {
        mainWindow.presenter().Log(noInstance);
    }
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!win32::Win32Form::TranslateFormMessage(message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    CoUninitialize();
    return static_cast<int>(message.wParam);
}
