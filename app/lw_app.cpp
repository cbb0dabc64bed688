#include "app/lw_app.h"

#include "app/lw_dlg.h"
#include "app/termination_watch.h"
#include "base/program_info.h"
#include "res/templates.h"

const AFX_MSGMAP* CLWApp::GetMessageMap() const {
    static const AFX_MSGMAP map = AFX_MSGMAP::Of<CLWApp>(
        CCmdTarget::GetThisMessageMap(), {
                                             OnCommandEntry(ID_HELP, &CWinApp::OnHelp),
                                         });
    return &map;
}

BOOL CLWApp::InitInstance() {
    afx::SetAppName(kProgramName);
    RegisterProgramTemplates();
    AfxEnableControlContainer();

    // On the heap: the main window carries the whole recorder memory image.
    auto* dlg = new CLWDlg();
    m_pMainWnd = dlg;
    {
        // Before the window shows: a signal sent earlier is taken at the loop's first turn.
        CTerminationWatch termination([dlg] { dlg->EndFromOutside(); });
        dlg->DoModal();
        m_pMainWnd = nullptr;
        delete dlg;
        termination.EndByWaitingSignal();
    }
    return FALSE;
}
