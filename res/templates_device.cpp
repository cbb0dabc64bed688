// Templates of the device operations' dialogs: configuration 167, statistics 185,
// programmer 195, inspections 203, relays 204, relay range 205, position 206.
//
// Layout in dialog units: labels on the left, the fields in one column beside them, a
// row every 18 units; "Zapisz" and "Nie zapisuj" at the bottom right.
#include "framework/afx.h"
#include "res/resource.h"
#include "res/templates.h"

namespace {

constexpr int kNoId = -1;
constexpr int kMargin = 7;
constexpr int kRow = 18;         // from one field row to the next
constexpr int kEditHeight = 14;  // an edit box or push button
constexpr int kLabelDrop = 3;    // a label stands this much below its edit's top
constexpr int kCheckHeight = 10; // a check box
constexpr int kButtonWidth = 50;
constexpr int kButtonGap = 4;

constexpr DWORD kEditStyle = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kReadOnlyStyle = kEditStyle | ES_READONLY;

ControlTemplate Label(const char* text, int x, int y, int cx, int cy = 8) {
    return {ControlKind::Static, kNoId, text, x, y, cx, cy, SS_LEFT, 0};
}

ControlTemplate Edit(int id, int x, int y, int cx, DWORD style = kEditStyle) {
    return {ControlKind::Edit, id, "", x, y, cx, kEditHeight, style, 0};
}

ControlTemplate Button(int id, const char* text, int x, int y, int cx) {
    return {ControlKind::PushButton, id, text, x, y, cx, kEditHeight, WS_TABSTOP, 0};
}

ControlTemplate Check(int id, const char* text, int x, int y, int cx) {
    return {ControlKind::CheckBox, id, text, x, y, cx, kCheckHeight, WS_TABSTOP, 0};
}

ControlTemplate List(int id, int x, int y, int cx, int cy, DWORD extraStyle = 0) {
    return {ControlKind::ListView,
            id,
            "",
            x,
            y,
            cx,
            cy,
            WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                LVS_NOSORTHEADER | extraStyle,
            0};
}

// A label and its edit box on one row.
void AddField(DialogTemplate& t, const char* label, int id, int y, int labelWidth, int editX,
              int editWidth, DWORD style = kEditStyle) {
    t.controls.push_back(Label(label, kMargin, y + kLabelDrop, labelWidth));
    t.controls.push_back(Edit(id, editX, y, editWidth, style));
}

// "Zapisz" (default) and "Nie zapisuj" at the bottom right; sets the dialog's height.
void AddSaveButtons(DialogTemplate& t, int y) {
    const int cancelX = t.cx - kMargin - kButtonWidth;
    const int okX = cancelX - kButtonGap - kButtonWidth;
    t.controls.push_back({ControlKind::DefPushButton, IDOK, "Zapisz", okX, y, kButtonWidth,
                          kEditHeight, WS_TABSTOP, 0});
    t.controls.push_back(Button(IDCANCEL, "Nie zapisuj", cancelX, y, kButtonWidth));
    t.cy = y + kEditHeight + kMargin;
}

DialogTemplate Dialog(int id, const char* caption, int cx) {
    DialogTemplate t;
    t.id = id;
    t.caption = caption;
    t.cx = cx;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    t.fontName = "MS Sans Serif";
    t.fontPoints = 8;
    return t;
}

void RegisterConfiguration() {
    constexpr int labelWidth = 128;
    constexpr int editX = 138;
    constexpr int editWidth = 45;
    constexpr int sideX = editX + editWidth + 8; // note and check boxes
    DialogTemplate t = Dialog(IDD_DANE_BAZOWE, "Konfiguracja", sideX + 120 + kMargin);
    int y = kMargin;
    AddField(t, "Nr fabryczny :", IDC_FACTORY_NUMBER, y, labelWidth, editX, editWidth,
             kReadOnlyStyle);
    y += kRow;
    AddField(t, "Stała napędu przy jeździe w górę :", IDC_DRIVE_UP, y, labelWidth, editX,
             editWidth);
    t.controls.push_back(Label("Stała napędu jest w jednostkach     [mm/impuls]", sideX,
                               y + kLabelDrop + 6, 120, 20));
    y += kRow;
    AddField(t, "Stała napędu przy jeździe w dół :", IDC_DRIVE_DOWN, y, labelWidth, editX,
             editWidth);
    y += kRow;
    AddField(t, "Opis :", IDC_DESCRIPTION, y, labelWidth, editX, 90);
    y += kRow;
    AddField(t, "Długość trasy [m] :", IDC_ROUTE_LENGTH, y, labelWidth, editX, editWidth);
    static const char* const kCheckPointLabels[4] = {
        "Położenie 1 punktu kontrolnego [m] :", "Położenie 2 punktu kontrolnego [m] :",
        "Położenie 3 punktu kontrolnego [m] :", "Położenie 4 punktu kontrolnego [m] :"};
    static const char* const kFlagLabels[4] = {"we1 : punkt kontrolny", "we2 : punkt kontrolny",
                                               "we3 : punkt kontrolny", "we4 : punkt kontrolny"};
    for (int i = 0; i < 4; ++i) {
        y += kRow;
        AddField(t, kCheckPointLabels[i], IDC_CHECKPOINT1 + i, y, labelWidth, editX, editWidth);
        t.controls.push_back(Check(IDC_CHECKPOINT_FLAG1 + i, kFlagLabels[i], sideX, y + 2, 110));
    }
    y += kRow;
    AddField(t, "Szerokość strefy kontoli [m] :", IDC_ZONE_WIDTH, y, labelWidth, editX, editWidth);
    y += kRow;
    AddField(t, "Poziom niskiego nap. zasilania [V] :", IDC_VOLTAGE_LEVEL, y, labelWidth, editX,
             editWidth);
    AddSaveButtons(t, y + kRow + 8);
    RegisterDialogTemplate(std::move(t));
}

void RegisterProgrammer() {
    constexpr int labelWidth = 140;
    constexpr int editX = 150;
    DialogTemplate t = Dialog(IDD_DANE_CZYTNIKA, "Dane programatora", editX + 90 + kMargin);
    int y = kMargin;
    AddField(t, "Nr fabryczny :", IDC_FACTORY_NUMBER, y, labelWidth, editX, 45, kReadOnlyStyle);
    y += kRow;
    AddField(t, "Czas automaty- cznego wylaczenia [s] :", IDC_POWER_OFF_TIME, y, labelWidth, editX,
             45);
    y += kRow;
    AddField(t, "Niskie napiecie zasilania [V] :", IDC_PROGRAMMER_VOLTAGE, y, labelWidth, editX,
             45);
    y += kRow;
    AddField(t, "Opis :", IDC_DESCRIPTION, y, labelWidth, editX, 90);
    AddSaveButtons(t, y + kRow + 8);
    RegisterDialogTemplate(std::move(t));
}

void RegisterStatistics() {
    constexpr int labelWidth = 140;
    constexpr int editX = 150;
    constexpr int editWidth = 185;
    constexpr int clearWidth = 110;
    DialogTemplate t = Dialog(IDD_STATYSTYKA, "Dane statystyczne", editX + editWidth + kMargin);
    int y = kMargin;
    AddField(t, "Całkowity czas jazdy :", IDC_TOTAL_DRIVING, y, labelWidth, editX, editWidth,
             kReadOnlyStyle);
    y += kRow;
    AddField(t, "Kasowalny czas jazdy :", IDC_RESETTABLE_DRIVING, y, labelWidth, editX, editWidth,
             kReadOnlyStyle);
    y += kRow;
    AddField(t, "Data kasowania kas. czasu jazdy :", IDC_DRIVING_CLEARED, y, labelWidth, editX,
             editWidth, kReadOnlyStyle);
    y += kRow;
    t.controls.push_back(Button(IDC_CLEAR_DRIVING, "Kasuj kasowalny czas jazdy",
                                editX + editWidth - clearWidth, y, clearWidth));
    y += kRow + 8;
    AddField(t, "Całkowity czas pracy :", IDC_TOTAL_WORKING, y, labelWidth, editX, editWidth,
             kReadOnlyStyle);
    y += kRow;
    AddField(t, "Kaswalny czas pracy :", IDC_RESETTABLE_WORKING, y, labelWidth, editX, editWidth,
             kReadOnlyStyle);
    y += kRow;
    AddField(t, "Data kasowania kas. czasu pracy :", IDC_WORKING_CLEARED, y, labelWidth, editX,
             editWidth, kReadOnlyStyle);
    y += kRow;
    t.controls.push_back(Button(IDC_CLEAR_WORKING, "Kasuj kasowalny czas pracy",
                                editX + editWidth - clearWidth, y, clearWidth));
    y += kRow + 8;
    AddField(t, "Licznik kilometrów :", IDC_KILOMETRES, y, labelWidth, editX, 60, kReadOnlyStyle);
    AddSaveButtons(t, y + kRow + 8);
    RegisterDialogTemplate(std::move(t));
}

void RegisterInspections() {
    constexpr int listWidth = 125;
    constexpr int listHeight = 146; // the heading and all sixteen dates
    constexpr int sideX = kMargin + listWidth + 8;
    constexpr int addWidth = 70;
    DialogTemplate t = Dialog(IDD_PRZEGL, "Przeglądy", sideX + addWidth + kMargin);
    t.controls.push_back(
        List(IDC_INSPECTION_LIST, kMargin, kMargin, listWidth, listHeight, LVS_SORTDESCENDING));
    t.controls.push_back(Button(IDC_ADD_INSPECTION, "Dodaj przegląd", sideX, kMargin, addWidth));
    const int y = kMargin + listHeight + 8;
    AddField(t, "Odstęp pomiędzy przeglądami [dni] :", IDC_INTERVAL, y, 140, 150, 30);
    AddSaveButtons(t, y + kRow + 8);
    RegisterDialogTemplate(std::move(t));
}

void RegisterRelays() {
    constexpr int inner = 6;       // from a group's border to its content
    constexpr int listWidth = 95;  // the 130-pixel column and a scroll bar
    constexpr int listHeight = 84; // the heading and eight rows
    constexpr int groupWidth = listWidth + 2 * inner;
    constexpr int groupGap = 4;
    constexpr int conditionWidth = 42;
    constexpr int conditionRow = 14;
    constexpr int groupTop = kMargin;
    constexpr int listTop = groupTop + 12;
    constexpr int outOfRangeTop = listTop + listHeight + 4;
    constexpr int conditionsTop = outOfRangeTop + kEditHeight + 6;
    constexpr int groupHeight = conditionsTop + 5 * conditionRow + 2 - groupTop;
    static const char* const kGroups[4] = {"PK1", "PK2", "PK3", "PK4"};
    static const char* const kConditions[5] = {"We 1", "We 2", "We 3", "We 4", "Obszar"};
    static const int kOutOfRangeIds[4] = {IDC_OUT_OF_RANGE1, IDC_OUT_OF_RANGE2, IDC_OUT_OF_RANGE3,
                                          IDC_OUT_OF_RANGE4};

    DialogTemplate t =
        Dialog(IDD_PRZEK, "Przekaźniki", 2 * kMargin + 4 * groupWidth + 3 * groupGap);
    for (int relay = 0; relay < 4; ++relay) {
        const int gx = kMargin + relay * (groupWidth + groupGap);
        t.controls.push_back({ControlKind::GroupBox, kNoId, kGroups[relay], gx, groupTop,
                              groupWidth, groupHeight, 0, 0});
        t.controls.push_back(
            List(IDC_RANGE_LIST1 + relay, gx + inner, listTop, listWidth, listHeight));
        t.controls.push_back(
            Button(kOutOfRangeIds[relay], "Poza zakres", gx + inner, outOfRangeTop, listWidth));
        for (int n = 0; n < 5; ++n) {
            const int y = conditionsTop + n * conditionRow;
            t.controls.push_back(
                Check(kRelayConditionIds[relay][n], kConditions[n], gx + inner, y, conditionWidth));
            t.controls.push_back(Check(kRelayNegationIds[relay][n], "Negacja",
                                       gx + inner + conditionWidth + 4, y,
                                       listWidth - conditionWidth - 4));
        }
    }
    AddSaveButtons(t, groupTop + groupHeight + 8);
    RegisterDialogTemplate(std::move(t));
}

void RegisterBorders() {
    constexpr int labelWidth = 105;
    constexpr int editX = kMargin + labelWidth + 4;
    DialogTemplate t = Dialog(IDD_BORDERS, "Granice przekaźnika", editX + 40 + kMargin);
    int y = kMargin;
    AddField(t, "wartość minimalna [m] :", IDC_RANGE_MIN, y, labelWidth, editX, 40);
    y += kRow;
    AddField(t, "wartość maksymalna [m] :", IDC_RANGE_MAX, y, labelWidth, editX, 40);
    AddSaveButtons(t, y + kRow + 8);
    RegisterDialogTemplate(std::move(t));
}

void RegisterLocation() {
    DialogTemplate t = Dialog(IDD_LOCATION, "Określ położenie", 124);
    t.controls.push_back(Label("Położenie :", kMargin, kMargin + kLabelDrop, 45));
    t.controls.push_back(Edit(IDC_POSITION_METRES, 55, kMargin, 40));
    t.controls.push_back(Label("[m]", 99, kMargin + kLabelDrop, 18));
    AddSaveButtons(t, kMargin + kRow + 8);
    RegisterDialogTemplate(std::move(t));
}

} // namespace

void RegisterDeviceTemplates() {
    RegisterConfiguration();
    RegisterStatistics();
    RegisterProgrammer();
    RegisterInspections();
    RegisterRelays();
    RegisterBorders();
    RegisterLocation();
}
