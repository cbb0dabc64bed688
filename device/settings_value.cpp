#include "device/settings_value.h"

#include "base/byte_order.h"
#include "base/device_time.h"
#include "base/text_format.h"
#include "base/win1250.h"
#include "device/configuration_record.h"

#include <algorithm>
#include <cctype>

namespace {

using K = t_settings_kind;

constexpr std::size_t kTimeSize = sizeof(t_device_time);
constexpr std::size_t kMaxEchoed = 40; // characters of a bad value repeated in a message

// The largest number the field can store.
std::uint32_t StorageMax(const t_settings_key& key) {
    switch (key.kind) {
    case K::Number16:
        return 0xFFFF;
    case K::Flag8:
    case K::Bit:
        return 1;
    case K::Number8:
    case K::Tenths8:
    case K::Text16:
    case K::DateTime:
        break;
    }
    return 0xFF;
}

std::string Tenths(unsigned tenths) {
    return tenths % 10 == 0 ? Format("%u", tenths / 10) : Format("%u.%u", tenths / 10, tenths % 10);
}

// A bad value as a message repeats it: shortened, control characters made harmless, so a
// file cannot drive the terminal that shows the message.
std::string Echo(std::string_view text) {
    std::string out(text.substr(0, kMaxEchoed));
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = '?';
        }
    }
    return "„" + out + (text.size() > kMaxEchoed ? "…”" : "”");
}

bool AllDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
}

// Decimal digits into value; false for anything else or a value past max.
bool ParseUnsigned(std::string_view s, std::uint32_t max, std::uint32_t& value) {
    if (!AllDigits(s)) {
        return false;
    }
    std::uint64_t v = 0;
    for (char c : s) {
        v = v * 10 + static_cast<unsigned>(c - '0');
        if (v > max) {
            return false;
        }
    }
    value = static_cast<std::uint32_t>(v);
    return true;
}

// A Windows-1250 byte the text writes as \xNN: controls, the bytes the code page leaves
// undefined, the no-break space and the soft hyphen, all of which a reader cannot see.
bool Escaped(std::uint8_t b) {
    return b < 0x20 || b == 0x7F || b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98 ||
           b == 0xA0 || b == 0xAD;
}

std::string QuoteText(const std::vector<std::uint8_t>& bytes) {
    std::string out = "\"";
    for (std::uint8_t b : bytes) {
        if (b == '"' || b == '\\') {
            out += '\\';
            out += static_cast<char>(b);
        } else if (Escaped(b)) {
            out += Format("\\x%02X", b);
        } else {
            out += Win1250ToUtf8(&b, 1);
        }
    }
    return out + "\"";
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Bytes of the UTF-8 sequence its lead byte starts; 0 for a byte no sequence starts with.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    return lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
}

unsigned CodePoint(std::string_view seq) {
    static constexpr unsigned kLeadBits[5] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    unsigned cp = static_cast<unsigned char>(seq[0]) & kLeadBits[seq.size()];
    for (std::size_t i = 1; i < seq.size(); ++i) {
        cp = (cp << 6) | (static_cast<unsigned char>(seq[i]) & 0x3F);
    }
    return cp;
}

// A quoted text into Windows-1250 bytes. A character the code page cannot hold is refused,
// never replaced.
bool ParseText(std::string_view text, std::vector<std::uint8_t>& out, std::string& problem) {
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') {
        problem = "tekst pisze się w cudzysłowie: \"…\"";
        return false;
    }
    const std::string_view inner = text.substr(1, text.size() - 2);
    out.clear();
    for (std::size_t i = 0; i < inner.size();) {
        const char c = inner[i];
        if (c == '"') {
            problem = "cudzysłów wewnątrz tekstu pisze się \\\"";
            return false;
        }
        if (c == '\\') {
            const char next = i + 1 < inner.size() ? inner[i + 1] : '\0';
            if (next == '"' || next == '\\') {
                out.push_back(static_cast<std::uint8_t>(next));
                i += 2;
                continue;
            }
            if (next == 'x' && i + 3 < inner.size() && HexDigit(inner[i + 2]) >= 0 &&
                HexDigit(inner[i + 3]) >= 0) {
                const int b = HexDigit(inner[i + 2]) * 16 + HexDigit(inner[i + 3]);
                if (b != 0) {
                    out.push_back(static_cast<std::uint8_t>(b));
                    i += 4;
                    continue;
                }
            }
            problem = "znany zapis to \\\", \\\\ i \\xNN (bajt 01-FF)";
            return false;
        }
        const std::size_t n = SequenceLength(static_cast<unsigned char>(c));
        const std::string_view seq = inner.substr(i, n);
        const std::vector<std::uint8_t> b = Utf8ToWin1250(std::string(seq));
        if (n == 0 || seq.size() < n || b.size() != 1) {
            problem = "tekst nie jest poprawnym UTF-8";
            return false;
        }
        if (b[0] == '?' && seq != "?") {
            problem = Format("znak „%s” (U+%04X) nie istnieje w Windows-1250",
                             std::string(seq).c_str(), CodePoint(seq));
            return false;
        }
        out.push_back(b[0]);
        i += n;
    }
    return true;
}

