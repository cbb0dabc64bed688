#include "link/port_access.h"

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

t_port_user CurrentPortUser() {
    t_port_user user;
    user.uid = ::geteuid();
    user.gid = ::getegid();
    const int count = ::getgroups(0, nullptr);
    if (count > 0) {
        user.groups.resize(static_cast<std::size_t>(count));
        const int got = ::getgroups(count, user.groups.data());
        // The groups may change between the two calls.
        user.groups.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    }
    return user;
}

bool MayReadWrite(mode_t mode, uid_t owner, gid_t group, const t_port_user& user) {
    if (user.uid == 0) {
        return true;
    }
    // Only the first class that fits counts: an owner without rights is not helped by
    // the group's.
    mode_t wanted = S_IROTH | S_IWOTH;
    if (user.uid == owner) {
        wanted = S_IRUSR | S_IWUSR;
    } else if (user.gid == group ||
               std::find(user.groups.begin(), user.groups.end(), group) != user.groups.end()) {
        wanted = S_IRGRP | S_IWGRP;
    }
    return (mode & wanted) == wanted;
}
