#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "core/gamefiles/GameNames.h"
#include "core/gamefiles/ReplayReader.h"
#include "core/gamefiles/ReplayTexts.h"

namespace clipwarden {

class FileSystem;
class Registry;
class SettingsStore;
struct SearchPlaces;

/** Reads the file at `path` as a replay: at most kMostReplayBytes of an ordinary file (a link
 *  followed), never waiting on anything else. A folder, a device or a file that cannot be
 *  read is no replay, and says why. */
ReplayReading InspectReplayFile(FileSystem& files, const std::string& path);

/** One line (no line break) for a person: "name: 30.0 s, Ocean Beach, 07:38 Extra sunny,
 *  on foot; Sentinel, Rio" or "name: not a replay: why". Control characters and bytes that
 *  are not UTF-8 in `file` are escaped, so that a name never starts another line. */
std::string InspectionLine(const std::string& file, const ReplayReading& reading,
                           const GameNames& names);

/** One JSON object (no line break) for a script, its keys in a fixed order. */
std::string InspectionJson(const std::string& file, const ReplayReading& reading,
                           const GameNames& names);

/** The answer to `--inspect [--json] FILE...`: a line a file, each handed to `print` as it
 *  is read, in the order given. The exit status: 0 when every file is a replay, else 1. */
int InspectReplays(FileSystem& files, const std::vector<std::string>& paths, bool json,
                   const GameNames& names, const std::function<void(const std::string&)>& print);

/** `clipwarden --inspect`: the game folder from the settings (else the one found here) names
 *  the places and vehicles, then each file is read and printed to `out`; a game file that
 *  could not be read is said on `err`. Nothing is written anywhere. The exit status. */
int AnswerInspect(FileSystem& files, SettingsStore& settings, const SearchPlaces& places,
                  Registry& registry, const std::string& defaultGameFolder,
                  const std::vector<std::string>& paths, bool json, std::ostream& out,
                  std::ostream& err);

} // namespace clipwarden
