#include "app/lw_dlg.h"

void CLWDlg::OnInspections() {}
