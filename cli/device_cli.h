#pragma once
// re2-device: the device from a shell (see --help and re2-device(1)).

#include <iosfwd>

// Runs the command line; gives the exit status: 0 done, 1 the port, the device or a file
// failed, or the settings file is bad (the reason on err), 2 wrong usage. A termination
// signal ends the process by that signal once the port is given back.
int DeviceMain(int argc, char** argv, std::ostream& out, std::ostream& err);
