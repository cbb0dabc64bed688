#include "framework/qt_internal.h"

int CEdit::GetLineCount() const {
    return static_cast<int>(const_cast<CEdit*>(this)->SendMessage(EM_GETLINECOUNT));
}
BOOL CEdit::LineScroll(int lines, int chars) {
    return static_cast<BOOL>(SendMessage(EM_LINESCROLL, static_cast<WPARAM>(chars), lines));
}
int CEdit::GetFirstVisibleLine() const {
    return static_cast<int>(const_cast<CEdit*>(this)->SendMessage(EM_GETFIRSTVISIBLELINE));
}
void CEdit::LimitText(int maxChars) {
    SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(maxChars));
}
void CEdit::GetSel(int& start, int& end) const {
    DWORD from = 0;
    DWORD to = 0;
    const_cast<CEdit*>(this)->SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                                          reinterpret_cast<LPARAM>(&to));
    start = static_cast<int>(from);
    end = static_cast<int>(to);
}
void CEdit::Copy() {
    SendMessage(WM_COPY);
}
