// The Windows program: Win32 services and windows around the same core.

#include <windows.h>

#include <objbase.h>

#include <cstdio>
#include <iostream>

#include "app/win32/Win32MainWindow.h"
#include "core/ports/SingleInstance.h"
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
    std::string holder;
    std::string whyNoInstance;
    const SingleInstance::Claim claim = instance->TryClaim(holder, whyNoInstance);
    if (claim == SingleInstance::Claim::Taken) {
        instance->AskToRaise();
        std::fprintf(stderr,
                     "Clipwarden is already running%s; its window has been brought "
                     "forward.\n",
                     holder.empty() ? "" : (" (process " + holder + ")").c_str());
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
    if (claim == SingleInstance::Claim::Failed) {
        mainWindow.presenter().Log("Clipwarden cannot make sure it runs only once: " +
                                   whyNoInstance + ". Start it only once.");
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
