#include "link/link_stack.h"

#include "link/com_port.h"
#include "link/port_failure_text.h"

std::string ResolvePortPath(const t_link_settings& settings, const std::string& linkDirectory) {
    return settings.portPath.empty() ? CComPort::DevicePath(settings.portNumber, linkDirectory)
                                     : settings.portPath;
}

CLinkStack::CLinkStack(CLinkHost& host, SerialPortMaker makePort)
    : m_host(host), m_trace(*this), m_link(*this, std::move(makePort)), m_queue(*this, m_link),
      m_driver(m_queue) {
    m_link.SetTrace(&m_trace);
    m_queue.SetTrace(&m_trace);
    m_link.SetFrameSink([this](const t_transfer_data& frame) { m_queue.OnFrame(frame); });
    m_link.SetRequestCounts([this] {
        return t_request_counts{m_queue.DroppedCount(), m_queue.Retries()};
    });
}

CLinkStack::~CLinkStack() {
    Shutdown();
}

void CLinkStack::Connect() {
    const t_link_settings settings = m_host.LinkSettings();
    const std::string directory = m_host.LinkDirectory();
    const std::string devicePath = ResolvePortPath(settings, directory);
    m_link.SetPortResolver([settings, directory] { return ResolvePortPath(settings, directory); });
    m_trace.Connecting(settings.PortName(), devicePath, settings.baudRate);
    m_link.OnConnect(settings.PortName(), devicePath, settings.baudRate);
}

void CLinkStack::Disconnect() {
    m_link.OnDisconnect();
}

void CLinkStack::Shutdown() {
    m_queue.ClearQueue();
    m_link.StopWorker();
    m_link.WaitWorkerEnd();
    // The worker's end is not delivered any more: the trace tells it itself.
    if (m_link.IsConnected()) {
        m_trace.Note("rozłączono: koniec pracy programu");
    }
    m_trace.Stop();
}

t_line_report CLinkStack::LineReport() const {
    t_line_report report;
    report.counters = m_link.LineCounters();
    report.counters.droppedFrames = m_queue.DroppedCount();
    report.retries = m_queue.Retries();
    return report;
}

void CLinkStack::ConsoleWrite(const std::string& text, int newLine) {
    m_host.ConsoleWrite(text, newLine);
}

HostTimerId CLinkStack::StartTimer(int delayMs, std::function<void()> callback) {
    return m_host.StartTimer(delayMs, std::move(callback));
}

void CLinkStack::CancelTimer(HostTimerId id) {
    m_host.CancelTimer(id);
}

std::int64_t CLinkStack::NowMs() const {
    return m_host.NowMs();
}

void CLinkStack::Post(std::function<void()> work) {
    m_host.Post(std::move(work));
}

t_link_settings CLinkStack::LinkSettings() const {
    return m_host.LinkSettings();
}

std::string CLinkStack::LinkDirectory() const {
    return m_host.LinkDirectory();
}

void CLinkStack::OnLinkStarting() {
    m_host.OnLinkStarting();
}

void CLinkStack::OnLinkUp() {
    // What the queue learnt of the last connection's line does not hold for this one, and
    // its quiet time follows this line's speed.
    m_queue.OnLinkUp(m_link.BaudRate());
    m_trace.Connected();
    m_host.OnLinkUp();
}

void CLinkStack::OnLinkDown(const t_link_end& end) {
    m_trace.Disconnected(end, m_host.LinkSettings().PortName(), m_link.BaudRate());
    m_host.OnLinkDown(end);
}

void CLinkStack::OnPortLost(const std::string& devicePath) {
    m_trace.Note(PortLostText(m_host.LinkSettings().PortName(), devicePath));
    m_host.OnPortLost(devicePath);
}

void CLinkStack::OnPortBack(const std::string& devicePath) {
    m_trace.Note(PortBackText(m_host.LinkSettings().PortName(), devicePath));
    m_host.OnPortBack(devicePath);
}
