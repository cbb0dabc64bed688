// The "Port" dialog and the settings file it writes.
#include "app/lw_dlg.h"
#include "app/opcje.h"
#include "base/atomic_file.h"
#include "base/settings_file.h"
#include "framework/afx.h"
#include "framework/testing/test_seams.h"
#include "link/port_access.h"
#include "res/resource.h"
#include "tests/support/fake_serial_tree.h"
#include "tests/support/file_bytes.h"
#include "tests/support/temporary_directory.h"
#include "tests/support/terminal_harness.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using afx::testing::ClickButton;
using afx::testing::GetControlText;
using afx::testing::IsChecked;
using afx::testing::ListRowText;
using afx::testing::WaitUntil;

std::vector<std::uint8_t> SettingsBytes(int port, int baud, int address) {
    SettingsRecord record{port, baud, address};
    std::vector<std::uint8_t> bytes(settings::kSettingsFileSize);
    EncodeSettings(record, bytes.data());
    return bytes;
}

t_harness_options ConfigOf(int port, int baud, int address) {
    t_harness_options options;
    options.startSimulator = false;
    options.portNumber = port;
    options.baudRate = baud;
    options.deviceAddress = address;
    return options;
}

int CheckedPort(CDialog& port) {
    int checked = -1;
    for (int i = 0; i < 6; ++i) {
        if (IsChecked(port, IDC_COM1 + i)) {
            EXPECT_EQ(checked, -1) << "two radio buttons checked";
            checked = i;
        }
    }
    return checked;
}

TEST(PortDialog, ZapiszStoresTheChosenPortAndKeepsBaudRateAndAddress) {
    TerminalHarness harness(ConfigOf(2, 19200, 5));
    int shownPort = -2;
    afx::testing::AddModalHook(IDD_OPCJE, [&](CDialog& port) {
        shownPort = CheckedPort(port);
        ClickButton(port, IDC_COM1 + 3);
        ClickButton(port, IDOK);
    });
    harness.Run([&](CLWDlg& dlg) {
        ClickButton(dlg, IDC_PORT);
        EXPECT_EQ(dlg.m_settings.portNumber, 4);
        EXPECT_EQ(dlg.m_settings.baudRate, 19200);
        EXPECT_EQ(dlg.m_settings.deviceAddress, 5);
        EXPECT_EQ(TerminalHarness::ConsoleLines(dlg).back(),
                  "Plik konfiguracyjny '" + harness.PathOf("config.cfg") + "' zapisano");
    });
    EXPECT_EQ(shownPort, 1);
    EXPECT_EQ(ReadBytes(harness.PathOf("config.cfg")), SettingsBytes(4, 19200, 5));
}

TEST(PortDialog, NieZapisujAndEscapeChangeNeitherTheRecordNorTheFile) {
    TerminalHarness harness(ConfigOf(2, 19200, 5));
    const auto before = ReadBytes(harness.PathOf("config.cfg"));
    afx::testing::AddModalHook(IDD_OPCJE, [](CDialog& port) {
        ClickButton(port, IDC_COM1 + 3);
        ClickButton(port, IDCANCEL);
    });
    afx::testing::AddModalHook(IDD_OPCJE, [](CDialog& port) {
        ClickButton(port, IDC_COM1 + 5);
        afx::testing::PressEscape(port);
    });
    harness.Run([](CLWDlg& dlg) {
        const std::size_t lines = TerminalHarness::ConsoleLines(dlg).size();
        ClickButton(dlg, IDC_PORT);
        ClickButton(dlg, IDC_PORT);
        EXPECT_EQ(dlg.m_settings.portNumber, 2);
        EXPECT_EQ(dlg.m_settings.baudRate, 19200);
        EXPECT_EQ(dlg.m_settings.deviceAddress, 5);
        EXPECT_EQ(TerminalHarness::ConsoleLines(dlg).size(), lines);
    });
    EXPECT_EQ(afx::testing::PendingModalHooks(IDD_OPCJE), 0);
    EXPECT_EQ(ReadBytes(harness.PathOf("config.cfg")), before);
}

