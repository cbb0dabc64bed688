#pragma once
// CDlgDaneBazowe: "Konfiguracja", the editor of the configuration record (block 2).

#include "device/configuration_record.h"
#include "framework/afx.h"

#include <string>

class CDlgDaneBazowe : public CDialog {
public:
    explicit CDlgDaneBazowe(CWnd* parent = nullptr);

    // Filled by the caller before DoModal; holds the edited values once DoModal returned.
    // Bytes the dialog does not show stay as they came.
    t_configuration_record m_record;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    const AFX_MSGMAP* GetMessageMap() const override;

private:
    void OnDestroy();

    UINT m_factoryNumber = 0;
    UINT m_driveUp = 0;
    UINT m_driveDown = 0;
    UINT m_routeLength = 0;
    UINT m_checkPoints[4] = {};
    std::string m_description;
    BYTE m_zoneWidth = 0;
    int m_checkPointFlags[4] = {};
    double m_voltageLevel = 0; // volts
};
