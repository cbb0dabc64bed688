// Data exchange between a dialog's controls and its members, with validation.
//
// Loading (m_bSaveAndValidate FALSE) shows members in the controls; saving parses and
// checks the controls' texts into the members. Numbers are read and written in the C
// locale whatever the process locale: decimal point only, blanks before and after
// allowed, an empty field refused, a value outside the member's type refused with that
// type's prompt, never wrapped. Doubles are shown with up to 15 significant digits and
// no trailing zeros ("12.3", "12").
//
// A failed parse or check shows its prompt ("Enter an integer." and the like) with an
// exclamation icon through AfxMessageBox, puts the focus on the field and makes
// UpdateData return FALSE; the rest of the exchange is skipped. Each DDV_ call checks the
// field exchanged just before it, and only when saving.
#pragma once

#include "framework/afx_types.h"

#include <string>

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate);

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;

    // The control the next DDV_ call checks; the focus goes there on failure.
    HWND PrepareCtrl(int id);
    HWND PrepareEditCtrl(int id);
    int LastControlId() const { return lastId_; }
    BOOL LastWasEdit() const { return lastWasEdit_; }
    // Shows nothing itself: marks the exchange failed and puts the focus on the last
    // prepared control. The DDX_/DDV_ functions show their prompt before calling it.
    void Fail();
    BOOL Failed() const { return failed_; }

private:
    int lastId_ = 0;
    BOOL lastWasEdit_ = FALSE;
    BOOL failed_ = FALSE;
};

// Edit text <-> member. Each does nothing once the exchange has failed.
void DDX_Text(CDataExchange* pDX, int id, int& value);   // "Enter an integer."
void DDX_Text(CDataExchange* pDX, int id, UINT& value);  // "Enter a positive integer."
void DDX_Text(CDataExchange* pDX, int id, BYTE& value);  // "Enter an integer between 0 and 255."
void DDX_Text(CDataExchange* pDX, int id, short& value); // "Enter an integer."
void DDX_Text(CDataExchange* pDX, int id, unsigned short& value); // "Enter a positive integer."
void DDX_Text(CDataExchange* pDX, int id, long& value); // "Enter an integer." (32-bit range)
void DDX_Text(CDataExchange* pDX, int id,
              unsigned long& value); // "Enter a positive integer." (32-bit range)
void DDX_Text(CDataExchange* pDX, int id, double& value); // "Enter a number."
void DDX_Text(CDataExchange* pDX, int id, std::string& value);
// Check box: 0 unchecked, 1 checked.
void DDX_Check(CDataExchange* pDX, int id, int& value);
// Radio group starting at firstId (up to the next WS_GROUP control): index of the checked
// button, -1 for none; loading -1 unchecks them all.
void DDX_Radio(CDataExchange* pDX, int firstId, int& value);
// Binds `control` to the dialog's control `id` (once, while the window exists).
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

// "Enter an integer between %1 and %2."
void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);
void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal);
void DDV_MinMaxByte(CDataExchange* pDX, BYTE value, BYTE minVal, BYTE maxVal);
void DDV_MinMaxShort(CDataExchange* pDX, short value, short minVal, short maxVal);
void DDV_MinMaxLong(CDataExchange* pDX, long value, long minVal, long maxVal);
void DDV_MinMaxDWord(CDataExchange* pDX, DWORD value, DWORD minVal, DWORD maxVal);
// "Enter a number between %1 and %2." with the bounds in shortest form (5, 20, 0.5).
void DDV_MinMaxDouble(CDataExchange* pDX, double value, double minVal, double maxVal);
// Loading limits what can be typed into the edit to maxChars characters (code points)
// without cutting a longer text; saving refuses a longer text with
// "Enter no more than %1 characters.".
void DDV_MaxChars(CDataExchange* pDX, const std::string& value, int maxChars);

namespace afx {
// The C-locale number texts used by DDX_Text, for callers that format alike.
std::string FormatDoubleForField(double value);
} // namespace afx