// "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS"; each field as much as its byte holds.
bool ParseDateTime(std::string_view text, std::vector<std::uint8_t>& out) {
    std::string_view date = text;
    std::string_view time;
    if (const std::size_t space = text.find(' '); space != std::string_view::npos) {
        date = text.substr(0, space);
        time = text.substr(text.find_first_not_of(' ', space));
    }
    auto split = [](std::string_view s, char sep, std::string_view parts[3]) {
        for (int i = 0; i < 2; ++i) {
            const std::size_t at = s.find(sep);
            if (at == std::string_view::npos) {
                return false;
            }
            parts[i] = s.substr(0, at);
            s.remove_prefix(at + 1);
        }
        parts[2] = s;
        return true;
    };
    std::string_view d[3];
    std::string_view t[3] = {"0", "0", "0"};
    if (!split(date, '-', d) || (!time.empty() && !split(time, ':', t))) {
        return false;
    }
    std::uint32_t year = 0;
    std::uint32_t field[5] = {};
    std::string_view fieldText[5] = {d[1], d[2], t[0], t[1], t[2]};
    if (!ParseUnsigned(d[0], 0xFFFF, year) || year == 0) {
        return false;
    }
    for (int i = 0; i < 5; ++i) {
        if (!ParseUnsigned(fieldText[i], 0xFF, field[i])) {
            return false;
        }
    }
    const t_device_time dt = MakeDeviceTime(static_cast<int>(year), static_cast<int>(field[0]),
                                            static_cast<int>(field[1]), static_cast<int>(field[2]),
                                            static_cast<int>(field[3]), static_cast<int>(field[4]));
    out.assign(kTimeSize, 0);
    WriteDeviceTime(out.data(), out.size(), 0, dt);
    return true;
}

t_device_time TimeOf(const t_settings_value& value) {
    t_device_time t;
    ReadDeviceTime(value.bytes.data(), value.bytes.size(), 0, t);
    return t;
}

} // namespace

t_settings_value ReadSettingsValue(const t_settings_key& key, const std::uint8_t* block,
                                   std::size_t size) {
    t_settings_value v;
    switch (key.kind) {
    case K::Number16:
        v.number = ReadU16LE(block, size, key.offset);
        break;
    case K::Number8:
    case K::Tenths8:
        v.number = ReadU8(block, size, key.offset);
        break;
    case K::Flag8:
        v.number = ReadU8(block, size, key.offset) != 0 ? 1 : 0;
        break;
    case K::Bit:
        v.number = (ReadU8(block, size, key.offset) & key.bit) != 0 ? 1 : 0;
        break;
    case K::Text16:
        if (FitsIn(size, key.offset, kDescriptionField)) {
            const std::uint8_t* p = block + key.offset;
            v.bytes.assign(p, std::find(p, p + kDescriptionField, 0));
        }
        break;
    case K::DateTime:
        v.bytes.assign(kTimeSize, 0);
        if (FitsIn(size, key.offset, kTimeSize)) {
            std::copy_n(block + key.offset, kTimeSize, v.bytes.begin());
        }
        break;
    }
    return v;
}

std::string FormatSettingsValue(const t_settings_key& key, const t_settings_value& value) {
    switch (key.kind) {
    case K::Tenths8:
        return Tenths(value.number);
    case K::Text16:
        return QuoteText(value.bytes);
    case K::DateTime: {
        const t_device_time t = TimeOf(value);
        if (t.Year() == 0) {
            return std::string();
        }
        return DeviceTimeText(t);
    }
    case K::Number16:
    case K::Number8:
    case K::Flag8:
    case K::Bit:
        break;
    }
    return Format("%u", value.number);
}

