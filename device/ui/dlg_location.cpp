#include "device/ui/dlg_location.h"

#include "device/settings_limits.h"
#include "res/resource.h"

using settings_limits::kMaxMetres;

CDlgLocation::CDlgLocation(CWnd* parent) : CDialog(IDD_LOCATION, parent) {}

void CDlgLocation::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_POSITION_METRES, m_metres);
    DDV_MinMaxUInt(pDX, m_metres, 0, kMaxMetres);
}
