#pragma once
// CLWApp: the application object. It runs the main window modally; when the window
// closes, the program ends. Ended from outside (SIGHUP, SIGINT, SIGTERM), it has the main
// window cancel its boxes and release the port, then ends by that signal.

#include "framework/afx.h"

class CLWApp : public CWinApp {
public:
    CLWApp() = default;

    // Runs the whole program and returns FALSE, so that the framework ends the process
    // instead of entering a message loop of its own.
    BOOL InitInstance() override;

    const AFX_MSGMAP* GetMessageMap() const override;
};
