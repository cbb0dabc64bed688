#include "device/ui/my_list_ctrl.h"

const AFX_MSGMAP* CMyListCtrl::GetMessageMap() const {
    static const AFX_MSGMAP map = AFX_MSGMAP::Of<CMyListCtrl>(
        CWnd::GetThisMessageMap(), {
                                       OnLButtonDblClkEntry(&CMyListCtrl::OnLButtonDblClk),
                                   });
    return &map;
}

void CMyListCtrl::SetDoubleClickHandler(CCmdTarget* owner, DoubleClickHandler handler) {
    m_owner = owner;
    m_handler = handler;
}

void CMyListCtrl::OnLButtonDblClk(UINT /*flags*/, CPoint /*point*/) {
    SetFocus();
    CPoint cursor;
    GetCursorPos(&cursor);
    ScreenToClient(&cursor);
    const int row = HitTest(cursor);
    if (row < 0 || m_owner == nullptr || m_handler == nullptr) {
        return;
    }
    (m_owner->*m_handler)(row);
}
