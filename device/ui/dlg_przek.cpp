#include "device/ui/dlg_przek.h"

#include "device/ui/borders.h"
#include "res/resource.h"

namespace {
constexpr int kRangeColumnWidth = 130;
} // namespace

CDlgPrzek::CDlgPrzek(CWnd* parent) : CDialog(IDD_PRZEK, parent) {}

const AFX_MSGMAP* CDlgPrzek::GetMessageMap() const {
    static const AFX_MSGMAP map =
        AFX_MSGMAP::Of<CDlgPrzek>(CDialog::GetThisMessageMap(),
                                  {
                                      OnMessageEntry(WM_DESTROY, &CDlgPrzek::OnDestroy),
                                      OnCommandEntry(IDC_OUT_OF_RANGE1, &CDlgPrzek::OnOutOfRange1),
                                      OnCommandEntry(IDC_OUT_OF_RANGE2, &CDlgPrzek::OnOutOfRange2),
                                      OnCommandEntry(IDC_OUT_OF_RANGE3, &CDlgPrzek::OnOutOfRange3),
                                      OnCommandEntry(IDC_OUT_OF_RANGE4, &CDlgPrzek::OnOutOfRange4),
                                  });
    return &map;
}

BOOL CDlgPrzek::OnInitDialog() {
    for (int relay = 0; relay < kRelays; ++relay) {
        const std::uint8_t conditions = m_record.Conditions(relay);
        const std::uint8_t negations = m_record.Negations(relay);
        for (int n = 0; n < kConditions; ++n) {
            m_conditions[relay][n] = (conditions >> n) & 1;
            m_negations[relay][n] = (negations >> n) & 1;
        }
    }
    CDialog::OnInitDialog();
    for (int relay = 0; relay < kRelays; ++relay) {
        m_lists[relay].InsertColumn(0, "min - max [m]", LVCFMT_CENTER, kRangeColumnWidth);
        FillList(relay);
    }
    m_lists[0].SetDoubleClickHandler(this, CMyListCtrl::MakeHandler(&CDlgPrzek::OnEditRange1));
    m_lists[1].SetDoubleClickHandler(this, CMyListCtrl::MakeHandler(&CDlgPrzek::OnEditRange2));
    m_lists[2].SetDoubleClickHandler(this, CMyListCtrl::MakeHandler(&CDlgPrzek::OnEditRange3));
    m_lists[3].SetDoubleClickHandler(this, CMyListCtrl::MakeHandler(&CDlgPrzek::OnEditRange4));
    return TRUE;
}

void CDlgPrzek::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    for (int relay = 0; relay < kRelays; ++relay) {
        DDX_Control(pDX, IDC_RANGE_LIST1 + relay, m_lists[relay]);
    }
    for (int relay = 0; relay < kRelays; ++relay) {
        for (int n = 0; n < kConditions; ++n) {
            DDX_Check(pDX, kRelayConditionIds[relay][n], m_conditions[relay][n]);
            DDX_Check(pDX, kRelayNegationIds[relay][n], m_negations[relay][n]);
        }
    }
}

void CDlgPrzek::FillList(int relay) {
    CMyListCtrl& list = m_lists[relay];
    list.DeleteAllItems();
    for (int k = 0; k < t_relays_record::kRanges; ++k) {
        list.InsertItem(k, FormatRange(m_record.RangeMin(relay, k), m_record.RangeMax(relay, k)));
    }
}

void CDlgPrzek::EditRange(int relay, int row) {
    if (row < 0 || row >= t_relays_record::kRanges) {
        return;
    }
    CBorders borders(this);
    borders.m_minimum = m_record.RangeMin(relay, row);
    borders.m_maximum = m_record.RangeMax(relay, row);
    if (borders.DoModal() != IDOK) {
        return;
    }
    m_record.SetRange(relay, row, static_cast<std::uint16_t>(borders.m_minimum),
                      static_cast<std::uint16_t>(borders.m_maximum));
    FillList(relay);
}

void CDlgPrzek::OutOfRange(int relay) {
    m_record.SetOutOfRange(relay);
    FillList(relay);
}

void CDlgPrzek::OnEditRange1(int row) {
    EditRange(0, row);
}
void CDlgPrzek::OnEditRange2(int row) {
    EditRange(1, row);
}
void CDlgPrzek::OnEditRange3(int row) {
    EditRange(2, row);
}
void CDlgPrzek::OnEditRange4(int row) {
    EditRange(3, row);
}
void CDlgPrzek::OnOutOfRange1() {
    OutOfRange(0);
}
void CDlgPrzek::OnOutOfRange2() {
    OutOfRange(1);
}
void CDlgPrzek::OnOutOfRange3() {
    OutOfRange(2);
}
void CDlgPrzek::OnOutOfRange4() {
    OutOfRange(3);
}

void CDlgPrzek::OnDestroy() {
    // The conditions live in the check boxes until the window goes.
    for (int relay = 0; relay < kRelays; ++relay) {
        std::uint8_t conditions = 0;
        std::uint8_t negations = 0;
        for (int n = 0; n < kConditions; ++n) {
            m_conditions[relay][n] = IsDlgButtonChecked(kRelayConditionIds[relay][n]) ? 1 : 0;
            m_negations[relay][n] = IsDlgButtonChecked(kRelayNegationIds[relay][n]) ? 1 : 0;
            conditions |= static_cast<std::uint8_t>(m_conditions[relay][n] << n);
            negations |= static_cast<std::uint8_t>(m_negations[relay][n] << n);
        }
        m_record.SetConditions(relay, conditions);
        m_record.SetNegations(relay, negations);
    }
    CDialog::OnDestroy();
}
