#pragma once

#include <string>
#include <vector>

namespace clipwarden {

/** One argument quoted so that the C runtime's parser of the started program reads it back
 *  unchanged: spaces, quotes and backslashes included. */
std::string QuoteArgument(const std::string& argument);

/** `clipwarden.exe --launch COMMAND...`: starts the command with its arguments passed on as
 *  they are, waits for it, and returns its exit status; -1 with `why` set when it could not
 *  be started. Windows lets Clipwarden open the game itself, so nothing is handed over. */
int RunCommandAndWait(const std::vector<std::string>& command, std::string& why);

} // namespace clipwarden
