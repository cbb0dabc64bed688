#include "link/read_reply_check.h"

#include "base/byte_order.h"

namespace {

constexpr std::uint8_t kAddressBytes = 4; // data bytes 0-3 of a read reply

} // namespace

bool CReadReplyCheck::Accept(std::uint32_t address, const t_transfer_data& reply) {
    if (reply.length < kAddressBytes) {
        return true;
    }
    const std::uint32_t carried = ReadU32LE(reply.data, sizeof reply.data, 0);
    switch (m_echo) {
    case Echo::Echoes:
        return carried == address;
    case Echo::DoesNotEcho:
        return true;
    case Echo::Unknown:
        break;
    }
    if (carried != address) {
        m_echo = Echo::DoesNotEcho;
    } else if (address != 0) {
        m_echo = Echo::Echoes;
    }
    return true;
}
