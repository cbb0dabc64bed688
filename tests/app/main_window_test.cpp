// The main window as the program starts it: layout, start-up with and without config.cfg,
// and the ways out.
#include "app/lw_dlg.h"
#include "base/settings_file.h"
#include "framework/afx.h"
#include "framework/testing/test_seams.h"
#include "res/resource.h"
#include "tests/support/file_bytes.h"
#include "tests/support/terminal_harness.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using afx::testing::ClientSize;
using afx::testing::ControlRect;
using afx::testing::IsEnabled;

// Dialog units to pixels with base units 6 x 13, rounded to nearest.
int PxX(int x) {
    return (x * 6 + 2) / 4;
}
int PxY(int y) {
    return (y * 13 + 4) / 8;
}

struct ExpectedControl {
    int id;
    const char* caption; // nullptr for the edit boxes
    int x, y, cx, cy;
};

const std::vector<ExpectedControl>& MainControls() {
    static const std::vector<ExpectedControl> controls = {
        {IDC_CONSOLE, nullptr, 5, 5, 307, 65},
        {IDC_STATUS_SPEED, nullptr, 6, 78, 109, 50},
        {IDC_STATUS_INPUTS, nullptr, 126, 78, 50, 50},
        {IDC_STATUS_OUTPUTS, nullptr, 180, 78, 50, 50},
        {IDC_STATUS_SUPPLY, nullptr, 234, 78, 72, 50},
        {IDC_STATISTICS, "Statystyka", 6, 140, 70, 14},
        {IDC_CONFIGURATION, "Konfiguracja", 6, 156, 70, 14},
        {IDC_INSPECTIONS, "Przeglądy", 6, 172, 70, 14},
        {IDC_RELAYS, "Przekaźniki", 6, 188, 70, 14},
        {IDC_SET_CLOCK, "Aktualizuj czas", 84, 140, 70, 14},
        {IDC_SET_POSITION, "Określ położenie", 84, 156, 70, 14},
        {IDC_RESET, "Reset", 84, 172, 70, 14},
        {IDC_VERSIONS, "Wersje", 84, 188, 70, 14},
        {IDC_LOAD_FILE, "Odczytaj z pliku", 162, 140, 70, 14},
        {IDC_SAVE_FILE, "Zapisz do pliku", 162, 156, 70, 14},
        {IDC_SPEED_CHART, "Prędkość w czasie", 162, 172, 70, 14},
        {IDC_POSITION_CHART, "Droga w czasie", 162, 188, 70, 14},
        {IDC_READ_RECORDER, "Odczyt pomiarów", 162, 204, 70, 14},
        {IDC_PROGRAMMER, "Programator", 240, 140, 70, 14},
        {IDC_CONNECT, "Połącz", 84, 228, 70, 14},
        {IDC_PORT, "Port", 84, 247, 70, 14},
        {IDC_DISCONNECT, "Rozłącz", 162, 228, 70, 14},
        {IDC_EXIT, "Wyjście", 162, 247, 70, 14},
    };
    return controls;
}

const std::vector<int> kDeviceButtons = {IDC_CONFIGURATION, IDC_READ_RECORDER, IDC_DISCONNECT,
                                         IDC_SET_CLOCK,     IDC_PROGRAMMER,    IDC_VERSIONS,
                                         IDC_STATISTICS,    IDC_RESET,         IDC_SET_POSITION,
                                         IDC_RELAYS,        IDC_INSPECTIONS};
const std::vector<int> kAlwaysOnButtons = {IDC_CONNECT,       IDC_PORT,      IDC_EXIT,
                                           IDC_LOAD_FILE,     IDC_SAVE_FILE, IDC_SPEED_CHART,
                                           IDC_POSITION_CHART};

const char kBannerLine[] = "Dovuzedu RE2 Dec  2 2009, wersja   1";
const char kMissingConfigBox[] =
    "Nie znaleziono pliku konfiguracyjnego . Przyjęto wartości domyślne.";

t_harness_options NoLink(bool writeConfig) {
    t_harness_options options;
    options.startSimulator = false;
    options.writeConfig = writeConfig;
    return options;
}

std::vector<std::uint8_t> SettingsBytes(int port, int baud, int address) {
    SettingsRecord record;
    record.portNumber = port;
    record.baudRate = baud;
    record.deviceAddress = address;
    std::vector<std::uint8_t> bytes(settings::kSettingsFileSize);
    EncodeSettings(record, bytes.data());
    return bytes;
}

TEST(MainWindow, LaysOutEveryControlOfTheTemplateAtItsPixelRectangle) {
    TerminalHarness harness(NoLink(true));
    harness.Run([](CLWDlg& dlg) {
        EXPECT_EQ(afx::testing::WindowCaption(dlg), "Dovuzedu RE2");
        const CSize client = ClientSize(dlg);
        EXPECT_EQ(client.cx, 474);
        EXPECT_EQ(client.cy, 444);
        for (const ExpectedControl& c : MainControls()) {
            SCOPED_TRACE(c.id);
            const CRect expected(PxX(c.x), PxY(c.y), PxX(c.x + c.cx), PxY(c.y + c.cy));
            const CRect actual = ControlRect(dlg, c.id);
            EXPECT_EQ(actual.left, expected.left);
            EXPECT_EQ(actual.top, expected.top);
            EXPECT_EQ(actual.Width(), PxX(c.cx));
            EXPECT_EQ(actual.Height(), PxY(c.cy));
            if (c.caption != nullptr) {
                EXPECT_EQ(afx::testing::GetControlText(dlg, c.id), c.caption);
            }
        }
    });
}

