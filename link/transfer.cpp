#include "link/transfer.h"

#include "app/lw_dlg.h"
#include "app/text_format.h"
#include "link/com_port.h"
#include "link/queue.h"
#include "link/transfer_context.h"
#include "res/resource.h"

namespace {

// The buttons that need a link; "Programator" among them.
constexpr int kDeviceButtons[] = {IDC_CONFIGURATION, IDC_READ_RECORDER, IDC_DISCONNECT,
                                  IDC_SET_CLOCK,     IDC_PROGRAMMER,    IDC_VERSIONS,
                                  IDC_STATISTICS,    IDC_RESET,         IDC_SET_POSITION,
                                  IDC_RELAYS,        IDC_INSPECTIONS};

// Enabled when the link comes up; "Programator" waits for the status panel.
constexpr int kConnectedButtons[] = {
    IDC_CONFIGURATION, IDC_READ_RECORDER, IDC_DISCONNECT,   IDC_SET_CLOCK, IDC_VERSIONS,   IDC_EXIT,
    IDC_STATISTICS,    IDC_RESET,         IDC_SET_POSITION, IDC_RELAYS,    IDC_INSPECTIONS};

} // namespace

CTransfer::CTransfer(CLWDlg* mainWindow)
    : m_context(std::make_unique<TransferContext>()), m_mainWindow(mainWindow) {}

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
    // "COMn" may be a link in the program directory.
    CComPort::SetProgramDirectory(m_mainWindow->ProgramDirectory());
    c.portNumber = portNumber;
    c.baudRate = baudRate;
    c.targetWindow = m_mainWindow;
    c.stopFlag = 0;
    c.exitCode = 0;
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

int CTransfer::GetReceived(t_transfer_data& record) {
    std::lock_guard<std::mutex> guard(m_context->lock);
    if (m_context->inbound.empty()) {
        return 0;
    }
    record = m_context->inbound.front().record;
    m_context->inbound.pop_front();
    return 1;
}

std::uint64_t CTransfer::WorkerWakeups() const {
    return m_context->wakeups;
}

void CTransfer::EnableButton(int id, BOOL enable) {
    if (CWnd* button = m_mainWindow->GetDlgItem(id)) {
        button->EnableWindow(enable);
    }
}

void CTransfer::DisableDeviceButtons() {
    for (int id : kDeviceButtons) {
        EnableButton(id, FALSE);
    }
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
        m_mainWindow->Queue().OnFrame(item.record);
        return;
    }
    switch (item.record.command) {
    case protocol::kLinkStopped:
        WaitWorkerEnd();
        ShowDisconnected(m_context->exitCode);
        break;
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
    EnableButton(IDC_CONNECT, FALSE);
    EnableButton(IDC_PORT, FALSE);
    EnableButton(IDC_EXIT, FALSE);
    StartWorker(m_mainWindow->m_settings.portNumber, m_mainWindow->m_settings.baudRate);
}

void CTransfer::OnDisconnect() {
    StopWorker();
}

void CTransfer::ShowOpening() {
    m_mainWindow->ConsoleWrite(
        Format("Otwieranie portu COM%d , %db/s...", m_context->portNumber, m_context->baudRate), 1);
}

void CTransfer::ShowConnected() {
    m_connected = true;
    m_mainWindow->ConsoleWrite("Połączono", 1);
    for (int id : kConnectedButtons) {
        EnableButton(id, TRUE);
    }
    m_mainWindow->PollStatus(1);
}

void CTransfer::ShowDisconnected(int exitCode) {
    m_connected = false;
    m_mainWindow->ConsoleWrite("Rozłączono", 1);
    DisableDeviceButtons();
    EnableButton(IDC_CONNECT, TRUE);
    EnableButton(IDC_PORT, TRUE);
    EnableButton(IDC_EXIT, TRUE);
    m_mainWindow->PollStatus(0);
    if (exitCode == 2) {
        AfxMessageBox("Nie można korzystać z wybranego portu.\r\nRozłączono.", MB_OK);
    } else if (exitCode != 0) {
        AfxMessageBox("Nieznany powod bledu", MB_OK);
    }
}
