#include "framework/afx.h"
#include "res/resource.h"
#include "res/templates.h"

void RegisterLinkTemplates() {
    DialogTemplate wait;
    wait.id = IDD_REQUEST;
    wait.caption = "Transmisja danych";
    wait.cx = 88;
    wait.cy = 34;
    wait.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    wait.fontName = "Microsoft Sans Serif";
    wait.fontPoints = 8;
    // The text is 34 units wide rather than 30: in the dialog font "Czekaj ..." needs
    // 51 pixels and would otherwise lose its dots.
    wait.controls = {
        {ControlKind::Static, IDC_REQUEST_TEXT, "Czekaj ...", 28, 13, 34, 8, SS_LEFT, 0},
    };
    RegisterDialogTemplate(wait);

    DialogTemplate progress;
    progress.id = IDD_NV_PROGRESS;
    progress.caption = "Postęp";
    progress.cx = 186;
    // One line taller than the bar and the button need: the text of a readout's rate and
    // time left sits between them.
    progress.cy = 59;
    progress.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    progress.fontName = "Microsoft Sans Serif";
    progress.fontPoints = 8;
    progress.controls = {
        {ControlKind::Progress, IDC_PROGRESS, "", 5, 9, 175, 9, WS_BORDER, 0},
        // As wide as the box allows: the text of a slow line is long.
        {ControlKind::Static, IDC_PROGRESS_TEXT, "", 2, 23, 182, 8, SS_CENTER, 0},
        {ControlKind::PushButton, IDC_CANCEL, "Przerwij", 67, 39, 50, 14, WS_TABSTOP, 0},
    };
    RegisterDialogTemplate(progress);
}
