#pragma once

#include <sys/un.h>

#include <chrono>
#include <string>

#include "core/ports/ProcessService.h"

namespace clipwarden {

// The running Clipwarden listens on a Unix socket for one-line messages,
// "<version> <verb>[ <argument>...]\n". Version 1 knows "raise" and "game <pid>"; the latter
// carries the game's open memory descriptor (SCM_RIGHTS) and is answered "1 ok\n" once taken;
// "raise" and "library" are answered so once done. A request refused gets no answer.
// A receiver ignores a line it does not know.
inline constexpr const char* kRaiseMessage = "1 raise\n";
inline constexpr const char* kLibraryMessage = "1 library\n";
inline constexpr const char* kGameVerb = "1 game ";
inline constexpr const char* kTakenAnswer = "1 ok\n";

/** The folder a path lies in; "." for a bare name. */
std::string FolderOf(const std::string& path);

/** The settings file Clipwarden uses, read from the environment as Qt would. */
std::string SettingsPathOfEnvironment();

/** How long a client waits for the instance, to connect and to be answered. */
inline constexpr std::chrono::seconds kInstanceTimeout{3};

/** Whether `folder` is a folder (not a link) of this user's that neither group nor others
 *  can write to: the only kind of folder the instance's socket lives in. */
bool PrivateFolder(const std::string& folder);

/** The folder the instance of that settings file listens in: $XDG_RUNTIME_DIR when it is
 *  private, else a folder "run" of its own beside the settings file. */
std::string InstanceSocketFolder(const std::string& settingsPath);

/** Where the instance of that settings file listens. */
std::string InstanceSocketPath(const std::string& settingsPath);

/** The socket address of that path; false when the path is too long for one. */
bool InstanceAddress(const std::string& socketPath, sockaddr_un& address);

/** A connected socket to this user's instance listening there, or -1 (with `why`, when
 *  given, saying why): within kInstanceTimeout, and never to a listener of another user.
 *  The caller closes it. */
int ConnectToInstance(const std::string& socketPath, std::string* why = nullptr);

/** True when an instance listens there. */
bool InstanceAnswers(const std::string& socketPath);

/** Hands the game's open memory (/proc/<pid>/mem) to the instance; true once it took it,
 *  else false with `why`. The descriptor stays ours to close either way. */
/** Waits (at most kInstanceTimeout) for the instance's "1 ok" on `fd`; false with `why` set
 *  otherwise (`refused` when it hung up without one). */
bool AwaitAnswer(int fd, const std::string& refused, std::string& why);

bool HandOverGame(const std::string& socketPath, ProcessId id, int memory, std::string& why);

/** A descriptor of /proc/<pid>/mem as the process service's handle; it owns it then. */
ProcessHandle ProcessHandleOfDescriptor(int descriptor);

} // namespace clipwarden
