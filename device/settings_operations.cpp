#include "app/lw_dlg.h"

void CLWDlg::OnConfiguration() {}
void CLWDlg::OnProgrammer() {}
