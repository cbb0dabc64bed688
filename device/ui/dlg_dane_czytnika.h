#pragma once
// CDlgDaneCzytnika: "Dane programatora", the editor of the programmer record (block 5).

#include "device/configuration_record.h"
#include "framework/afx.h"

#include <string>

class CDlgDaneCzytnika : public CDialog {
public:
    explicit CDlgDaneCzytnika(CWnd* parent = nullptr);

    // Filled by the caller before DoModal; holds the edited values once DoModal returned.
    // Bytes the dialog does not show stay as they came.
    t_programmer_record m_record;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    const AFX_MSGMAP* GetMessageMap() const override;

private:
    void OnDestroy();

    UINT m_factoryNumber = 0;
    UINT m_powerOffTime = 0; // seconds
    BYTE m_voltage = 0;      // as stored, no scaling
    std::string m_description;
};
