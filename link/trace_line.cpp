#include "link/trace_line.h"

#include "base/text_format.h"
#include "link/frame_codec.h"

#include <algorithm>

namespace {

constexpr char kToDevice[] = "->";
constexpr char kFromDevice[] = "<-";
constexpr char kThrownAway[] = "<!";
constexpr char kLinkNote[] = "--";

std::string Time(std::int64_t atNs, std::int64_t startNs) {
    return Format("%12.3f", static_cast<double>(atNs - startNs) / 1e6);
}

// ':' and the frame's bytes as two upper-case digits each, as the frame stands on the line.
std::string Hex(const t_trace_entry& entry) {
    const std::size_t count = std::min<std::size_t>(entry.count, sizeof entry.bytes);
    std::string text(1 + 2 * count, protocol::kStartChar);
    char* position = text.data() + 1;
    for (std::size_t i = 0; i < count; ++i) {
        position = PutHexByte(entry.bytes[i], position);
    }
    return text;
}

// Address, type, command and data length of a whole frame; "" for one too short to say.
std::string Decoded(const t_trace_entry& entry) {
    if (entry.count < protocol::kHeaderBytes + 1 || entry.bytes[0] < protocol::kHeaderBytes) {
        return "";
    }
    const std::uint8_t addressType = entry.bytes[1];
    return Format("  adres %u typ %u komenda %u dane %u B", static_cast<unsigned>(addressType >> 3),
                  static_cast<unsigned>(addressType & 7), static_cast<unsigned>(entry.bytes[2]),
                  static_cast<unsigned>(entry.bytes[0] - protocol::kHeaderBytes));
}

// Characters a frame of count bytes takes on the line: line feed, carriage return, ':' and
// two digits a byte.
unsigned LineCharacters(unsigned count) {
    return 3 + 2 * count;
}

std::string Line(const std::string& time, const char* mark, const std::string& text) {
    return time + " " + mark + " " + text;
}

} // namespace

std::string TraceEntryLine(const t_trace_entry& entry, std::int64_t startNs) {
    const std::string time = Time(entry.atNs, startNs);
    switch (entry.kind) {
    case TraceKind::Sent: {
        std::string text = Hex(entry) + Decoded(entry);
        const unsigned expected = LineCharacters(entry.count);
        if (entry.number < expected) {
            text += Format(", port przyjął %u z %u znaków", entry.number, expected);
        }
        return Line(time, kToDevice, text);
    }
    case TraceKind::Received:
        return Line(time, kFromDevice, Hex(entry) + Decoded(entry));
    case TraceKind::Noise:
        return Line(time, kThrownAway, "ramka nie od urządzenia (szum): " + Hex(entry));
    case TraceKind::BadChecksum:
        return Line(time, kThrownAway, "zła suma kontrolna: " + Hex(entry));
    case TraceKind::Overlong:
        return Line(time, kThrownAway,
                    Format("za długa ramka: ponad %u bajtów",
                           static_cast<unsigned>(protocol::kFrameBufferSize)));
    case TraceKind::Discarded:
        return Line(time, kThrownAway, Format("odrzucone znaki: %u", entry.number));
    case TraceKind::Lost:
        return Line(time, kLinkNote,
                    Format("pominięte wpisy: %u (zapis nie nadążał)", entry.number));
    }
    return Line(time, kLinkNote, "?");
}

std::string TraceNoteLine(std::int64_t atNs, std::int64_t startNs, const std::string& text) {
    return Line(Time(atNs, startNs), kLinkNote, text);
}
