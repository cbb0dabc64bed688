#pragma once
// CDlgLocation: "Określ położenie", the device's position in whole metres.

#include "framework/afx.h"

class CDlgLocation : public CDialog {
public:
    explicit CDlgLocation(CWnd* parent = nullptr);

    // Position in metres, 0 to 9999 once "Zapisz" has accepted it.
    UINT m_metres = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
