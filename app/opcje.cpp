#include "app/opcje.h"

#include "link/brltty_rules.h"
#include "link/com_link.h"
#include "link/port_choice_text.h"
#include "res/resource.h"

namespace {

constexpr int kPortChoices = 6; // COM1 to COM6
constexpr UINT_PTR kLookAgainTimer = 1;
// Half a second: an adapter plugged in or pulled shows within a second.
constexpr UINT kLookAgainMs = 500;

struct t_column {
    const char* heading;
    int width; // pixels
};
constexpr t_column kColumns[] = {
    {"Port", 190},
    {"Urządzenie", 90},
    {"Uwagi", 270},
    {"Nazwa stała", 340},
};

std::vector<std::string> RowOf(const t_serial_port& port) {
    return {PortLabelText(port), port.node, port.problem, port.name};
}

} // namespace

COpcje::COpcje(CWnd* parent) : CDialog(IDD_OPCJE, parent) {}

const AFX_MSGMAP* COpcje::GetMessageMap() const {
    static const AFX_MSGMAP map =
        AFX_MSGMAP::Of<COpcje>(CDialog::GetThisMessageMap(), {
                                                                 OnTimerEntry(&COpcje::OnTimer),
                                                             });
    return &map;
}

void COpcje::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PORT_LIST, m_list);
    DDX_Radio(pDX, IDC_COM1, m_selectedPort);
}

BOOL COpcje::OnInitDialog() {
    m_selectedPort = -1;
    m_chosenTarget.clear();
    m_ports.clear();
    m_rows.clear();
    if (m_settings != nullptr && m_settings->portNumber >= 1 &&
        m_settings->portNumber <= kPortChoices) {
        m_selectedPort = m_settings->portNumber - 1;
    }
    CDialog::OnInitDialog();
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
        m_list.InsertColumn(i, kColumns[i].heading, LVCFMT_LEFT, kColumns[i].width);
    }
    // The rules change only with a package installed or removed: once per showing.
    m_brltty = BrlttyClaimsUsbSerial(m_scan.root);
    LookAgain();
    SetTimer(kLookAgainTimer, kLookAgainMs);
    return TRUE;
}

void COpcje::OnTimer(UINT_PTR id) {
    if (id == kLookAgainTimer) {
        LookAgain();
    }
}

void COpcje::LookAgain() {
    std::vector<t_serial_port> ports = ListSerialPorts(m_scan);
    for (int i = 0; i < kPortChoices; ++i) {
        const t_com_link link =
            m_linkDirectory.empty() ? t_com_link{} : ReadComLink(m_linkDirectory, i + 1);
        ShowText(IDC_COM_TARGET1 + i, ComTargetText(i + 1, link, ports));
    }
    ShowText(IDC_PORT_NOTE, PortListNote(ports, m_brltty));
    ShowPorts(std::move(ports));
}

void COpcje::ShowPorts(std::vector<t_serial_port> ports) {
    std::vector<std::vector<std::string>> rows;
    for (const t_serial_port& port : ports) {
        rows.push_back(RowOf(port));
    }
    // An unchanged list is left alone, so its selection and scrolling stay as the user
    // left them.
    if (rows == m_rows) {
        return;
    }
    const int selected = m_list.GetSelectionMark();
    const std::string selectedName =
        selected >= 0 && selected < static_cast<int>(m_ports.size()) ? m_ports[selected].name : "";
    m_list.DeleteAllItems();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const int row = m_list.InsertItem(static_cast<int>(r), rows[r][0]);
        for (std::size_t c = 1; c < rows[r].size(); ++c) {
            m_list.SetItemText(row, static_cast<int>(c), rows[r][c]);
        }
        if (!selectedName.empty() && ports[r].name == selectedName) {
            m_list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        }
    }
    m_ports = std::move(ports);
    m_rows = std::move(rows);
}

void COpcje::ShowText(int id, const std::string& text) {
    if (GetDlgItemText(id) != text) {
        SetDlgItemText(id, text);
    }
}

void COpcje::OnOK() {
    if (!UpdateData(TRUE)) {
        return;
    }
    // Only the port is chosen here; a baud rate or device address from config.cfg is
    // kept, so saving does not silently put the defaults into the file.
    if (m_settings != nullptr) {
        m_settings->portNumber = m_selectedPort + 1;
    }
    const int selected = m_list.GetSelectionMark();
    if (m_selectedPort >= 0 && selected >= 0 && selected < static_cast<int>(m_ports.size())) {
        m_chosenTarget = StableNameUnder(m_scan, m_ports[selected]);
    }
    EndDialog(IDOK);
}
