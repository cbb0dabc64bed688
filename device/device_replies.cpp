#include "device/device_replies.h"

#include "base/byte_order.h"
#include "base/text_format.h"
#include "base/win1250.h"
#include "link/protocol.h"

bool ParseVersionsReply(const std::uint8_t* data, std::size_t size, t_versions_reply& reply) {
    if (data == nullptr || size < 1) {
        return false;
    }
    reply.version = data[0];
    reply.name = Win1250ToUtf8Z(data + 1, size - 1);
    return true;
}

std::string FormatVersionSuffix(int version) {
    return Format(", wersja %2d", version);
}

bool ParseClockReply(const std::uint8_t* data, std::size_t size, t_device_time& time) {
    return data != nullptr && ReadDeviceTime(data, size, 0, time);
}

bool ParsePositionReply(const std::uint8_t* data, std::size_t size, std::int32_t& position) {
    if (data == nullptr || size < protocol::kPositionSize) {
        return false;
    }
    position = ReadI32LE(data, size, 0);
    return true;
}

void EncodePosition(std::int32_t position, std::uint8_t out[4]) {
    WriteI32LE(out, protocol::kPositionSize, 0, position);
}
