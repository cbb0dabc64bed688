// The "Port" dialog and the settings file it writes.
#include "app/lw_dlg.h"
#include "app/opcje.h"
#include "base/atomic_file.h"
#include "base/settings_file.h"
#include "framework/afx.h"
#include "framework/testing/test_seams.h"
#include "res/resource.h"
#include "tests/support/file_bytes.h"
#include "tests/support/terminal_harness.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <vector>

namespace {

using afx::testing::ClickButton;
using afx::testing::IsChecked;

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

} // namespace
