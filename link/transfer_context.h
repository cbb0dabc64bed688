#pragma once
// What the link worker thread shares with the UI side of CTransfer. The two lists are
// guarded by one mutex and every access holds it for a single add or take; the flags are
// atomic. The worker is joined before the context goes away.

#include "link/line_counters.h"
#include "link/port_failure.h"
#include "link/protocol.h"
#include "link/transfer_data.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

class CLinkHost;

// One inbound item: a decoded device frame, or a link status record made by the worker
// itself (kLinkOpening, kLinkConnected, kLinkStopped in record.command). The status mark
// is kept apart from the frame so that no device data can pass for a status record.
struct t_link_item {
    t_transfer_data record;
    bool status = false;
};

struct TransferContext {
    TransferContext();
    ~TransferContext();
    TransferContext(const TransferContext&) = delete;
    TransferContext& operator=(const TransferContext&) = delete;

    int portNumber = 0;
    int baudRate = 0;
    std::string linkDirectory; // where "COMn" links are looked up
    CLinkHost* host = nullptr; // is posted command 101 for every inbound item
    std::atomic<int> stopFlag{0};
    std::atomic<int> runningFlag{0};
    std::atomic<int> exitCode{0};
    std::mutex lock;
    std::deque<t_transfer_data> outbound;
    std::deque<t_link_item> inbound;
    std::uint8_t frameBuffer[protocol::kFrameBufferSize] = {};

    // Why the last worker could not open its port; written by the worker before its
    // stop record, read on the UI side after the join.
    t_port_failure failure;
    // What the user should know about a port that opened; written by the worker before
    // its connected record, read on the UI side when that record is handled.
    t_port_notice notice;

    // eventfd that PutToSend and StopWorker signal, so that the worker can sleep in poll()
    // until there is something to do. Made when a connection starts.
    int wakeFd = -1;
    // The receiver's counts for the running connection.
    std::atomic<std::uint32_t> frames{0};
    std::atomic<std::uint32_t> badChecksums{0};
    std::atomic<std::uint32_t> overlong{0};
    std::atomic<std::uint32_t> discarded{0};
    // Loop turns of the worker since the context was made (read by benchmarks).
    std::atomic<std::uint64_t> wakeups{0};
    std::thread thread;

    // UI side, before a worker starts: makes the wake-up descriptor if there is none yet.
    // 0, or the errno of the failure.
    int EnsureWakeFd();
    void ResetCounters();
    t_line_counters Counters() const;

    // Both sides.
    void Wake();
    // Worker side.
    bool GetToSend(t_transfer_data& record);
    bool HasToSend();
    // Queues an inbound item and posts WM_COMMAND 101; false (dropped) while no worker runs.
    bool PostToWindow(const t_link_item& item);
    void PostStatus(std::uint8_t code);
};

// The worker thread's body.
void TransferThread(TransferContext* context);

// Test seam: the eventfd(2)-like call that makes the wake-up descriptor; nullptr restores
// the system call. Production code never sets it.
using EventFdFunction = int (*)(unsigned int initval, int flags);
void SetEventFdFunctionForTest(EventFdFunction function);
