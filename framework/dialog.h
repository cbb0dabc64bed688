// CDialog: a modal dialog built from a registered template.
#pragma once

#include "framework/wnd.h"

class CDataExchange;

// The window is built from the template when DoModal runs and destroyed before DoModal
// returns; the C++ object lives on and can be shown again. While it is shown the dialog
// is application-modal, and its loop dispatches the posted messages and timers of every
// window.
//
// Closing: EndDialog(result) ends the modal loop. WM_DESTROY reaches the message map
// (OnDestroy) on every way out, while the controls still exist, always before DoModal
// returns. EndDialog inside OnInitDialog ends DoModal as soon as OnInitDialog returns,
// without the dialog being shown; EndDialog on a dialog without a window does nothing
// and is not remembered.
//
// Keys: Enter on a focused enabled push button clicks it. Otherwise Enter sends the
// default button's command when that button is enabled and nothing when it is disabled;
// without a default button it sends IDOK. Read-only multi-line edits and edits without
// ES_WANTRETURN pass Enter on to the dialog. Escape sends IDCANCEL; so does the close
// box of a dialog with WS_SYSMENU (WM_SYSCOMMAND SC_CLOSE, then WM_CLOSE). IDOK and
// IDCANCEL commands without a map entry of their own call OnOK and OnCancel.
class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Builds the window, calls OnInitDialog, shows it, runs the modal loop, sends
    // WM_DESTROY and destroys the window. Returns the EndDialog result, or -1 when the
    // template is not registered.
    virtual INT_PTR DoModal();
    // Base: UpdateData(FALSE) (binds the controls and shows the members) and returns
    // TRUE. The framework then puts the focus on the first control that takes it.
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* pDX);
    // Runs DoDataExchange. When saving, the first failing field shows its prompt, gets
    // the focus, and UpdateData returns FALSE.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    // UpdateData(TRUE), then EndDialog(IDOK) only if it succeeded.
    virtual void OnOK();
    // EndDialog(IDCANCEL).
    virtual void OnCancel();
    void EndDialog(int result);

    UINT GetTemplateId() const { return templateId_; }
    CWnd* GetParentWnd() const { return parent_; }
    // The default button (DefPushButton in the template unless changed).
    void SetDefID(UINT id);
    UINT GetDefID() const;
    // Moves the focus to a control of this dialog.
    void GotoDlgCtrl(CWnd* control);
    // TRUE while DoModal's loop runs and EndDialog has not been called.
    BOOL IsModalLoopRunning() const;

    // WM_CLOSE becomes the IDCANCEL command.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    const AFX_MSGMAP* GetMessageMap() const override;
    static const AFX_MSGMAP* GetThisMessageMap();

private:
    UINT templateId_;
    CWnd* parent_;
};

namespace afx {
// Ends every modal box that is open, the top-most first, as cancelled: a dialog gets the
// IDCANCEL command, as from Escape, and is ended with IDCANCEL if that leaves it open; a
// message box or another dialog of the toolkit is rejected. The main window, which is no
// modal box, stays. The boxes' loops return once control goes back to them.
void CancelModalBoxes();
} // namespace afx
