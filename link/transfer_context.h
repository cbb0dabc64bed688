#pragma once
// What the link worker thread shares with the UI side of CTransfer. The two lists are
// guarded by one mutex and every access holds it for a single add or take; the flags are
// atomic. The worker is joined before the context goes away.

#include "link/protocol.h"
#include "link/transfer_data.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

class CWnd;

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
    CWnd* targetWindow = nullptr; // receives WM_COMMAND 101 for every inbound item
    std::atomic<int> stopFlag{0};
    std::atomic<int> runningFlag{0};
    std::atomic<int> exitCode{0};
    std::mutex lock;
    std::deque<t_transfer_data> outbound;
    std::deque<t_link_item> inbound;
    std::uint8_t frameBuffer[protocol::kFrameBufferSize] = {};

    // eventfd that PutToSend and StopWorker signal, so that the worker can sleep in poll()
    // until there is something to do.
    int wakeFd = -1;
    // Loop turns of the worker since the context was made (read by benchmarks).
    std::atomic<std::uint64_t> wakeups{0};
    std::thread thread;

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
