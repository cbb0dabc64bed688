#include "framework/dialog_template.h"
#include "res/resource.h"
#include "res/templates.h"

// Chart dialog: the chart is painted on the client area above the two sliders.
void RegisterMeasureTemplates() {
    DialogTemplate chart;
    chart.id = IDD_WYKRES;
    chart.caption = "Wykres prędkości"; // replaced by the chart's title when shown
    chart.cx = 487;
    chart.cy = 346;
    chart.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    chart.controls = {
        {ControlKind::Trackbar, IDC_CURSOR_SLIDER, "", 5, 300, 475, 15,
         WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_NOTICKS, 0},
        {ControlKind::Trackbar, IDC_RUN_SLIDER, "", 5, 316, 475, 15,
         WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_NOTICKS, 0},
        {ControlKind::Edit, IDC_CHART_START, "", 10, 330, 80, 14,
         WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL | ES_READONLY, 0},
        // 76 units wide, right edge where the 70 of the first layout ended: the dialog
        // font's "2026.12.07  17:05.18" needs 104 pixels inside the frame and margins.
        {ControlKind::Edit, IDC_CHART_END, "", 399, 330, 76, 14,
         WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL | ES_READONLY, 0},
    };
    RegisterDialogTemplate(std::move(chart));
}
