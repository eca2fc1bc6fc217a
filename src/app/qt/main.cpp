#include <pwd.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string_view>
#include <vector>

#include "app/qt/MainWindow.h"
#include "core/gamefiles/ReplayReport.h"
#include "core/presenters/CommandLine.h"
#include "core/presenters/InstanceClaim.h"
#include "platform/linux/FilePrivileges.h"
#include "platform/linux/LaunchSession.h"
#include "platform/qt/QtSettingsStore.h"

using namespace clipwarden;

namespace {

/** Answers --help and --version; nothing for any other command line. */
std::optional<int> AnswerQuestion(const CommandLine& commandLine) {
    switch (commandLine.action) {
    case CommandLine::Action::Help:
        std::cout << HelpText() << std::flush;
        return 0;
    case CommandLine::Action::Version:
        std::cout << VersionText() << std::flush;
        return 0;
    case CommandLine::Action::Error:
    case CommandLine::Action::Inspect:
    case CommandLine::Action::Run:
    case CommandLine::Action::Library:
    case CommandLine::Action::Launch:
        break;
    }
    return std::nullopt;
}

/** --inspect: no display, no instance, nothing written; the settings only name the game
 *  folder. */
int Inspect(const CommandLine& commandLine) {
    QtSettingsStore settings(DefaultSettingsPath());
    const auto files = CreateFileSystem();
    const auto registry = CreateRegistry();
    return AnswerInspect(*files, settings, DefaultSearchPlaces(), *registry, DefaultGameFolder(),
                         commandLine.files, commandLine.json, std::cout, std::cerr);
}

/** Without HOME (a service, `env -i`), Qt would take the root for the home and make its folders
 *  there: the password file's home serves instead. False when there is none at all. */
bool SettleHome() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        return true;
    }
    const passwd* entry = getpwuid(geteuid());
    if (entry == nullptr || entry->pw_dir == nullptr || entry->pw_dir[0] != '/' ||
        entry->pw_dir[1] == '\0') {
        return false;
    }
    return setenv("HOME", entry->pw_dir, 1) == 0;
}

} // namespace

int main(int argc, char** argv) {
    // Before anything reads the environment: privileges from the program file go.
    const auto privileges = DropFilePrivileges();
    if (privileges && privileges->failed) {
        std::cerr << "clipwarden: " << privileges->line << std::endl;
        return 1;
    }
    // --help, --version and --launch are answered before Qt starts, which may have words of
    // its own about the session. Qt's own options (-platform and the like) make that first
    // reading fail; the reading after Qt has taken them out answers then.
    const CommandLine early = ParseCommandLine({argv + 1, argv + argc});
    if (const auto answered = AnswerQuestion(early)) {
        return *answered;
    }
    if (early.action == CommandLine::Action::Launch) {
        if (privileges) {
            std::cerr << "clipwarden: " << privileges->line << std::endl;
        }
        return RunLaunchSession(early.command, std::cerr);
    }
    // Before the home is settled: reading files needs none, like cat.
    if (early.action == CommandLine::Action::Inspect) {
        return Inspect(early);
    }
    if (early.action == CommandLine::Action::Error &&
        std::find(argv + 1, argv + argc, std::string_view("--inspect")) != argv + argc) {
        std::cerr << "clipwarden: " << early.error << std::endl; // Qt takes no part in it
        return kUsageError;
    }
    if (!SettleHome()) {
        std::cerr << "clipwarden: there is no home folder for its settings and the trash: HOME "
                     "is not set and the system names none for this user. Set HOME and start "
                     "it again."
                  << std::endl;
        return 1;
    }
    // A log reader that goes away (clipwarden | head -1) must not end the program: writing
    // to it then fails, and the log stops being echoed.
    std::signal(SIGPIPE, SIG_IGN);
    // Without any display the program still captures, selects and logs; it just has no window.
    const bool headless = qEnvironmentVariableIsEmpty("DISPLAY") &&
                          qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
                          qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (headless) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);

    std::vector<std::string> arguments;
    for (const QString& argument : QCoreApplication::arguments().mid(1)) {
        arguments.push_back(argument.toStdString());
    }
    const CommandLine commandLine = ParseCommandLine(arguments);
    if (const auto answered = AnswerQuestion(commandLine)) {
        return *answered;
    }
    if (commandLine.action == CommandLine::Action::Launch) {
        return RunLaunchSession(commandLine.command, std::cerr);
    }
    if (commandLine.action == CommandLine::Action::Inspect) {
        return Inspect(commandLine);
    }
    if (commandLine.action == CommandLine::Action::Error) {
        std::cerr << "clipwarden: " << commandLine.error << std::endl;
        return kUsageError;
    }

    // One Clipwarden per settings file: a second start brings the first one forward.
    const auto instance = CreateSingleInstance(DefaultSettingsPath().toStdString());
    std::string noInstance;
    const bool showLibrary = commandLine.action == CommandLine::Action::Library;
    if (!ClaimInstance(*instance, std::cerr, noInstance, showLibrary)) {
        return 0;
    }
    if (showLibrary && headless) {
        std::cerr << "clipwarden: the Library window needs a display, and there is none "
                     "(neither DISPLAY nor WAYLAND_DISPLAY is set). Run it in your desktop "
                     "session."
                  << std::endl;
        return 1;
    }

    QApplication::setApplicationName(QStringLiteral("Clipwarden"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/clipwarden-32.png")));
    std::setlocale(LC_ALL, ""); // dates and times as the user's locale writes them
    std::setlocale(LC_NUMERIC, "C");

    const auto files = CreateFileSystem();
    const auto clock = CreateClock();
    QtSettingsStore settings(DefaultSettingsPath());
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
                      settings,
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

    MainWindow mainWindow(services);
    instance->OnRaiseRequest([&mainWindow] { mainWindow.BringForward(); });
    if (!headless) {
        // Without a display no window can come forward: the request goes unanswered, and the
        // asker says so instead of claiming it did.
        instance->OnLibraryRequest([&mainWindow] { mainWindow.ShowLibraryWindow(); });
    }
    instance->OnGameHandedOver([&mainWindow](ProcessId id, ProcessHandle handle) {
        mainWindow.presenter().OnGameHandedOver(id, handle);
    });
    instance->OnNotice([&mainWindow](const std::string& line) { mainWindow.presenter().Log(line); });
    mainWindow.OnClosed([&instance] { instance->Release(); });
    mainWindow.Start();
    if (!noInstance.empty()) {
        mainWindow.presenter().Log(noInstance);
    }
    if (privileges) {
        mainWindow.presenter().Log(privileges->line);
    }
    if (const std::string problem = settings.Problem(); !problem.empty()) {
        mainWindow.presenter().Log(problem);
    }
    if (showLibrary) {
        mainWindow.ShowLibraryWindow();
    }
    if (headless) {
        // Said once start-up is done, so that whoever waits for it knows Clipwarden is watching.
        std::fprintf(stderr, "Clipwarden: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                             "running without a window. The log follows on standard output.\n");
    }
    return QApplication::exec();
}
