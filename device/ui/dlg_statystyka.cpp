#include "device/ui/dlg_statystyka.h"

#include "res/resource.h"

CDlgStatystyka::CDlgStatystyka(CWnd* parent) : CDialog(IDD_STATYSTYKA, parent) {}

const AFX_MSGMAP* CDlgStatystyka::GetMessageMap() const {
    static const AFX_MSGMAP map = AFX_MSGMAP::Of<CDlgStatystyka>(
        CDialog::GetThisMessageMap(),
        {
            OnCommandEntry(IDC_CLEAR_DRIVING, &CDlgStatystyka::OnResetDrivingTime),
            OnCommandEntry(IDC_CLEAR_WORKING, &CDlgStatystyka::OnResetWorkingTime),
        });
    return &map;
}

void CDlgStatystyka::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_TOTAL_DRIVING, m_totalDriving);
    DDX_Text(pDX, IDC_RESETTABLE_DRIVING, m_resettableDriving);
    DDX_Text(pDX, IDC_DRIVING_CLEARED, m_drivingCleared);
    DDX_Text(pDX, IDC_TOTAL_WORKING, m_totalWorking);
    DDX_Text(pDX, IDC_RESETTABLE_WORKING, m_resettableWorking);
    DDX_Text(pDX, IDC_WORKING_CLEARED, m_workingCleared);
    DDX_Text(pDX, IDC_KILOMETRES, m_kilometres);
}

BOOL CDlgStatystyka::OnInitDialog() {
    m_totalDriving = FormatDuration(m_record.TotalDrivingTime());
    m_resettableDriving = FormatDuration(m_record.ResettableDrivingTime());
    m_totalWorking = FormatDuration(m_record.TotalWorkingTime());
    m_resettableWorking = FormatDuration(m_record.ResettableWorkingTime());
    m_drivingCleared = FormatDeviceTime(m_record.DrivingClearedAt());
    m_workingCleared = FormatDeviceTime(m_record.WorkingClearedAt());
    m_kilometres = FormatKilometres(m_record.Kilometres());
    return CDialog::OnInitDialog();
}

void CDlgStatystyka::OnResetDrivingTime() {
    if (AfxMessageBox("Na pewno?", MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return;
    }
    m_record.ClearDrivingTime(GetPcTime());
    m_resettableDriving = FormatDuration(m_record.ResettableDrivingTime());
    m_drivingCleared = FormatDeviceTime(m_record.DrivingClearedAt());
    UpdateData(FALSE);
}

void CDlgStatystyka::OnResetWorkingTime() {
    if (AfxMessageBox("Na pewno?", MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return;
    }
    m_record.ClearWorkingTime(GetPcTime());
    m_resettableWorking = FormatDuration(m_record.ResettableWorkingTime());
    m_workingCleared = FormatDeviceTime(m_record.WorkingClearedAt());
    UpdateData(FALSE);
}