TEST(MainWindow, TemplateHasNoSystemMenuBoxAndWyjscieIsTheDefaultButton) {
    const DialogTemplate* templ = FindDialogTemplate(IDD_LW_DIALOG);
    ASSERT_NE(templ, nullptr);
    EXPECT_EQ(templ->style & WS_SYSMENU, 0u);
    EXPECT_NE(templ->style & WS_CAPTION, 0u);
    EXPECT_NE(templ->exStyle & WS_EX_APPWINDOW, 0u);
    ASSERT_EQ(templ->controls.size(), MainControls().size());
    int defaults = 0;
    for (const ControlTemplate& control : templ->controls) {
        if (control.kind == ControlKind::DefPushButton) {
            ++defaults;
            EXPECT_EQ(control.id, IDC_EXIT);
        }
        if (control.kind == ControlKind::Edit) {
            EXPECT_NE(control.style & ES_READONLY, 0u) << control.id;
            EXPECT_NE(control.style & ES_MULTILINE, 0u) << control.id;
            const bool console = control.id == IDC_CONSOLE;
            EXPECT_EQ((control.style & WS_BORDER) != 0, console) << control.id;
        }
    }
    EXPECT_EQ(defaults, 1);
}

TEST(MainWindow, StartsDisconnectedWithTheIdlePanel) {
    TerminalHarness harness(NoLink(true));
    harness.Run([](CLWDlg& dlg) {
        for (int id : kDeviceButtons) {
            EXPECT_FALSE(IsEnabled(dlg, id)) << id;
        }
        for (int id : kAlwaysOnButtons) {
            EXPECT_TRUE(IsEnabled(dlg, id)) << id;
        }
        EXPECT_EQ(afx::testing::GetControlText(dlg, IDC_STATUS_SPEED), " - - - -\r\n - - - -");
        EXPECT_EQ(afx::testing::GetControlText(dlg, IDC_STATUS_INPUTS), "");
        EXPECT_EQ(afx::testing::GetControlText(dlg, IDC_STATUS_OUTPUTS), "");
        EXPECT_EQ(afx::testing::GetControlText(dlg, IDC_STATUS_SUPPLY), "");
    });
}

TEST(MainWindow, WithoutConfigShowsTheBoxBeforeTheWindowThenBannerAndDefaults) {
    TerminalHarness harness(NoLink(false));
    std::vector<std::string> boxes;
    std::vector<bool> shownAtBox;
    CLWDlg* shown = nullptr;
    // The modal hook runs once the window is shown; the box must come before it.
    afx::testing::SetMessageBoxAnswerer([&](const std::string& text, UINT) {
        boxes.push_back(text);
        shownAtBox.push_back(shown != nullptr);
        return IDOK;
    });
    harness.Run([&](CLWDlg& dlg) {
        shown = &dlg;
        const auto lines = TerminalHarness::ConsoleLines(dlg);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0], kBannerLine);
        EXPECT_EQ(lines[1], "Inicjalizacja...");
        EXPECT_EQ(dlg.Banner(), kBannerLine);
        EXPECT_EQ(dlg.m_settings.portNumber, 1);
        EXPECT_EQ(dlg.m_settings.baudRate, 57600);
        EXPECT_EQ(dlg.m_settings.deviceAddress, 31);
        EXPECT_EQ(dlg.ProgramDirectory(), harness.Directory());
    });
    EXPECT_NE(shown, nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], kMissingConfigBox);
    EXPECT_FALSE(shownAtBox[0]);
}

TEST(MainWindow, ReadsTwelveOrMoreBytesAndNamesTheFileInTheThirdLine) {
    for (std::size_t extra : {std::size_t{0}, std::size_t{8}}) {
        SCOPED_TRACE(extra);
        TerminalHarness harness(NoLink(false));
        std::vector<std::uint8_t> bytes = SettingsBytes(3, 19200, 7);
        bytes.resize(bytes.size() + extra, 0xEE);
        WriteBytes(harness.PathOf("config.cfg"), bytes);
        harness.Run([&](CLWDlg& dlg) {
            const auto lines = TerminalHarness::ConsoleLines(dlg);
            ASSERT_EQ(lines.size(), 3u);
            EXPECT_EQ(lines[0], kBannerLine);
            EXPECT_EQ(lines[2],
                      "Plik konfiguracyjny '" + harness.PathOf("config.cfg") + "' odczytano");
            EXPECT_EQ(dlg.m_settings.portNumber, 3);
            EXPECT_EQ(dlg.m_settings.baudRate, 19200);
            EXPECT_EQ(dlg.m_settings.deviceAddress, 7);
        });
        EXPECT_TRUE(harness.Boxes().empty());
    }
}

