// Arbitrary characters into the frame receiver: every completed frame sums to zero, has
// room for its header to become a record, and nothing lands outside the buffer.

#include "link/frame_codec.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Guard bytes on both sides catch any write outside the frame buffer.
    std::uint8_t storage[protocol::kFrameBufferSize + 32];
    std::memset(storage, 0xA5, sizeof storage);
    std::uint8_t* buffer = storage + 16;
    t_frame_receiver rx;
    ReceiverInit(rx, buffer);
    for (std::size_t i = 0; i < size; ++i) {
        if (ReceiverPutChar(rx, static_cast<char>(data[i]))) {
            const std::size_t count = rx.count;
            if (count != static_cast<std::size_t>(buffer[0]) + 1 ||
                count > protocol::kFrameBufferSize) {
                std::abort();
            }
            std::uint8_t sum = 0;
            for (std::size_t k = 0; k < count; ++k) {
                sum = static_cast<std::uint8_t>(sum + buffer[k]);
            }
            if (sum != 0) {
                std::abort();
            }
            t_transfer_data record;
            const bool made = FrameToRecord(buffer, record);
            if (made != (buffer[0] >= protocol::kHeaderBytes) ||
                (made && record.length != buffer[0] - protocol::kHeaderBytes)) {
                std::abort();
            }
        }
        if (rx.position < buffer || rx.position > buffer + protocol::kFrameBufferSize) {
            std::abort();
        }
    }
    for (std::size_t k = 0; k < 16; ++k) {
        if (storage[k] != 0xA5 || storage[16 + protocol::kFrameBufferSize + k] != 0xA5) {
            std::abort();
        }
    }
    return 0;
}
