// The application object and process-wide services.
#pragma once

#include "framework/cmd_target.h"

#include <string>

class CWnd;

// The one application object. Its constructor registers it (AfxGetApp); RunWinApp, which
// the program's main() calls, creates the Qt application, loads the Polish Qt translation,
// sets the dialog font and calls InitInstance. When InitInstance returns FALSE (after the
// main dialog's DoModal) the program ends with exit code 0.
class CWinApp : public CCmdTarget {
public:
    explicit CWinApp(const char* appName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    // Icon registered with afx::RegisterIcon, nullptr when none has that id.
    HICON LoadIcon(UINT id) const;
    // Default handler of ID_HELP: does nothing.
    void OnHelp();

    CWnd* m_pMainWnd = nullptr;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// Kept for the program's start-up sequence; nothing to enable here.
void AfxEnableControlContainer();
int GetSystemMetrics(int index); // SM_CXICON / SM_CYICON: 32

namespace afx {
// Program name: caption of message boxes.
void SetAppName(const std::string& name);
const std::string& GetAppName();

// Icons: width x height pixels, row by row, 0xAARRGGBB. Registering an id again
// replaces the icon.
void RegisterIcon(int id, int width, int height, const std::uint32_t* argbPixels);

// Creates the Qt application when none exists yet (keeping argc/argv), loads the Polish
// Qt translation and sets the dialog font. Tests call it from their main; the program's
// main() calls RunWinApp.
void InitApplication(int& argc, char** argv);
void InitApplicationForTests(int& argc, char** argv);
// InitApplication, then AfxGetApp()->InitInstance(); returns the process exit code.
int RunWinApp(int& argc, char** argv);
} // namespace afx
