#pragma once
// CLinkStack: the device core of a program, built and wired in one place: the link worker
// (CTransfer), the request queue on it and the driver of block transfers over the queue.
// The window and re2-device each hold one and add only what is theirs.
//
// The stack stands between its parts and the program's host: what the parts ask of a host
// goes on to it, except that a link coming up first starts the queue's connection afresh at
// the link's speed, and the line report at the link's end takes the queue's counts. At
// every connect, and at every look for a port that went away, the port the host's settings
// name is resolved anew ("COMn" through the host's folder of COMn links, else
// /dev/ttyS<n-1>; a path as it is), so a new choice or a COMn link that moved counts from
// the next connect, and a COMn link moved to a replugged adapter's new node is followed. The parts
// go in the reverse order of their making: the worker is stopped and joined before the queue and
// the driver go.
// The stack also holds the link's trace (link/link_trace.h), off until the program starts
// it; it notes connect and disconnect, and ends with the stack's shutdown.

#include "link/block_transfer_driver.h"
#include "link/line_counters.h"
#include "link/link_host.h"
#include "link/link_trace.h"
#include "link/queue.h"
#include "link/serial_port.h"
#include "link/transfer.h"

#include <string>

// How one connection's line went: the receiver's counts with the queue's dropped frames,
// and the read chunks asked again.
struct t_line_report {
    t_line_counters counters;
    std::uint32_t retries = 0;
};

// The device "COMn" or the path of settings names, given the folder of the COMn links.
std::string ResolvePortPath(const t_link_settings& settings, const std::string& linkDirectory);

class CLinkStack : private CLinkHost {
public:
    // makePort makes the port of each connection; empty: the system's serial port.
    explicit CLinkStack(CLinkHost& host, SerialPortMaker makePort = {});
    // Stops the worker and waits for its end.
    ~CLinkStack() override;
    CLinkStack(const CLinkStack&) = delete;
    CLinkStack& operator=(const CLinkStack&) = delete;

    // "Połącz": resolves the port of the host's settings and starts the worker.
    void Connect();
    // "Rozłącz": stops the worker; its end brings the link down.
    void Disconnect();
    // Forgets every request and stops the worker, waiting for its end: the port is handed
    // back once this returns. A trace running ends too, with what the worker stamped.
    void Shutdown();

    CTransfer& Link() { return m_link; }
    const CTransfer& Link() const { return m_link; }
    CQueue& Queue() { return m_queue; }
    const CQueue& Queue() const { return m_queue; }
    CBlockTransferDriver& Driver() { return m_driver; }
    CLinkTrace& Trace() { return m_trace; }

    // The line so far in the current (or last) connection.
    t_line_report LineReport() const;

private:
    // ---- CLinkHost, for the parts ----
    void ConsoleWrite(const std::string& text, int newLine) override;
    HostTimerId StartTimer(int delayMs, std::function<void()> callback) override;
    void CancelTimer(HostTimerId id) override;
    std::int64_t NowMs() const override;
    void Post(std::function<void()> work) override;
    t_link_settings LinkSettings() const override;
    std::string LinkDirectory() const override;
    void OnLinkStarting() override;
    void OnLinkUp() override;
    void OnLinkDown(const t_link_end& end) override;
    void OnPortLost(const std::string& devicePath) override;
    void OnPortBack(const std::string& devicePath) override;

    CLinkHost& m_host;
    // Before the link: the worker stamps into it until it is joined.
    CLinkTrace m_trace;
    CTransfer m_link;
    CQueue m_queue;
    CBlockTransferDriver m_driver;
};
