#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/ports/Trash.h"

namespace clipwarden {

/** The freedesktop.org trash, done by hand so that every step is bounded and checked: the
 *  home trash for files on the home trash's volume, elsewhere the volume's `.Trash/<uid>`
 *  (only below a real, sticky `.Trash`) or `.Trash-<uid>` (only a real folder of the user's
 *  own, closed to everyone else). The info file is made first and never replaces one; the
 *  file follows by a rename that never replaces one either; a failure leaves the file where it
 *  was and nothing behind. */
class FreedesktopTrash final : public Trash {
public:
    /** The top folder of the volume that holds `folder` (whose device is `device`), when that
     *  is not the home trash's volume; "" when the home trash takes it. */
    using VolumeTopFinder = std::function<std::string(const std::string& folder,
                                                      std::uint64_t device)>;

    /** `homeTrash`: the home trash's folder, made when missing; "" when there is none.
     *  `volumeTop`: how a file's volume is found; by default by its device, walking up. */
    explicit FreedesktopTrash(std::string homeTrash, VolumeTopFinder volumeTop = {});

    bool MoveToTrash(const std::string& path, std::string& why) override;

private:
    /** The volume's top folder for `folder`, or "" when it lies on the home trash's volume. */
    std::string VolumeTopOf(const std::string& folder, std::uint64_t device) const;

    std::string homeTrash_;
    VolumeTopFinder volumeTop_;
};

/** The home trash of this user: $XDG_DATA_HOME/Trash, else ~/.local/share/Trash, with the home
 *  from $HOME or, when that is unset or not absolute, the user's entry in the password file;
 *  "" when neither gives an absolute folder. */
std::string HomeTrashFolder();

/** `path` as a trash info file writes it: every byte but letters, digits, "-._~" and "/"
 *  as %XX. */
std::string PercentEncodePath(const std::string& path);

} // namespace clipwarden
