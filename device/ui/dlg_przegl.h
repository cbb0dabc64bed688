#pragma once
// CDlgPrzegl: "Przeglądy", the inspection dates (latest on top) and the interval between
// inspections; "Dodaj przegląd" records an inspection now in place of the oldest one.

#include "device/przeglady_record.h"
#include "framework/afx.h"

class CDlgPrzegl : public CDialog {
public:
    explicit CDlgPrzegl(CWnd* parent = nullptr);

    // Filled by the caller before DoModal; holds the edited schedule once DoModal returned.
    t_przeglady_record m_record;

    void OnAddInspection();
    // Rebuilds the list from the record: one row per dated slot.
    void FillList();
    // Overwrites the oldest slot (the lowest index among equals, an empty slot first) with
    // the PC's present time.
    void StampOldest();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    const AFX_MSGMAP* GetMessageMap() const override;

private:
    void OnDestroy();

    CListCtrl m_list;
    short m_interval = 0; // days
};