TEST(PortDialog, PortOutsideTheSixChoicesShowsNoneCheckedAndSavesZeroWithoutAChoice) {
    TerminalHarness harness(ConfigOf(9, 57600, 31));
    int shownPort = -2;
    afx::testing::AddModalHook(IDD_OPCJE, [&](CDialog& port) {
        shownPort = CheckedPort(port);
        ClickButton(port, IDOK);
    });
    harness.Run([](CLWDlg& dlg) {
        EXPECT_EQ(dlg.m_settings.portNumber, 9);
        ClickButton(dlg, IDC_PORT);
        EXPECT_EQ(dlg.m_settings.portNumber, 0);
    });
    EXPECT_EQ(shownPort, -1);
    EXPECT_EQ(ReadBytes(harness.PathOf("config.cfg")), SettingsBytes(0, 57600, 31));
}

TEST(PortDialog, EnterSavesThroughTheDefaultButton) {
    SettingsRecord record{6, 9600, 12};
    COpcje dlg;
    dlg.m_settings = &record;
    afx::testing::AddModalHook(IDD_OPCJE, [](CDialog& port) {
        ClickButton(port, IDC_COM1);
        afx::testing::SetFocusTo(port, IDC_COM1);
        afx::testing::PressEnter(port);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(record.portNumber, 1);
    EXPECT_EQ(record.baudRate, 9600);
    EXPECT_EQ(record.deviceAddress, 12);
}

ssize_t FailingWrite(int, const void*, std::size_t) {
    errno = ENOSPC;
    return -1;
}

TEST(PortDialog, FailedWriteLeavesTheOldFileAndLogsNothing) {
    TerminalHarness harness(ConfigOf(2, 19200, 5));
    const auto before = ReadBytes(harness.PathOf("config.cfg"));
    harness.Run([](CLWDlg& dlg) {
        const std::size_t lines = TerminalHarness::ConsoleLines(dlg).size();
        dlg.m_settings.portNumber = 4;
        SetAtomicWriteFunctionForTest(&FailingWrite);
        EXPECT_EQ(dlg.WriteSettings(), 0);
        SetAtomicWriteFunctionForTest(nullptr);
        EXPECT_EQ(TerminalHarness::ConsoleLines(dlg).size(), lines);
        EXPECT_EQ(dlg.m_settings.portNumber, 4); // the record keeps the new value
    });
    EXPECT_EQ(ReadBytes(harness.PathOf("config.cfg")), before);
}

FakeSerialTree::Usb Ftdi(const std::string& node, const std::string& bus,
                         const std::string& serial) {
    return {node,   bus,        "0403",
            "6001", "FTDI",     "FT232R USB UART",
            serial, "ftdi_sio", "usb-FTDI_FT232R_USB_UART_" + serial + "-if00-port0",
            "",     0660};
}

std::vector<std::string> ListLines(CDialog& port) {
    std::vector<std::string> lines;
    for (int r = 0; r < afx::testing::ListRowCount(port, IDC_PORT_LIST); ++r) {
        std::string line;
        for (int c = 0; c < 4; ++c) {
            line += (c == 0 ? "" : " | ") + ListRowText(port, IDC_PORT_LIST, r, c);
        }
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> ComTexts(CDialog& port) {
    std::vector<std::string> texts;
    for (int i = 0; i < 6; ++i) {
        texts.push_back(GetControlText(port, IDC_COM_TARGET1 + i));
    }
    return texts;
}

TEST(PortDialog, ShowsWhereEachCOMnLeadsAndThePortsAsTheyComeAndGo) {
    TemporaryDirectory temporary("re2_port_dialog_");
    const std::string root = temporary.PathOf("tree/");
    const std::string links = temporary.PathOf("settings/");
    fs::create_directories(links);
    FakeSerialTree tree(root);
    const FakeSerialTree::Usb first = Ftdi("ttyUSB0", "1-1", "A10K1ABC");
    const FakeSerialTree::Usb second = Ftdi("ttyUSB1", "1-2", "B20K2DEF");
    tree.AddUsb(first);
    tree.AddBuiltin("ttyS0", 4);
    fs::create_symlink(root + "dev/serial/by-id/" + first.byId, links + "COM1");
    fs::create_symlink(links + "gone", links + "COM3");
    fs::create_directories(root + "usr/lib/udev/rules.d");
    std::ofstream(root + "usr/lib/udev/rules.d/85-brltty.rules")
        << "ENV{PRODUCT}==\"403/6001/*\"\n";

    SettingsRecord record{1, 57600, 31};
    COpcje dlg;
    dlg.m_settings = &record;
    dlg.m_linkDirectory = links;
    dlg.m_scan.root = root;
    dlg.m_scan.user = CurrentPortUser();
    const std::string firstRow = "FT232R USB UART, A10K1ABC | /dev/ttyUSB0 |  | "
                                 "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K1ABC-if00-port0";
    const std::string secondRow = "FT232R USB UART, B20K2DEF | /dev/ttyUSB1 |  | "
                                  "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_B20K2DEF-if00-port0";
    const std::string builtinRow = "port wbudowany | /dev/ttyS0 |  | /dev/ttyS0";
    const std::vector<std::string> otherComs = {
        "/dev/ttyS1: brak portu w komputerze", "brak: " + links + "gone nie istnieje",
        "/dev/ttyS3: brak portu w komputerze", "/dev/ttyS4: brak portu w komputerze",
        "/dev/ttyS5: brak portu w komputerze"};
    const std::string noAdapter = "Nie wykryto adaptera USB. Pakiet brltty może go przejmować: "
                                  "sudo apt remove brltty, potem podłącz adapter ponownie.";
    // Each step changes the tree while the dialog is open; the dialog looks again by itself.
    // A port selected stays selected by its name while the rows around it change.
    const struct {
        std::function<void()> change;
        std::vector<std::string> list;
        std::string com1;
        std::string note;
        int selected; // the selected row once the list shows the change
        int click;    // the row then clicked, -1 for none
    } steps[] = {
        {[] {}, {builtinRow, firstRow}, "FT232R USB UART, A10K1ABC (/dev/ttyUSB0)", "", -1, -1},
        {[&] { tree.AddUsb(second); },
         {builtinRow, firstRow, secondRow},
         "FT232R USB UART, A10K1ABC (/dev/ttyUSB0)",
         "",
         -1,
         2},
        {[&] { tree.RemoveUsb(first); },
         {builtinRow, secondRow},
         "brak: usb-FTDI_FT232R_USB_UART_A10K1ABC-if00-port0 nie istnieje",
         "",
         1,
         -1},
        {[&] { tree.RemoveUsb(second); },
         {builtinRow},
         "brak: usb-FTDI_FT232R_USB_UART_A10K1ABC-if00-port0 nie istnieje",
         noAdapter,
         -1,
         -1},
    };
    afx::testing::AddModalHook(IDD_OPCJE, [&](CDialog& port) {
        auto* list = static_cast<CListCtrl*>(port.GetDlgItem(IDC_PORT_LIST));
        for (const auto& step : steps) {
            step.change();
            std::vector<std::string> coms = {step.com1};
            coms.insert(coms.end(), otherComs.begin(), otherComs.end());
            EXPECT_TRUE(WaitUntil([&] {
                return ListLines(port) == step.list && ComTexts(port) == coms &&
                       GetControlText(port, IDC_PORT_NOTE) == step.note;
            })) << step.com1;
            EXPECT_EQ(list->GetSelectionMark(), step.selected) << step.com1;
            if (step.click >= 0) {
                afx::testing::ClickListRow(port, IDC_PORT_LIST, step.click);
                EXPECT_EQ(list->GetSelectionMark(), step.click);
            }
        }
        afx::testing::PressEscape(port);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(dlg.m_chosenTarget.empty());
}

// The terminal lists the ports of the tree RE2_SYSFS_ROOT names while the object lives.
class ScanRoot {
public:
    explicit ScanRoot(const std::string& root) { ::setenv(kSerialRootVariable, root.c_str(), 1); }
    ~ScanRoot() { ::unsetenv(kSerialRootVariable); }
    ScanRoot(const ScanRoot&) = delete;
    ScanRoot& operator=(const ScanRoot&) = delete;
};

TEST(PortDialog, ZapiszPointsTheCheckedCOMnAtTheChosenPortAndTheNextConnectOpensIt) {
    enum class Close { Zapisz, NieZapisuj, Escape };
    const struct {
        bool choose; // a port selected in the list
        Close close;
        bool linked; // COM2 leads to the chosen port afterwards
    } cases[] = {
        {true, Close::Zapisz, true},
        {true, Close::NieZapisuj, false},
        {true, Close::Escape, false},
        {false, Close::Zapisz, false},
    };
    for (const auto& c : cases) {
        TerminalHarness harness;
        const std::string root = harness.PathOf("tree/");
        FakeSerialTree tree(root);
        // The simulator's pseudo-terminal stands in for the adapter.
        const FakeSerialTree::Usb adapter = Ftdi("ttyUSB0", "1-1", "A10K1ABC");
        tree.AddUsb(adapter);
        tree.LinkNodeTo(adapter.node, harness.Sim().SlavePath());
        const ScanRoot scanRoot(root);
        const std::string com1 = fs::read_symlink(harness.PathOf("COM1")).string();
        afx::testing::AddModalHook(IDD_OPCJE, [&](CDialog& port) {
            ClickButton(port, IDC_COM1 + 1);
            EXPECT_TRUE(
                WaitUntil([&] { return afx::testing::ListRowCount(port, IDC_PORT_LIST) == 1; }));
            if (c.choose) {
                afx::testing::ClickListRow(port, IDC_PORT_LIST, 0);
            }
            if (c.close == Close::Zapisz) {
                ClickButton(port, IDOK);
            } else if (c.close == Close::NieZapisuj) {
                ClickButton(port, IDCANCEL);
            } else {
                afx::testing::PressEscape(port);
            }
        });
        const std::string target = root + "dev/serial/by-id/" + adapter.byId;
        harness.Run([&](CLWDlg& dlg) {
            ClickButton(dlg, IDC_PORT);
            if (c.linked) {
                EXPECT_EQ(TerminalHarness::ConsoleLines(dlg).back(),
                          "COM2 prowadzi teraz do " + target);
                EXPECT_TRUE(harness.Connect(dlg));
            }
        });
        EXPECT_EQ(fs::read_symlink(harness.PathOf("COM1")).string(), com1);
        std::error_code error;
        EXPECT_EQ(fs::read_symlink(harness.PathOf("COM2"), error).string(), c.linked ? target : "");
    }
}

// Today's template of the Port dialog, the six choices and their two buttons alone.
DialogTemplate TodaysPortTemplate(int id) {
    DialogTemplate t;
    t.id = id;
    t.caption = "Port";
    t.cx = 157;
    t.cy = 121;
    t.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | WS_SYSMENU;
    t.fontName = "Microsoft Sans Serif";
    t.controls = {
        {ControlKind::DefPushButton, IDOK, "Zapisz", 100, 7, 50, 14, WS_TABSTOP | WS_GROUP},
        {ControlKind::PushButton, IDCANCEL, "Nie zapisuj", 100, 26, 50, 14, WS_TABSTOP},
        {ControlKind::GroupBox, -1, "Port:", 15, 5, 60, 105, 0},
    };
    for (int i = 0; i < 6; ++i) {
        t.controls.push_back({ControlKind::RadioButton, IDC_COM1 + i, "COM" + std::to_string(i + 1),
                              25, 20 + 15 * i, 36, 10, i == 0 ? WS_GROUP | WS_TABSTOP : 0u});
    }
    return t;
}

class TodaysPortDialog : public CDialog {
public:
    explicit TodaysPortDialog(UINT id) : CDialog(id) {}
    int m_port = 1;

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Radio(pDX, IDC_COM1, m_port); }
};

TEST(PortDialog, WhatTheDialogHadStaysPixelForPixelWhereItWas) {
    constexpr int kTodaysId = 90129; // a test's own template id
    RegisterDialogTemplate(TodaysPortTemplate(kTodaysId));
    const auto grab = [](CDialog& dialog, int id) {
        afx::testing::Image image;
        afx::testing::AddModalHook(id, [&](CDialog& shown) {
            image = afx::testing::GrabWindow(shown);
            shown.EndDialog(IDCANCEL);
        });
        dialog.DoModal();
        return image;
    };
    TodaysPortDialog today(kTodaysId);
    const afx::testing::Image before = grab(today, kTodaysId);
    TemporaryDirectory empty("re2_port_pixels_");
    SettingsRecord record{2, 57600, 31};
    COpcje now;
    now.m_settings = &record;
    now.m_scan.root = empty.Path() + "/";
    const afx::testing::Image after = grab(now, IDD_OPCJE);
    const CSize size = afx::DialogClientSizePixels(TodaysPortTemplate(kTodaysId));
    ASSERT_EQ(before.width, size.cx);
    ASSERT_EQ(before.height, size.cy);
    ASSERT_GT(after.width, size.cx);
    ASSERT_GT(after.height, size.cy);
    int differing = 0;
    for (int y = 0; y < size.cy; ++y) {
        for (int x = 0; x < size.cx; ++x) {
            differing += before.Pixel(x, y) != after.Pixel(x, y) ? 1 : 0;
        }
    }
    EXPECT_EQ(differing, 0);
    if (differing != 0) {
        before.SavePng(empty.Path() + "/../re2_port_before.png");
        after.SavePng(empty.Path() + "/../re2_port_after.png");
    }
}

} // namespace
