#include "device/settings_text.h"

#include "base/text_format.h"
#include "link/protocol.h"

#include <algorithm>

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kMaxKeyEchoed = 40;

std::string_view Trim(std::string_view s) {
    const std::size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

// A key or section name from the file as an error repeats it: shortened, with control
// characters made harmless.
std::string Clean(std::string_view s) {
    std::string out(s.substr(0, kMaxKeyEchoed));
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = '?';
        }
    }
    return out;
}

// "[name]". The strings of this file are appended to, never made by a literal + string:
// GCC 12 at -O3 takes the insert at the front of that temporary for an overlapping copy
// (-Wrestrict, a false alarm) and an optimised build with warnings as errors stops.
std::string Bracketed(std::string_view name) {
    std::string out;
    out.reserve(name.size() + 2);
    out.append("[").append(name).append("]");
    return out;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    out.reserve(2 * bytes.size());
    for (std::uint8_t b : bytes) {
        out += Format("%02x", b);
    }
    return out;
}

bool ParseHex(std::string_view text, std::size_t size, std::vector<std::uint8_t>& out) {
    if (text.size() != 2 * size) {
        return false;
    }
    out.assign(size, 0);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        int d;
        if (c >= '0' && c <= '9') {
            d = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            d = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            d = c - 'A' + 10;
        } else {
            return false;
        }
        out[i / 2] = static_cast<std::uint8_t>(out[i / 2] << 4 | d);
    }
    return true;
}

std::string SectionList() {
    std::string out;
    for (int block : SettingsBlocks()) {
        out.append(out.empty() ? "" : ", ").append(SettingsSectionHeader(block));
    }
    return out;
}

// The bytes of the file's `surowe` that no key covers, laid over the plan's bytes; the
// change lists each byte that moves as "@offset=xx".
bool MergeUnshown(int block, const std::vector<std::uint8_t>& raw, std::vector<std::uint8_t>& bytes,
                  t_settings_change& change) {
    const std::vector<std::uint8_t> mask = SettingsCoverage(block);
    bool differs = false;
    change.key = std::string(kRawKey);
    for (std::size_t i = 0; i < bytes.size() && i < raw.size() && i < mask.size(); ++i) {
        const auto merged = static_cast<std::uint8_t>((bytes[i] & mask[i]) | (raw[i] & ~mask[i]));
        if (merged != bytes[i]) {
            const char* space = differs ? " " : "";
            change.device += Format("%s@%zu=%02x", space, i, bytes[i]);
            change.file += Format("%s@%zu=%02x", space, i, merged);
            bytes[i] = merged;
            differs = true;
        }
    }
    return differs;
}

// The first line of text, without its line end (LF or CRLF), taken off text.
std::string_view TakeLine(std::string_view& text) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

// The sections and keys of one settings text, line by line, into a settings file; what it
// refuses it keeps as errors and goes on.
class SettingsTextReader {
public:
    explicit SettingsTextReader(t_settings_file& file) : m_file(file) {}

    // "[name]" on line number. A refused section's key lines are skipped without an error
    // each: the section's error says it.
    void SectionLine(int number, std::string_view name) {
        const int block = SettingsBlockOfSection(name);
        m_inSection = false;
        m_refusedSection = true;
        if (block == 0) {
            Refuse({number, Bracketed(Clean(name)), "nieznana sekcja", SectionList()});
        } else if (const auto seen = m_sectionLines.find(block); seen != m_sectionLines.end()) {
            Refuse({number, SettingsSectionHeader(block),
                    Format("sekcja powtórzona (pierwsza w linii %d)", seen->second), ""});
        } else {
            m_sectionLines[block] = number;
            m_file.sections.push_back({number, block, {}});
            m_keyLines.clear();
            m_inSection = true;
            m_refusedSection = false;
        }
    }

