// Message boxes.
#pragma once

#include "framework/afx_types.h"

#include <string>

// Shows a modal message box with the program name as its caption (afx::SetAppName).
// type: MB_OK or MB_YESNO (MB_OKCANCEL too), with MB_ICONEXCLAMATION, MB_ICONQUESTION,
// MB_ICONINFORMATION or MB_ICONERROR. The buttons speak Polish ("OK", "Tak", "Nie",
// "Anuluj"). Returns IDOK, IDCANCEL, IDYES or IDNO. Posted messages and timers go on
// while it is shown.
int AfxMessageBox(const std::string& text, UINT type = MB_OK, UINT helpId = 0);
