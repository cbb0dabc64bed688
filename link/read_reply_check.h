#pragma once
// CReadReplyCheck: whether a frame may be the reply to a read chunk (command 40) of a given
// address, as one connection has learnt it. Data bytes 0-3 of a read reply carry the address
// read from; a device that echoes the request's address there lets a late reply to an older
// request be told from the reply awaited.
//   - The first read reply of the connection that can tell decides: its bytes 0-3 equal to
//     the address asked for: the device echoes, and from then on a reply whose bytes 0-3
//     differ from its request's address is rejected; differing: the device does not echo,
//     and every reply is accepted for the connection (the walk's own checks still apply).
//   - A reply to a read of address 0 that carries 0 cannot tell: a device that leaves the
//     field empty would look as if it echoed. It is accepted and nothing is learnt.
//   - A reply too short to carry an address is accepted and teaches nothing; the walk
//     rejects it for its count.
// Pure: bytes in, a verdict out. One object per connection, used from one thread.

#include "link/transfer_data.h"

#include <cstdint>

class CReadReplyCheck {
public:
    enum class Echo { Unknown, Echoes, DoesNotEcho };

    // A connection begins: nothing known.
    void Reset() { m_echo = Echo::Unknown; }

    // True when reply may answer the read of address; false rejects it (the owner keeps
    // waiting for the right one). Learns from the first reply that can tell.
    bool Accept(std::uint32_t address, const t_transfer_data& reply);

    Echo GetEcho() const { return m_echo; }
    bool Echoes() const { return m_echo == Echo::Echoes; }

private:
    Echo m_echo = Echo::Unknown;
};
