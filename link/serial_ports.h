#pragma once
// The machine's serial ports, read from sysfs and /dev/serial/ directly (no udev daemon
// needed), under a root path so that a tree of a test's own can stand in for "/".
//
// Which ports: every entry of <root>sys/class/tty with a "device" link.
// - A USB port is one with a USB device (a folder with idVendor) above its device; maker,
//   model, serial number and vendor:product come from that USB device.
// - Any other is a built-in port, listed only where a UART is behind it: its "type"
//   attribute (the UART type serial drivers give) exists and is not 0. The 8250 driver
//   registers ttyS0 to ttyS3 (and more) whether or not hardware answers, and gives those
//   without hardware type 0; consoles and pseudo-terminals have no device link.
//
// Its stable name: for a USB port its /dev/serial/by-id/ link, unless another USB port
// has the same maker, model, serial number, vendor:product, interface and port number (two
// identical adapters without serial numbers), which udev gives the same by-id name; then
// its /dev/serial/by-path/ link. Without the link it needs, and for a built-in port, its
// device node.
//
// Text read from sysfs is untrusted: each attribute is read to a bounded length, its
// line end stripped, control characters replaced by '?'.

#include "link/port_access.h"

#include <string>
#include <vector>

enum class SerialPortKind { Usb, Builtin };

struct t_serial_port {
    std::string name; // the stable name, as a path under the real "/"
    std::string node; // "/dev/ttyUSB0"
    SerialPortKind kind = SerialPortKind::Builtin;
    std::string manufacturer; // USB only, each empty when the device gives none
    std::string product;
    std::string serial;
    std::string vendorId; // "0403"
    std::string productId;
    std::string driver; // "ftdi_sio", "serial"; empty when unknown
    // The file the node leads to in the end, its links followed (the node itself on a real
    // machine); empty when the node is missing. A COMn link leads to this port when it
    // ends at the same file.
    std::string device;
    bool present = false; // the device node exists
    bool mayOpen = false; // the user may open it for reading and writing
    bool held = false;    // another program's lock file holds it
    int heldBy = 0;       // its process; 0 when the lock file names none yet
    // Why the port cannot be used, as the console would say after "Port X "; empty for a
    // usable one.
    std::string problem;
};

struct t_serial_port_scan {
    std::string root = "/";
    std::string lockFolder; // ending in '/'; empty for <root>run/lock/
    t_port_user user;       // whose access is judged
};

// The ports, in order of their device node (ttyS2 before ttyS10).
std::vector<t_serial_port> ListSerialPorts(const t_serial_port_scan& scan);

// The environment variable that moves the root of the listing; only tests set it, to a tree
// of their own.
constexpr char kSerialRootVariable[] = "RE2_SYSFS_ROOT";
// The listing this process makes: the root RE2_SYSFS_ROOT names ("/" without it), the
// access judged for this process's user.
t_serial_port_scan ProcessSerialPortScan();

// What a link is to say to lead to port: its stable name, under the root of the scan that
// found it (the name itself for "/").
std::string StableNameUnder(const t_serial_port_scan& scan, const t_serial_port& port);
