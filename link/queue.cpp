#include "link/queue.h"

#include "base/win1250.h"
#include "link/link_host.h"
#include "link/transfer.h"
#include "res/resource.h"

#include <algorithm>
#include <cstring>

CQueue::CQueue(CLinkHost& host, CTransfer& transfer) : m_host(host), m_transfer(transfer) {}

CQueue::~CQueue() = default;

const AFX_MSGMAP* CQueue::GetMessageMap() const {
    static const AFX_MSGMAP map = AFX_MSGMAP::Of<CQueue>(
        CCmdTarget::GetThisMessageMap(), {
                                             OnCommandEntry(ID_REPLY_READY, &CQueue::OnReplyReady),
                                         });
    return &map;
}

std::uint32_t CQueue::AddRequest(int deviceAddress, int messageType, int command,
                                 const std::uint8_t* data, int length, CCmdTarget* owner,
                                 ReplyHandler handler) {
    if (length < 0 || static_cast<std::size_t>(length) > protocol::kMaxData ||
        (length > 0 && data == nullptr)) {
        return 0;
    }
    t_queue_object entry;
    entry.replyHandler = handler;
    entry.owner = owner;
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
    m_pending.push_back(entry);
    SendNext();
    return entry.requestId;
}

void CQueue::SendNext() {
    if (m_busy != 0 || m_pending.empty()) {
        return;
    }
    const t_queue_object entry = m_pending.front();
    m_pending.pop_front();
    m_busy = 1;
    m_currentOwner = entry.owner;
    m_currentHandler = entry.replyHandler;
    m_currentId = entry.requestId;
    m_transfer.PutToSend(entry.message);
    if (entry.message.Type() == protocol::kTypeNoReply) {
        // Nothing comes back: the queue is free again, and the next pending request waits
        // for the next AddRequest, reply or time-out.
        m_busy = 0;
        return;
    }
    m_host.AddTimer(this, MakeTimerCallback(&CQueue::OnTimeout), protocol::kReplyTimeoutMs, 0);
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
    t_queue_object done;
    done.replyHandler = m_currentHandler;
    done.owner = m_currentOwner;
    done.message = record;
    done.message.length = static_cast<std::uint8_t>(length);
    done.success = 1;
    done.requestId = m_currentId;
    m_completed.push_back(done);
    m_host.PostCommand(ID_REPLY_READY);
    if (record.Type() == protocol::kTypeMoreReplies) {
        return; // more replies follow; the time-out keeps running from the request
    }
    m_busy = 0;
    m_host.RemoveTimers(this, MakeTimerCallback(&CQueue::OnTimeout), 0);
    SendNext();
}

void CQueue::OnTimeout(int /*arg*/) {
    if (m_busy == 0) {
        return;
    }
    m_busy = 0;
    m_host.RemoveTimers(this, MakeTimerCallback(&CQueue::OnTimeout), 0);
    t_queue_object done;
    done.replyHandler = m_currentHandler;
    done.owner = m_currentOwner;
    done.success = 0;
    done.requestId = m_currentId;
    m_completed.push_back(done);
    m_host.PostCommand(ID_REPLY_READY);
    SendNext();
}

void CQueue::OnReplyReady() {
    if (m_completed.empty()) {
        return;
    }
    const t_queue_object entry = m_completed.front();
    m_completed.pop_front();
    if (entry.owner == nullptr || entry.replyHandler == nullptr) {
        return;
    }
    // A handler may open a modal box whose loop delivers further entries; each delivery
    // sees its own number.
    const std::uint32_t outer = m_delivering;
    m_delivering = entry.requestId;
    (entry.owner->*entry.replyHandler)(entry.success ? &entry.message : nullptr);
    m_delivering = outer;
}

void CQueue::ClearQueue() {
    if (m_busy != 0) {
        m_host.RemoveTimers(this, MakeTimerCallback(&CQueue::OnTimeout), 0);
    }
    m_busy = 0;
    m_currentOwner = nullptr;
    m_currentHandler = nullptr;
    m_currentId = 0;
    m_pending.clear();
    m_completed.clear();
}
