#pragma once
// CMyListCtrl: a list view that reports a double click on one of its rows to its owner.

#include "framework/afx.h"

class CMyListCtrl : public CListCtrl {
public:
    // A member operation of the owner, called with the index of the row double-clicked.
    using DoubleClickHandler = void (CCmdTarget::*)(int row);

    template <class T> static DoubleClickHandler MakeHandler(void (T::*handler)(int)) {
        return static_cast<DoubleClickHandler>(handler);
    }

    void SetDoubleClickHandler(CCmdTarget* owner, DoubleClickHandler handler);

    const AFX_MSGMAP* GetMessageMap() const override;

private:
    // Takes the focus and reports the row under the mouse; a double click on the header
    // or below the last row reports nothing. The list's own double-click handling is
    // not run.
    void OnLButtonDblClk(UINT flags, CPoint point);

    CCmdTarget* m_owner = nullptr;
    DoubleClickHandler m_handler = nullptr;
};
