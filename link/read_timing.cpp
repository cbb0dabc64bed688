#include "link/read_timing.h"

#include <algorithm>

int QuietAfterFailureMs(int baudRate) {
    if (baudRate <= 0) {
        return protocol::kReplyTimeoutMs;
    }
    // A full read reply is the longest frame: every data byte used.
    constexpr long long kBits = 2LL * protocol::kMaxEncodedFrame * read_timing::kBitsPerCharacter;
    const long long ms = (kBits * 1000 + baudRate - 1) / baudRate;
    return static_cast<int>(std::max<long long>(ms, read_timing::kMinQuietMs));
}

void CReadTiming::Reset() {
    m_count = 0;
    m_next = 0;
    m_doublings = 0;
}

void CReadTiming::BeginTransfer() {
    m_doublings = 0;
}

void CReadTiming::OnRoundTrip(int ms) {
    // Anything beyond the longest wait cannot make the wait longer; clamping keeps the
    // product below in range.
    m_roundTrips[m_next] = std::clamp(ms, 0, protocol::kReplyTimeoutMs);
    m_next = (m_next + 1) % m_roundTrips.size();
    m_count = std::min(m_count + 1, m_roundTrips.size());
}

void CReadTiming::OnLateReply() {
    // Once a doubled wait reaches the ceiling, further doublings change nothing.
    if ((read_timing::kMinReadWaitMs << m_doublings) < protocol::kReplyTimeoutMs) {
        ++m_doublings;
    }
}

int CReadTiming::ReadTimeoutMs(bool echoes, int tryNumber) const {
    if (!echoes || m_count == 0) {
        return protocol::kReplyTimeoutMs;
    }
    const int longest = *std::max_element(m_roundTrips.begin(), m_roundTrips.begin() + m_count);
    const int wait = std::clamp(longest * read_timing::kWaitPerRoundTrip,
                                read_timing::kMinReadWaitMs, protocol::kReplyTimeoutMs);
    // One doubling per late reply of the transfer and per try of this chunk before this one.
    int doubled = wait;
    for (int i = 0;
         i < m_doublings + std::max(tryNumber, 1) - 1 && doubled < protocol::kReplyTimeoutMs; ++i) {
        doubled *= 2;
    }
    return std::min(doubled, protocol::kReplyTimeoutMs);
}
