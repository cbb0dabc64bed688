#pragma once
// CQueue: turns the link's stream of frames into request/reply transactions. One request
// is on the line at a time; its reply handler is called on the host's thread with the
// reply, or with nullptr when the request's time-out (1500 ms unless it names another)
// passed after it went to the link without a reply. Text lines that the device sends
// unasked (message type 0) go to the console.

#include "link/protocol.h"
#include "link/reply_handler.h"
#include "link/transfer_data.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>

class CFrameLine;
class CLinkHost;

// How one request waits for its reply.
struct t_request_options {
    // From the request's going to the link until it ends without a reply.
    int timeoutMs = protocol::kReplyTimeoutMs;
    // Asked about each reply frame that arrives while the request waits; false rejects the
    // frame: it is dropped, counted (RejectedCount) and the request keeps waiting with its
    // time-out running. Empty: every reply frame is taken.
    std::function<bool(const t_transfer_data& reply)> accept;
};

class CQueue {
public:
    // Sends through line; posts its deliveries and arms its time-outs through host.
    CQueue(CLinkHost& host, CFrameLine& line);
    ~CQueue();
    CQueue(const CQueue&) = delete;
    CQueue& operator=(const CQueue&) = delete;

    // Queues one request and starts sending when the queue is free. length is at most 62
    // (longer data is refused: nothing is queued and 0 is returned). Gives the request's
    // number (never 0), which CurrentDelivery() reports while its reply or time-out is
    // being delivered to handler.
    std::uint32_t AddRequest(int deviceAddress, int messageType, int command,
                             const std::uint8_t* data, int length, ReplyHandler handler,
                             t_request_options options = {});
    // Every decoded device frame, from the link.
    void OnFrame(const t_transfer_data& record);
    // Forgets the outstanding request and empties both lists.
    void ClearQueue();

    // Number of the request whose reply or time-out is being delivered now; 0 outside a
    // delivery.
    std::uint32_t CurrentDelivery() const { return m_delivering; }
    bool IsBusy() const { return m_busy != 0; }
    std::size_t PendingCount() const { return m_pending.size(); }
    // Reply frames turned away by their request's check since the queue was made.
    std::uint32_t RejectedCount() const { return m_rejected; }
    // True when no character has come from the device for at least ms before now (also
    // when none came at all during this connection).
    bool LineQuietFor(
        int ms, std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now()) const;

private:
    struct t_entry {
        ReplyHandler handler;
        t_request_options options;
        t_transfer_data message;
        bool replied = false; // completed list: a reply, or a time-out
        std::uint32_t requestId = 0;
    };

    void SendNext();
    void OnTimeout();
    // Delivers the oldest completed entry; posted once for each.
    void DeliverNext();
    void Complete(const t_transfer_data* reply);
    void CancelTimeout();

    CLinkHost& m_host;
    CFrameLine& m_line;
    t_entry m_current; // the request on the line while m_busy
    std::int32_t m_busy = 0;
    std::uint32_t m_timer = 0;
    std::deque<t_entry> m_pending;
    std::deque<t_entry> m_completed;
    std::uint32_t m_nextId = 1;
    std::uint32_t m_delivering = 0;
    std::uint32_t m_rejected = 0;
};
