#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/gamefiles/ReplayReader.h"
#include "core/ports/FileSystem.h"

namespace clipwarden {

/** The details index holds at most this many bytes; a larger file is not read. */
inline constexpr std::size_t kMostIndexBytes = 16 * 1024 * 1024;

/** What the reader made of one stored file, as the index keeps it: raw figures only (ids,
 *  seconds, positions), never names, which depend on the game folder and are made when shown.
 *  The path is not kept: it is read from the file when a replay is looked at closely. */
struct IndexedReplay {
    FileStamp stamp; ///< the file as it was read; another stamp means it must be read again
    ReplayReading reading;
};

/** The details of a replay folder's files, derived from them and kept in the user's cache
 *  folder: losing it costs only the time to read the files again. Keyed by file name and
 *  stamp (file id, size, time to the nanosecond). Stored as versioned CBOR. */
class DetailsIndex {
public:
    /** What is known of `name`, when it was read with this very stamp. */
    [[nodiscard]] const IndexedReplay* Find(const std::string& name, const FileStamp& stamp) const;

    void Put(const std::string& name, const FileStamp& stamp, ReplayReading reading);
    void Remove(const std::string& name);
    /** Drops every entry whose name is not in `names` (files gone behind its back). */
    /** How many were dropped. */
    std::size_t KeepOnly(const std::vector<std::string>& names);

    [[nodiscard]] std::size_t size() const { return entries_.size(); }

    /** The index as the bytes of its file. */
    [[nodiscard]] std::vector<std::uint8_t> Serialize() const;

    /** An index from the bytes of its file; nothing, with `why` set, for bytes that are no
     *  index of this version (damaged, foreign, too large, or too deeply nested). */
    static std::optional<DetailsIndex> Parse(std::span<const std::uint8_t> bytes,
                                             std::string& why);

    /** The file name of the index of the replay folder `folder`: details-<hash>.cbor. */
    static std::string FileName(const std::string& folder);

private:
    std::map<std::string, IndexedReplay> entries_;
};

} // namespace clipwarden
