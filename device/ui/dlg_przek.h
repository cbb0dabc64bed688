#pragma once
// CDlgPrzek: "Przekaźniki", the editor of the relay record (block 4): for each relay PK1 to
// PK4 its eight position ranges (double click a row to edit it, "Poza zakres" to set all
// eight to 9999 - 9999) and its five conditions with their negations.

#include "device/relays_record.h"
#include "device/ui/my_list_ctrl.h"
#include "framework/afx.h"

class CDlgPrzek : public CDialog {
public:
    explicit CDlgPrzek(CWnd* parent = nullptr);

    // Filled by the caller before DoModal; holds the edited record once DoModal returned.
    t_relays_record m_record;

    // Double-click callbacks of the range lists of PK1 to PK4.
    void OnEditRange1(int row);
    void OnEditRange2(int row);
    void OnEditRange3(int row);
    void OnEditRange4(int row);
    // "Poza zakres" of PK1 to PK4.
    void OnOutOfRange1();
    void OnOutOfRange2();
    void OnOutOfRange3();
    void OnOutOfRange4();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    const AFX_MSGMAP* GetMessageMap() const override;

private:
    static constexpr int kRelays = t_relays_record::kRelays;
    static constexpr int kConditions = 5;

    void OnDestroy();
    void EditRange(int relay, int row);
    void OutOfRange(int relay);
    void FillList(int relay);

    CMyListCtrl m_lists[kRelays];
    int m_conditions[kRelays][kConditions] = {};
    int m_negations[kRelays][kConditions] = {};
};
