#pragma once
// Whether a user may open a device node for reading and writing, judged from the node's
// mode, owner and group as the kernel's permission check does without ACLs. The user is a
// value, so that the judgement can be made for someone else (and tested as root).

#include <sys/types.h>
#include <vector>

struct t_port_user {
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups; // the supplementary groups
};

// The effective user and groups of this process.
t_port_user CurrentPortUser();

// True when user may open a node of that mode, owner and group for reading and writing.
// Root may open any.
bool MayReadWrite(mode_t mode, uid_t owner, gid_t group, const t_port_user& user);
