// The trace of the line, switched from the main window's system menu. The file goes beside
// the parts of cut readouts, under the same folder rules, and is named by its start.

#include "app/lw_dlg.h"
#include "base/program_info.h"
#include "base/text_format.h"
#include "link/trace_file.h"
#include "res/resource.h"

#include <ctime>

void CLWDlg::ToggleLinkTrace() {
    if (!m_link) {
        return;
    }
    CLinkTrace& trace = m_link->Trace();
    if (trace.IsOn()) {
        trace.Stop();
        ConsoleWrite("Zapis ruchu łącza zakończony: " + m_linkTracePath, 1);
        ShowLinkTraceState();
        return;
    }
    std::string error;
    std::unique_ptr<CTraceFile> file =
        OpenTraceFileIn(ReadoutPartFolder(), std::time(nullptr), error);
    if (!file) {
        ConsoleWrite("Nie można zapisać ruchu łącza: " + error, 1);
        return;
    }
    m_linkTracePath = file->Path();
    trace.Start(std::move(file), Format("%s, re2-terminal %s", kProgramName, kPackageVersion),
                [this](const std::string& reason) {
                    ConsoleWrite("Zapis ruchu łącza przerwany: " + reason, 1);
                    ShowLinkTraceState();
                });
    ConsoleWrite("Zapis ruchu łącza do pliku " + m_linkTracePath, 1);
    ShowLinkTraceState();
}

void CLWDlg::ShowLinkTraceState() {
    if (CMenu* systemMenu = GetSystemMenu(FALSE)) {
        const bool on = m_link && m_link->Trace().IsOn();
        systemMenu->CheckMenuItem(IDM_LINK_TRACE, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    }
}
