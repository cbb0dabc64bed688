#include "link/queue.h"

#include "base/win1250.h"
#include "link/frame_line.h"
#include "link/link_host.h"

#include <algorithm>
#include <cstring>

CQueue::CQueue(CLinkHost& host, CFrameLine& line) : m_host(host), m_line(line) {}

CQueue::~CQueue() {
    CancelTimeout();
}

std::uint32_t CQueue::AddRequest(int deviceAddress, int messageType, int command,
                                 const std::uint8_t* data, int length, ReplyHandler handler,
                                 t_request_options options) {
    if (length < 0 || static_cast<std::size_t>(length) > protocol::kMaxData ||
        (length > 0 && data == nullptr)) {
        return 0;
    }
    t_entry entry;
    entry.handler = std::move(handler);
    entry.options = std::move(options);
    entry.message.length = static_cast<std::uint8_t>(length);
    entry.message.addressType = MakeAddressType(deviceAddress, messageType);
    entry.message.command = static_cast<std::uint8_t>(command);
    if (length > 0) {
        std::memcpy(entry.message.data, data, static_cast<std::size_t>(length));
    }
    entry.requestId = m_nextId++;
    if (m_nextId == 0) {
        m_nextId = 1;
    }
    const std::uint32_t id = entry.requestId;
    m_pending.push_back(std::move(entry));
    SendNext();
    return id;
}

void CQueue::SendNext() {
    if (m_busy != 0 || m_pending.empty()) {
        return;
    }
    m_current = std::move(m_pending.front());
    m_pending.pop_front();
    m_busy = 1;
    m_line.PutToSend(m_current.message);
    if (m_current.message.Type() == protocol::kTypeNoReply) {
        // Nothing comes back: the queue is free again, and the next pending request waits
        // for the next AddRequest, reply or time-out.
        m_busy = 0;
        return;
    }
    m_timer = m_host.StartTimer(m_current.options.timeoutMs, [this] { OnTimeout(); });
}

void CQueue::OnFrame(const t_transfer_data& record) {
    const std::size_t length = std::min<std::size_t>(record.length, protocol::kMaxData);
    if (record.Type() == protocol::kTypeNoReply) {
        m_host.ConsoleWrite(Win1250ToUtf8Z(record.data, length), 1);
        return;
    }
    // A reply while nothing is outstanding (late, after its request timed out) belongs
    // to no one: handing it to the last request's owner would pass it off as a reply.
    if (m_busy == 0) {
        return;
    }
    t_transfer_data reply = record;
    reply.length = static_cast<std::uint8_t>(length);
    if (m_current.options.accept && !m_current.options.accept(reply)) {
        ++m_rejected;
        return;
    }
    Complete(&reply);
    if (record.Type() == protocol::kTypeMoreReplies) {
        return; // more replies follow; the time-out keeps running from the request
    }
    m_busy = 0;
    CancelTimeout();
    SendNext();
}

void CQueue::OnTimeout() {
    m_timer = 0;
    if (m_busy == 0) {
        return;
    }
    m_busy = 0;
    Complete(nullptr);
    SendNext();
}

void CQueue::Complete(const t_transfer_data* reply) {
    t_entry done;
    done.handler = m_current.handler;
    done.requestId = m_current.requestId;
    done.replied = reply != nullptr;
    if (reply != nullptr) {
        done.message = *reply;
    }
    m_completed.push_back(std::move(done));
    m_host.Post([this] { DeliverNext(); });
}

void CQueue::CancelTimeout() {
    m_host.CancelTimer(m_timer);
    m_timer = 0;
}

void CQueue::DeliverNext() {
    if (m_completed.empty()) {
        return;
    }
    const t_entry entry = std::move(m_completed.front());
    m_completed.pop_front();
    if (!entry.handler) {
        return;
    }
    // A handler may open a modal box whose loop delivers further entries; each delivery
    // sees its own number.
    const std::uint32_t outer = m_delivering;
    m_delivering = entry.requestId;
    entry.handler(entry.replied ? &entry.message : nullptr);
    m_delivering = outer;
}

void CQueue::ClearQueue() {
    CancelTimeout();
    m_busy = 0;
    m_current = t_entry{};
    m_pending.clear();
    m_completed.clear();
}

bool CQueue::LineQuietFor(int ms, std::chrono::steady_clock::time_point now) const {
    const auto last = m_line.LastCharacterTime();
    return last == std::chrono::steady_clock::time_point{} ||
           now - last >= std::chrono::milliseconds(ms);
}
