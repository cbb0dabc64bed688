#pragma once
// CDlgStatystyka: "Dane statystyczne", the device's counters, read-only except for the
// two resettable times, which can be cleared in the dialog's copy of the record.

#include "device/statistics_record.h"
#include "framework/afx.h"

#include <string>

class CDlgStatystyka : public CDialog {
public:
    explicit CDlgStatystyka(CWnd* parent = nullptr);

    // Filled by the caller before DoModal; after "Zapisz" it is the record to write.
    t_statistics_record m_record;

    void OnResetDrivingTime();
    void OnResetWorkingTime();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    const AFX_MSGMAP* GetMessageMap() const override;

private:
    std::string m_totalDriving;      // 1003
    std::string m_resettableDriving; // 1004
    std::string m_drivingCleared;    // 1016
    std::string m_totalWorking;      // 1030
    std::string m_resettableWorking; // 1031
    std::string m_workingCleared;    // 1032
    std::string m_kilometres;        // 1033
};
