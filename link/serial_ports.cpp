#include "link/serial_ports.h"

#include "link/port_failure_text.h"
#include "link/uucp_lock.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The longest attribute kept: USB strings are at most 126 characters (in UTF-8 up to
// three bytes each).
constexpr std::size_t kMaxAttributeBytes = 400;
// The most folders walked up from a tty's device to its USB device.
constexpr int kMaxUsbDepth = 16;

std::string ReadAttribute(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    std::string text(kMaxAttributeBytes, '\0');
    std::size_t length = 0;
    while (length < kMaxAttributeBytes) {
        const ssize_t n = ::read(fd, text.data() + length, kMaxAttributeBytes - length);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        length += static_cast<std::size_t>(n);
    }
    ::close(fd);
    text.resize(length);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            c = '?';
        }
    }
    return text;
}

// Device node name -> the links of a /dev/serial/ folder that lead to it.
std::map<std::string, std::vector<std::string>> LinksByNode(const fs::path& folder,
                                                            const std::string& shownFolder) {
    std::map<std::string, std::vector<std::string>> links;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const fs::path target = fs::read_symlink(it->path(), error);
        if (error) {
            error.clear();
            continue;
        }
        links[target.filename().string()].push_back(shownFolder + it->path().filename().string());
    }
    for (auto& entry : links) {
        std::sort(entry.second.begin(), entry.second.end());
    }
    return links;
}

// The USB device folder above device and the interface folder just below it; empty when
// device is not on USB.
void FindUsbParent(const fs::path& device, const fs::path& top, fs::path& usb,
                   fs::path& interface) {
    fs::path below;
    fs::path at = device;
    for (int depth = 0; depth < kMaxUsbDepth && at != top && at.has_relative_path(); ++depth) {
        std::error_code error;
        if (fs::exists(at / "idVendor", error)) {
            usb = at;
            interface = below;
            return;
        }
        below = at;
        at = at.parent_path();
    }
}

// The driver of device: Linux 6.5 and later put a port and its controller on the
// "serial-base" bus between the tty and the hardware, with drivers "port" and "ctrl" that
// say nothing; the hardware's driver (serial, serial8250, ...) is the next one up.
std::string DriverOf(const fs::path& device, const fs::path& top) {
    fs::path at = device;
    for (int depth = 0; depth < kMaxUsbDepth && at != top && at.has_relative_path(); ++depth) {
        std::error_code error;
        const fs::path driver = fs::read_symlink(at / "driver", error);
        if (!error && driver.parent_path().parent_path().filename() != "serial-base") {
            return driver.filename().string();
        }
        if (error && depth == 0) {
            return {};
        }
        at = at.parent_path();
    }
    return {};
}

// ttyS2 before ttyS10: the letters, then the number.
bool NodeOrder(const t_serial_port& a, const t_serial_port& b) {
    const auto split = [](const std::string& node) {
        std::size_t digits = node.size();
        while (digits > 0 && node[digits - 1] >= '0' && node[digits - 1] <= '9') {
            --digits;
        }
        const std::string number = node.substr(digits);
        return std::make_pair(node.substr(0, digits),
                              number.empty() ? -1L : std::strtol(number.c_str(), nullptr, 10));
    };
    return split(a.node) < split(b.node);
}

struct t_found {
    t_serial_port port;
    std::string identity; // what udev builds the by-id name of; empty for a built-in port
};

bool ReadPort(const fs::path& root, const std::string& name, t_found& found) {
    const fs::path entry = root / "sys/class/tty" / name;
    std::error_code error;
    const fs::path device = fs::canonical(entry / "device", error);
    if (error) {
        return false;
    }
    t_serial_port& port = found.port;
    port.node = "/dev/" + name;
    const fs::path top = fs::weakly_canonical(root / "sys", error);
    port.driver = DriverOf(device, top);
    fs::path usb;
    fs::path interface;
    FindUsbParent(device, top, usb, interface);
    if (usb.empty()) {
        const std::string type = ReadAttribute(entry / "type");
        if (type.empty() || std::strtol(type.c_str(), nullptr, 10) == 0) {
            return false;
        }
        port.kind = SerialPortKind::Builtin;
        return true;
    }
    port.kind = SerialPortKind::Usb;
    port.manufacturer = ReadAttribute(usb / "manufacturer");
    port.product = ReadAttribute(usb / "product");
    port.serial = ReadAttribute(usb / "serial");
    port.vendorId = ReadAttribute(usb / "idVendor");
    port.productId = ReadAttribute(usb / "idProduct");
    const std::string interfaceNumber =
        interface.empty() ? std::string() : ReadAttribute(interface / "bInterfaceNumber");
    found.identity = port.vendorId + ':' + port.productId + '\n' + port.manufacturer + '\n' +
                     port.product + '\n' + port.serial + '\n' + interfaceNumber + '\n' +
                     ReadAttribute(device / "port_number");
    return true;
}

