#pragma once
// The port re2-device uses: "COMn", resolved by the link as the window's is (the link COMn
// in the settings folder, else /dev/ttyS<n-1>), or a device path given as it is. Either way
// it is the system's serial port (CComPort), with its exclusive use, locks and line
// settings handed back; what an open has to tell the user is kept for the program to read
// once the link is up.

#include "link/port_failure.h"
#include "link/serial_port.h"

#include <memory>
#include <mutex>
#include <string>

struct t_cli_port {
    int portNumber = 0; // "COMn"; 0 when path names the device
    std::string path;   // a device path, with portNumber 0
    // "COM3" or the path: how messages name the port.
    std::string Name() const;
};

// "COMn" (n 1..255, any case) gives the number; anything else is a path. False for an empty
// text or "COM" followed by something that is no such number.
bool ParseCliPort(const std::string& text, t_cli_port& port);

// What the opens of the link's ports had to tell, shared between the worker that opens
// and the program's thread.
class CPortNotices {
public:
    void Set(const t_port_notice& notice);
    t_port_notice Get() const;

private:
    mutable std::mutex m_lock;
    t_port_notice m_notice;
};

// The maker of the link worker's port: the system's serial port, whose open's notices go
// to notices, which must outlive the link.
SerialPortMaker CliPortMaker(CPortNotices& notices);
