#pragma once
// COpcje: the "Port" dialog. Shows the port of the settings record as one of six radio
// buttons; "Zapisz" stores the chosen port in the record (baud rate and device address
// stay as they are), "Nie zapisuj" and Escape leave the record untouched.

#include "base/settings_file.h"
#include "framework/afx.h"

class COpcje : public CDialog {
public:
    explicit COpcje(CWnd* parent = nullptr);

    // Index of the checked radio button: 0 for "COM1" to 5 for "COM6", -1 for none.
    int m_selectedPort = -1;
    // The main window's settings record; set by the caller before DoModal.
    SettingsRecord* m_settings = nullptr;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
};
