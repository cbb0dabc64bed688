#include "cli/device_status_view.h"

#include "base/win1250.h"

#include <cctype>
#include <nlohmann/json.hpp>

namespace {

// The panel's "Name : value" lines as fields named in lower case; a line without a name is
// given the one passed.
void AddPanelLines(t_status_fields& fields, const std::string& panel,
                   const std::vector<std::string>& unnamed = {}) {
    std::size_t start = 0;
    std::size_t index = 0;
    while (start < panel.size()) {
        std::size_t end = panel.find("\r\n", start);
        if (end == std::string::npos) {
            end = panel.size();
        }
        const std::string line = panel.substr(start, end - start);
        start = end + 2;
        if (line.empty()) {
            continue;
        }
        std::string name;
        std::string value;
        if (const std::size_t colon = line.find(" : "); colon != std::string::npos) {
            name = line.substr(0, colon);
            value = line.substr(colon + 3);
        } else {
            name = index < unnamed.size() ? unnamed[index] : "";
            value = line;
        }
        ++index;
        if (!name.empty()) {
            name[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[0])));
        }
        fields.emplace_back(name, value);
    }
}

bool Bit(unsigned value, int bit) {
    return ((value >> bit) & 1u) != 0;
}

} // namespace

t_status_fields StatusFields(const t_live_status& status) {
    t_status_fields fields;
    if (status.programmer) {
        return fields;
    }
    AddPanelLines(fields, FormatSpeedPosition(status.speed, status.position),
                  {"Prędkość", "Położenie"});
    AddPanelLines(fields, FormatInputs(status));
    AddPanelLines(fields, FormatOutputs(status));
    AddPanelLines(fields, FormatSupply(status));
    return fields;
}

void AddStatusJson(const t_live_status& status, nlohmann::json& object) {
    object["kind"] = status.programmer ? "programmer" : "recorder";
    if (status.programmer) {
        return;
    }
    object["speed_m_s"] = status.speed / 100.0;
    object["position_m"] = status.position / 1000.0;
    nlohmann::json inputs = nlohmann::json::array();
    for (const std::uint8_t input : status.inputs) {
        inputs.push_back(Win1250ToUtf8Z(&input, 1));
    }
    object["inputs"] = inputs;
    nlohmann::json outputs = nlohmann::json::array();
    for (int i = 0; i < 4; ++i) {
        outputs.push_back(Bit(status.outputs, i) ? 1 : 0);
    }
    object["outputs"] = outputs;
    object["test"] = Bit(status.outputs, 4);
    object["tacho_0"] = Bit(status.outputs, 5);
    object["tacho_1"] = Bit(status.outputs, 6);
    object["low_supply"] = Bit(status.outputs, 7);
    object["inspection_due"] = Bit(status.flags, 0);
    object["supply_v"] = status.supply / 10.0;
}
