#include "app/opcje.h"

#include "res/resource.h"

namespace {

constexpr int kPortChoices = 6; // COM1 to COM6

} // namespace

COpcje::COpcje(CWnd* parent) : CDialog(IDD_OPCJE, parent) {}

void COpcje::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Radio(pDX, IDC_COM1, m_selectedPort);
}

BOOL COpcje::OnInitDialog() {
    m_selectedPort = -1;
    if (m_settings != nullptr && m_settings->portNumber >= 1 &&
        m_settings->portNumber <= kPortChoices) {
        m_selectedPort = m_settings->portNumber - 1;
    }
    return CDialog::OnInitDialog();
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
    EndDialog(IDOK);
}
