// CWnd: the C++ side of one window (a dialog or a control).
#pragma once

#include "framework/cmd_target.h"

#include <memory>
#include <string>

class CFont;
class CMenu;

namespace afx::detail {
struct WndData;
}

// A CWnd object outlives the window it wraps: m_hWnd is set while the window exists
// (from the start of DoModal, or from DDX_Control for a control) and nullptr otherwise.
// Every member except PostMessage must be called on the UI thread.
//
// Messages reach WindowProc, which routes WM_COMMAND through OnCommand/OnCmdMsg,
// WM_NOTIFY through OnNotify, and every other message through the message map; what no
// entry handles goes to DefWindowProc.
class CWnd : public CCmdTarget {
public:
    CWnd();
    ~CWnd() override;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }
    // The CWnd of a window handle: a bound or dialog object, or the framework's own
    // wrapper of a template control; nullptr for unknown handles.
    static CWnd* FromHandle(HWND hwnd);

    // TRUE while the window exists.
    BOOL IsWindow() const { return m_hWnd != nullptr; }

    // Controls of this dialog by id. For a control not bound with DDX_Control the
    // framework returns its own wrapper of the control's class (CEdit, CButton,
    // CListCtrl, ...), valid until the window is destroyed. nullptr when there is no such
    // control or no window.
    CWnd* GetDlgItem(int id) const;
    int GetDlgCtrlID() const;
    CWnd* GetParent() const;

    // Returns TRUE when the window was disabled before the call.
    BOOL EnableWindow(BOOL enable = TRUE);
    BOOL IsWindowEnabled() const;
    BOOL IsWindowVisible() const;
    BOOL ShowWindow(int showCommand);
    BOOL IsIconic() const;

    // Text in UTF-8. For multi-line edits see CEdit about line ends.
    void SetWindowText(const std::string& text);
    std::string GetWindowText() const;
    void GetWindowText(std::string& text) const { text = GetWindowText(); }
    int GetWindowTextLength() const;
    void SetDlgItemText(int id, const std::string& text);
    std::string GetDlgItemText(int id) const;
    void CheckDlgButton(int id, UINT check);
    UINT IsDlgButtonChecked(int id) const;

    // The font is not copied: it must stay alive while the window uses it.
    void SetFont(CFont* font, BOOL redraw = TRUE);
    CFont* GetFont() const;

    // Starts (or restarts) timer `id`: WM_TIMER with wParam = id arrives every `elapse`
    // ms through the message map, also inside nested modal loops, until KillTimer or the
    // end of the window; an interval of 2 s or less never ends early. Returns `id`, or 0
    // when there is no window. `timerProc` must be nullptr.
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse, void* timerProc = nullptr);
    BOOL KillTimer(UINT_PTR id);

    // The one call any thread may make. Queues the message on the UI thread's event
    // loop; every running loop, nested modal loops included, delivers the messages of a
    // window in the order they were posted. A WM_COMMAND posted with wParam = id is
    // routed through OnCmdMsg exactly like a button click. Messages that arrive when
    // the window no longer exists are dropped. The CWnd object must outlive every
    // thread that may post to it.
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Synchronous delivery to WindowProc, UI thread only; also without a window.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    void Invalidate(BOOL erase = TRUE);
    void InvalidateRect(const CRect* rect, BOOL erase = TRUE); // nullptr: whole client area
    void UpdateWindow();

    // The client area always starts at (0, 0).
    void GetClientRect(CRect* rect) const;
    void ScreenToClient(CPoint* point) const;
    void ScreenToClient(CRect* rect) const;
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);

    // Returns the window that had the focus before.
    CWnd* SetFocus();
    // The window with the keyboard focus (in the active or top-most modal dialog).
    static CWnd* GetFocus();

    // The window's system menu, empty until the program appends to it (see framework/menu.h
    // for where it shows); a picked item comes as WM_SYSCOMMAND with its id. With revert
    // TRUE the menu is emptied again and nullptr returned.
    CMenu* GetSystemMenu(BOOL revert) const;
    // Returns the previous icon of that size.
    HICON SetIcon(HICON icon, BOOL bigIcon);
    HICON GetIcon(BOOL bigIcon) const;

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // WM_COMMAND: OnCmdMsg(LOWORD(wParam), HIWORD(wParam), nullptr, nullptr).
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // WM_NOTIFY: the map entry for (code, idFrom) of the NMHDR at lParam.
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    // What happens to a message nothing handled: WM_SYSCOMMAND SC_CLOSE becomes WM_CLOSE,
    // WM_CONTEXTMENU asked on the window itself (not on a control) shows its system menu,
    // WM_SETFONT/WM_GETFONT, WM_SETICON, WM_SETTEXT/WM_GETTEXTLENGTH, and the control
    // messages (EM_, BM_, PBM_, TBM_) of the control classes.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Default handlers. Derived handlers bound in a message map call them when they want
    // the default behaviour (OnDestroy at their end).
    void OnDestroy();
    void OnPaint();
    void OnTimer(UINT_PTR id);
    void OnSysCommand(UINT command, LPARAM param);
    void OnLButtonDblClk(UINT flags, CPoint point);
    HCURSOR OnQueryDragIcon();

    const AFX_MSGMAP* GetMessageMap() const override;
    static const AFX_MSGMAP* GetThisMessageMap();

    // Framework internals.
    afx::detail::WndData& Data() const { return *data_; }

private:
    std::unique_ptr<afx::detail::WndData> data_;
};

BOOL IsWindow(HWND hwnd);
// Screen position of the mouse at its last event (real or simulated by a test).
BOOL GetCursorPos(CPoint* point);

// WM_CONTEXTMENU: void (CWnd* window, CPoint screenPoint). `window` is the window (the
// dialog or one of its controls) the user asked the menu in; the point is (-1, -1) when
// the menu was asked for from the keyboard (Shift+F10, the menu key).
template <class T> AFX_MSGMAP_ENTRY OnContextMenuEntry(void (T::*fn)(CWnd*, CPoint)) {
    return {WM_CONTEXTMENU, 0, 0, 0, [fn](CCmdTarget& t, WPARAM w, LPARAM l) -> LRESULT {
                (afx::detail::As<T>(t).*fn)(CWnd::FromHandle(reinterpret_cast<HWND>(w)),
                                            CPoint(GET_X_LPARAM(l), GET_Y_LPARAM(l)));
                return 0;
            }};
}
