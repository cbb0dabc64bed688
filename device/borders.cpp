#include "device/borders.h"

#include "res/resource.h"

namespace {
constexpr UINT kMaxMetres = 9999;
}

CBorders::CBorders(CWnd* parent) : CDialog(IDD_BORDERS, parent) {}

void CBorders::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_RANGE_MIN, m_minimum);
    DDV_MinMaxUInt(pDX, m_minimum, 0, kMaxMetres);
    DDX_Text(pDX, IDC_RANGE_MAX, m_maximum);
    DDV_MinMaxUInt(pDX, m_maximum, 0, kMaxMetres);
}
