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

std::string Section(int block) {
    return "[" + std::string(SettingsSectionName(block)) + "]";
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
        out += (out.empty() ? "" : ", ") + Section(block);
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

} // namespace

std::string t_settings_error::Text() const {
    std::string out = line > 0 ? Format("linia %d: ", line) : std::string();
    if (!key.empty()) {
        out += key + ": ";
    }
    out += problem;
    if (!allowed.empty()) {
        out += (problem.empty() ? "" : "; ") + std::string("dozwolone ") + allowed;
    }
    return out;
}

std::vector<t_settings_error> DumpSettings(const t_settings_blocks& blocks, std::string& text) {
    std::vector<t_settings_error> errors;
    for (const auto& [block, bytes] : blocks) {
        if (SettingsSectionName(block).empty()) {
            errors.push_back({0, Format("blok %d", block), "to nie blok ustawień", ""});
        } else if (bytes.size() != protocol::BlockSize(block)) {
            errors.push_back({0, Section(block),
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
        text += (text.empty() ? "" : "\n") + Section(block) + "\n";
        for (const t_settings_key& key : SettingsKeys()) {
            if (key.block == block) {
                const std::string value =
                    FormatSettingsValue(key, ReadSettingsValue(key, bytes.data(), bytes.size()));
                text += key.key + (value.empty() ? " =" : " = " + value) + "\n";
            }
        }
        text += std::string(kRawKey) + " = " + Hex(bytes) + "\n";
    }
    return errors;
}

std::vector<t_settings_error> ParseSettingsText(std::string_view text, t_settings_file& file) {
    std::vector<t_settings_error> errors;
    file = t_settings_file{};
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        text.remove_prefix(kByteOrderMark.size());
    }
    std::map<int, int> sectionLines; // block -> line of its section
    std::map<std::string, int, std::less<>> keyLines;
    bool inSection = false; // false also after a refused section, whose lines are skipped
    bool refusedSection = false;
    int number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        line = Trim(line);
        if (line.empty() || line.front() == '#' || line.front() == ';') {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            const std::string_view name = Trim(line.substr(1, line.size() - 2));
            const int block = SettingsBlockOfSection(name);
            inSection = false;
            refusedSection = true;
            if (block == 0) {
                errors.push_back(
                    {number, "[" + Clean(name) + "]", "nieznana sekcja", SectionList()});
            } else if (const auto seen = sectionLines.find(block); seen != sectionLines.end()) {
                errors.push_back({number, Section(block),
                                  Format("sekcja powtórzona (pierwsza w linii %d)", seen->second),
                                  ""});
            } else {
                sectionLines[block] = number;
                file.sections.push_back({number, block, {}});
                keyLines.clear();
                inSection = true;
                refusedSection = false;
            }
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            errors.push_back({number, "", "oczekiwano „[sekcja]” albo „klucz = wartość”", ""});
            continue;
        }
        const std::string_view name = Trim(line.substr(0, equals));
        const std::string_view value = Trim(line.substr(equals + 1));
        if (!inSection) {
            if (!refusedSection) {
                errors.push_back({number, Clean(name), "klucz przed pierwszą sekcją", ""});
            }
            continue;
        }
        t_settings_section& section = file.sections.back();
        const auto [seen, fresh] = keyLines.emplace(std::string(name), number);
        if (!fresh) {
            errors.push_back({number, Clean(name),
                              Format("klucz powtórzony (pierwszy w linii %d)", seen->second), ""});
            continue;
        }
        t_settings_line entry;
        entry.line = number;
        if (name == kRawKey) {
            const std::size_t size = protocol::BlockSize(section.block);
            if (!ParseHex(value, size, entry.value.bytes)) {
                errors.push_back(
                    {number, std::string(kRawKey), "",
                     Format("%zu bajtów jako %zu cyfr szesnastkowych", size, 2 * size)});
                continue;
            }
        } else {
            entry.key = FindSettingsKey(section.block, name);
            if (entry.key == nullptr) {
                errors.push_back(
                    {number, Clean(name), "nieznany klucz w sekcji " + Section(section.block), ""});
                continue;
            }
            std::string problem;
            if (!ParseSettingsValue(*entry.key, value, entry.value, problem)) {
                errors.push_back({number, entry.key->key, problem, AllowedRange(*entry.key)});
                continue;
            }
        }
        section.lines.push_back(std::move(entry));
    }
    return errors;
}

std::vector<t_settings_error> ApplySettings(const t_settings_file& file,
                                            const t_settings_blocks& device, bool other_device,
                                            t_settings_plan& plan) {
    std::vector<t_settings_error> errors;
    plan = t_settings_plan{};
    for (const t_settings_section& section : file.sections) {
        const auto found = device.find(section.block);
        if (found == device.end()) {
            errors.push_back({section.line, Section(section.block),
                              "urządzenie nie ma tego bloku (plik innego rodzaju urządzenia)", ""});
            continue;
        }
        const std::vector<std::uint8_t>& current = found->second;
        if (current.size() != protocol::BlockSize(section.block)) {
            errors.push_back({0, Section(section.block),
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
