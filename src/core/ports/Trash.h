#pragma once

#include <memory>
#include <string>

namespace clipwarden {

/** The system's trash: a file moved there can be brought back until the trash is emptied. */
class Trash {
public:
    Trash() = default;
    virtual ~Trash() = default;
    Trash(const Trash&) = delete;
    Trash& operator=(const Trash&) = delete;
    Trash(Trash&&) = delete;
    Trash& operator=(Trash&&) = delete;

    /** Moves the file into the trash, never deleting it for good. On failure the file stays
     *  where it was and `why` says why, in a few words. */
    virtual bool MoveToTrash(const std::string& path, std::string& why) = 0;

    /** What the player calls it, as the texts say it: "the trash", on Windows "the Recycle
     *  Bin". */
    [[nodiscard]] virtual std::string Name() const { return "the trash"; }
};

std::unique_ptr<Trash> CreateTrash();

} // namespace clipwarden
