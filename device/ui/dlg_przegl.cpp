#include "device/ui/dlg_przegl.h"

#include "device/settings_limits.h"
#include "res/resource.h"

namespace {
using settings_limits::kMaxInterval;
using settings_limits::kMinInterval;
constexpr int kDateColumnWidth = 150;
} // namespace

CDlgPrzegl::CDlgPrzegl(CWnd* parent) : CDialog(IDD_PRZEGL, parent) {}

const AFX_MSGMAP* CDlgPrzegl::GetMessageMap() const {
    static const AFX_MSGMAP map = AFX_MSGMAP::Of<CDlgPrzegl>(
        CDialog::GetThisMessageMap(),
        {
            OnMessageEntry(WM_DESTROY, &CDlgPrzegl::OnDestroy),
            OnCommandEntry(IDC_ADD_INSPECTION, &CDlgPrzegl::OnAddInspection),
        });
    return &map;
}

BOOL CDlgPrzegl::OnInitDialog() {
    m_interval = static_cast<short>(m_record.Interval());
    CDialog::OnInitDialog();
    m_list.InsertColumn(0, "Data", LVCFMT_LEFT, kDateColumnWidth);
    FillList();
    return TRUE;
}

void CDlgPrzegl::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_INSPECTION_LIST, m_list);
    DDX_Text(pDX, IDC_INTERVAL, m_interval);
    DDV_MinMaxShort(pDX, m_interval, kMinInterval, kMaxInterval);
}

void CDlgPrzegl::FillList() {
    m_list.DeleteAllItems();
    for (int i = 0; i < t_przeglady_record::kSlots; ++i) {
        if (!m_record.IsSlotEmpty(i)) {
            // The list keeps its rows sorted by text, latest date on top.
            m_list.InsertItem(m_list.GetItemCount(), FormatDeviceTime(m_record.Slot(i)));
        }
    }
}

void CDlgPrzegl::StampOldest() {
    m_record.StampOldest(GetPcTime());
}

void CDlgPrzegl::OnAddInspection() {
    StampOldest();
    FillList();
}

void CDlgPrzegl::OnDestroy() {
    m_record.SetInterval(static_cast<std::uint16_t>(m_interval));
    CDialog::OnDestroy();
}
