#pragma once
// Why a port could not be opened: the step that failed and the system's error number, kept
// beside the design's plain 0 so that the user can be told what to do about it.

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
};

struct t_port_failure {
    PortStep step = PortStep::None;
    int error = 0;     // errno of the failing call; 0 where the step has none
    std::string path;  // the device "COMn" names, fully resolved where it exists
    int lockOwner = 0; // with PortStep::LockFile: the process the lock file names

    bool Failed() const { return step != PortStep::None; }
};
