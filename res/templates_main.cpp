#include "base/program_info.h"
#include "framework/afx.h"
#include "res/icon.h"
#include "res/resource.h"
#include "res/templates.h"

#include <string>

namespace {

constexpr int kButtonWidth = 70;
constexpr int kButtonHeight = 14;

ControlTemplate Button(int id, const char* text, int x, int y) {
    return {ControlKind::PushButton, id, text, x, y, kButtonWidth, kButtonHeight, WS_TABSTOP};
}

// A read-only multi-line box of the status panel: no border.
ControlTemplate StatusBox(int id, int x, int y, int cx, int cy) {
    return {ControlKind::Edit, id, "", x, y, cx, cy, ES_MULTILINE | ES_READONLY};
}

DialogTemplate MainWindowTemplate() {
    DialogTemplate t;
    t.id = IDD_LW_DIALOG;
    t.caption = kProgramName;
    t.cx = 316;
    t.cy = 273;
    // No system-menu box: the program ends through "Wyjście", Enter or Escape only.
    t.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    t.exStyle = WS_EX_APPWINDOW;
    t.fontName = "Microsoft Sans Serif";
    t.fontPoints = 8;
    t.controls = {
        {ControlKind::Edit, IDC_CONSOLE, "", 5, 5, 307, 65,
         ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_READONLY | WS_BORDER | WS_VSCROLL |
             WS_HSCROLL | WS_TABSTOP},
        StatusBox(IDC_STATUS_SPEED, 6, 78, 109, 50),
        StatusBox(IDC_STATUS_INPUTS, 126, 78, 50, 50),
        StatusBox(IDC_STATUS_OUTPUTS, 180, 78, 50, 50),
        StatusBox(IDC_STATUS_SUPPLY, 234, 78, 72, 50),
        Button(IDC_STATISTICS, "Statystyka", 6, 140),
        Button(IDC_CONFIGURATION, "Konfiguracja", 6, 156),
        Button(IDC_INSPECTIONS, "Przeglądy", 6, 172),
        Button(IDC_RELAYS, "Przekaźniki", 6, 188),
        Button(IDC_SET_CLOCK, "Aktualizuj czas", 84, 140),
        Button(IDC_SET_POSITION, "Określ położenie", 84, 156),
        Button(IDC_RESET, "Reset", 84, 172),
        Button(IDC_VERSIONS, "Wersje", 84, 188),
        Button(IDC_LOAD_FILE, "Odczytaj z pliku", 162, 140),
        Button(IDC_SAVE_FILE, "Zapisz do pliku", 162, 156),
        Button(IDC_SPEED_CHART, "Prędkość w czasie", 162, 172),
        Button(IDC_POSITION_CHART, "Droga w czasie", 162, 188),
        Button(IDC_READ_RECORDER, "Odczyt pomiarów", 162, 204),
        Button(IDC_PROGRAMMER, "Programator", 240, 140),
        Button(IDC_CONNECT, "Połącz", 84, 228),
        Button(IDC_PORT, "Port", 84, 247),
        Button(IDC_DISCONNECT, "Rozłącz", 162, 228),
        {ControlKind::DefPushButton, IDC_EXIT, "Wyjście", 162, 247, kButtonWidth, kButtonHeight,
         WS_TABSTOP},
    };
    return t;
}

// The six choices with their buttons keep the top left corner (157 x 121) as it always
// was; what each COMn leads to stands to the right, on its row, and the detected ports
// below.
DialogTemplate PortTemplate() {
    DialogTemplate t;
    t.id = IDD_OPCJE;
    t.caption = "Port";
    t.cx = 480;
    t.cy = 246;
    t.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | WS_SYSMENU;
    t.fontName = "Microsoft Sans Serif";
    t.fontPoints = 8;
    t.controls = {
        {ControlKind::DefPushButton, IDOK, "Zapisz", 100, 7, 50, 14, WS_TABSTOP | WS_GROUP},
        {ControlKind::PushButton, IDCANCEL, "Nie zapisuj", 100, 26, 50, 14, WS_TABSTOP},
        {ControlKind::GroupBox, -1, "Port:", 15, 5, 60, 105, 0},
    };
    static const char* const kPorts[] = {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6"};
    for (int i = 0; i < 6; ++i) {
        t.controls.push_back({ControlKind::RadioButton, IDC_COM1 + i, kPorts[i], 25, 20 + 15 * i,
                              36, 10, i == 0 ? WS_GROUP | WS_TABSTOP : 0u});
    }
    t.controls.push_back(
        {ControlKind::Static, -1, "Prowadzi teraz do:", 160, 8, 312, 10, SS_LEFT | WS_GROUP});
    for (int i = 0; i < 6; ++i) {
        t.controls.push_back(
            {ControlKind::Static, IDC_COM_TARGET1 + i, "", 160, 21 + 15 * i, 312, 10, SS_LEFT});
    }
    t.controls.push_back(
        {ControlKind::Static, -1,
         "Wykryte porty: wybierz port, a „Zapisz” skieruje do niego zaznaczony COM", 15, 124, 400,
         10, SS_LEFT});
    t.controls.push_back({ControlKind::ListView, IDC_PORT_LIST, "", 15, 136, 450, 80,
                          LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER |
                              WS_BORDER | WS_TABSTOP | WS_GROUP});
    t.controls.push_back({ControlKind::Static, IDC_PORT_NOTE, "", 15, 220, 450, 20, SS_LEFT});
    return t;
}

DialogTemplate AboutTemplate() {
    DialogTemplate t;
    t.id = IDD_ABOUTBOX;
    t.caption = std::string("O programie ") + kProgramName;
    t.cx = 170;
    t.cy = 62;
    t.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | WS_SYSMENU;
    t.fontName = "Microsoft Sans Serif";
    t.fontPoints = 8;
    t.controls = {
        {ControlKind::Static, -1, kProgramName, 10, 10, 100, 10, SS_LEFT},
        {ControlKind::Static, -1, std::string("wersja ") + std::to_string(kProgramVersion), 10, 24,
         100, 10, SS_LEFT},
        {ControlKind::DefPushButton, IDOK, "OK", 113, 41, 50, 14, WS_TABSTOP | WS_GROUP},
    };
    return t;
}

} // namespace

void RegisterMainTemplates() {
    RegisterDialogTemplate(MainWindowTemplate());
    RegisterDialogTemplate(PortTemplate());
    RegisterDialogTemplate(AboutTemplate());
    RegisterProgramIcon();
}
