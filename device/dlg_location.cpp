#include "device/dlg_location.h"

#include "res/resource.h"

namespace {
constexpr UINT kMaxMetres = 9999;
}

CDlgLocation::CDlgLocation(CWnd* parent) : CDialog(IDD_LOCATION, parent) {}

void CDlgLocation::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_POSITION_METRES, m_metres);
    DDV_MinMaxUInt(pDX, m_metres, 0, kMaxMetres);
}
