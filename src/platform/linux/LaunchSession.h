#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace clipwarden {

/** `clipwarden --launch COMMAND...`: makes sure a Clipwarden instance runs (starting one
 *  outside this process tree when none does), runs the command as a child so that the game
 *  becomes a descendant, opens the game's memory (which an ancestor may) and hands it to the
 *  instance, and ends with the command's exit status. SIGTERM and SIGINT go on to the command.
 *  `messages` gets a line for each thing the user should know. */
int RunLaunchSession(const std::vector<std::string>& command, std::ostream& messages);

} // namespace clipwarden
