#include "link/frame_codec.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

} // namespace

std::uint8_t HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<std::uint8_t>(c - '0');
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<std::uint8_t>(c - 'a' + 10);
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<std::uint8_t>(c - 'A' + 10);
    }
    return 0;
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char* PutHexByte(std::uint8_t byte, char* position) {
    position[0] = kHexDigits[byte >> 4];
    position[1] = kHexDigits[byte & 0x0F];
    return position + 2;
}

std::size_t FrameBytes(const t_transfer_data& record, std::uint8_t* out) {
    const std::size_t dataLength =
        record.length > protocol::kMaxData ? protocol::kMaxData : record.length;
    std::uint8_t* position = out;
    *position++ = static_cast<std::uint8_t>(dataLength + protocol::kHeaderBytes);
    *position++ = record.addressType;
    *position++ = record.command;
    for (std::size_t i = 0; i < dataLength; ++i) {
        *position++ = record.data[i];
    }
    std::uint8_t sum = 0;
    for (const std::uint8_t* b = out; b != position; ++b) {
        sum = static_cast<std::uint8_t>(sum + *b);
    }
    *position++ = static_cast<std::uint8_t>(0x100 - sum);
    return static_cast<std::size_t>(position - out);
}

std::size_t EncodeFrame(const t_transfer_data& record, std::uint8_t* out) {
    std::uint8_t bytes[protocol::kFrameBufferSize];
    const std::size_t count = FrameBytes(record, bytes);

    char* position = reinterpret_cast<char*>(out);
    *position++ = '\n';
    *position++ = '\r';
    *position++ = protocol::kStartChar;
    for (std::size_t i = 0; i < count; ++i) {
        position = PutHexByte(bytes[i], position);
    }
    return static_cast<std::size_t>(position - reinterpret_cast<char*>(out));
}

void ReceiverInit(t_frame_receiver& r, std::uint8_t* buffer) {
    r = t_frame_receiver{};
    r.limit = protocol::kFrameBufferSize;
    r.buffer = buffer;
    r.position = buffer;
}

void ReceiverReset(t_frame_receiver& r) {
    r.count = 0;
    r.phase = Nibble::High;
    r.checksum = 0;
    r.current = 0;
    r.characters = 0;
    r.position = r.buffer;
    // No length byte can match the completion test before the real one is stored.
    r.buffer[0] = 0xFF;
}

namespace {

// The line feed and carriage return that lead every frame are part of a clean line.
bool IsLineEnd(char c) {
    return c == '\n' || c == '\r';
}

// Ends the frame being collected without a result; its characters, and c itself unless
// it is a line end, were thrown away.
void AbandonFrame(t_frame_receiver& r, char c, bool countC) {
    const std::uint16_t lost =
        static_cast<std::uint16_t>(r.characters + (countC && !IsLineEnd(c) ? 1 : 0));
    r.state = ReceiverState::Idle;
    r.characters = 0;
    if (lost > 0) {
        r.event = ReceiverEvent::Discarded;
        r.discarded = lost;
    }
}

} // namespace

int ReceiverPutChar(t_frame_receiver& r, char c) {
    r.event = ReceiverEvent::None;
    r.discarded = 0;
    if (c == protocol::kStartChar) {
        if (r.state == ReceiverState::InFrame) {
            AbandonFrame(r, c, false);
        }
        ReceiverReset(r);
        r.state = ReceiverState::InFrame;
        r.characters = 1;
        return 0;
    }
    if (r.state == ReceiverState::Overlong) {
        if (!IsHexDigit(c)) {
            r.state = ReceiverState::Idle;
            AbandonFrame(r, c, true);
        }
        return 0;
    }
    if (r.state == ReceiverState::Idle) {
        AbandonFrame(r, c, true);
        return 0;
    }
    if (!IsHexDigit(c)) {
        AbandonFrame(r, c, true);
        return 0;
    }
    ++r.characters;
    if (r.phase == Nibble::High) {
        r.phase = Nibble::Low;
        r.current = static_cast<std::uint8_t>(HexDigitValue(c) << 4);
        return 0;
    }
    r.phase = Nibble::High;
    r.current = static_cast<std::uint8_t>(r.current | HexDigitValue(c));
    if (r.count >= r.limit) {
        r.state = ReceiverState::Overlong;
        r.characters = 0;
        r.event = ReceiverEvent::Overlong;
        return 0;
    }
    *r.position++ = r.current;
    r.checksum = static_cast<std::uint8_t>(r.checksum + r.current);
    ++r.count;
    if (r.count == r.buffer[0] + 1) {
        r.state = ReceiverState::Idle;
        r.characters = 0;
        r.event = r.checksum == 0 ? ReceiverEvent::Frame : ReceiverEvent::BadChecksum;
        return r.checksum == 0 ? 1 : 0;
    }
    return 0;
}

bool FrameToRecord(const std::uint8_t* frame, t_transfer_data& record) {
    const std::uint8_t frameLength = frame[0];
    // A length byte below 3 leaves no room for address/type and command, even when such
    // a short frame passes the checksum (":00" does).
    if (frameLength < protocol::kHeaderBytes) {
        return false;
    }
    const std::size_t dataLength = frameLength - protocol::kHeaderBytes;
    if (dataLength > protocol::kMaxData) {
        return false;
    }
    record.length = static_cast<std::uint8_t>(dataLength);
    record.addressType = frame[1];
    record.command = frame[2];
    for (std::size_t i = 0; i < dataLength; ++i) {
        record.data[i] = frame[3 + i];
    }
    return true;
}
