#include "link/transfer.h"

#include "base/text_format.h"
#include "link/com_port.h"
#include "link/port_failure_text.h"
#include "link/queue.h"
#include "link/transfer_context.h"
#include "res/resource.h"

CTransfer::CTransfer(CLinkHost& host)
    : m_context(std::make_unique<TransferContext>()), m_host(host) {
    m_context->host = &host;
}

CTransfer::~CTransfer() {
    StopWorker();
    WaitWorkerEnd();
}

const AFX_MSGMAP* CTransfer::GetMessageMap() const {
    static const AFX_MSGMAP map =
        AFX_MSGMAP::Of<CTransfer>(CCmdTarget::GetThisMessageMap(),
                                  {
                                      OnCommandEntry(ID_LINK_DATA, &CTransfer::OnLinkData),
                                      OnCommandEntry(IDC_CONNECT, &CTransfer::OnConnect),
                                      OnCommandEntry(IDC_DISCONNECT, &CTransfer::OnDisconnect),
                                  });
    return &map;
}

int CTransfer::StartWorker(int portNumber, int baudRate) {
    TransferContext& c = *m_context;
    if (c.runningFlag != 0) {
        return 0;
    }
    // A worker that ended without its last status record being handled is joined here,
    // so that every start is a clean one.
    if (c.thread.joinable()) {
        c.thread.join();
    }
    {
        std::lock_guard<std::mutex> guard(c.lock);
        c.outbound.clear();
    }
    c.linkDirectory = m_host.LinkDirectory();
    // "COMn" may be a link in the host's folder.
    CComPort::SetProgramDirectory(c.linkDirectory);
    c.portNumber = portNumber;
    c.baudRate = baudRate;
    c.stopFlag = 0;
    c.exitCode = 0;
    c.failure = t_port_failure{};
    c.notice = t_port_notice{};
    c.ResetCounters();
    if (const int error = c.EnsureWakeFd(); error != 0) {
        // The worker reports it as a port that could not be opened.
        c.failure.step = PortStep::WakeEvent;
        c.failure.error = error;
        c.failure.path =
            CComPort::ResolvedDevice(CComPort::DevicePath(portNumber, c.linkDirectory));
    }
    // Set here rather than by the worker: a second start before the worker runs must
    // already be refused, and the worker's first status record must not be dropped.
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

std::uint64_t CTransfer::WorkerWakeups() const {
    return m_context->wakeups;
}

t_line_counters CTransfer::LineCounters() const {
    return m_context->Counters();
}

void CTransfer::DisableDeviceButtons() {
    m_host.DisableDeviceButtons();
}

void CTransfer::OnLinkData() {
    t_link_item item;
    {
        std::lock_guard<std::mutex> guard(m_context->lock);
        if (m_context->inbound.empty()) {
            return;
        }
        item = m_context->inbound.front();
        m_context->inbound.pop_front();
    }
    if (!item.status) {
        if (m_queue != nullptr) {
            m_queue->OnFrame(item.record);
        }
        return;
    }
    switch (item.record.command) {
    case protocol::kLinkStopped: {
        WaitWorkerEnd();
        // Read after the join: the worker wrote them before its last record.
        t_link_end end;
        end.exitCode = m_context->exitCode;
        end.failure = m_context->failure;
        ShowDisconnected(end);
        break;
    }
    case protocol::kLinkConnected:
        ShowConnected();
        break;
    case protocol::kLinkOpening:
        ShowOpening();
        break;
    default:
        break;
    }
}

void CTransfer::OnConnect() {
    m_host.OnLinkStarting();
    const t_link_settings settings = m_host.LinkSettings();
    StartWorker(settings.portNumber, settings.baudRate);
}

void CTransfer::OnDisconnect() {
    StopWorker();
}

void CTransfer::ShowOpening() {
    m_host.ConsoleWrite(
        Format("Otwieranie portu COM%d , %db/s...", m_context->portNumber, m_context->baudRate), 1);
}

void CTransfer::ShowConnected() {
    m_connected = true;
    if (m_context->notice.Any()) {
        m_host.ConsoleWrite(PortNoticeText(m_context->portNumber, m_context->notice), 1);
    }
    m_host.ConsoleWrite("Połączono", 1);
    m_host.OnLinkUp();
}

void CTransfer::ShowDisconnected(const t_link_end& end) {
    m_connected = false;
    if (end.failure.Failed()) {
        m_host.ConsoleWrite(
            PortFailureText(m_context->portNumber, m_context->baudRate, end.failure), 1);
    }
    const t_line_counters counters = m_context->Counters();
    if (counters.Damaged()) {
        m_host.ConsoleWrite(LineCountersText(counters), 1);
    }
    m_host.ConsoleWrite("Rozłączono", 1);
    m_host.OnLinkDown(end);
}
