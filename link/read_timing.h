#pragma once
// How long the terminal waits on the line during a block read, from what one connection has
// measured. Pure: times are handed in, in milliseconds; nothing here reads a clock.
//   - A read chunk's reply is awaited 4 x the longest of the last kRoundTripWindow round trips
//     of read chunks, within kMinReadWaitMs..protocol::kReplyTimeoutMs, but only where the
//     device is known to echo the address (link/read_reply_check.h): there a late reply can
//     never be taken for another chunk's, so a short wait costs nothing but a retry. Until a
//     round trip was measured, and wherever the echo is not known, the full
//     protocol::kReplyTimeoutMs applies, as it does to every request other than a read chunk.
//   - A reply that came after its wait ran out doubles the wait for the rest of the transfer,
//     so that a slow but proper device is not asked twice for every chunk.
//   - Each try of one chunk waits twice as long as the try before (up to the full wait), so
//     that a device that pauses for a moment, rather than a lost reply, does not spend all
//     the chunk's tries.

#include "link/protocol.h"

#include <array>
#include <cstddef>

namespace read_timing {

constexpr std::size_t kRoundTripWindow = 32; // round trips the wait is taken from
constexpr int kWaitPerRoundTrip = 4;         // the wait, in longest round trips
constexpr int kMinReadWaitMs = 30;
constexpr int kMinQuietMs = 20;
constexpr int kBitsPerCharacter = 10; // start bit, 8 data bits, stop bit

} // namespace read_timing

// After a try that gave no good reply, the time the line must have been quiet before the
// next request goes out: twice the wire time of the longest reply frame, at least
// read_timing::kMinQuietMs, rounded up to a whole millisecond. A baud rate of 0 or less is
// unknown and gives protocol::kReplyTimeoutMs.
int QuietAfterFailureMs(int baudRate);

class CReadTiming {
public:
    // A connection begins: nothing measured, no late reply.
    void Reset();
    // A transfer begins: the doubling of late replies of the previous one is forgotten; the
    // round trips measured on the connection are kept.
    void BeginTransfer();

    // The time from sending a read chunk to its accepted reply, in ms (below 0 taken as 0).
    void OnRoundTrip(int ms);
    // A read chunk's reply came after its wait ran out.
    void OnLateReply();

    // The wait for the reply of a read chunk's try tryNumber (the first is 1), in ms; echoes
    // tells whether the device is known to echo the address of a read.
    int ReadTimeoutMs(bool echoes, int tryNumber = 1) const;

private:
    std::array<int, read_timing::kRoundTripWindow> m_roundTrips{};
    std::size_t m_count = 0; // round trips measured, up to the window
    std::size_t m_next = 0;  // where the next round trip goes
    int m_doublings = 0;     // late replies in this transfer, as far as they still matter
};
