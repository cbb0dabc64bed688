#include "app/lw_dlg.h"

void CLWDlg::OnPositionChart() {}
void CLWDlg::OnSpeedChart() {}
