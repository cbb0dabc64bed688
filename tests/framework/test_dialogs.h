// Templates and small dialogs shared by the framework tests.
#pragma once

#include "framework/afx.h"
#include "framework/testing/test_seams.h"

namespace fwtest {

constexpr int kPlainDialog = 9001; // OK (default), Cancel, an edit, a read-only console
constexpr int kNoButtons = 9002;   // only an edit
constexpr int kMainLike = 9003;    // 316 x 273, like the main window, no close box
constexpr int kChartLike = 9004;   // close box, two trackbars
constexpr int kListDialog = 9005;  // a sorted list and a plain list
constexpr int kProgress = 9006;    // progress bar

constexpr int IDC_EDIT = 1001;
constexpr int IDC_CONSOLE = 1004;
constexpr int IDC_OTHER = 1010;
constexpr int IDC_DISABLED_DEF = 1011;
constexpr int IDC_SLIDER_A = 1216;
constexpr int IDC_SLIDER_B = 1193;
constexpr int IDC_LIST = 1189;
constexpr int IDC_SORTED = 1190;
constexpr int IDC_PROGRESS = 1184;

inline void RegisterTestTemplates() {
    using K = ControlKind;
    const DWORD child = WS_VISIBLE | WS_TABSTOP;
    RegisterDialogTemplate(
        {kPlainDialog,
         "Plain",
         0,
         0,
         200,
         100,
         WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
         0,
         "MS Sans Serif",
         8,
         {
             {K::Edit, IDC_EDIT, "", 5, 5, 100, 14, child | WS_BORDER | ES_AUTOHSCROLL},
             {K::Edit, IDC_CONSOLE, "", 5, 25, 150, 40,
              child | WS_BORDER | ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_HSCROLL},
             {K::PushButton, IDC_OTHER, "Other", 5, 80, 40, 14, child},
             {K::DefPushButton, IDOK, "OK", 100, 80, 40, 14, child},
             {K::PushButton, IDCANCEL, "Cancel", 150, 80, 40, 14, child},
         }});
    RegisterDialogTemplate({kNoButtons,
                            "No buttons",
                            0,
                            0,
                            120,
                            40,
                            WS_POPUP | WS_CAPTION,
                            0,
                            "",
                            8,
                            {{K::Edit, IDC_EDIT, "", 5, 5, 100, 14, child | WS_BORDER}}});
    RegisterDialogTemplate(
        {kMainLike,
         "Main",
         0,
         0,
         316,
         273,
         WS_POPUP | WS_CAPTION | DS_MODALFRAME,
         WS_EX_APPWINDOW,
         "Microsoft Sans Serif",
         8,
         {
             {K::Edit, IDC_CONSOLE, "", 5, 5, 307, 65,
              child | WS_BORDER | ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_HSCROLL},
             {K::PushButton, IDC_OTHER, "Statystyka", 6, 140, 70, 14, child},
             {K::DefPushButton, IDC_DISABLED_DEF, "Def", 84, 228, 70, 14, child | WS_DISABLED},
             {K::PushButton, IDOK, "Wyjście", 162, 247, 70, 14, child},
         }});
    RegisterDialogTemplate(
        {kChartLike,
         "Chart",
         0,
         0,
         487,
         346,
         WS_POPUP | WS_CAPTION | WS_SYSMENU,
         0,
         "",
         8,
         {
             {K::Trackbar, IDC_SLIDER_A, "", 5, 300, 475, 15, child | TBS_NOTICKS},
             {K::Trackbar, IDC_SLIDER_B, "", 5, 316, 475, 15, child | TBS_NOTICKS},
         }});
    RegisterDialogTemplate({kListDialog,
                            "Lists",
                            0,
                            0,
                            300,
                            150,
                            WS_POPUP | WS_CAPTION,
                            0,
                            "",
                            8,
                            {
                                {K::ListView, IDC_LIST, "", 5, 5, 140, 120,
                                 child | WS_BORDER | LVS_REPORT | LVS_SINGLESEL},
                                {K::ListView, IDC_SORTED, "", 150, 5, 140, 120,
                                 child | WS_BORDER | LVS_REPORT | LVS_SORTDESCENDING},
                                {K::DefPushButton, IDOK, "OK", 5, 130, 40, 14, child},
                            }});
    RegisterDialogTemplate(
        {kProgress,
         "Postęp",
         0,
         0,
         186,
         47,
         WS_POPUP | WS_CAPTION,
         0,
         "",
         8,
         {
             {K::Progress, IDC_PROGRESS, "", 5, 9, 175, 9, WS_VISIBLE | WS_BORDER},
             {K::PushButton, IDCANCEL, "Przerwij", 67, 27, 50, 14, child},
         }});
}

} // namespace fwtest
