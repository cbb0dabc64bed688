// CEdit: single- or multi-line edit control.
#pragma once

#include "framework/wnd.h"

// Multi-line edits keep "\r\n" as the line break: SetWindowText takes "\r\n" (a lone
// "\n" also breaks the line) and GetWindowText gives every line break back as "\r\n",
// so a text written with "\r\n" line ends reads back byte for byte. Lines are the text's
// lines (no word wrap is counted): "a\r\nb" has 2 lines, "" has 1.
class CEdit : public CWnd {
public:
    int GetLineCount() const;
    // Scrolls the view by `lines` (positive: towards the end) from where it stands.
    BOOL LineScroll(int lines, int chars = 0);
    // Index of the line at the top of the view.
    int GetFirstVisibleLine() const;
    // Limits what the user can type to `maxChars` characters (0: no limit). A longer text
    // set by the program is kept whole.
    void LimitText(int maxChars = 0);
    // The selection as character positions, start <= end; both at the cursor when no text
    // is selected.
    void GetSel(int& start, int& end) const;
    // Puts the selected text on the clipboard in place of what it held; nothing when no
    // text is selected.
    void Copy();
};
