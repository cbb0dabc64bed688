#include "link/block_transfer.h"

#include "base/byte_order.h"
#include "link/no_answer_text.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr const char* kVerifyFailedText = "Błąd przy weryfikacji zapisu do pamieci !";
constexpr const char* kBadReplyText = "Błędna odpowiedź urządzenia";

// The write status byte that confirms a chunk.
constexpr std::uint8_t kWriteConfirmed = 1;

} // namespace

CBlockTransfer::CBlockTransfer() : m_buffer(protocol::kRecorderSize) {}

void CBlockTransfer::Set(int blockId, Direction direction) {
    m_blockId = blockId;
    m_direction = direction;
    m_address = protocol::BlockAddress(blockId);
    m_total = protocol::BlockSize(blockId);
    m_done = 0;
    m_startAt = 0;
    m_state = State::Idle;
    m_failure = Failure::None;
    m_ticket = 0;
    m_tries = 0;
    m_retries = 0;
    m_list = nullptr;
}

void CBlockTransfer::SetRead(int blockId) {
    Set(blockId, Direction::Read);
}

void CBlockTransfer::SetReadFrom(int blockId, std::uint32_t held, const std::uint8_t* source) {
    Set(blockId, Direction::Read);
    m_startAt = std::min(held, m_total);
    // Known already, and so done: the owner counts what arrives from here on.
    m_done = m_startAt;
    if (m_startAt > 0 && source != nullptr) {
        std::memcpy(m_buffer.data(), source, m_startAt);
    }
}

void CBlockTransfer::SetReadList(int blockId, const std::uint8_t* source, CChunkSource& list) {
    Set(blockId, Direction::Read);
    m_list = &list;
    if (m_total > 0 && source != nullptr) {
        std::memcpy(m_buffer.data(), source, m_total);
    }
}

std::uint32_t CBlockTransfer::Total() const {
    return m_list != nullptr ? std::max(m_list->Planned(), m_done) : m_total;
}

void CBlockTransfer::SetWrite(int blockId, const std::uint8_t* source) {
    Set(blockId, Direction::Write);
    if (m_total > 0 && source != nullptr) {
        std::memcpy(m_buffer.data(), source, m_total);
    }
}

CBlockTransfer::Next CBlockTransfer::Start() {
    m_done = m_startAt;
    m_failure = Failure::None;
    m_ticket = 0;
    m_retries = 0;
    m_state = State::Running;
    return Prepare();
}

CBlockTransfer::Next CBlockTransfer::Prepare() {
    // Where the next chunk starts in the block: after the last one, or where the list says.
    std::uint32_t offset = m_done;
    if (m_list != nullptr && (!m_list->Next(offset) || offset >= m_total)) {
        offset = m_total;
    }
    const std::uint32_t n = std::min<std::uint32_t>(m_total - offset, protocol::kChunkData);
    m_request = t_block_request{};
    m_tries = 1;
    if (n == 0) {
        if (m_direction == Direction::Read) {
            return End(State::Complete);
        }
        m_request.command = protocol::kCmdCloseWrite;
        m_request.data[0] = static_cast<std::uint8_t>(m_blockId);
        m_request.length = 1;
        return Next::Send;
    }
    m_request.address = m_address + offset;
    m_request.count = n;
    WriteU32LE(m_request.data.data(), m_request.data.size(), 0, m_request.address);
    m_request.data[4] = static_cast<std::uint8_t>(n);
    if (m_direction == Direction::Read) {
        m_request.command = protocol::kCmdReadChunk;
        m_request.length = protocol::kChunkHeader;
    } else {
        m_request.command = protocol::kCmdWriteChunk;
        std::memcpy(m_request.data.data() + protocol::kChunkHeader, m_buffer.data() + m_done, n);
        m_request.length = static_cast<std::uint8_t>(protocol::kChunkHeader + n);
    }
    return Next::Send;
}

void CBlockTransfer::Sent(std::uint32_t ticket, std::int64_t nowMs) {
    if (m_state == State::Running) {
        m_ticket = ticket;
        if (m_tries == 1) {
            m_firstTryMs = nowMs;
        }
    }
}

