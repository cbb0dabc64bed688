#include "link/port_choice_text.h"

#include "base/text_format.h"

#include <algorithm>

namespace {

constexpr char kBuiltinLabel[] = "port wbudowany";
constexpr char kNoAdapter[] = "Nie wykryto adaptera USB.";
constexpr char kBrlttyNote[] =
    " Pakiet brltty może go przejmować: sudo apt remove brltty, potem podłącz adapter ponownie.";
// Where udev keeps the stable names; a link into them is named by the name alone.
constexpr const char* kStableNameFolders[] = {"/dev/serial/by-id/", "/dev/serial/by-path/"};

// Why the port cannot be used, short enough for its row: the list beside it gives the
// whole reason.
std::string ShortProblem(const t_serial_port& port) {
    if (!port.present) {
        return "nie istnieje";
    }
    if (!port.mayOpen) {
        return "brak dostępu";
    }
    if (port.held) {
        return port.heldBy > 0 ? Format("zajęty przez proces %d", port.heldBy) : "zajęty";
    }
    return {};
}

std::string WithProblem(std::string text, const t_serial_port& port) {
    const std::string problem = ShortProblem(port);
    return problem.empty() ? text : text + ": " + problem;
}

// A link's target without the stable-name folder (whatever root it lies under).
std::string ShownTarget(const std::string& target) {
    for (const char* folder : kStableNameFolders) {
        const std::size_t at = target.rfind(folder);
        if (at != std::string::npos) {
            return target.substr(at + std::char_traits<char>::length(folder));
        }
    }
    return target;
}

} // namespace

std::string PortLabelText(const t_serial_port& port) {
    if (port.kind == SerialPortKind::Builtin) {
        return kBuiltinLabel;
    }
    std::string text = !port.product.empty()        ? port.product
                       : !port.manufacturer.empty() ? port.manufacturer
                                                    : "USB " + port.vendorId + ":" + port.productId;
    if (!port.serial.empty()) {
        text += ", " + port.serial;
    }
    return text;
}

std::string ComTargetText(int portNumber, const t_com_link& link,
                          const std::vector<t_serial_port>& ports) {
    if (!link.exists) {
        // What the port opens without a link of the user's.
        const std::string node = Format("/dev/ttyS%d", portNumber - 1);
        const auto port = std::find_if(ports.begin(), ports.end(), [&](const t_serial_port& p) {
            return p.kind == SerialPortKind::Builtin && p.node == node;
        });
        if (port == ports.end()) {
            return node + ": brak portu w komputerze";
        }
        return WithProblem(PortLabelText(*port) + " (" + node + ")", *port);
    }
    if (link.device.empty()) {
        return "brak: " + ShownTarget(link.target) + " nie istnieje";
    }
    const auto port = std::find_if(ports.begin(), ports.end(), [&](const t_serial_port& p) {
        return !p.device.empty() && p.device == link.device;
    });
    if (port == ports.end()) {
        return link.device;
    }
    return WithProblem(PortLabelText(*port) + " (" + port->node + ")", *port);
}

std::string PortListNote(const std::vector<t_serial_port>& ports, bool brlttyClaimsAdapters) {
    const bool adapter = std::any_of(ports.begin(), ports.end(), [](const t_serial_port& p) {
        return p.kind == SerialPortKind::Usb;
    });
    if (adapter) {
        return {};
    }
    return std::string(kNoAdapter) + (brlttyClaimsAdapters ? kBrlttyNote : "");
}
