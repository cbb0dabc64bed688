// CListCtrl: report-style list view.
#pragma once

#include "framework/wnd.h"

#include <string>

// With LVS_SORTDESCENDING, rows stay sorted by their text in descending order (plain
// byte-wise comparison of the UTF-8 texts); InsertItem then returns where the row went.
// A double click on a row area is delivered to the control's own message map as
// WM_LBUTTONDBLCLK (flags, client point); GetCursorPos gives its screen position.
class CListCtrl : public CWnd {
public:
    // format: LVCFMT_LEFT, LVCFMT_RIGHT or LVCFMT_CENTER; width in pixels.
    int InsertColumn(int column, const std::string& heading, int format = LVCFMT_LEFT,
                     int width = -1, int subItem = -1);
    int GetColumnCount() const;
    std::string GetColumnHeading(int column) const;
    int GetColumnWidth(int column) const;
    // Returns the index of the new row, -1 on failure.
    int InsertItem(int index, const std::string& text);
    BOOL SetItemText(int row, int column, const std::string& text);
    std::string GetItemText(int row, int column) const;
    int GetItemCount() const;
    BOOL DeleteItem(int row);
    BOOL DeleteAllItems();
    // Row under a point in the control's client coordinates; -1 on the header, below the
    // last row or outside.
    int HitTest(CPoint point, UINT* flags = nullptr) const;
    // Rows are selected one at a time; -1 when none.
    int GetSelectionMark() const;
    // The LVIS_SELECTED and LVIS_FOCUSED bits of `mask` set to those of `state`: selecting
    // a row clears the selection of any other; focusing it makes it the current row.
    BOOL SetItemState(int row, UINT state, UINT mask);
    UINT GetItemState(int row, UINT mask) const;
    BOOL EnsureVisible(int row, BOOL partialOk = FALSE);
};
