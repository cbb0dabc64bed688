#pragma once
// CQueue: turns the link's stream of frames into request/reply transactions. One request
// is on the line at a time; its reply handler is called on the host's thread with the
// reply, or with nullptr when the request's time-out (1500 ms unless it names another)
// passed after it went to the link without a reply. Text lines that the device sends
// unasked (message type 0) go to the console.
// After a request that ended without a good reply (it timed out, or a frame was turned away
// by its check), and before a request marked afterQuiet, nothing is sent until no character
// has come from the device for the connection's quiet time (QuietAfterFailureMs of its baud
// rate), counted from the last character: a late reply of the failed try must not be taken
// for the next request's. Reply frames that arrive meanwhile are dropped and counted; one
// that arrives after a time-out is a late reply, and a late reply to a read chunk lengthens
// the connection's read wait (CReadTiming::OnLateReply).
// The first reply of a connection tells whether the device's replies carry the command of their
// request; where they do, a reply with another command (a late read reply while a status poll
// waits) is turned away like a frame a request's check rejects.
// The queue also keeps what one connection learns about read replies: the echo check and the
// read timing (reset by OnLinkUp), and the number of read chunks asked again.

#include "link/link_host.h"
#include "link/protocol.h"
#include "link/read_reply_check.h"
#include "link/read_timing.h"
#include "link/reply_handler.h"
#include "link/transfer_data.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>

class CFrameLine;
class CLinkTrace;

// How one request waits for its reply.
struct t_request_options {
    // From the request's going to the link until it ends without a reply.
    int timeoutMs = protocol::kReplyTimeoutMs;
    // Asked about each reply frame that arrives while the request waits; false rejects the
    // frame: it is dropped, counted (RejectedCount) and the request keeps waiting with its
    // time-out running. Empty: every reply frame is taken.
    std::function<bool(const t_transfer_data& reply)> accept;
    // Sent only once the line has been quiet for the connection's quiet time: a try asked
    // again after a reply that came but was not good.
    bool afterQuiet = false;
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
    // Frames dropped since the link came up: turned away by their request's check, or come
    // while the queue waited for a quiet line.
    std::uint32_t DroppedCount() const { return m_dropped; }
    // Time from the request's going to the link to the reply being delivered, in ms; 0
    // outside a delivery or for a time-out.
    int CurrentRoundTripMs() const { return m_deliveringRoundTripMs; }
    // True while sending waits for a quiet line.
    bool IsHoldingForQuiet() const { return m_quietNeeded; }
    // The host's clock (CLinkHost::NowMs).
    std::int64_t NowMs() const { return m_host.NowMs(); }

    // The link came up at baudRate: the connection's echo check, read timing, dropped
    // frames and retries begin afresh.
    void OnLinkUp(int baudRate);
    CReadReplyCheck& ReadCheck() { return m_readCheck; }
    CReadTiming& ReadTiming() { return m_readTiming; }
    // A read chunk was asked again; Retries() totals them over the connection.
    void CountRetry() { ++m_retries; }
    std::uint32_t Retries() const { return m_retries; }

    // Where time-outs and frames turned away are noted, and read chunks asked again (by the
    // block-transfer driver); nullptr for no trace. The trace outlives the queue's use of it.
    void SetTrace(CLinkTrace* trace) { m_trace = trace; }
    CLinkTrace* Trace() const { return m_trace; }

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
        int roundTripMs = 0;
    };

    void SendNext();
    void OnTimeout();
    // Whether reply may answer the request on the line by its command; learns from the
    // connection's first reply.
    bool CommandFits(const t_transfer_data& reply);
    // Delivers the oldest completed entry; posted once for each.
    void DeliverNext();
    void Complete(const t_transfer_data* reply);
    void CancelTimeout();
    // True when sending may go on; otherwise arms the timer that checks the line again.
    bool LineReadyToSend();

    CLinkHost& m_host;
    CFrameLine& m_line;
    t_entry m_current; // the request on the line while m_busy
    enum class CommandEcho { Unknown, Echoes, DoesNotEcho };
    CommandEcho m_commandEcho = CommandEcho::Unknown;
    std::int32_t m_busy = 0;
    std::uint32_t m_timer = 0;
    std::deque<t_entry> m_pending;
    std::deque<t_entry> m_completed;
    std::uint32_t m_nextId = 1;
    std::uint32_t m_delivering = 0;
    std::uint32_t m_rejected = 0;
    std::uint32_t m_dropped = 0;
    std::uint32_t m_retries = 0;
    std::chrono::steady_clock::time_point m_sentAt;
    int m_deliveringRoundTripMs = 0;
    // The next send waits for a quiet line; m_lateCommand: a request timed out and a frame
    // arriving now is its late reply (its command, 0 when none is expected).
    bool m_quietNeeded = false;
    int m_lateCommand = 0;
    int m_quietMs = protocol::kReplyTimeoutMs;
    HostTimerId m_quietTimer = 0;
    CReadReplyCheck m_readCheck;
    CReadTiming m_readTiming;
    CLinkTrace* m_trace = nullptr;
};
