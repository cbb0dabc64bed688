#pragma once
// The live status as re2-device shows it: the window's status panel as "name: value"
// fields, and the same values as JSON (numbers in m/s, m and V). Pure.

#include "device/live_status.h"

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <utility>
#include <vector>

using t_status_fields = std::vector<std::pair<std::string, std::string>>;

// "prędkość" .. "tacho 1", in the panel's order; nothing for a programmer, whose panel
// shows no more.
t_status_fields StatusFields(const t_live_status& status);

// "kind" ("recorder" or "programmer") and, for a recorder, "speed_m_s", "position_m",
// "inputs" (the four characters), "outputs" (four 0/1), "test", "supply_v", "low_supply",
// "inspection_due", "tacho_0", "tacho_1", added to object.
void AddStatusJson(const t_live_status& status, nlohmann::json& object);
