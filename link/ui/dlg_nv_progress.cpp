#include "link/ui/dlg_nv_progress.h"

#include "base/steady_time.h"
#include "base/text_format.h"
#include "link/link_host.h"
#include "res/resource.h"

#include <utility>

CDlgNVProgress::CDlgNVProgress(CLinkHost& host, CBlockTransferDriver& driver)
    : CDialog(IDD_NV_PROGRESS), m_host(host), m_driver(driver) {}

void CDlgNVProgress::SetRead(int blockId) {
    SetReadFrom(blockId, 0, nullptr, {});
}

void CDlgNVProgress::SetReadFrom(int blockId, std::uint32_t held, const std::uint8_t* source,
                                 ChunkFunction onChunk) {
    m_driver.SetReadFrom(blockId, held, source);
    m_onChunk = std::move(onChunk);
    m_reported = m_driver.Transfer().Done();
    m_rate.reset();
    if (blockId == protocol::kBlockRecorder) {
        m_rate = std::make_unique<CTransferRate>(BlockSize(blockId));
    }
}

void CDlgNVProgress::SetReadList(int blockId, const std::uint8_t* source, CChunkSource& list) {
    m_driver.SetReadList(blockId, source, list);
    m_onChunk = nullptr;
    m_reported = 0;
    m_rate = std::make_unique<CTransferRate>(m_driver.Transfer().Total());
}

void CDlgNVProgress::SetWrite(int blockId, const std::uint8_t* source) {
    m_driver.SetWrite(blockId, source);
    m_onChunk = nullptr;
    m_rate.reset();
}

void CDlgNVProgress::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
    DDX_Control(pDX, IDC_PROGRESS_TEXT, m_rateText);
}

BOOL CDlgNVProgress::OnInitDialog() {
    CDialog::OnInitDialog();
    const CBlockTransfer& walk = m_driver.Transfer();
    const int size = static_cast<int>(walk.IsListRead() ? walk.Total() : BlockSize(walk.BlockId()));
    m_host.ConsoleWrite(Format("Transmisja %dB", size), 1);
    m_activity = Activity::Running;
    m_progress.SetRange32(0, size);
    m_progress.SetPos(static_cast<int>(m_driver.Transfer().Done()));
    m_rateText.SetWindowText("");
    ShowRate();
    m_driver.Start(
        m_host.LinkSettings().deviceAddress,
        [this](const t_block_request& request) { OnSending(request); }, [this] { OnEnded(); });
    return TRUE;
}

void CDlgNVProgress::OnSending(const t_block_request& request) {
    ReportChunks();
    ShowRate();
    const CBlockTransfer& walk = m_driver.Transfer();
    if (walk.IsListRead()) {
        // What the list plans grows as it learns where the new bytes end.
        m_progress.SetRange32(0, static_cast<int>(walk.Total()));
    }
    m_progress.SetPos(static_cast<int>(walk.Done() + request.count));
}

void CDlgNVProgress::ReportChunks() {
    const std::uint32_t done = m_driver.Transfer().Done();
    if (done > m_reported && m_onChunk) {
        m_onChunk(m_reported, done - m_reported);
    }
    m_reported = done;
}

void CDlgNVProgress::ShowRate() {
    if (m_rate && m_driver.Transfer().IsListRead()) {
        m_rate->SetTotal(m_driver.Transfer().Total());
    }
    if (m_rate && m_rate->Update(SteadyMs(), m_driver.Transfer().Done())) {
        m_rateText.SetWindowText(m_rate->Text());
    }
}

void CDlgNVProgress::OnEnded() {
    ReportChunks();
    if (m_activity != Activity::Running) {
        return;
    }
    switch (m_driver.Transfer().GetState()) {
    case CBlockTransfer::State::Complete:
        ShowRate();
        Complete();
        break;
    case CBlockTransfer::State::Failed:
        Fail(m_driver.Transfer().FailureText());
        break;
    default:
        // The queue took no request: the link is going down, and its end closes the box.
        OnCancel();
        break;
    }
}

void CDlgNVProgress::Complete() {
    m_activity = Activity::Idle;
    m_host.ConsoleWrite("koniec transmisji", 1);
    EndDialog(IDOK);
}

void CDlgNVProgress::Fail(const char* message) {
    AfxMessageBox(message, MB_OK);
    OnCancel();
}

void CDlgNVProgress::OnPortLost() {
    // Only a readout of the recorder in address order goes on after the gap: it has its
    // part to continue from. Anything else ends as its requests time out.
    if (m_activity != Activity::Running || !m_rate || m_driver.Transfer().IsListRead()) {
        return;
    }
    m_activity = Activity::AwaitingPort;
    m_driver.Abort();
    ReportChunks();
    m_rateText.SetWindowText("Port zniknął: oczekiwanie na ponowne podłączenie…");
}

void CDlgNVProgress::OnPortBack() {
    if (m_activity == Activity::AwaitingPort) {
        m_activity = Activity::Idle;
        EndDialog(IDRETRY);
    }
}

void CDlgNVProgress::OnLinkDown() {
    if (m_activity == Activity::AwaitingPort) {
        OnCancel();
    }
}

void CDlgNVProgress::OnOK() {
    // Enter while the box is shown: the block is not complete, so it is an abort, never
    // a success.
    OnCancel();
}

void CDlgNVProgress::OnCancel() {
    if (m_activity != Activity::Idle) {
        m_activity = Activity::Idle;
        m_driver.Abort();
        ReportChunks();
        m_host.ConsoleWrite("Przerwano transmisję", 1);
    }
    EndDialog(IDCANCEL);
}
