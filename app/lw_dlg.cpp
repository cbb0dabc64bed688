#include "app/lw_dlg.h"

#include "app/about_dlg.h"
#include "base/program_info.h"
#include "base/settings_folder.h"
#include "base/text_format.h"
#include "link/queue.h"
#include "link/transfer.h"
#include "link/ui/dlg_nv_progress.h"
#include "link/ui/dlg_request.h"
#include "res/resource.h"

#include <cstring>

namespace {

// Text of the About entry appended to the system menu where one exists.
constexpr char kAboutMenuText[] = "&About LW...";
// The entry beside it that switches the trace of the line on and off.
constexpr char kLinkTraceMenuText[] = "&Zapis ruchu łącza";

// The large fixed-pitch font of the speed and position box: 21 pt, medium weight, for the
// Eastern European character set; no face name, so any monospace font of the modern
// family serves.
LOGFONT StatusLogFont() {
    LOGFONT lf{};
    lf.lfHeight = 210;
    lf.lfWidth = 13;
    lf.lfEscapement = 0;
    lf.lfOrientation = 0;
    lf.lfWeight = FW_MEDIUM;
    lf.lfItalic = 0;
    lf.lfUnderline = 0;
    lf.lfStrikeOut = 0;
    lf.lfCharSet = EASTEUROPE_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lf.lfFaceName[0] = '\0';
    return lf;
}

} // namespace

CLWDlg::CLWDlg(CWnd* parent) : CDialog(IDD_LW_DIALOG, parent) {
    if (CWinApp* app = AfxGetApp()) {
        m_hIcon = app->LoadIcon(IDR_MAINFRAME);
    }
    m_link = std::make_unique<CLinkStack>(*this);
    m_dlgRequest = new CDlgRequest(m_link->Queue(), m_link->Driver());
    m_dlgNVProgress = new CDlgNVProgress(*this, m_link->Driver());
}

CLWDlg::~CLWDlg() {
    // Normally gone with the window already; a main window that was never shown still
    // owns them.
    DeleteOwnedObjects();
}

void CLWDlg::DeleteOwnedObjects() {
    // The boxes run their transfers on the stack's driver: they go first.
    delete m_dlgRequest;
    m_dlgRequest = nullptr;
    delete m_dlgNVProgress;
    m_dlgNVProgress = nullptr;
    m_link.reset();
    // Posted work names the objects just deleted.
    m_posted.Clear();
}

const AFX_MSGMAP* CLWDlg::GetMessageMap() const {
    static const AFX_MSGMAP map =
        AFX_MSGMAP::Of<CLWDlg>(CDialog::GetThisMessageMap(),
                               {
                                   OnSysCommandEntry(&CLWDlg::OnSysCommand),
                                   OnMessageEntry(WM_PAINT, &CLWDlg::OnPaint),
                                   OnQueryDragIconEntry(&CLWDlg::OnQueryDragIcon),
                                   OnMessageEntry(WM_DESTROY, &CLWDlg::OnDestroy),
                                   OnTimerEntry(&CLWDlg::OnTimer),
                                   OnCommandEntry(ID_HOST_WORK, &CLWDlg::OnHostWork),
                                   OnCommandEntry(IDC_CONNECT, &CLWDlg::OnConnect),
                                   OnCommandEntry(IDC_DISCONNECT, &CLWDlg::OnDisconnect),
                                   OnCommandEntry(IDC_PORT, &CLWDlg::OnPort),
                                   OnCommandEntry(IDC_VERSIONS, &CLWDlg::OnVersions),
                                   OnCommandEntry(IDC_SET_CLOCK, &CLWDlg::OnSetClock),
                                   OnCommandEntry(IDC_SET_POSITION, &CLWDlg::OnSetPosition),
                                   OnCommandEntry(IDC_RESET, &CLWDlg::OnReset),
                                   OnCommandEntry(IDC_STATISTICS, &CLWDlg::OnStatistics),
                                   OnCommandEntry(IDC_CONFIGURATION, &CLWDlg::OnConfiguration),
                                   OnCommandEntry(IDC_PROGRAMMER, &CLWDlg::OnProgrammer),
                                   OnCommandEntry(IDC_INSPECTIONS, &CLWDlg::OnInspections),
                                   OnCommandEntry(IDC_RELAYS, &CLWDlg::OnRelays),
                                   OnCommandEntry(IDC_READ_RECORDER, &CLWDlg::OnReadRecorder),
                                   OnCommandEntry(IDC_LOAD_FILE, &CLWDlg::OnLoadFile),
                                   OnCommandEntry(IDC_SAVE_FILE, &CLWDlg::OnSaveFile),
                                   OnCommandEntry(IDC_POSITION_CHART, &CLWDlg::OnPositionChart),
                                   OnCommandEntry(IDC_SPEED_CHART, &CLWDlg::OnSpeedChart),
                               });
    return &map;
}

void CLWDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_CONSOLE, m_console);
    DDX_Control(pDX, IDC_STATUS_SPEED, m_statusSpeed);
    DDX_Control(pDX, IDC_STATUS_INPUTS, m_statusInputs);
    DDX_Control(pDX, IDC_STATUS_OUTPUTS, m_statusOutputs);
    DDX_Control(pDX, IDC_STATUS_SUPPLY, m_statusSupply);
}

BOOL CLWDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    const std::string programPath = afx::GetProgramPath();
    const std::size_t slash = programPath.rfind('/');
    m_programDirectory =
        slash == std::string::npos ? std::string() : programPath.substr(0, slash + 1);
    m_settingsDirectory = SettingsDirectoryOf(m_programDirectory);

    std::memset(m_memoryImage, 0, sizeof m_memoryImage);

    if (CMenu* systemMenu = GetSystemMenu(FALSE)) {
        const std::string about = kAboutMenuText;
        if (!about.empty()) {
            systemMenu->AppendMenu(MF_SEPARATOR);
            systemMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, about);
        }
        systemMenu->AppendMenu(MF_STRING, IDM_LINK_TRACE, kLinkTraceMenuText);
        ShowLinkTraceState();
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    m_banner = Format(kBannerFormat, kProgramVersion);
    ConsoleWrite(m_banner, 0);
    ConsoleWrite("Inicjalizacja...", 1);

    // Before the window is shown: the technician learns at once that the port and address
    // are the defaults.
    if (!ReadSettings()) {
        AfxMessageBox("Nie znaleziono pliku konfiguracyjnego . Przyjęto wartości domyślne.", MB_OK);
    }

    SetStatusIdle();

    if (!m_statusFont.IsCreated()) {
        const LOGFONT lf = StatusLogFont();
        m_statusFont.CreatePointFontIndirect(&lf);
    }
    m_statusSpeed.SetFont(&m_statusFont, TRUE);

    DisableDeviceButtons();
    if (m_link) {
        m_link->Queue().ClearQueue();
    }
    return TRUE;
}

void CLWDlg::OnSysCommand(UINT command, LPARAM param) {
    if ((command & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
        return;
    }
    if ((command & 0xFFF0) == IDM_LINK_TRACE) {
        ToggleLinkTrace();
        return;
    }
    CDialog::OnSysCommand(command, param);
}

void CLWDlg::OnPaint() {
    if (!IsIconic()) {
        CDialog::OnPaint();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(&dc), 0);
    CRect client;
    GetClientRect(&client);
    const int x = (client.Width() - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.Height() - GetSystemMetrics(SM_CYICON) + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR CLWDlg::OnQueryDragIcon() {
    return m_hIcon;
}

void CLWDlg::OnDestroy() {
    // The worker is joined rather than given a fixed pause: a write in progress may hold
    // it for seconds, and it must not outlive the lists it shares with the link object.
    DeleteOwnedObjects();
    // Armed calls die with the window; what they call (the queue) is gone.
    for (const auto& [id, entry] : m_timers) {
        KillTimer(id);
    }
    m_timers.clear();
    m_pollSwitch = PollSwitch::Off;
    m_pollStep = PollStep::Quiet;
    CDialog::OnDestroy();
}

std::uint32_t CLWDlg::SendRequest(int deviceAddress, int messageType, int command,
                                  const std::uint8_t* data, int length, ReplyHandler handler) {
    if (!m_link) {
        return 0;
    }
    return m_link->Queue().AddRequest(deviceAddress, messageType, command, data, length,
                                      std::move(handler));
}
