#include "device/ui/borders.h"

#include "device/settings_limits.h"
#include "res/resource.h"

using settings_limits::kMaxMetres;

CBorders::CBorders(CWnd* parent) : CDialog(IDD_BORDERS, parent) {}

void CBorders::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_RANGE_MIN, m_minimum);
    DDV_MinMaxUInt(pDX, m_minimum, settings_limits::kMinRangeMetres, kMaxMetres);
    DDX_Text(pDX, IDC_RANGE_MAX, m_maximum);
    DDV_MinMaxUInt(pDX, m_maximum, settings_limits::kMinRangeMetres, kMaxMetres);
}
