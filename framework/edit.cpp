#include "framework/control_widgets.h"

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
UINT CEdit::GetLimitText() const {
    return static_cast<UINT>(const_cast<CEdit*>(this)->SendMessage(EM_GETLIMITTEXT));
}
BOOL CEdit::SetReadOnly(BOOL readOnly) {
    return static_cast<BOOL>(SendMessage(EM_SETREADONLY, static_cast<WPARAM>(readOnly)));
}
BOOL CEdit::IsMultiLine() const {
    return dynamic_cast<afx::detail::AfxTextEdit*>(m_hWnd) != nullptr;
}
void CEdit::SetSel(int start, int end, BOOL) {
    SendMessage(EM_SETSEL, static_cast<WPARAM>(static_cast<INT_PTR>(start)), end);
}
void CEdit::ReplaceSel(const std::string& text, BOOL) {
    SendMessage(EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text.c_str()));
}
