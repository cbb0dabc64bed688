#include "link/queue.h"

#include "base/win1250.h"
#include "link/frame_line.h"
#include "link/link_host.h"
#include "link/link_trace.h"

#include <algorithm>
#include <cstring>

CQueue::CQueue(CLinkHost& host, CFrameLine& line) : m_host(host), m_line(line) {}

CQueue::~CQueue() {
    CancelTimeout();
    m_host.CancelTimer(m_quietTimer);
}

void CQueue::OnLinkUp(int baudRate) {
    m_quietMs = QuietAfterFailureMs(baudRate);
    m_readCheck.Reset();
    m_readTiming.Reset();
    m_dropped = 0;
    m_retries = 0;
    m_quietNeeded = false;
    m_lateCommand = 0;
    m_commandEcho = CommandEcho::Unknown;
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
    if (m_busy != 0 || m_pending.empty() || !LineReadyToSend()) {
        return;
    }
    m_current = std::move(m_pending.front());
    m_pending.pop_front();
    m_busy = 1;
    m_sentAt = std::chrono::steady_clock::now();
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
        if (m_quietNeeded) {
            ++m_dropped;
            if (m_lateCommand == protocol::kCmdReadChunk) {
                m_readTiming.OnLateReply();
            }
            m_lateCommand = 0; // one try, one late reply
        }
        if (m_trace != nullptr) {
            m_trace->Dropped(m_quietNeeded ? "spóźniona odpowiedź po nieudanej próbie"
                                           : "żadne zapytanie nie czeka na odpowiedź");
        }
        return;
    }
    t_transfer_data reply = record;
    reply.length = static_cast<std::uint8_t>(length);
    if (!CommandFits(reply) || (m_current.options.accept && !m_current.options.accept(reply))) {
        ++m_rejected;
        ++m_dropped;
        if (m_trace != nullptr) {
            m_trace->Dropped("nie pasuje do zapytania na łączu");
        }
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

bool CQueue::CommandFits(const t_transfer_data& reply) {
    const bool same = reply.command == m_current.message.command;
    switch (m_commandEcho) {
    case CommandEcho::Unknown:
        m_commandEcho = same ? CommandEcho::Echoes : CommandEcho::DoesNotEcho;
        return true;
    case CommandEcho::Echoes:
        return same;
    case CommandEcho::DoesNotEcho:
        break;
    }
    return true;
}

void CQueue::OnTimeout() {
    m_timer = 0;
    if (m_busy == 0) {
        return;
    }
    m_busy = 0;
    if (m_trace != nullptr) {
        m_trace->TimedOut(m_current.message, m_current.options.timeoutMs);
    }
    // Its reply may still be on its way: nothing goes out before the line is quiet.
    m_quietNeeded = true;
    m_lateCommand = m_current.message.command;
    Complete(nullptr);
    SendNext();
}

bool CQueue::LineReadyToSend() {
    if (m_quietTimer != 0) {
        return false; // a check of the line is armed already
    }
    if (!m_quietNeeded && !m_pending.front().options.afterQuiet) {
        return true;
    }
    const auto now = std::chrono::steady_clock::now();
    if (LineQuietFor(m_quietMs, now)) {
        m_quietNeeded = false;
        m_lateCommand = 0;
        return true;
    }
    m_quietNeeded = true;
    // The line must stay quiet for m_quietMs from its last character: look again then.
    const auto quietSince = now - m_line.LastCharacterTime();
    const auto left = std::chrono::milliseconds(m_quietMs) - quietSince;
    const auto leftMs = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    m_quietTimer = m_host.StartTimer(static_cast<int>(std::max<long long>(leftMs, 1)), [this] {
        m_quietTimer = 0;
        SendNext();
    });
    // A host that cannot arm a timer would hold the queue for ever: send at once instead.
    return m_quietTimer == 0;
}

void CQueue::Complete(const t_transfer_data* reply) {
    t_entry done;
    done.handler = m_current.handler;
    done.requestId = m_current.requestId;
    done.replied = reply != nullptr;
    if (reply != nullptr) {
        done.message = *reply;
        done.roundTripMs = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                std::chrono::steady_clock::now() - m_sentAt)
                                                .count());
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
    const int outerRoundTrip = m_deliveringRoundTripMs;
    m_delivering = entry.requestId;
    m_deliveringRoundTripMs = entry.roundTripMs;
    entry.handler(entry.replied ? &entry.message : nullptr);
    m_delivering = outer;
    m_deliveringRoundTripMs = outerRoundTrip;
}

void CQueue::ClearQueue() {
    CancelTimeout();
    m_host.CancelTimer(m_quietTimer);
    m_quietTimer = 0;
    m_quietNeeded = false;
    m_lateCommand = 0;
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
