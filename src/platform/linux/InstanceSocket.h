#pragma once

#include <sys/un.h>

#include <string>

#include "core/ports/ProcessService.h"

namespace clipwarden {

// The running Clipwarden listens on a Unix socket for one-line messages,
// "<version> <verb>[ <argument>...]\n". Version 1 knows "raise" and "game <pid>"; the latter
// carries the game's open memory descriptor (SCM_RIGHTS) and is answered "1 ok\n" once taken.
// A receiver ignores a line it does not know.
inline constexpr const char* kRaiseMessage = "1 raise\n";
inline constexpr const char* kGameVerb = "1 game ";
inline constexpr const char* kTakenAnswer = "1 ok\n";

/** The folder a path lies in; "." for a bare name. */
std::string FolderOf(const std::string& path);

/** The settings file Clipwarden uses, read from the environment as Qt would. */
std::string SettingsPathOfEnvironment();

/** Where the instance of that settings file listens: $XDG_RUNTIME_DIR, else beside it. */
std::string InstanceSocketPath(const std::string& settingsPath);

/** The socket address of that path; false when the path is too long for one. */
bool InstanceAddress(const std::string& socketPath, sockaddr_un& address);

/** A connected socket to the instance listening there, or -1. The caller closes it. */
int ConnectToInstance(const std::string& socketPath);

/** True when an instance listens there. */
bool InstanceAnswers(const std::string& socketPath);

/** Hands the game's open memory (/proc/<pid>/mem) to the instance; true once it took it.
 *  The descriptor stays ours to close either way. */
bool HandOverGame(const std::string& socketPath, ProcessId id, int memory);

/** A descriptor of /proc/<pid>/mem as the process service's handle; it owns it then. */
ProcessHandle ProcessHandleOfDescriptor(int descriptor);

} // namespace clipwarden
