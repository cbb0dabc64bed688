#pragma once
// One value of the settings text: read from a block's bytes, shown as text, parsed from
// text, checked against the editor's limits and written back as the editor writes it.

#include "device/settings_keys.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct t_settings_value {
    std::uint32_t number = 0;        // Number*, Tenths8 (tenths), Flag8 and Bit (0 or 1)
    std::vector<std::uint8_t> bytes; // Text16: Windows-1250 bytes; DateTime: the 7 bytes
};

// The value in a block of the key's block; a block too short gives the all-zero value.
t_settings_value ReadSettingsValue(const t_settings_key& key, const std::uint8_t* block,
                                   std::size_t size);
// The value as the text shows it.
std::string FormatSettingsValue(const t_settings_key& key, const t_settings_value& value);
// Parses a value's text (trimmed). A value the field cannot store is refused, one the editor
// would refuse is not. On false, problem says why (empty when AllowedRange says it all).
bool ParseSettingsValue(const t_settings_key& key, std::string_view text, t_settings_value& value,
                        std::string& problem);
// Equal as the editor shows them: any non-zero flag is 1, any slot of year 0 is empty.
bool SameSettingsValue(const t_settings_key& key, const t_settings_value& a,
                       const t_settings_value& b);
// Whether the editor accepts the value; on false, problem as for ParseSettingsValue.
bool EditorAccepts(const t_settings_key& key, const t_settings_value& value, std::string& problem);
// "1..999", "5.0..20.0", "0..15 znaków Windows-1250", ...
std::string AllowedRange(const t_settings_key& key);
// Writes the value as the editor does: a flag as 0 or 1, a text zero-filled, a bit alone.
void WriteSettingsValue(const t_settings_key& key, const t_settings_value& value,
                        std::uint8_t* block, std::size_t size);
