#pragma once
// The keys of the settings text: for every field a settings editor shows, its block, place,
// kind and the editor's limits. Sections are named after the editors: "konfiguracja"
// (block 2), "przeglady" (3), "przekazniki" (4), "dane_programatora" (5).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class t_settings_kind {
    Number16, // u16, shown in decimal
    Number8,  // u8, shown in decimal
    Tenths8,  // u8 in tenths, shown as the editor shows volts: "11", "12.5"
    Flag8,    // u8, any byte but 0 shown as 1; written as 0 or 1
    Bit,      // one bit of a u8
    Text16,   // 16-byte Windows-1250 text ending at its first zero byte
    DateTime, // 7-byte device date-time; a year of 0 is an empty slot
};

struct t_settings_key {
    int block = 0;
    std::string key;
    std::size_t offset = 0;
    t_settings_kind kind = t_settings_kind::Number16;
    std::uint8_t bit = 0; // the bit's mask, for Bit
    // The editor's limits in stored units (tenths for Tenths8); for Text16 its characters,
    // for DateTime the years of a valid date.
    unsigned minimum = 0;
    unsigned maximum = 0;
    const char* unit = "";     // as the editor labels it
    bool neverWritten = false; // the factory number: it names the device
};

// The name of the key that holds the whole block in hexadecimal.
constexpr std::string_view kRawKey = "surowe";

// Every key in the order of the text, block by block in order of id.
const std::vector<t_settings_key>& SettingsKeys();
// The key of the block by its name, or nullptr.
const t_settings_key* FindSettingsKey(int block, std::string_view key);

// The settings blocks in order of id.
const std::vector<int>& SettingsBlocks();
// The section name of a settings block, or "" for another id.
std::string_view SettingsSectionName(int block);
// The block of a section name, or 0.
int SettingsBlockOfSection(std::string_view name);
// For each byte of the block the bits some key covers.
std::vector<std::uint8_t> SettingsCoverage(int block);
// Bytes the key occupies.
std::size_t SettingsKeyWidth(t_settings_kind kind);
