#pragma once
// Why a port could not be opened: the step that failed and the system's error number, kept
// beside the design's plain 0 so that the user can be told what to do about it. And what
// the user is told about a port that did open.

#include <string>

// The step of opening a port that failed, in the order they are taken.
enum class PortStep {
    None,         // no failure
    Speed,        // a baud rate the port code has no setting for (no errno)
    Open,         // open(2) of the device path
    NotTerminal,  // the path is not a terminal device
    Lock,         // another descriptor holds the advisory lock
    LockFile,     // another process holds the port's lock file
    Exclusive,    // setting exclusive use
    Attributes,   // reading the line settings
    LineSettings, // the line settings were refused
    WakeEvent,    // the worker's wake-up descriptor could not be made
    Gone,         // the open port went away and was not back within the wait (no errno)
};

struct t_port_failure {
    PortStep step = PortStep::None;
    int error = 0;     // errno of the failing call; 0 where the step has none
    std::string path;  // the device "COMn" names, fully resolved where it exists
    int lockOwner = 0; // with PortStep::LockFile: the process the lock file names

    bool Failed() const { return step != PortStep::None; }
};

// What an open that succeeded has to tell the user: a stale lock file that could not be
// removed, so that the port was opened under the advisory lock alone.
struct t_port_notice {
    std::string path;     // the device "COMn" names, fully resolved
    std::string lockFile; // the entry left in the lock folder; empty for nothing to tell
    int lockOwner = 0;    // the ended process it names; 0 for an entry that names none

    bool Any() const { return !lockFile.empty(); }
};
