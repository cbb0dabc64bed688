#include "app/lw_dlg.h"

#include "app/opcje.h"
#include "base/settings_folder.h"
#include "base/text_format.h"

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
    if (dlg.DoModal() == IDOK) {
        WriteSettings();
    }
}