    // "name = value" on line number.
    void KeyLine(int number, std::string_view name, std::string_view value) {
        if (!m_inSection) {
            if (!m_refusedSection) {
                Refuse({number, Clean(name), "klucz przed pierwszą sekcją", ""});
            }
            return;
        }
        const auto [seen, fresh] = m_keyLines.emplace(std::string(name), number);
        if (!fresh) {
            Refuse({number, Clean(name),
                    Format("klucz powtórzony (pierwszy w linii %d)", seen->second), ""});
            return;
        }
        t_settings_section& section = m_file.sections.back();
        t_settings_line entry;
        entry.line = number;
        if (ReadEntry(section.block, name, value, entry)) {
            section.lines.push_back(std::move(entry));
        }
    }

    void Refuse(t_settings_error error) { m_errors.push_back(std::move(error)); }
    std::vector<t_settings_error> TakeErrors() { return std::move(m_errors); }

private:
    // The key and value of entry from a line of the block's section; false when refused.
    bool ReadEntry(int block, std::string_view name, std::string_view value,
                   t_settings_line& entry) {
        if (name == kRawKey) {
            const std::size_t size = protocol::BlockSize(block);
            if (!ParseHex(value, size, entry.value.bytes)) {
                Refuse({entry.line, std::string(kRawKey), "",
                        Format("%zu bajtów jako %zu cyfr szesnastkowych", size, 2 * size)});
                return false;
            }
            return true;
        }
        entry.key = FindSettingsKey(block, name);
        if (entry.key == nullptr) {
            Refuse({entry.line, Clean(name),
                    std::string("nieznany klucz w sekcji ").append(SettingsSectionHeader(block)),
                    ""});
            return false;
        }
        std::string problem;
        if (!ParseSettingsValue(*entry.key, value, entry.value, problem)) {
            Refuse({entry.line, entry.key->key, problem, AllowedRange(*entry.key)});
            return false;
        }
        return true;
    }

    t_settings_file& m_file;
    std::vector<t_settings_error> m_errors;
    std::map<int, int> m_sectionLines;                  // block -> line of its section
    std::map<std::string, int, std::less<>> m_keyLines; // in the current section
    bool m_inSection = false; // false also after a refused section, whose lines are skipped
    bool m_refusedSection = false;
};

} // namespace

std::vector<t_settings_error> CheckSettingsFile(const t_settings_file& file) {
    std::vector<t_settings_error> errors;
    for (const t_settings_section& section : file.sections) {
        for (const t_settings_line& line : section.lines) {
            if (line.key == nullptr || line.key->neverWritten) {
                continue;
            }
            std::string problem;
            if (!EditorAccepts(*line.key, line.value, problem)) {
                errors.push_back({line.line, line.key->key, problem, AllowedRange(*line.key)});
            }
        }
    }
    return errors;
}

std::string SettingsSectionHeader(int block) {
    return Bracketed(SettingsSectionName(block));
}

std::string t_settings_error::Text() const {
    std::string out = line > 0 ? Format("linia %d: ", line) : std::string();
    if (!key.empty()) {
        out += key + ": ";
    }
    out += problem;
    if (!allowed.empty()) {
        out.append(problem.empty() ? "" : "; ").append("dozwolone ").append(allowed);
    }
    return out;
}

std::vector<t_settings_error> DumpSettings(const t_settings_blocks& blocks, std::string& text) {
    std::vector<t_settings_error> errors;
    for (const auto& [block, bytes] : blocks) {
        if (SettingsSectionName(block).empty()) {
            errors.push_back({0, Format("blok %d", block), "to nie blok ustawień", ""});
        } else if (bytes.size() != protocol::BlockSize(block)) {
            errors.push_back({0, SettingsSectionHeader(block),
                              Format("blok z urządzenia ma %zu bajtów zamiast %u", bytes.size(),
                                     protocol::BlockSize(block)),
                              ""});
        }
    }
    if (!errors.empty()) {
        return errors;
    }
    text.clear();
    for (const auto& [block, bytes] : blocks) {
        if (!text.empty()) {
            text += '\n';
        }
        text.append(SettingsSectionHeader(block)).append("\n");
        for (const t_settings_key& key : SettingsKeys()) {
            if (key.block == block) {
                const std::string value =
                    FormatSettingsValue(key, ReadSettingsValue(key, bytes.data(), bytes.size()));
                text.append(key.key).append(" =");
                if (!value.empty()) {
                    text.append(" ").append(value);
                }
                text += '\n';
            }
        }
        text.append(kRawKey).append(" = ").append(Hex(bytes)).append("\n");
    }
    return errors;
}

