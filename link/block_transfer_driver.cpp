#include "link/block_transfer_driver.h"

#include "link/link_trace.h"
#include "link/queue.h"

#include <utility>

CBlockTransferDriver::CBlockTransferDriver(CQueue& queue) : m_queue(queue) {}

void CBlockTransferDriver::SetRead(int blockId) {
    SetReadFrom(blockId, 0, nullptr);
}

void CBlockTransferDriver::SetReadFrom(int blockId, std::uint32_t held,
                                       const std::uint8_t* source) {
    m_transfer.SetReplyCheck(&m_queue.ReadCheck());
    m_transfer.SetReadFrom(blockId, held, source);
}

void CBlockTransferDriver::SetReadList(int blockId, const std::uint8_t* source,
                                       CChunkSource& list) {
    m_transfer.SetReplyCheck(&m_queue.ReadCheck());
    m_transfer.SetReadList(blockId, source, list);
}

void CBlockTransferDriver::SetWrite(int blockId, const std::uint8_t* source) {
    m_transfer.SetReplyCheck(nullptr);
    m_transfer.SetWrite(blockId, source);
}

void CBlockTransferDriver::Start(int deviceAddress, SendingFunction sending, EndedFunction ended) {
    m_deviceAddress = deviceAddress;
    m_sending = std::move(sending);
    m_ended = std::move(ended);
    m_queue.ReadTiming().BeginTransfer();
    Follow(m_transfer.Start());
}

void CBlockTransferDriver::Send(bool afterQuiet) {
    // afterQuiet: see t_block_request.
    const t_block_request& request = m_transfer.Request();
    if (m_sending) {
        m_sending(request);
    }
    t_request_options options;
    options.afterQuiet = afterQuiet;
    const bool read = request.command == protocol::kCmdReadChunk;
    if (read) {
        CReadReplyCheck& check = m_queue.ReadCheck();
        options.timeoutMs = m_queue.ReadTiming().ReadTimeoutMs(check.Echoes(), m_transfer.Tries());
        options.accept = [&check, address = request.address](const t_transfer_data& reply) {
            return check.Accept(address, reply);
        };
    }
    const std::uint32_t ticket = m_queue.AddRequest(
        m_deviceAddress, protocol::kTypeReply, request.command, request.data.data(), request.length,
        [this, read](const t_transfer_data* reply) {
            if (read && reply != nullptr) {
                // The queue's check accepted it: a reply to this very chunk.
                m_queue.ReadTiming().OnRoundTrip(m_queue.CurrentRoundTripMs());
            }
            Deliver(reply);
        },
        std::move(options));
    if (ticket == 0) {
        // The queue took nothing (the link is down): no reply will ever come.
        m_transfer.Abort();
        Follow(CBlockTransfer::Next::End);
        return;
    }
    m_transfer.Sent(ticket, m_queue.NowMs());
}

void CBlockTransferDriver::Deliver(const t_transfer_data* reply) {
    const std::uint32_t ticket = m_queue.CurrentDelivery();
    const std::int64_t now = m_queue.NowMs();
    Follow(reply != nullptr ? m_transfer.OnReply(ticket, *reply, now)
                            : m_transfer.OnTimeout(ticket, now));
}

void CBlockTransferDriver::Follow(CBlockTransfer::Next next) {
    switch (next) {
    case CBlockTransfer::Next::Send:
        Send(m_transfer.Request().afterQuiet);
        break;
    case CBlockTransfer::Next::SendAfterQuiet:
        // After a time-out the queue holds every send until the line is quiet anyway; after
        // a reply that came but was not good, only this request asks for it.
        m_queue.CountRetry();
        if (CLinkTrace* trace = m_queue.Trace()) {
            trace->Retried(m_transfer.Request(), m_transfer.Tries());
        }
        Send(true);
        break;
    case CBlockTransfer::Next::End: {
        // The owner may start the next walk from `ended`; the callbacks are its now.
        const EndedFunction ended = std::move(m_ended);
        m_sending = nullptr;
        if (ended) {
            ended();
        }
        break;
    }
    case CBlockTransfer::Next::Ignore:
        break;
    }
}
