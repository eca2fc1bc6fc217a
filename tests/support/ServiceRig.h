#pragma once

#include <sstream>

#include "Fakes.h"
#include "TempDir.h"
#include "core/presenters/Services.h"
#include "platform/posix/PosixFileSystem.h"

namespace clipwarden::test {

/** The program's services for the presenters: real files in a temporary folder, fakes for
 *  everything else. */
struct ServiceRig {
    TempDir dir;
    PosixFileSystem files;
    FakeClock clock;
    FakeSettingsStore settings;
    FakeShellFolders shell;
    FakeProcesses processes;
    FakeKeys keys;
    FakeLauncher launcher;
    FakeTrash trash;
    FakeFileManager fileManager;
    FakeFolderWatch folderWatch;
    FakeRegistry registry;
    std::ostringstream echo;
    Services services{files, clock,       settings,    shell, processes,   keys,          launcher,
                      trash, fileManager, folderWatch, registry, echo, "/games/vc", SearchPlaces{}};
};

} // namespace clipwarden::test
