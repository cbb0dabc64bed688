#pragma once
// A tree of directories, files and links that looks to the serial port listing as sysfs,
// /dev and /dev/serial/ of a machine do, so that a test lists ports of its own making.
// Plain files stand in for device nodes: only their mode, owner and group are read.

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>

class FakeSerialTree {
public:
    // root ends in '/'.
    explicit FakeSerialTree(std::string root) : m_root(std::move(root)) {}

    struct Usb {
        std::string node; // "ttyUSB0"
        std::string bus;  // the USB device's folder name, "1-1"
        std::string vendorId, productId, manufacturer, product, serial;
        std::string driver; // "ftdi_sio"; "cdc_acm" makes the interface the device
        std::string byId;   // the /dev/serial/by-id/ link, empty for none
        std::string byPath; // the /dev/serial/by-path/ link, empty for none
        mode_t mode = 0660; // of the device node
    };

    void AddUsb(const Usb& usb) {
        namespace fs = std::filesystem;
        const fs::path device = m_root + "sys/devices/pci0000:00/usb1/" + usb.bus;
        fs::create_directories(device);
        Write(device / "idVendor", usb.vendorId);
        Write(device / "idProduct", usb.productId);
        if (!usb.manufacturer.empty()) {
            Write(device / "manufacturer", usb.manufacturer);
        }
        Write(device / "product", usb.product);
        if (!usb.serial.empty()) {
            Write(device / "serial", usb.serial);
        }
        const fs::path interface = device / (usb.bus + ":1.0");
        fs::create_directories(interface);
        Write(interface / "bInterfaceNumber", "00");
        fs::path port = interface;
        if (usb.driver != "cdc_acm") {
            port = interface / usb.node;
            fs::create_directories(port);
            Write(port / "port_number", "0");
        }
        fs::create_directories(m_root + "sys/bus/usb/drivers/" + usb.driver);
        fs::create_symlink(m_root + "sys/bus/usb/drivers/" + usb.driver, port / "driver");
        AddClassEntry(usb.node, port);
        AddNode(usb.node, usb.mode);
        if (!usb.byId.empty()) {
            LinkNode("by-id", usb.byId, usb.node);
        }
        if (!usb.byPath.empty()) {
            LinkNode("by-path", usb.byPath, usb.node);
        }
    }

    void RemoveUsb(const Usb& usb) {
        namespace fs = std::filesystem;
        fs::remove_all(m_root + "sys/devices/pci0000:00/usb1/" + usb.bus);
        fs::remove_all(m_root + "sys/class/tty/" + usb.node);
        fs::remove(m_root + "dev/" + usb.node);
        if (!usb.byId.empty()) {
            fs::remove(m_root + "dev/serial/by-id/" + usb.byId);
        }
        if (!usb.byPath.empty()) {
            fs::remove(m_root + "dev/serial/by-path/" + usb.byPath);
        }
    }

    // Makes the device node of an added port a link to device: a pseudo-terminal standing
    // in for the adapter.
    void LinkNodeTo(const std::string& node, const std::string& device) {
        std::filesystem::remove(m_root + "dev/" + node);
        std::filesystem::create_symlink(device, m_root + "dev/" + node);
    }

    // A ttyS port as Linux 6.5 and later show one: the tty's device is a port on the
    // serial-base bus, below its controller, below the hardware (driver "serial"). type is
    // the UART type sysfs gives (0 for none); withDevice false for an entry without a
    // device link.
    void AddBuiltin(const std::string& node, int type, bool withDevice = true) {
        namespace fs = std::filesystem;
        const fs::path hardware = m_root + "sys/devices/pnp0/00:0" + node.substr(4);
        const fs::path port = hardware / (hardware.filename().string() + ":0") /
                              (hardware.filename().string() + ":0.0");
        fs::create_directories(port);
        for (const auto& [bus, driver] : {std::pair<std::string, std::string>{"pnp", "serial"},
                                          {"serial-base", "ctrl"},
                                          {"serial-base", "port"}}) {
            fs::create_directories(m_root + "sys/bus/" + bus + "/drivers/" + driver);
        }
        fs::create_symlink(m_root + "sys/bus/pnp/drivers/serial", hardware / "driver");
        fs::create_symlink(m_root + "sys/bus/serial-base/drivers/ctrl",
                           port.parent_path() / "driver");
        fs::create_symlink(m_root + "sys/bus/serial-base/drivers/port", port / "driver");
        if (withDevice) {
            AddClassEntry(node, port);
        } else {
            fs::create_directories(m_root + "sys/class/tty/" + node);
        }
        Write(m_root + "sys/class/tty/" + node + "/type", std::to_string(type));
        AddNode(node, 0660);
    }

private:
    static void Write(const std::filesystem::path& path, const std::string& text) {
        std::ofstream(path) << text << '\n';
    }
    void AddClassEntry(const std::string& node, const std::filesystem::path& device) {
        const std::filesystem::path entry = m_root + "sys/class/tty/" + node;
        std::filesystem::create_directories(entry);
        std::filesystem::create_symlink(device, entry / "device");
    }
    void AddNode(const std::string& node, mode_t mode) {
        std::filesystem::create_directories(m_root + "dev");
        const std::string path = m_root + "dev/" + node;
        std::ofstream{path};
        ::chmod(path.c_str(), mode);
    }
    void LinkNode(const std::string& folder, const std::string& name, const std::string& node) {
        const std::string dir = m_root + "dev/serial/" + folder + "/";
        std::filesystem::create_directories(dir);
        std::filesystem::remove(dir + name);
        std::filesystem::create_symlink("../../" + node, dir + name);
    }

    std::string m_root;
};
