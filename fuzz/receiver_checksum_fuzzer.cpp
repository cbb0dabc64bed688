// Frames that always carry a correct checksum, so the fuzzer reaches past the sum: the
// input is cut into pieces, each piece becomes ':' and its hexadecimal bytes followed by the
// checksum that makes them sum to zero. The first byte of a piece is its length byte as
// given, so wrong lengths (too short, too long) are exercised too. Pieces are separated by
// line ends, and a piece may be sent in lower case.

#include "link/frame_codec.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string line;
    std::size_t at = 0;
    while (at < size) {
        const std::size_t piece = std::min<std::size_t>(size - at, 1 + data[at] % 70);
        const bool lower = (data[at] & 0x80) != 0;
        ++at;
        std::size_t end = std::min(size, at + piece);
        line += "\n\r:";
        std::uint8_t sum = 0;
        for (; at < end; ++at) {
            sum = static_cast<std::uint8_t>(sum + data[at]);
            char hex[2];
            PutHexByte(data[at], hex);
            line.append(hex, 2);
        }
        char hex[2];
        PutHexByte(static_cast<std::uint8_t>(0x100 - sum), hex);
        line.append(hex, 2);
        if (lower) {
            for (std::size_t k = line.rfind(':'); k < line.size(); ++k) {
                if (line[k] >= 'A' && line[k] <= 'F') {
                    line[k] = static_cast<char>(line[k] - 'A' + 'a');
                }
            }
        }
    }

    std::uint8_t buffer[protocol::kFrameBufferSize];
    t_frame_receiver rx;
    ReceiverInit(rx, buffer);
    for (char c : line) {
        if (ReceiverPutChar(rx, c)) {
            if (rx.count != buffer[0] + 1u) {
                std::abort();
            }
            t_transfer_data record;
            if (FrameToRecord(buffer, record)) {
                if (record.length > protocol::kMaxData ||
                    record.length + protocol::kHeaderBytes != buffer[0]) {
                    std::abort();
                }
                // The record encodes back to the same frame.
                std::uint8_t encoded[protocol::kMaxEncodedFrame];
                const std::size_t n = EncodeFrame(record, encoded);
                if (n != 11 + 2u * record.length) {
                    std::abort();
                }
            } else if (buffer[0] >= protocol::kHeaderBytes) {
                std::abort();
            }
        }
    }
    return 0;
}
