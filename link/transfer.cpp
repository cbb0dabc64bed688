#include "link/transfer.h"

#include "base/text_format.h"
#include "link/com_port.h"
#include "link/link_host.h"
#include "link/port_failure_text.h"
#include "link/transfer_context.h"

CTransfer::CTransfer(CLinkHost& host, SerialPortMaker makePort)
    : m_context(std::make_unique<TransferContext>()), m_host(host) {
    m_context->host = &host;
    m_context->onEvent = [this](const t_link_event& event) { OnLinkEvent(event); };
    m_context->makePort =
        makePort ? std::move(makePort) : [] { return std::make_unique<CComPort>(); };
}

CTransfer::~CTransfer() {
    StopWorker();
    WaitWorkerEnd();
}

int CTransfer::StartWorker(const std::string& portName, const std::string& devicePath,
                           int baudRate) {
    TransferContext& c = *m_context;
    if (c.runningFlag != 0) {
        return 0;
    }
    // A worker that ended without its stop event being handled is joined here,
    // so that every start is a clean one.
    if (c.thread.joinable()) {
        c.thread.join();
    }
    {
        std::lock_guard<std::mutex> guard(c.lock);
        c.outbound.clear();
    }
    c.portName = portName;
    c.devicePath = devicePath;
    c.baudRate = baudRate;
    c.portWaitMs = m_portWaitMs;
    c.resolvePath = m_resolvePort;
    m_awaitingPort = false;
    c.stopFlag = 0;
    c.wakeFailure = t_port_failure{};
    c.ResetCounters();
    if (const int error = c.EnsureWakeFd(); error != 0) {
        // The worker reports it as a port that could not be opened.
        c.wakeFailure.step = PortStep::WakeEvent;
        c.wakeFailure.error = error;
        c.wakeFailure.path = CComPort::ResolvedDevice(devicePath);
    }
    // Set here rather than by the worker: a second start before the worker runs must
    // already be refused, and the worker's first event must not be dropped.
    c.runningFlag = 1;
    c.thread = std::thread(TransferThread, &c);
    return 1;
}

int CTransfer::StopWorker() {
    m_context->stopFlag = 1;
    m_context->Wake();
    return 1;
}

int CTransfer::WaitWorkerEnd() {
    TransferContext& c = *m_context;
    if (c.runningFlag == 0 && !c.thread.joinable()) {
        return 0;
    }
    if (c.thread.joinable()) {
        c.thread.join();
    }
    c.runningFlag = 0;
    return 1;
}

int CTransfer::PutToSend(const t_transfer_data& record) {
    TransferContext& c = *m_context;
    if (c.runningFlag == 0) {
        return 0;
    }
    {
        std::lock_guard<std::mutex> guard(c.lock);
        c.outbound.push_back(record);
    }
    c.Wake();
    return 1;
}

CFrameLine::Clock::time_point CTransfer::LastCharacterTime() const {
    return Clock::time_point(std::chrono::nanoseconds(m_context->lastCharacterNs.load()));
}

std::uint64_t CTransfer::WorkerWakeups() const {
    return m_context->wakeups;
}

t_line_counters CTransfer::LineCounters() const {
    return m_context->Counters();
}

void CTransfer::OnLinkEvent(const t_link_event& event) {
    switch (event.kind) {
    case LinkEventKind::Frame:
        if (m_sink) {
            m_sink(event.frame);
        }
        break;
    case LinkEventKind::Stopped:
        WaitWorkerEnd();
        ShowDisconnected(event.end);
        break;
    case LinkEventKind::Connected:
        ShowConnected(event.notice);
        break;
    case LinkEventKind::Opening:
        ShowOpening();
        break;
    case LinkEventKind::PortLost:
        ShowPortLost(event.devicePath);
        break;
    case LinkEventKind::PortBack:
        ShowPortBack(event);
        break;
    }
}

void CTransfer::SetPortWaitMs(int ms) {
    m_portWaitMs = ms;
}

void CTransfer::SetPortResolver(std::function<std::string()> resolve) {
    m_resolvePort = std::move(resolve);
}

void CTransfer::SetTrace(CLinkTrace* trace) {
    m_context->trace = trace;
}

int CTransfer::BaudRate() const {
    return m_context->baudRate;
}

void CTransfer::OnConnect(const std::string& portName, const std::string& devicePath,
                          int baudRate) {
    m_host.OnLinkStarting();
    StartWorker(portName, devicePath, baudRate);
}

void CTransfer::OnDisconnect() {
    StopWorker();
}

void CTransfer::ShowOpening() {
    m_host.ConsoleWrite(
        Format("Otwieranie portu %s , %db/s...", m_context->portName.c_str(), m_context->baudRate),
        1);
}

void CTransfer::ShowConnected(const t_port_notice& notice) {
    m_connected = true;
    if (notice.Any()) {
        m_host.ConsoleWrite(PortNoticeTextFor(m_context->portName, notice), 1);
    }
    m_host.ConsoleWrite("Połączono", 1);
    m_host.OnLinkUp();
}

void CTransfer::ShowPortLost(const std::string& devicePath) {
    m_awaitingPort = true;
    m_host.ConsoleWrite(PortLostText(m_context->portName, devicePath), 1);
    m_host.OnPortLost(devicePath);
}

void CTransfer::ShowPortBack(const t_link_event& event) {
    m_awaitingPort = false;
    if (event.notice.Any()) {
        m_host.ConsoleWrite(PortNoticeTextFor(m_context->portName, event.notice), 1);
    }
    m_host.ConsoleWrite(PortBackText(m_context->portName, event.devicePath), 1);
    m_host.OnPortBack(event.devicePath);
}

void CTransfer::ShowDisconnected(const t_link_end& end) {
    m_connected = false;
    m_awaitingPort = false;
    if (end.failure.Failed()) {
        m_host.ConsoleWrite(
            PortFailureTextFor(m_context->portName, m_context->baudRate, end.failure), 1);
    }
    t_line_counters counters = m_context->Counters();
    const t_request_counts requests = m_requestCounts ? m_requestCounts() : t_request_counts{};
    counters.droppedFrames = requests.droppedFrames;
    if (counters.Damaged() || requests.retries > 0) {
        m_host.ConsoleWrite(LineCountersText(counters, requests.retries), 1);
    }
    m_host.ConsoleWrite("Rozłączono", 1);
    m_host.OnLinkDown(end);
}
