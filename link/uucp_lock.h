#pragma once
// UUCP-style lock files, the way many Linux serial programs announce that a port is theirs:
// "LCK.." plus the device path without "/dev/" (further '/' become '_') in the lock folder,
// holding the owner's process id as "%10d\n".

#include <string>

// Name of the lock file for a fully resolved device path: "LCK..ttyUSB0", "LCK..pts_3".
std::string UucpLockName(const std::string& devicePath);

struct t_uucp_lock_result {
    bool taken = false;   // the lock is ours now (or we may go on without one)
    bool created = false; // a file was made that Release must remove
    int owner = 0;        // when not taken: the process that holds the port
};

// Takes the lock for devicePath in folder (ending in '/'). A lock whose process is gone is
// stale and taken over; one with our own id is ours. When the folder cannot be written,
// the lock is skipped and the result says taken.
t_uucp_lock_result TakeUucpLock(const std::string& folder, const std::string& devicePath);
// Removes the lock file for devicePath when it names this process.
void ReleaseUucpLock(const std::string& folder, const std::string& devicePath);
