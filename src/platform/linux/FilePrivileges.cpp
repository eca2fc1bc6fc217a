#include "platform/linux/FilePrivileges.h"

#include <linux/capability.h>
#include <sys/auxv.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>

namespace clipwarden {

namespace {

bool ClearCapabilities() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    std::array<__user_cap_data_struct, _LINUX_CAPABILITY_U32S_3> none{};
    if (syscall(SYS_capset, &header, none.data()) != 0) {
        return false;
    }
    prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
    std::array<__user_cap_data_struct, _LINUX_CAPABILITY_U32S_3> left{};
    if (syscall(SYS_capget, &header, left.data()) != 0) {
        return false;
    }
    for (const auto& set : left) {
        if (set.effective != 0 || set.permitted != 0 || set.inheritable != 0) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<DroppedPrivileges> DropFilePrivileges() {
    if (getauxval(AT_SECURE) == 0) {
        return std::nullopt;
    }
    // Back to the user and group who started the program, for good, then no capability left.
    const gid_t group = getgid();
    const uid_t user = getuid();
    const bool dropped = setresgid(group, group, group) == 0 && setresuid(user, user, user) == 0 &&
                         ClearCapabilities();
    if (!dropped) {
        return DroppedPrivileges{true, "Clipwarden was given privileges through its program file "
                                       "(a file capability, or the set-user-ID or set-group-ID "
                                       "bit) and cannot give them up, so it does not start. "
                                       "Remove them: sudo setcap -r on the program, or "
                                       "chmod u-s,g-s."};
    }
    return DroppedPrivileges{
        false, "Clipwarden was given privileges through its program file (a file capability, or "
               "the set-user-ID or set-group-ID bit) and has dropped them: with them, any "
               "program of yours could take over the whole machine through Clipwarden. For the "
               "game's memory, start the game through Clipwarden instead (Steam launch options: "
               "clipwarden --launch %command%), and remove the privilege from the file."};
}

} // namespace clipwarden
