#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace clipwarden {

/** The library paths listed in a Steam `libraryfolders.vdf`, in file order. Reads the current
 *  form (numbered entries holding a "path" key) and the older one ("1" "<path>"). A file that
 *  does not parse lists no libraries. */
std::vector<std::string> ParseLibraryFolders(std::string_view text);

} // namespace clipwarden
