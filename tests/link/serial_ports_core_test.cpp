#include "link/serial_ports.h"
#include "link/uucp_lock.h"
#include "tests/support/fake_serial_tree.h"
#include "tests/support/live_child.h"
#include "tests/support/temporary_directory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// One port as a line, so that a whole list compares at once.
std::string Line(const t_serial_port& p) {
    return p.name + " | " + p.node + " | " + (p.kind == SerialPortKind::Usb ? "usb" : "builtin") +
           " | " + p.manufacturer + " | " + p.product + " | " + p.serial + " | " + p.vendorId +
           ":" + p.productId + " | " + p.driver + " | " + p.problem + " | " +
           std::to_string(p.held) + " " + std::to_string(p.heldBy);
}

std::vector<std::string> Lines(const t_serial_port_scan& scan) {
    std::vector<std::string> lines;
    for (const t_serial_port& port : ListSerialPorts(scan)) {
        lines.push_back(Line(port));
    }
    return lines;
}

TEST(SerialPorts, ListsEachPortByItsStableNameWithWhatKeepsItFromUse) {
    TemporaryDirectory temporary("re2_serial_ports_");
    const std::string root = temporary.Path() + "/";
    FakeSerialTree tree(root);
    const std::string twin = "usb-FTDI_FT232R_USB_UART-if00-port0";
    // Two identical adapters without serial numbers: udev's one by-id link leads to the
    // one plugged in last.
    tree.AddUsb({"ttyUSB0", "1-1", "0403", "6001", "FTDI", "FT232R USB UART", "", "ftdi_sio", twin,
                 "pci-0000:00:14.0-usb-0:1:1.0-port0"});
    tree.AddUsb({"ttyUSB1", "1-2", "0403", "6001", "FTDI", "FT232R USB UART", "", "ftdi_sio", twin,
                 "pci-0000:00:14.0-usb-0:2:1.0-port0"});
    tree.AddUsb({"ttyUSB2", "1-3", "1a86", "7523", "", "USB Serial", "", "ch341",
                 "usb-1a86_USB_Serial-if00-port0", "pci-0000:00:14.0-usb-0:3:1.0-port0"});
    // Only its owner may open it.
    tree.AddUsb({"ttyACM0", "1-4", "2341", "0043", "Arduino", "Uno", "7503331", "cdc_acm",
                 "usb-Arduino_Uno_7503331-if00", "pci-0000:00:14.0-usb-0:4:1.0", 0600});
    tree.AddUsb({"ttyUSB3", "1-5", "0403", "6001", "FTDI", "FT232R USB UART", "A10K1ABC",
                 "ftdi_sio", "usb-FTDI_FT232R_USB_UART_A10K1ABC-if00-port0",
                 "pci-0000:00:14.0-usb-0:5:1.0-port0"});
    tree.AddBuiltin("ttyS0", 4);
    tree.AddBuiltin("ttyS1", 0);
    tree.AddBuiltin("ttyS2", 4, false);
    // Held by a live process of the lock file's owner.
    const LiveChild holder;
    ASSERT_GT(holder.Pid(), 0);
    std::filesystem::create_directories(root + "run/lock");
    std::ofstream(root + "run/lock/" + UucpLockName("/dev/ttyUSB3"))
        << std::string(10 - std::to_string(holder.Pid()).size(), ' ') << holder.Pid() << '\n';

    // Someone else, allowed by the group of the nodes: the judgement is the user's, also
    // when the suite runs as root.
    t_serial_port_scan scan;
    scan.root = root;
    scan.user.uid = geteuid() + 1;
    scan.user.gid = getegid() + 1;
    scan.user.groups = {getegid() + 2, getegid()};

    const std::string denied = "brak dostępu: dodaj użytkownika do grupy dialout";
    const std::string held =
        "jest zajęty przez inny program (proces " + std::to_string(holder.Pid()) + ")";
    const std::string heldBy = "1 " + std::to_string(holder.Pid());
    const std::vector<std::string> expected = {
        "/dev/serial/by-id/usb-Arduino_Uno_7503331-if00 | /dev/ttyACM0 | usb | Arduino | Uno | "
        "7503331 | 2341:0043 | cdc_acm | " +
            denied + " | 0 0",
        "/dev/ttyS0 | /dev/ttyS0 | builtin |  |  |  | : | serial |  | 0 0",
        "/dev/serial/by-path/pci-0000:00:14.0-usb-0:1:1.0-port0 | /dev/ttyUSB0 | usb | FTDI | "
        "FT232R USB UART |  | 0403:6001 | ftdi_sio |  | 0 0",
        "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0 | /dev/ttyUSB1 | usb | FTDI | "
        "FT232R USB UART |  | 0403:6001 | ftdi_sio |  | 0 0",
        "/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0 | /dev/ttyUSB2 | usb |  | USB Serial |  "
        "| 1a86:7523 | ch341 |  | 0 0",
        "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K1ABC-if00-port0 | /dev/ttyUSB3 | usb | "
        "FTDI | FT232R USB UART | A10K1ABC | 0403:6001 | ftdi_sio | " +
            held + " | " + heldBy,
    };
    EXPECT_EQ(Lines(scan), expected);

    // Plugged in and pulled out again between two listings.
    const FakeSerialTree::Usb added{
        "ttyUSB4", "1-6",      "067b",
        "2303",    "Prolific", "USB-Serial Controller",
        "",        "pl2303",   "usb-Prolific_USB-Serial_Controller-if00-port0",
        ""};
    tree.AddUsb(added);
    std::vector<std::string> withAdded = expected;
    withAdded.push_back("/dev/serial/by-id/usb-Prolific_USB-Serial_Controller-if00-port0 | "
                        "/dev/ttyUSB4 | usb | Prolific | USB-Serial Controller |  | 067b:2303 | "
                        "pl2303 |  | 0 0");
    EXPECT_EQ(Lines(scan), withAdded);
    tree.RemoveUsb(added);
    EXPECT_EQ(Lines(scan), expected);
}

} // namespace
