// CButton: push button, check box, radio button or group box.
#pragma once

#include "framework/wnd.h"

class CButton : public CWnd {
public:
    // BST_CHECKED or BST_UNCHECKED.
    int GetCheck() const;
    void SetCheck(int check);
    // Like a click by the user: does nothing when the button is disabled.
    void Click();
};
