#pragma once
// CBorders: "Granice przekaźnika", the minimum and maximum of one relay range in metres.

#include "framework/afx.h"

class CBorders : public CDialog {
public:
    explicit CBorders(CWnd* parent = nullptr);

    // Each 0 to 9999 once "Zapisz" has accepted them; not checked against each other.
    UINT m_minimum = 0;
    UINT m_maximum = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
