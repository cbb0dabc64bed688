// CButton: push button, check box, radio button or group box. The dialog's
// CheckDlgButton and IsDlgButtonChecked set and read the check state.
#pragma once

#include "framework/wnd.h"

class CButton : public CWnd {};
