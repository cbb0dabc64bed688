// "ports": the machine's serial ports as a list, without opening any of them.

#include "base/shown_text.h"
#include "cli/cli_json.h"
#include "cli/device_cli_options.h"
#include "cli/device_commands.h"
#include "link/serial_ports.h"

#include <nlohmann/json.hpp>
#include <ostream>

namespace {

std::string Description(const t_serial_port& port) {
    if (port.kind == SerialPortKind::Builtin) {
        return "port wbudowany";
    }
    std::string text;
    for (const std::string* word : {&port.manufacturer, &port.product, &port.serial}) {
        if (!word->empty()) {
            text += (text.empty() ? "" : " ") + *word;
        }
    }
    return text;
}

nlohmann::json OrNull(const std::string& text) {
    return text.empty() ? nlohmann::json(nullptr) : nlohmann::json(text);
}

nlohmann::json AsJson(const t_serial_port& port) {
    return {
        {"name", port.name},
        {"node", port.node},
        {"kind", port.kind == SerialPortKind::Usb ? "usb" : "builtin"},
        {"manufacturer", OrNull(port.manufacturer)},
        {"product", OrNull(port.product)},
        {"serial", OrNull(port.serial)},
        {"vendor_id", OrNull(port.vendorId)},
        {"product_id", OrNull(port.productId)},
        {"driver", OrNull(port.driver)},
        {"usable", port.problem.empty()},
        {"problem", OrNull(port.problem)},
        {"held_by",
         port.held && port.heldBy > 0 ? nlohmann::json(port.heldBy) : nlohmann::json(nullptr)},
    };
}

} // namespace

int RunPorts(const t_device_cli_options& options, std::ostream& out) {
    const std::vector<t_serial_port> ports = ListSerialPorts(ProcessSerialPortScan());
    if (options.json) {
        nlohmann::json list = nlohmann::json::array();
        for (const t_serial_port& port : ports) {
            list.push_back(AsJson(port));
        }
        // A USB string need not be valid UTF-8: such bytes become U+FFFD rather than end
        // the listing.
        out << JsonText(list);
        return 0;
    }
    for (const t_serial_port& port : ports) {
        out << ShownText(port.name) << '\t' << ShownText(port.node) << '\t'
            << ShownText(Description(port));
        if (!port.problem.empty()) {
            out << '\t' << port.problem;
        }
        out << '\n';
    }
    return 0;
}