void JudgeAccess(const fs::path& root, const std::string& lockFolder, const t_port_user& user,
                 t_serial_port& port) {
    struct stat info {};
    const fs::path node = root / port.node.substr(1);
    port.present = ::stat(node.c_str(), &info) == 0;
    std::error_code error;
    const fs::path device = port.present ? fs::canonical(node, error) : fs::path();
    port.device = error ? std::string() : device.string();
    port.mayOpen = port.present && MayReadWrite(info.st_mode, info.st_uid, info.st_gid, user);
    const t_uucp_lock_holder holder = UucpLockHolder(lockFolder, port.node);
    port.held = holder.held;
    port.heldBy = holder.owner;
    if (!port.present) {
        port.problem = PortMissingReason();
    } else if (!port.mayOpen) {
        port.problem = PortDeniedReason();
    } else if (port.held) {
        port.problem = PortBusyReason(port.heldBy);
    }
}

} // namespace

std::vector<t_serial_port> ListSerialPorts(const t_serial_port_scan& scan) {
    const fs::path root = scan.root.empty() ? fs::path("/") : fs::path(scan.root);
    const std::string lockFolder =
        scan.lockFolder.empty() ? (root / "run/lock/").string() : scan.lockFolder;

    std::vector<t_found> found;
    std::error_code error;
    for (fs::directory_iterator it(root / "sys/class/tty", error), end; !error && it != end;
         it.increment(error)) {
        t_found port;
        if (ReadPort(root, it->path().filename().string(), port)) {
            found.push_back(std::move(port));
        }
    }
    std::map<std::string, int> sameIdentity;
    for (const t_found& f : found) {
        if (!f.identity.empty()) {
            ++sameIdentity[f.identity];
        }
    }
    const auto byId = LinksByNode(root / "dev/serial/by-id", "/dev/serial/by-id/");
    const auto byPath = LinksByNode(root / "dev/serial/by-path", "/dev/serial/by-path/");
    const auto firstLink = [](const std::map<std::string, std::vector<std::string>>& links,
                              const std::string& node) {
        const auto it = links.find(node.substr(5));
        return it == links.end() ? std::string() : it->second.front();
    };

    std::vector<t_serial_port> ports;
    for (t_found& f : found) {
        t_serial_port& port = f.port;
        port.name = port.node;
        if (port.kind == SerialPortKind::Usb) {
            const std::string id = firstLink(byId, port.node);
            const std::string path = firstLink(byPath, port.node);
            if (sameIdentity[f.identity] == 1 && !id.empty()) {
                port.name = id;
            } else if (!path.empty()) {
                port.name = path;
            }
        }
        JudgeAccess(root, lockFolder, scan.user, port);
        ports.push_back(std::move(port));
    }
    std::sort(ports.begin(), ports.end(), NodeOrder);
    return ports;
}

t_serial_port_scan ProcessSerialPortScan() {
    t_serial_port_scan scan;
    if (const char* root = std::getenv(kSerialRootVariable); root != nullptr && *root != '\0') {
        scan.root = root;
    }
    scan.user = CurrentPortUser();
    return scan;
}

std::string StableNameUnder(const t_serial_port_scan& scan, const t_serial_port& port) {
    const fs::path root = scan.root.empty() ? fs::path("/") : fs::path(scan.root);
    if (root == "/" || port.name.empty() || port.name.front() != '/') {
        return port.name;
    }
    return (root / port.name.substr(1)).string();
}
