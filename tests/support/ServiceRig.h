#pragma once

#include <sstream>

#include "Fakes.h"
#include "TempDir.h"
#include "core/AppState.h"
#include "forms/Services.h"
#include "platform/linux/PosixFileSystem.h"

namespace clipwarden::test {

/** The program's services for the window logic: real files in a temporary folder, fakes for
 *  everything else. */
struct ServiceRig {
    TempDir dir;
    PosixFileSystem files;
    FakeClock clock;
    FakeSettingsStore settings;
    FakeShellFolders shell;
    FakeProcesses processes;
    FakeHooks hooks;
    FakeLauncher launcher;
    std::ostringstream echo;
    Services services{files, clock, settings, shell, processes, hooks, launcher, echo, "/games/vc"};
    AppState state;
};

} // namespace clipwarden::test
