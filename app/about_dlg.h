#pragma once
// CAboutDlg: the About box with the program's name and version (template 100) and an OK
// button.

#include "framework/afx.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();
};
