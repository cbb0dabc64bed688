#pragma once
// The settings blocks of a unit as UTF-8 text a person can read and a diff can compare, and
// back: blocks 2, 3 and 4 of a recorder, block 5 of a programmer.
//
//   [konfiguracja]
//   nr_fabryczny = 1234
//   opis = "Wyciąg 1"
//   ...
//   surowe = 0000d204...
//
// One section per block, named after its editor; one `key = value` line per field the
// editor shows, in the editor's units (settings_keys.h lists them); texts in double quotes
// with \" \\ and \xNN (NN a Windows-1250 byte) for what a reader could not see; inspection
// dates as `YYYY-MM-DD HH:MM:SS`, nothing for an empty slot. The last line of a section,
// `surowe`, holds the whole block in hexadecimal, so a dump loses nothing. Lines starting
// with # or ; are comments. A file may leave keys, `surowe` and sections out: what it does
// not name stays as the device has it.

#include "device/settings_value.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

// Block id -> the block's bytes as read from the device.
using t_settings_blocks = std::map<int, std::vector<std::uint8_t>>;

// A refused file or block. Text(): "linia 12: opis: za długi tekst (16 znaków); dozwolone
// 0..15 znaków Windows-1250".
struct t_settings_error {
    int line = 0;        // 1-based; 0 when no line of the file is at fault
    std::string key;     // the key, "[section]" or "surowe"
    std::string problem; // may be empty when the allowed range says it all
    std::string allowed; // may be empty
    std::string Text() const;
};

// "[name]" of the block's section, as the text and the messages about it name it.
std::string SettingsSectionHeader(int block);

// The text of the settings blocks given (in order of id). Nothing is given when a block is
// not a settings block or its length is not the block's.
std::vector<t_settings_error> DumpSettings(const t_settings_blocks& blocks, std::string& text);

// One `key = value` line, its value checked against what the field can store; the limits of
// the editor are checked only where the value differs from the device's.
struct t_settings_line {
    int line = 0;
    const t_settings_key* key = nullptr; // nullptr for `surowe`
    t_settings_value value;              // for `surowe`: bytes, the whole block
};

struct t_settings_section {
    int line = 0;
    int block = 0;
    std::vector<t_settings_line> lines;
};

struct t_settings_file {
    std::vector<t_settings_section> sections;
};

// Parses untrusted text. Every bad line is reported; the file is usable only when no error
// is given.
std::vector<t_settings_error> ParseSettingsText(std::string_view text, t_settings_file& file);

// Every field of a parsed file against the editors' limits, as a write checks a changed
// one, with no device to compare with; the factory number, never written, has none. The
// errors carry the file's lines.
std::vector<t_settings_error> CheckSettingsFile(const t_settings_file& file);

// A field whose value in the file differs from the device's.
struct t_settings_change {
    std::string key;
    std::string device; // both as the text shows them
    std::string file;
};

struct t_settings_block_plan {
    int block = 0;
    std::vector<std::uint8_t> bytes; // what to write: the device's bytes with the changes
    std::vector<t_settings_change> changes;
    bool changed = false; // bytes differs from the device's block
    // The file's `surowe` differs from the device's block in bits no key covers, and the
    // device's were kept (as they are without other_device).
    bool unshownKept = false;
};

struct t_settings_plan {
    std::vector<t_settings_block_plan> blocks; // one per section of the file, in its order
    // The file names another factory number than the device holds: the caller refuses
    // unless told to copy the settings to another device.
    bool otherDevice = false;
    unsigned deviceFactoryNumber = 0;
    unsigned fileFactoryNumber = 0;
};

// Applies a parsed file to the device's blocks. A field equal to the device's keeps the
// device's bytes untouched; a changed one must be within the editor's limits and is written
// as the editor writes it. The factory number is never written. Bits no key covers stay the
// device's, or with other_device become those of the file's `surowe` line (a change named
// `surowe`). On errors (a changed value out of limits, a section for a block the device did
// not give, a device block of a wrong length) the plan is not to be used.
std::vector<t_settings_error> ApplySettings(const t_settings_file& file,
                                            const t_settings_blocks& device, bool other_device,
                                            t_settings_plan& plan);
