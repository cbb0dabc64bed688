#include "app/lw_dlg.h"

void CLWDlg::OnReadRecorder() {}
void CLWDlg::OnLoadFile() {}
void CLWDlg::OnSaveFile() {}
