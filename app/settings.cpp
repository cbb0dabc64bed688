#include "app/lw_dlg.h"

#include "app/opcje.h"
#include "base/settings_folder.h"
#include "base/text_format.h"
#include "link/com_link.h"
#include "link/serial_ports.h"

namespace {

constexpr char kSettingsFileName[] = "config.cfg";

} // namespace

int CLWDlg::ReadSettings() {
    const std::string path = m_settingsDirectory + kSettingsFileName;
    SettingsRecord record;
    if (!ReadSettingsFile(path, record)) {
        m_settings = SettingsRecord{};
        return 0;
    }
    m_settings = record;
    ConsoleWrite(Format("Plik konfiguracyjny '%s' odczytano", path.c_str()), 1);
    return 1;
}

int CLWDlg::WriteSettings() {
    const std::string path = m_settingsDirectory + kSettingsFileName;
    // The user's configuration folder may not exist before the first save; a portable
    // program directory always does.
    if (m_settingsDirectory != m_programDirectory && !MakeSettingsDirectory(m_settingsDirectory)) {
        return 0;
    }
    if (!WriteSettingsFile(path, m_settings)) {
        return 0;
    }
    ConsoleWrite(Format("Plik konfiguracyjny '%s' zapisano", path.c_str()), 1);
    return 1;
}

void CLWDlg::OnPort() {
    COpcje dlg;
    dlg.m_settings = &m_settings;
    dlg.m_linkDirectory = LinkDirectory();
    dlg.m_scan = ProcessSerialPortScan();
    if (dlg.DoModal() != IDOK) {
        return;
    }
    WriteSettings();
    if (!dlg.m_chosenTarget.empty()) {
        PointComPort(m_settings.portNumber, dlg.m_chosenTarget);
    }
}

void CLWDlg::PointComPort(int portNumber, const std::string& target) {
    const std::string name = Format("COM%d", portNumber);
    std::string failure;
    if (m_settingsDirectory != m_programDirectory && !MakeSettingsDirectory(m_settingsDirectory)) {
        failure = "nie można utworzyć folderu " + m_settingsDirectory;
    } else {
        failure = PointComLink(m_settingsDirectory, portNumber, target);
    }
    if (failure.empty()) {
        ConsoleWrite(name + " prowadzi teraz do " + target, 1);
    } else {
        ConsoleWrite("Nie zmieniono, dokąd prowadzi " + name + ": " + failure, 1);
    }
}