std::vector<t_settings_error> ParseSettingsText(std::string_view text, t_settings_file& file) {
    file = t_settings_file{};
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        text.remove_prefix(kByteOrderMark.size());
    }
    SettingsTextReader reader(file);
    for (int number = 1; !text.empty(); ++number) {
        const std::string_view line = Trim(TakeLine(text));
        if (line.empty() || line.front() == '#' || line.front() == ';') {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            reader.SectionLine(number, Trim(line.substr(1, line.size() - 2)));
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            reader.Refuse({number, "", "oczekiwano „[sekcja]” albo „klucz = wartość”", ""});
            continue;
        }
        reader.KeyLine(number, Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
    }
    return reader.TakeErrors();
}

std::vector<t_settings_error> ApplySettings(const t_settings_file& file,
                                            const t_settings_blocks& device, bool other_device,
                                            t_settings_plan& plan) {
    std::vector<t_settings_error> errors;
    plan = t_settings_plan{};
    for (const t_settings_section& section : file.sections) {
        const auto found = device.find(section.block);
        if (found == device.end()) {
            errors.push_back({section.line, SettingsSectionHeader(section.block),
                              "urządzenie nie ma tego bloku (plik innego rodzaju urządzenia)", ""});
            continue;
        }
        const std::vector<std::uint8_t>& current = found->second;
        if (current.size() != protocol::BlockSize(section.block)) {
            errors.push_back({0, SettingsSectionHeader(section.block),
                              Format("blok z urządzenia ma %zu bajtów zamiast %u", current.size(),
                                     protocol::BlockSize(section.block)),
                              ""});
            continue;
        }
        t_settings_block_plan block;
        block.block = section.block;
        block.bytes = current;
        const t_settings_line* raw = nullptr;
        for (const t_settings_line& line : section.lines) {
            if (line.key == nullptr) {
                raw = &line;
                continue;
            }
            const t_settings_key& key = *line.key;
            const t_settings_value had = ReadSettingsValue(key, current.data(), current.size());
            if (key.neverWritten) {
                plan.deviceFactoryNumber = had.number;
                plan.fileFactoryNumber = line.value.number;
                plan.otherDevice = had.number != line.value.number;
                continue;
            }
            if (SameSettingsValue(key, had, line.value)) {
                continue; // the device's bytes stay, however the editor would write them
            }
            std::string problem;
            if (!EditorAccepts(key, line.value, problem)) {
                errors.push_back({line.line, key.key, problem, AllowedRange(key)});
                continue;
            }
            WriteSettingsValue(key, line.value, block.bytes.data(), block.bytes.size());
            block.changes.push_back(
                {key.key, FormatSettingsValue(key, had), FormatSettingsValue(key, line.value)});
        }
        if (raw != nullptr) {
            std::vector<std::uint8_t> merged = block.bytes;
            t_settings_change change;
            if (MergeUnshown(section.block, raw->value.bytes, merged, change)) {
                if (other_device) {
                    block.bytes = std::move(merged);
                    block.changes.push_back(std::move(change));
                } else {
                    block.unshownKept = true;
                }
            }
        }
        block.changed = block.bytes != current;
        plan.blocks.push_back(std::move(block));
    }
    return errors;
}
