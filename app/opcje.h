#pragma once
// COpcje: the "Port" dialog. Shows the port of the settings record as one of six radio
// buttons, on each button's row what that COMn leads to now, and the machine's serial
// ports, looked at again every half second while the dialog is open, so an adapter
// plugged in or pulled shows within a second. "Zapisz" stores the chosen port in the
// record (baud rate and device address stay as they are) and, when a port of the list is
// selected, names it for the checked COMn in m_chosenTarget; "Nie zapisuj" and Escape
// leave the record untouched and choose nothing.

#include "base/settings_file.h"
#include "framework/afx.h"
#include "link/serial_ports.h"

#include <string>
#include <vector>

class COpcje : public CDialog {
public:
    explicit COpcje(CWnd* parent = nullptr);

    // Index of the checked radio button: 0 for "COM1" to 5 for "COM6", -1 for none.
    int m_selectedPort = -1;
    // The main window's settings record; set by the caller before DoModal.
    SettingsRecord* m_settings = nullptr;
    // The folder of the COMn links (ending in '/'), and how ports are looked for; set by
    // the caller before DoModal. Without a folder every COMn is its /dev/ttyS port.
    std::string m_linkDirectory;
    t_serial_port_scan m_scan;
    // After "Zapisz" with a port selected in the list and a COMn checked: what that COMn
    // is to lead to, the port's stable name (under the scan's root); empty otherwise.
    std::string m_chosenTarget;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    const AFX_MSGMAP* GetMessageMap() const override;

private:
    void OnTimer(UINT_PTR id);
    // Lists the ports and shows them, what each COMn leads to and the note.
    void LookAgain();
    // Rebuilds the list when its rows changed, keeping the selected port selected.
    void ShowPorts(std::vector<t_serial_port> ports);
    void ShowText(int id, const std::string& text);

    CListCtrl m_list;
    std::vector<t_serial_port> m_ports; // the list's rows, in order
    std::vector<std::vector<std::string>> m_rows;
    bool m_brltty = false; // brltty's rules claim USB serial adapters
};