bool CBlockTransfer::Take(std::uint32_t ticket) {
    if (m_state != State::Running || m_ticket == 0 || ticket != m_ticket) {
        return false;
    }
    m_ticket = 0;
    return true;
}

CBlockTransfer::Next CBlockTransfer::OnTimeout(std::uint32_t ticket, std::int64_t nowMs) {
    if (!Take(ticket)) {
        return Next::Ignore;
    }
    return Retry(Failure::NoReply, nowMs);
}

CBlockTransfer::Next CBlockTransfer::OnReply(std::uint32_t ticket, const t_transfer_data& reply,
                                             std::int64_t nowMs) {
    if (!Take(ticket)) {
        return Next::Ignore;
    }
    if (m_request.command == protocol::kCmdCloseWrite) {
        return End(State::Complete);
    }
    if (m_direction == Direction::Read) {
        if (!TakeReadData(reply)) {
            return Retry(Failure::BadReply, nowMs);
        }
    } else if (reply.length < 1 || reply.data[0] != kWriteConfirmed) {
        // A confirmation without its status byte confirms nothing.
        return End(State::Failed, Failure::VerifyFailed);
    }
    // A chunk asked more than once may still have a reply to come: the device answers every
    // try, and the one taken may have been a late reply to an earlier one. Where replies do
    // not carry their address, nothing could tell that reply from the next chunk's.
    const bool replyMayFollow =
        m_direction == Direction::Read && m_tries > 1 && (m_check == nullptr || !m_check->Echoes());
    if (m_list != nullptr) {
        const std::uint32_t offset = m_request.address - m_address;
        m_list->Took(offset, m_buffer.data() + offset, m_request.count);
    }
    m_done += m_request.count;
    const Next next = Prepare();
    m_request.afterQuiet = replyMayFollow;
    return next;
}

CBlockTransfer::Next CBlockTransfer::Retry(Failure failure, std::int64_t nowMs) {
    // Only reads are asked again: a read changes nothing on the device, while a write sent
    // twice, or a close after an unconfirmed chunk, could leave a block half written.
    // A clock that went back counts as time passed, so that a chunk's tries always end.
    const std::int64_t elapsed = nowMs - m_firstTryMs;
    const bool timeSpent = elapsed >= kMinReadGiveUpMs || elapsed < 0;
    if (m_request.command != protocol::kCmdReadChunk || (m_tries >= kMaxReadTries && timeSpent)) {
        return End(State::Failed, failure);
    }
    ++m_tries;
    ++m_retries;
    m_request.afterQuiet = true;
    return Next::SendAfterQuiet;
}

bool CBlockTransfer::TakeReadData(const t_transfer_data& reply) {
    // The count must be the one asked for, and carried whole by the frame; anything else
    // would leave a gap in the block or read past the frame.
    const std::size_t carried = std::min<std::size_t>(reply.length, protocol::kMaxData);
    if (carried < protocol::kChunkHeader) {
        return false;
    }
    if (m_check != nullptr && !m_check->Accept(m_request.address, reply)) {
        return false;
    }
    const std::uint32_t k = reply.data[4];
    if (k != m_request.count || protocol::kChunkHeader + k > carried) {
        return false;
    }
    std::memcpy(m_buffer.data() + (m_request.address - m_address),
                reply.data + protocol::kChunkHeader, k);
    return true;
}

void CBlockTransfer::Abort() {
    if (m_state == State::Running) {
        End(State::Aborted);
    }
}

CBlockTransfer::Next CBlockTransfer::End(State state, Failure failure) {
    m_state = state;
    m_failure = failure;
    m_ticket = 0;
    return Next::End;
}

const char* CBlockTransfer::FailureText() const {
    switch (m_failure) {
    case Failure::NoReply:
        return kNoAnswerText;
    case Failure::VerifyFailed:
        return kVerifyFailedText;
    case Failure::BadReply:
        return kBadReplyText;
    case Failure::None:
        break;
    }
    return "";
}
