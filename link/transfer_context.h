#pragma once
// What the link worker thread shares with the host's side of CTransfer. The outbound list
// is guarded by a mutex and every access holds it for a single add or take; the flags and
// counts are atomic. Everything else is written before the worker starts and only read by
// it. The worker is joined before the context goes away.

#include "link/line_counters.h"
#include "link/link_event.h"
#include "link/port_failure.h"
#include "link/protocol.h"
#include "link/serial_port.h"
#include "link/transfer_data.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class CLinkHost;
class CLinkTrace;

struct TransferContext {
    TransferContext();
    ~TransferContext();
    TransferContext(const TransferContext&) = delete;
    TransferContext& operator=(const TransferContext&) = delete;

    std::string portName;   // "COM3" or the path the user gave: how messages name it
    std::string devicePath; // what the worker opens
    int baudRate = 0;
    // How long a port that went away is waited for before the link ends (0: not at all),
    // and what the port choice leads to now, asked at every look while it is awaited
    // (empty: devicePath). Both are set before a worker starts.
    int portWaitMs = 0;
    std::function<std::string()> resolvePath;
    CLinkHost* host = nullptr; // runs onEvent for every event, on its thread
    // Where the host's thread hands each event.
    std::function<void(const t_link_event&)> onEvent;
    SerialPortMaker makePort;
    // Where the worker stamps what it sees on the line; set before a worker starts, nullptr
    // for no trace.
    CLinkTrace* trace = nullptr;
    std::atomic<int> stopFlag{0};
    std::atomic<int> runningFlag{0};
    std::mutex lock;
    std::deque<t_transfer_data> outbound;
    std::uint8_t frameBuffer[protocol::kFrameBufferSize] = {};

    // Set before a worker starts when its wake-up descriptor could not be made: the worker
    // ends at once and reports it as a port that could not be opened.
    t_port_failure wakeFailure;

    // eventfd that PutToSend and StopWorker signal, so that the worker can sleep in poll()
    // until there is something to do. Made when a connection starts.
    int wakeFd = -1;
    // The receiver's counts for the running connection.
    std::atomic<std::uint32_t> frames{0};
    std::atomic<std::uint32_t> badChecksums{0};
    std::atomic<std::uint32_t> overlong{0};
    std::atomic<std::uint32_t> discarded{0};
    // When the last character arrived (steady clock, nanoseconds since its epoch); 0 for
    // none during this connection.
    std::atomic<std::int64_t> lastCharacterNs{0};
    // Loop turns of the worker since the context was made (read by benchmarks).
    std::atomic<std::uint64_t> wakeups{0};
    std::thread thread;

    // Host's side, before a worker starts: makes the wake-up descriptor if there is none
    // yet. 0, or the errno of the failure.
    int EnsureWakeFd();
    void ResetCounters();
    t_line_counters Counters() const;

    // Both sides.
    void Wake();
    // Worker side.
    bool GetToSend(t_transfer_data& record);
    bool HasToSend();
    // Posts the event to the host's thread; dropped while no worker runs.
    void Emit(const t_link_event& event);
};

// The worker thread's body.
void TransferThread(TransferContext* context);

// Test seam: the eventfd(2)-like call that makes the wake-up descriptor; nullptr restores
// the system call. Production code never sets it.
using EventFdFunction = int (*)(unsigned int initval, int flags);
void SetEventFdFunctionForTest(EventFdFunction function);
