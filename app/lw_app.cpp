#include "app/lw_app.h"

#include "app/lw_dlg.h"
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
    dlg->DoModal();
    m_pMainWnd = nullptr;
    delete dlg;
    return FALSE;
}
