// The main window as the link's host: what the window shows while the link starts, runs
// and ends, the status poll that follows the link, and the boxes that tell of a failure.

#include "app/lw_dlg.h"
#include "link/queue.h"
#include "link/transfer.h"
#include "link/ui/dlg_nv_progress.h"
#include "res/resource.h"

namespace {

// The buttons that need a link; "Programator" among them.
constexpr int kDeviceButtons[] = {IDC_CONFIGURATION, IDC_READ_RECORDER, IDC_DISCONNECT,
                                  IDC_SET_CLOCK,     IDC_PROGRAMMER,    IDC_VERSIONS,
                                  IDC_STATISTICS,    IDC_RESET,         IDC_SET_POSITION,
                                  IDC_RELAYS,        IDC_INSPECTIONS};

// Enabled when the link comes up; "Programator" waits for the status panel.
constexpr int kConnectedButtons[] = {
    IDC_CONFIGURATION, IDC_READ_RECORDER, IDC_DISCONNECT,   IDC_SET_CLOCK, IDC_VERSIONS,   IDC_EXIT,
    IDC_STATISTICS,    IDC_RESET,         IDC_SET_POSITION, IDC_RELAYS,    IDC_INSPECTIONS};

// Off while the link starts, so that the port cannot change under it and the program
// cannot end before the worker is joined.
constexpr int kStartButtons[] = {IDC_CONNECT, IDC_PORT, IDC_EXIT};

} // namespace

void CLWDlg::EnableButton(int id, BOOL enable) {
    if (CWnd* button = GetDlgItem(id)) {
        button->EnableWindow(enable);
    }
}

void CLWDlg::Post(std::function<void()> work) {
    m_posted.Push(std::move(work));
    PostMessage(WM_COMMAND, ID_HOST_WORK, 0);
}

void CLWDlg::OnHostWork() {
    m_posted.RunOne();
}

void CLWDlg::OnConnect() {
    if (m_link) {
        m_link->Connect();
    }
}

void CLWDlg::OnDisconnect() {
    if (m_link) {
        m_link->Disconnect();
    }
}

t_link_settings CLWDlg::LinkSettings() const {
    t_link_settings settings;
    settings.portNumber = m_settings.portNumber;
    settings.baudRate = m_settings.baudRate;
    settings.deviceAddress = m_settings.deviceAddress;
    return settings;
}

std::string CLWDlg::LinkDirectory() const {
    // The "COMn" links live beside config.cfg: in a portable copy's own directory, in the
    // user's configuration folder for an installed program.
    return m_settingsDirectory;
}

void CLWDlg::DisableDeviceButtons() {
    for (int id : kDeviceButtons) {
        EnableButton(id, FALSE);
    }
}

void CLWDlg::OnLinkStarting() {
    for (int id : kStartButtons) {
        EnableButton(id, FALSE);
    }
}

void CLWDlg::OnLinkUp() {
    for (int id : kConnectedButtons) {
        EnableButton(id, TRUE);
    }
    PollStatus(1);
}

void CLWDlg::OnPortLost(const std::string& /*devicePath*/) {
    DisableDeviceButtons();
    EnableButton(IDC_DISCONNECT, TRUE);
    EnableButton(IDC_EXIT, TRUE);
    PollStatus(0);
    if (m_dlgNVProgress != nullptr) {
        m_dlgNVProgress->OnPortLost();
    }
}

void CLWDlg::OnPortBack(const std::string& /*devicePath*/) {
    for (int id : kConnectedButtons) {
        EnableButton(id, TRUE);
    }
    PollStatus(1);
    if (m_dlgNVProgress != nullptr) {
        m_dlgNVProgress->OnPortBack();
    }
}

void CLWDlg::OnLinkDown(const t_link_end& end) {
    m_lastLinkEnd = end;
    if (m_dlgNVProgress != nullptr) {
        m_dlgNVProgress->OnLinkDown();
    }
    DisableDeviceButtons();
    for (int id : kStartButtons) {
        EnableButton(id, TRUE);
    }
    PollStatus(0);
    if (end.exitCode == 2) {
        AfxMessageBox("Nie można korzystać z wybranego portu.\r\nRozłączono.", MB_OK);
    } else if (end.exitCode == 3) {
        // The console has said that the port went away and was not back in time.
    } else if (end.exitCode != 0) {
        AfxMessageBox("Nieznany powod bledu", MB_OK);
    }
}

void CLWDlg::EndFromOutside() {
    // The boxes first: a cancelled block write takes no reply any more, so it can no
    // longer close the block (command 41).
    afx::CancelModalBoxes();
    // The worker closes the port on its way out; joined, it has.
    if (m_link) {
        m_link->Shutdown();
    }
}
