#pragma once
// UUCP-style lock files, the way many Linux serial programs announce that a port is theirs:
// "LCK.." plus the device path without "/dev/" (further '/' become '_') in the lock folder,
// holding the owner's process id as "%10d\n".
//
// Any local user may create entries in the lock folder, so an entry is untrusted input:
// only a regular file is read (never through a link, never blocking, a few dozen bytes at
// most). An entry that is no regular file, a file whose process has ended, and a file that
// names no process once kEmptyLockGraceSeconds have passed since it was last written are
// stale and taken over; so is a file whose owner is neither root nor the user of the
// process it names, as anyone could have made it to keep others off the port.

#include <chrono>
#include <string>

// A new lock file may be empty while its program has yet to write its process id.
constexpr int kEmptyLockGraceSeconds = 5;

// Name of the lock file for a fully resolved device path: "LCK..ttyUSB0", "LCK..pts_3".
std::string UucpLockName(const std::string& devicePath);

struct t_uucp_lock_result {
    bool taken = false;    // the lock is ours now (or we may go on without one)
    bool created = false;  // a file was made that Release must remove
    int owner = 0;         // when not taken: the process that holds the port; 0 for a fresh
                           // lock file that names none yet
    bool timedOut = false; // when not taken: the deadline passed while the entry kept changing
    // When taken without a lock file because a stale one could not be removed (a folder
    // where only its owner may remove it, a directory): that entry's path, and the ended
    // process it names (0 for an entry that names none).
    std::string staleLeft;
    int staleOwner = 0;
};

// Takes the lock for devicePath in folder (ending in '/'), trying again while other
// programs change the entry, until deadline. A lock of our own process id is ours. When the
// folder cannot be written, the lock is skipped and the result says taken.
t_uucp_lock_result TakeUucpLock(const std::string& folder, const std::string& devicePath,
                                std::chrono::steady_clock::time_point deadline);
// Removes the lock file for devicePath when it names this process. False when such a file
// is still there afterwards.
bool ReleaseUucpLock(const std::string& folder, const std::string& devicePath);

struct t_uucp_lock_holder {
    bool held = false; // a live lock file of another process
    int owner = 0;     // the process it names; 0 for a lock file that names none yet
};
// Who holds the lock for devicePath in folder, by the rule TakeUucpLock follows, without
// taking it or removing anything.
t_uucp_lock_holder UucpLockHolder(const std::string& folder, const std::string& devicePath);
