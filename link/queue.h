#pragma once
// CQueue: turns the link's stream of frames into request/reply transactions. One request
// is on the line at a time; its owner's reply handler is called on the UI thread with the
// reply, or with nullptr 1500 ms after the request went to the link without a reply.
// Text lines that the device sends unasked (message type 0) go to the console.

#include "framework/afx.h"
#include "link/reply_handler.h"
#include "link/transfer_data.h"

#include <cstdint>
#include <deque>

class CLinkHost;
class CTransfer;

struct t_queue_object {
    ReplyHandler replyHandler = nullptr;
    CCmdTarget* owner = nullptr;
    t_transfer_data message;
    std::int32_t success = 0; // completed list: 1 reply, 0 time-out
    std::uint32_t requestId = 0;
};

class CQueue : public CCmdTarget {
public:
    // Sends through transfer; posts its deliveries and arms its time-outs through host.
    CQueue(CLinkHost& host, CTransfer& transfer);
    ~CQueue() override;

    // Queues one request and starts sending when the queue is free. length is at most 62
    // (longer data is refused: nothing is queued and 0 is returned). Gives the request's
    // number (never 0), which CurrentDelivery() reports while its reply or time-out is
    // being delivered.
    std::uint32_t AddRequest(int deviceAddress, int messageType, int command,
                             const std::uint8_t* data, int length, CCmdTarget* owner,
                             ReplyHandler handler);
    // Every decoded device frame, from the link.
    void OnFrame(const t_transfer_data& record);
    // Time-out callback armed through the host's timers.
    void OnTimeout(int arg);
    // WM_COMMAND 103: delivers one completed entry.
    void OnReplyReady();
    // Forgets the outstanding request and empties both lists.
    void ClearQueue();

    // Number of the request whose reply or time-out is being delivered now; 0 outside a
    // delivery.
    std::uint32_t CurrentDelivery() const { return m_delivering; }
    bool IsBusy() const { return m_busy != 0; }
    std::size_t PendingCount() const { return m_pending.size(); }

    const AFX_MSGMAP* GetMessageMap() const override;

private:
    void SendNext();

    CLinkHost& m_host;
    CTransfer& m_transfer;
    ReplyHandler m_currentHandler = nullptr;
    CCmdTarget* m_currentOwner = nullptr;
    std::uint32_t m_currentId = 0;
    std::int32_t m_busy = 0;
    std::deque<t_queue_object> m_pending;
    std::deque<t_queue_object> m_completed;
    std::uint32_t m_nextId = 1;
    std::uint32_t m_delivering = 0;
};
