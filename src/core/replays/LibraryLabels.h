#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/ports/FileSystem.h"

namespace clipwarden {

inline constexpr const char* kLabelFileName = "clipwarden-library.json";
inline constexpr std::size_t kLongestLabel = 200; ///< characters
/** A label file larger than this is no label file of ours: it is set aside unread. */
inline constexpr std::size_t kMostLabelFileBytes = 16 * 1024 * 1024;

/** What the player said of one stored replay. */
struct ReplayMark {
    std::string label;
    bool kept = false;
};

/** The labels and kept marks of a replay folder, kept in its label file so that they travel
 *  with the folder. An entry belongs to a stored name and the file's size; the time is not
 *  part of it, as a copy to another disk changes it. */
class LibraryLabels {
public:
    enum class State {
        None,       ///< there is no label file (yet): no labels, and one is written when needed
        Loaded,     ///< read; changes are written back
        SetAside,   ///< it could not be understood and was renamed; a new one is written
        Unreadable, ///< it is there but cannot be read: nothing is shown, nothing written
        Vanished,   ///< it was read and is gone now, or is newer than this program knows
    };

    explicit LibraryLabels(FileSystem& files) : files_(files) {}

    /** Reads the label file of `folder`, forgetting the last folder's. Returns a line for the
     *  log when the file was set aside or cannot be read, "" otherwise. */
    std::string Load(const std::string& folder);

    [[nodiscard]] State state() const { return state_; }
    /** Whether the marks can be trusted and changed: Unreadable and Vanished are not. */
    [[nodiscard]] bool available() const {
        return state_ != State::Unreadable && state_ != State::Vanished;
    }
    /** Why labels are unavailable, for a tooltip or a log line; "" while they are available. */
    [[nodiscard]] const std::string& whyUnavailable() const { return whyUnavailable_; }

    /** The mark of the stored replay `name` of `size` bytes; nothing when it has none. */
    [[nodiscard]] std::optional<ReplayMark> Find(const std::string& name, std::uint64_t size) const;

    /** Gives the replay a mark (an empty label that is not kept drops the entry) and writes
     *  the file. The label is cut to kLongestLabel characters. False, with `why` set and
     *  nothing changed, when the marks are unavailable or the file cannot be written. */
    bool Set(const std::string& name, std::uint64_t size, ReplayMark mark, std::string& why);

    /** Drops the entry of `name`, whatever its size: its file went to the trash, or a new
     *  capture or import took the name. Writes only when there was one. */
    bool Forget(const std::string& name, std::string& why);
    /** The same for many names, with one write for them all. */
    bool Forget(const std::vector<std::string>& names, std::string& why);

    /** Notices a label file that was read and has gone since: from then on the marks are
     *  unavailable, as nothing tells which replays were kept. */
    void CheckStillThere();

    /** Before anything is removed: makes the marks those of the label file now, reading it
     *  again (merged, no kept mark dropped) when another writer changed it. "" when every kept
     *  mark is known; else why not: the marks are unavailable, the file changed into one that
     *  cannot be read, or a damaged label file set aside still waits to be mended. */
    std::string ConfirmMarks();

    /** The label file's path, and the file as last read or written (nothing while none). */
    [[nodiscard]] std::string path() const { return Path(); }
    [[nodiscard]] const std::optional<FileStamp>& seen() const { return seen_; }


    /** The label file's text for `entries` (name → size and mark), and back; nothing when
     *  the text is not a label file this program can read. */
    struct Entry {
        std::string name; ///< as stored
        std::uint64_t size = 0;
        ReplayMark mark;
    };
    using Entries = std::map<std::string, Entry>; ///< by Key()
    [[nodiscard]] static std::string Serialize(const Entries& entries);
    [[nodiscard]] static std::optional<Entries> Parse(const std::string& text, bool ignoreCase);
    /** `fresh` (what the file holds now) with the kept marks of `known` (what this program
     *  held) that it lacks: a kept mark is never dropped by someone else's write. */
    [[nodiscard]] static Entries MergeKept(Entries fresh, const Entries& known);

private:
    [[nodiscard]] std::string Key(const std::string& name) const;
    /** Reads the label file again when someone else changed it since; "" when the marks are
     *  those of the file now, else why not (then they are unavailable). */
    std::string ReadAgainIfChanged();
    /** Applies `change` to the marks of the file as it is now and writes them; on success
     *  they become the marks. */
    template <typename Change>
    bool Write(const Change& change, std::string& why);
    /** The first label file set aside in this folder that is still there; "" when none. */
    [[nodiscard]] std::string FindSetAside();
    [[nodiscard]] std::string Path() const;

    FileSystem& files_;
    std::string folder_;
    Entries entries_;
    /** The label file as last read or written; nothing while there is none. */
    std::optional<FileStamp> seen_;
    /** A damaged label file set aside here: until it is dealt with, nobody knows which
     *  replays it kept. */
    std::string setAside_;
    State state_ = State::Unreadable; ///< until a folder's file was loaded
    std::string whyUnavailable_ = "no replay folder is open";
};

} // namespace clipwarden
