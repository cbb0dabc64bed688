#include "app/lw_dlg.h"

void CLWDlg::OnVersions() {}
void CLWDlg::OnSetClock() {}
void CLWDlg::OnSetPosition() {}
void CLWDlg::OnReset() {}