bool ParseSettingsValue(const t_settings_key& key, std::string_view text, t_settings_value& value,
                        std::string& problem) {
    problem.clear();
    value = t_settings_value{};
    switch (key.kind) {
    case K::Text16:
        if (!ParseText(text, value.bytes, problem)) {
            return false;
        }
        if (value.bytes.size() > kDescriptionField) {
            problem = Format("za długi tekst (%zu znaków)", value.bytes.size());
            return false;
        }
        return true;
    case K::DateTime:
        if (text.empty()) {
            value.bytes.assign(kTimeSize, 0);
            return true;
        }
        if (!ParseDateTime(text, value.bytes)) {
            problem = Echo(text) + " nie jest datą";
            return false;
        }
        return true;
    case K::Tenths8: {
        const std::size_t point = text.find_first_of(".,");
        const std::string_view whole = text.substr(0, point);
        const std::string_view tenth =
            point == std::string_view::npos ? std::string_view("0") : text.substr(point + 1);
        std::uint32_t w = 0;
        if (!AllDigits(whole) || tenth.size() != 1 || !AllDigits(tenth)) {
            problem = Echo(text) + " nie jest liczbą z najwyżej jedną cyfrą po kropce";
            return false;
        }
        if (!ParseUnsigned(whole, StorageMax(key) / 10, w) ||
            w * 10 + static_cast<unsigned>(tenth[0] - '0') > StorageMax(key)) {
            return false;
        }
        value.number = w * 10 + static_cast<unsigned>(tenth[0] - '0');
        return true;
    }
    case K::Number16:
    case K::Number8:
    case K::Flag8:
    case K::Bit:
        break;
    }
    if (!AllDigits(text)) {
        problem = Echo(text) + " nie jest liczbą";
        return false;
    }
    return ParseUnsigned(text, StorageMax(key), value.number);
}

bool SameSettingsValue(const t_settings_key& key, const t_settings_value& a,
                       const t_settings_value& b) {
    if (key.kind == K::DateTime && TimeOf(a).Year() == 0 && TimeOf(b).Year() == 0) {
        return true;
    }
    return a.number == b.number && a.bytes == b.bytes;
}

bool EditorAccepts(const t_settings_key& key, const t_settings_value& value, std::string& problem) {
    problem.clear();
    switch (key.kind) {
    case K::Text16:
        if (value.bytes.size() > key.maximum) {
            problem = Format("za długi tekst (%zu znaków)", value.bytes.size());
            return false;
        }
        return true;
    case K::DateTime: {
        const t_device_time t = TimeOf(value);
        if (t.Year() == 0 || IsCalendarDate(t, key.minimum, key.maximum)) {
            return true;
        }
        problem = "„" + FormatSettingsValue(key, value) + "” nie jest prawdziwą datą";
        return false;
    }
    case K::Number16:
    case K::Number8:
    case K::Tenths8:
    case K::Flag8:
    case K::Bit:
        break;
    }
    return value.number >= key.minimum && value.number <= key.maximum;
}

std::string AllowedRange(const t_settings_key& key) {
    switch (key.kind) {
    case K::Tenths8:
        return Format("%u.%u..%u.%u", key.minimum / 10, key.minimum % 10, key.maximum / 10,
                      key.maximum % 10);
    case K::Text16:
        return Format("%u..%u znaków Windows-1250", key.minimum, key.maximum);
    case K::DateTime:
        return Format("RRRR-MM-DD GG:MM:SS (lata %u..%u) albo nic", key.minimum, key.maximum);
    case K::Number16:
    case K::Number8:
    case K::Flag8:
    case K::Bit:
        break;
    }
    return Format("%u..%u", key.minimum, key.maximum);
}

void WriteSettingsValue(const t_settings_key& key, const t_settings_value& value,
                        std::uint8_t* block, std::size_t size) {
    switch (key.kind) {
    case K::Number16:
        WriteU16LE(block, size, key.offset, static_cast<std::uint16_t>(value.number));
        break;
    case K::Number8:
    case K::Tenths8:
        WriteU8(block, size, key.offset, static_cast<std::uint8_t>(value.number));
        break;
    case K::Flag8:
        WriteU8(block, size, key.offset, value.number != 0 ? 1 : 0);
        break;
    case K::Bit: {
        const std::uint8_t old = ReadU8(block, size, key.offset);
        WriteU8(block, size, key.offset,
                static_cast<std::uint8_t>(value.number != 0 ? old | key.bit : old & ~key.bit));
        break;
    }
    case K::Text16:
        if (FitsIn(size, key.offset, kDescriptionField)) {
            std::fill_n(block + key.offset, kDescriptionField, 0);
            std::copy_n(value.bytes.begin(), std::min(value.bytes.size(), kDescriptionField),
                        block + key.offset);
        }
        break;
    case K::DateTime:
        if (value.bytes.size() == kTimeSize && FitsIn(size, key.offset, kTimeSize)) {
            std::copy_n(value.bytes.begin(), kTimeSize, block + key.offset);
        }
        break;
    }
}
