#pragma once
// CTransfer: the serial link. It owns the worker thread that opens the port, sends the
// frames the queue hands it, decodes what the device sends, and reports every decoded
// frame and every change of the link's state as one event posted to the host's thread.
// Frames go on to the sink it is given. It handles "Połącz" and "Rozłącz"; what the
// window shows of it is the host's business.

#include "link/frame_line.h"
#include "link/line_counters.h"
#include "link/link_event.h"
#include "link/serial_port.h"
#include "link/transfer_data.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CLinkHost;
class CLinkTrace;
struct TransferContext; // shared by the host's side and the worker (link/transfer_context.h)

// A port that went away while connected is looked for again every kPortLookMs, for at
// most kPortWaitMs unless the link is told otherwise.
constexpr int kPortLookMs = 500;
constexpr int kPortWaitMs = 120'000;

class CTransfer : public CFrameLine {
public:
    // Where decoded device frames go, on the host's thread.
    using FrameSink = std::function<void(const t_transfer_data& frame)>;
    // makePort makes the port of each worker; empty: the system's serial port (CComPort).
    explicit CTransfer(CLinkHost& host, SerialPortMaker makePort = {});
    // Stops the worker and waits for its end.
    ~CTransfer() override;
    CTransfer(const CTransfer&) = delete;
    CTransfer& operator=(const CTransfer&) = delete;

    // Set once by the owner of the link and of what the frames are for.
    void SetFrameSink(FrameSink sink) { m_sink = std::move(sink); }
    // Where the "Rozłącz" report takes the request queue's counts from; empty: none.
    void SetRequestCounts(std::function<t_request_counts()> counts) {
        m_requestCounts = std::move(counts);
    }
    // How long the workers started from now on wait for a port that went away before the
    // link ends; 0: the link ends at once.
    void SetPortWaitMs(int ms);
    // What the port choice leads to at each look while a lost port is awaited; empty: the
    // device path the worker was started on.
    void SetPortResolver(std::function<std::string()> resolve);
    // True while the port that went away is awaited (between PortLost and PortBack).
    bool IsAwaitingPort() const { return m_awaitingPort; }
    // Where the worker stamps the frames it sends and receives; set once, before the first
    // connect, by the owner of the trace, which outlives the link.
    void SetTrace(CLinkTrace* trace);
    // The baud rate of the worker last started; 0 before the first.
    int BaudRate() const;

    // 0 and nothing done while a worker runs; otherwise starts one on the device at
    // devicePath, which messages call portName, and gives 1.
    int StartWorker(const std::string& portName, const std::string& devicePath, int baudRate);
    // Raises the stop flag and wakes the worker; gives 1.
    int StopWorker();
    // 0 when no worker ran; otherwise joins it, clears the running flag and gives 1.
    int WaitWorkerEnd();
    // Queues a record for sending; 0 (record dropped) while no worker runs.
    int PutToSend(const t_transfer_data& record) override;
    Clock::time_point LastCharacterTime() const override;
    // True between the link's coming up (port open) and its going down.
    bool IsConnected() const { return m_connected; }
    // Loop turns of the worker so far (all workers of this link together): an idle
    // connected link adds none.
    std::uint64_t WorkerWakeups() const;
    // What the receiver made of the line since the last "Połącz".
    t_line_counters LineCounters() const;

    // "Połącz": tells the host and starts a worker on the device at devicePath.
    void OnConnect(const std::string& portName, const std::string& devicePath, int baudRate);
    // "Rozłącz": stops the worker; its stop event brings the link down.
    void OnDisconnect();

private:
    // One event of the worker, on the host's thread.
    void OnLinkEvent(const t_link_event& event);
    void ShowOpening();
    void ShowConnected(const t_port_notice& notice);
    void ShowDisconnected(const t_link_end& end);
    void ShowPortLost(const std::string& devicePath);
    void ShowPortBack(const t_link_event& event);

    std::unique_ptr<TransferContext> m_context;
    CLinkHost& m_host;
    FrameSink m_sink;
    std::function<t_request_counts()> m_requestCounts;
    bool m_connected = false;
    bool m_awaitingPort = false;
    int m_portWaitMs = kPortWaitMs;
    std::function<std::string()> m_resolvePort;
};
