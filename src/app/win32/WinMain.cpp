// The Windows program: Win32 services and windows around the same core.

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/win32/Win32MainWindow.h"
#include "core/gamefiles/ReplayReport.h"
#include "core/presenters/CommandLine.h"
#include "core/presenters/InstanceClaim.h"
#include "platform/win32/AnsiText.h"
#include "platform/win32/CommandRunner.h"
#include "platform/win32/RegistrySettingsStore.h"

using namespace clipwarden;

namespace {

/** Writes an answer where a console user sees it: standard output (or error) when that is a
 *  file or a pipe, else the console the program was started from. False when there is
 *  neither, as when started from Explorer; the caller shows a box then. */
bool AnswerOnConsole(const std::string& text, bool error) {
    const HANDLE standard = GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    const DWORD type = standard != nullptr && standard != INVALID_HANDLE_VALUE
                           ? GetFileType(standard)
                           : FILE_TYPE_UNKNOWN;
    if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) {
        (error ? std::cerr : std::cout) << text << std::flush;
        return true;
    }
    if (type != FILE_TYPE_CHAR && !AttachConsole(ATTACH_PARENT_PROCESS)) {
        return false;
    }
    const HANDLE console =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) {
        return false;
    }
    // The prompt came back when the program started: a new line keeps the answer apart.
    const std::wstring wide = L"\r\n" + ToWide(text);
    DWORD written = 0;
    const bool done = WriteConsoleW(console, wide.c_str(), static_cast<DWORD>(wide.size()),
                                    &written, nullptr) != 0;
    CloseHandle(console);
    return done;
}

/** --inspect, answered as --help is: its console, else standard output, else a box. File
 *  names come from the wide command line, so that any name the system holds can be given. */
int Inspect() {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; wide != nullptr && i < count; ++i) {
        arguments.push_back(FromWide(wide[i]));
    }
    LocalFree(wide);
    const CommandLine commandLine = ParseCommandLine(arguments);
    const auto files = CreateFileSystem();
    const auto settings = CreateRegistrySettingsStore();
    const auto registry = CreateRegistry();
    std::ostringstream out;
    std::ostringstream err;
    const int status = AnswerInspect(*files, *settings, DefaultSearchPlaces(), *registry,
                                     DefaultGameFolder(), commandLine.files, commandLine.json,
                                     out, err);
    if (!err.str().empty()) {
        AnswerOnConsole(err.str(), true);
    }
    if (!AnswerOnConsole(out.str(), false)) {
        MessageBoxW(nullptr, ToWide(err.str() + out.str()).c_str(), L"Clipwarden",
                    MB_OK | MB_ICONINFORMATION);
    }
    return status;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); // the folder picker needs it
    // The themed controls of Common Controls 6, which the manifest asks for, list view included.
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    const auto files = CreateFileSystem();
    const auto clock = CreateClock();
    const auto settings = CreateRegistrySettingsStore();
    const auto shell = CreateShellFolders();
    const auto processes = CreateProcessService();
    const auto keys = CreateKeySource();
    const auto launcher = CreateGameLauncher();
    const auto trash = CreateTrash();
    const auto fileManager = CreateFileManager();
    const auto folderWatch = CreateFolderWatch();
    const auto registry = CreateRegistry();
    Services services{*files,
                      *clock,
                      *settings,
                      *shell,
                      *processes,
                      *keys,
                      *launcher,
                      *trash,
                      *fileManager,
                      *folderWatch,
                      *registry,
                      std::cout,
                      DefaultGameFolder(),
                      DefaultSearchPlaces()};

    // The command line is answered first: --help and --version never start anything.
    std::vector<std::string> arguments;
    for (int i = 1; i < __argc; ++i) {
        arguments.emplace_back(__argv[i]);
    }
    const CommandLine commandLine = ParseCommandLine(arguments);
    if (commandLine.action == CommandLine::Action::Launch) {
        std::string why;
        const int status = RunCommandAndWait(commandLine.command, why);
        if (status < 0) {
            std::cerr << "clipwarden: " << why << std::endl;
            MessageBoxA(nullptr, ("clipwarden: " + why).c_str(), "Clipwarden", MB_OK | MB_ICONSTOP);
            return 127;
        }
        return status;
    }
    if (commandLine.action == CommandLine::Action::Inspect) {
        return Inspect();
    }
    const bool showLibrary = commandLine.action == CommandLine::Action::Library;
    if (commandLine.action != CommandLine::Action::Run && !showLibrary) {
        const bool error = commandLine.action == CommandLine::Action::Error;
        const std::string text = commandLine.action == CommandLine::Action::Help ? HelpText()
                                 : commandLine.action == CommandLine::Action::Version
                                     ? VersionText()
                                     : "clipwarden: " + commandLine.error + "\n";
        if (!AnswerOnConsole(text, error)) {
            MessageBoxW(nullptr, ToWide(text).c_str(), L"Clipwarden",
                        MB_OK | (error ? MB_ICONSTOP : MB_ICONINFORMATION));
        }
        return error ? kUsageError : 0;
    }

    // One Clipwarden per session: a second start brings the first one forward.
    const auto instance = CreateSingleInstance("HKEY_CURRENT_USER\\Software\\Clipwarden");
    std::string noInstance;
    if (!ClaimInstance(*instance, std::cerr, noInstance, showLibrary)) {
        return 0;
    }

    win32::Win32MainWindow mainWindow(services);
    instance->OnRaiseRequest([&mainWindow] { mainWindow.BringForward(); });
    instance->OnLibraryRequest([&mainWindow] { mainWindow.ShowLibraryWindow(); });
    // The setup program is about to replace the program: the main window closes as the player
    // would close it (a recording on its way is stored), and the program ends even with the
    // Options window open.
    instance->OnQuitRequest([&mainWindow] {
        if (mainWindow.hwnd() != nullptr) {
            DestroyWindow(mainWindow.hwnd());
        }
        PostQuitMessage(0);
    });
    mainWindow.OnClosed([&instance] { instance->Release(); });
    if (!mainWindow.Start()) {
        MessageBoxA(nullptr, "The main window could not be created.", "Clipwarden",
                    MB_OK | MB_ICONSTOP);
        return 1;
    }
    if (!noInstance.empty()) {
        mainWindow.presenter().Log(noInstance);
    }
    if (showLibrary) {
        mainWindow.ShowLibraryWindow();
    }
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        // Ctrl+L anywhere in the main window opens the Library.
        if (message.message == WM_KEYDOWN && message.wParam == 'L' && GetKeyState(VK_CONTROL) < 0 &&
            GetAncestor(message.hwnd, GA_ROOT) == mainWindow.hwnd()) {
            mainWindow.ShowLibraryWindow();
            continue;
        }
        if (!win32::Win32Form::TranslateFormMessage(message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    CoUninitialize();
    return static_cast<int>(message.wParam);
}
