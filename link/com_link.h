#pragma once
// The "COMn" links of the settings folder: what one leads to now, and pointing one at a
// port. A COMn that is no symbolic link (a file, a folder, a device node someone put
// there) is read but never replaced.

#include <string>

struct t_com_link {
    bool exists = false; // the folder holds COMn, of any kind
    bool isLink = false; // ... and it is a symbolic link
    std::string target;  // what the link says; empty for anything but a link
    // The file COMn leads to in the end, its links followed; empty when it leads nowhere
    // (a link to nothing, a loop) or does not exist.
    std::string device;
};

// COMn of folder (ending in '/') as it is now.
t_com_link ReadComLink(const std::string& folder, int portNumber);

// Makes COMn of folder a link to target. The new link is made beside it under a name of its
// own and renamed over COMn, so a reader finds the old link or the new one, never none.
// Empty when done; otherwise why not, for the console ("COM1 nie jest dowiązaniem
// symbolicznym"), with nothing changed and no temporary link left.
std::string PointComLink(const std::string& folder, int portNumber, const std::string& target);
