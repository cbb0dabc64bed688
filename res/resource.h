#pragma once
// Control, template and command ids of the program's dialogs.

// Standard ids.
constexpr int IDC_OK = 1;     // IDOK
constexpr int IDC_CANCEL = 2; // IDCANCEL

// Templates.
constexpr int IDD_LW_DIALOG = 102;
constexpr int IDR_MAINFRAME = 128; // program icon
constexpr int IDD_OPCJE = 129;
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDS_ABOUTBOX = 101;
constexpr int IDD_DANE_BAZOWE = 167;
constexpr int IDD_STATYSTYKA = 185;
constexpr int IDD_REQUEST = 192;
constexpr int IDD_NV_PROGRESS = 193;
constexpr int IDD_DANE_CZYTNIKA = 195;
constexpr int IDD_WYKRES = 198;
constexpr int IDD_PRZEGL = 203;
constexpr int IDD_PRZEK = 204;
constexpr int IDD_BORDERS = 205;
constexpr int IDD_LOCATION = 206;

// System menu commands (the low four bits belong to the system): the About box, and the
// trace of the line switched on and off.
constexpr unsigned IDM_ABOUTBOX = 16;
constexpr unsigned IDM_LINK_TRACE = 32;

// Posted notifications.
constexpr int ID_HOST_WORK = 101; // work posted to the main window's thread waits (one each)

// Main window, template 102.
constexpr int IDC_CONSOLE = 1004;
constexpr int IDC_STATUS_SPEED = 1209;
constexpr int IDC_STATUS_INPUTS = 1003;
constexpr int IDC_STATUS_OUTPUTS = 1007;
constexpr int IDC_STATUS_SUPPLY = 1008;
constexpr int IDC_STATISTICS = 1005;
constexpr int IDC_CONFIGURATION = 1049;
constexpr int IDC_INSPECTIONS = 1012;
constexpr int IDC_RELAYS = 1098;
constexpr int IDC_SET_CLOCK = 1011;
constexpr int IDC_SET_POSITION = 1102;
constexpr int IDC_RESET = 1112;
constexpr int IDC_VERSIONS = 1052;
constexpr int IDC_LOAD_FILE = 1097;
constexpr int IDC_SAVE_FILE = 1006;
constexpr int IDC_SPEED_CHART = 1009;
constexpr int IDC_POSITION_CHART = 1113;
constexpr int IDC_READ_RECORDER = 1053;
constexpr int IDC_PROGRAMMER = 1051;
constexpr int IDC_CONNECT = 1000;
constexpr int IDC_PORT = 1002;
constexpr int IDC_DISCONNECT = 1001;
constexpr int IDC_EXIT = 1; // "Wyjście", the default button

// Port dialog, template 129.
constexpr int IDC_COM1 = 1006;        // COM1..COM6 are 1006..1011
constexpr int IDC_COM_TARGET1 = 1012; // what COM1..COM6 lead to, 1012..1017, on their rows
constexpr int IDC_PORT_LIST = 1018;   // the detected ports
constexpr int IDC_PORT_NOTE = 1019;   // under the list: no adapter, brltty

// Wait box, template 192.
constexpr int IDC_REQUEST_TEXT = 1000; // static "Czekaj ..." (any id; the box has no other control)

// Progress box, template 193.
constexpr int IDC_PROGRESS = 1184;
constexpr int IDC_PROGRESS_TEXT = 1185; // done, rate and time left of a recorder readout

// Configuration, template 167.
constexpr int IDC_FACTORY_NUMBER = 1205;
constexpr int IDC_DRIVE_UP = 1003;
constexpr int IDC_DRIVE_DOWN = 1004;
constexpr int IDC_DESCRIPTION = 1210;
constexpr int IDC_ROUTE_LENGTH = 1016;
constexpr int IDC_CHECKPOINT1 = 1030;      // 1030..1033
constexpr int IDC_CHECKPOINT_FLAG1 = 1045; // 1045..1048
constexpr int IDC_ZONE_WIDTH = 1034;
constexpr int IDC_VOLTAGE_LEVEL = 1035;

// Programmer, template 195.
constexpr int IDC_POWER_OFF_TIME = 1214;
constexpr int IDC_PROGRAMMER_VOLTAGE = 1016;

// Statistics, template 185.
constexpr int IDC_TOTAL_DRIVING = 1003;
constexpr int IDC_RESETTABLE_DRIVING = 1004;
constexpr int IDC_DRIVING_CLEARED = 1016;
constexpr int IDC_TOTAL_WORKING = 1030;
constexpr int IDC_RESETTABLE_WORKING = 1031;
constexpr int IDC_WORKING_CLEARED = 1032;
constexpr int IDC_KILOMETRES = 1033;
constexpr int IDC_CLEAR_DRIVING = 1001;
constexpr int IDC_CLEAR_WORKING = 1005;

// Inspections, template 203.
constexpr int IDC_INSPECTION_LIST = 1189;
constexpr int IDC_INTERVAL = 1003;
constexpr int IDC_ADD_INSPECTION = 1000;

// Relays, template 204.
constexpr int IDC_RANGE_LIST1 = 1189; // 1189..1192 for PK1..PK4
constexpr int IDC_OUT_OF_RANGE1 = 1000;
constexpr int IDC_OUT_OF_RANGE2 = 1001;
constexpr int IDC_OUT_OF_RANGE3 = 1002;
constexpr int IDC_OUT_OF_RANGE4 = 1005;
// Condition boxes "We 1".."We 4", "Obszar" and their "Negacja" boxes, per relay.
constexpr int kRelayConditionIds[4][5] = {{1086, 1046, 1047, 1048, 1049},
                                          {1087, 1088, 1057, 1058, 1059},
                                          {1065, 1066, 1067, 1068, 1069},
                                          {1185, 1186, 1187, 1188, 1055}};
constexpr int kRelayNegationIds[4][5] = {{1050, 1051, 1052, 1053, 1054},
                                         {1060, 1061, 1062, 1063, 1064},
                                         {1070, 1071, 1072, 1073, 1074},
                                         {1080, 1081, 1082, 1083, 1084}};

// Relay limits, template 205, and position, template 206.
constexpr int IDC_RANGE_MIN = 1003;
constexpr int IDC_RANGE_MAX = 1004;
constexpr int IDC_POSITION_METRES = 1003;

// Chart, template 198.
constexpr int IDC_CURSOR_SLIDER = 1216;
constexpr int IDC_RUN_SLIDER = 1193;
constexpr int IDC_CHART_START = 1003;
constexpr int IDC_CHART_END = 1004;