TEST(MainWindow, ElevenByteConfigCountsAsMissing) {
    TerminalHarness harness(NoLink(false));
    std::vector<std::uint8_t> bytes = SettingsBytes(3, 19200, 7);
    bytes.resize(11);
    WriteBytes(harness.PathOf("config.cfg"), bytes);
    harness.Run([](CLWDlg& dlg) {
        EXPECT_EQ(TerminalHarness::ConsoleLines(dlg).size(), 2u);
        EXPECT_EQ(dlg.m_settings.portNumber, 1);
        EXPECT_EQ(dlg.m_settings.baudRate, 57600);
        EXPECT_EQ(dlg.m_settings.deviceAddress, 31);
    });
    ASSERT_EQ(harness.BoxTexts().size(), 1u);
    EXPECT_EQ(harness.BoxTexts()[0], kMissingConfigBox);
}

TEST(MainWindow, EnterEscapeAndWyjscieEndTheProgram) {
    {
        TerminalHarness harness(NoLink(true));
        const INT_PTR result = harness.Run([](CLWDlg& dlg) {
            afx::testing::SetFocusTo(dlg, IDC_CONSOLE);
            afx::testing::PressEnter(dlg);
            EXPECT_FALSE(dlg.IsModalLoopRunning());
        });
        EXPECT_EQ(result, IDOK);
    }
    {
        // Focus on a disabled device button does not keep Enter from ending.
        TerminalHarness harness(NoLink(true));
        const INT_PTR result = harness.Run([](CLWDlg& dlg) {
            afx::testing::SetFocusTo(dlg, IDC_STATUS_SUPPLY);
            afx::testing::PressEnter(dlg);
            EXPECT_FALSE(dlg.IsModalLoopRunning());
        });
        EXPECT_EQ(result, IDOK);
    }
    {
        TerminalHarness harness(NoLink(true));
        const INT_PTR result = harness.Run([](CLWDlg& dlg) {
            afx::testing::PressEscape(dlg);
            EXPECT_FALSE(dlg.IsModalLoopRunning());
        });
        EXPECT_EQ(result, IDCANCEL);
    }
    {
        TerminalHarness harness(NoLink(true));
        const INT_PTR result = harness.Run([](CLWDlg& dlg) {
            afx::testing::ClickButton(dlg, IDC_EXIT);
            EXPECT_FALSE(dlg.IsModalLoopRunning());
        });
        EXPECT_EQ(result, IDOK);
    }
}

TEST(MainWindow, EnterOnAnEnabledButtonClicksItInsteadOfEnding) {
    TerminalHarness harness(NoLink(true));
    int portDialogs = 0;
    afx::testing::AddModalHook(IDD_OPCJE, [&](CDialog& port) {
        ++portDialogs;
        afx::testing::PressEscape(port);
    });
    harness.Run([](CLWDlg& dlg) {
        afx::testing::SetFocusTo(dlg, IDC_PORT);
        afx::testing::PressEnter(dlg);
        afx::testing::ProcessEvents(50);
        EXPECT_TRUE(dlg.IsModalLoopRunning());
    });
    EXPECT_EQ(portDialogs, 1);
}

TEST(MainWindow, SystemCommandSixteenShowsTheAboutBox) {
    TerminalHarness harness(NoLink(true));
    std::string caption;
    afx::testing::AddModalHook(IDD_ABOUTBOX, [&](CDialog& about) {
        caption = afx::testing::WindowCaption(about);
        afx::testing::ClickButton(about, IDOK);
    });
    harness.Run([](CLWDlg& dlg) { dlg.SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX, 0); });
    EXPECT_NE(caption.find("Dovuzedu RE2"), std::string::npos);
}

TEST(MainWindow, ShowsTheProgramIcon) {
    CWinApp app; // the icon is loaded through the application object
    TerminalHarness harness(NoLink(true));
    harness.Run([](CLWDlg& dlg) {
        EXPECT_NE(dlg.GetIcon(TRUE), nullptr);
        EXPECT_EQ(dlg.GetIcon(TRUE), dlg.GetIcon(FALSE));
    });
}

} // namespace

namespace {

TEST(MainWindow, EscapeWhileOpeningEndsTheProgramAndStopsTheWorker) {
    TerminalHarness harness;
    const INT_PTR result = harness.Run([](CLWDlg& dlg) {
        afx::testing::ClickButton(dlg, IDC_CONNECT);
        EXPECT_FALSE(IsEnabled(dlg, IDC_EXIT));
        afx::testing::PressEscape(dlg);
        EXPECT_FALSE(dlg.IsModalLoopRunning());
    });
    EXPECT_EQ(result, IDCANCEL);
}

TEST(MainWindow, EndsWhileConnectedAndPolling) {
    TerminalHarness harness;
    const INT_PTR result = harness.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(harness.Connect(dlg));
        afx::testing::ProcessEvents(1200);
        afx::testing::ClickButton(dlg, IDC_EXIT);
    });
    EXPECT_EQ(result, IDOK);
}

} // namespace
