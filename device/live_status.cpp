#include "device/live_status.h"

#include "base/byte_order.h"
#include "base/text_format.h"
#include "base/win1250.h"
#include "link/protocol.h"

#include <cstdlib>

namespace {

// A signed fixed-point value: sign, integer part, point, `digits` fraction digits.
std::string FixedPoint(long long value, long long scale, int digits) {
    const long long magnitude = std::llabs(value);
    return Format("%s%lld.%0*lld", value < 0 ? "-" : "", magnitude / scale, digits,
                  magnitude % scale);
}

const char* YesNo(bool set) {
    return set ? "TAK" : "NIE";
}

int Bit(std::uint8_t byte, int bit) {
    return (byte >> bit) & 1;
}

} // namespace

bool ParseLiveStatus(const std::uint8_t* data, std::size_t size, t_live_status& status) {
    if (data == nullptr || size < protocol::kLiveStatusSize) {
        return false;
    }
    status.speed = ReadI16LE(data, size, 0);
    status.position = ReadI32LE(data, size, 4);
    status.programmer = ReadI32LE(data, size, 8) == -1;
    for (int i = 0; i < 4; ++i) {
        status.inputs[i] = data[12 + i];
    }
    status.outputs = data[16];
    status.flags = data[17];
    status.supply = ReadU16LE(data, size, 18);
    return true;
}

std::string FormatSpeedPosition(int speed, int position) {
    return FixedPoint(speed, 100, 2) + "[m/s]\r\n" + FixedPoint(position, 1000, 3) + "[m]";
}

std::string FormatInputs(const t_live_status& status) {
    // The device sends the input states as Windows-1250 characters; a zero byte shows as
    // nothing rather than cutting the text short.
    std::string input[4];
    for (int i = 0; i < 4; ++i) {
        input[i] = Win1250ToUtf8Z(&status.inputs[i], 1);
    }
    return Format("Wejście 1 : %s\r\nWejście 2 : %s\r\nWejście 3 : %s\r\nWejście 4 : %s\r\n",
                  input[0].c_str(), input[1].c_str(), input[2].c_str(), input[3].c_str());
}

std::string FormatOutputs(const t_live_status& status) {
    return Format("Wyjście 1 : %d\r\nWyjście 2 : %d\r\nWyjście 3 : %d\r\nWyjście 4 : %d\r\n"
                  "Test : %s",
                  Bit(status.outputs, 0), Bit(status.outputs, 1), Bit(status.outputs, 2),
                  Bit(status.outputs, 3), YesNo(Bit(status.outputs, 4)));
}

std::string FormatSupply(const t_live_status& status) {
    return Format("Zasilanie : %d.%01d[V]\r\nNiskie zasilanie : %s\r\nPrzegląd : %s\r\n"
                  "Tacho 0 : %d\r\nTacho 1 : %d",
                  status.supply / 10, status.supply % 10, YesNo(Bit(status.outputs, 7)),
                  YesNo(Bit(status.flags, 0)), Bit(status.outputs, 5), Bit(status.outputs, 6));
}
