// The device operations of the main window end to end: the real main window, its link
// over a pseudo-terminal and the simulator as the device.
#include "base/win1250.h"
#include "device/configuration_record.h"
#include "device/przeglady_record.h"
#include "device/relays_record.h"
#include "framework/testing/test_seams.h"
#include "link/protocol.h"
#include "res/resource.h"
#include "tests/support/terminal_harness.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

namespace t = afx::testing;

namespace {

const std::string kDashes(52, '-');
const char* const kNoAnswer = "Urządzenie nie odpowiada";

void Press(CLWDlg& dlg, int id) {
    t::ClickButton(dlg, id);
    t::ProcessEvents(100);
}

// Console lines from the last one equal to `first` on.
std::vector<std::string> LinesFrom(CLWDlg& dlg, const std::string& first) {
    const std::vector<std::string> lines = TerminalHarness::ConsoleLines(dlg);
    const auto it = std::find(lines.rbegin(), lines.rend(), first);
    if (it == lines.rend()) {
        return {};
    }
    return std::vector<std::string>(std::prev(it.base()), lines.end());
}

void ShortReplies(TerminalHarness& h, std::uint8_t command, unsigned dataBytes) {
    t_fault_rule rule = FaultRule(SimFault::ShortReply, command);
    rule.count = dataBytes;
    h.Sim().WithDevice([&](DeviceSimulator& d) { d.AddFault(rule); });
}

std::vector<std::uint8_t> SettingsBlock(TerminalHarness& h, int blockId) {
    const std::uint32_t offset = protocol::BlockAddress(blockId) - protocol::kSettingsBase;
    return h.Sim().WithDevice([&](DeviceSimulator& d) {
        const auto& s = d.Memory().Settings();
        return std::vector<std::uint8_t>(s.begin() + offset,
                                         s.begin() + offset + protocol::BlockSize(blockId));
    });
}

void SetSettingsBlock(TerminalHarness& h, int blockId, const std::uint8_t* bytes) {
    const std::uint32_t offset = protocol::BlockAddress(blockId) - protocol::kSettingsBase;
    h.Sim().WithDevice([&](DeviceSimulator& d) {
        std::copy_n(bytes, protocol::BlockSize(blockId), d.Memory().Settings().begin() + offset);
    });
}

class DeviceOperations : public ::testing::Test {
protected:
    void TearDown() override { t::ClearModalHooks(); }
    TerminalHarness h;
};

TEST_F(DeviceOperations, VersionsWriteTheSevenConsoleLines) {
    const std::vector<std::uint8_t> name = Utf8ToWin1250("Dźwig 3");
    h.Sim().WithDevice(
        [&](DeviceSimulator& d) { d.SetVersion(7, std::string(name.begin(), name.end())); });
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(h.Connect(dlg));
        Press(dlg, IDC_VERSIONS);
        EXPECT_EQ(
            LinesFrom(dlg, "Odczyt wersji"),
            (std::vector<std::string>{"Odczyt wersji", kDashes, "Wersja terminala : ", dlg.Banner(),
                                      "Wersja urządzenia : ", "Dźwig 3, wersja  7", kDashes}));
        EXPECT_TRUE(h.BoxTexts().empty());
    });
}

TEST_F(DeviceOperations, VersionsReplyWithoutDataIsNoAnswer) {
    ShortReplies(h, protocol::kCmdReadVersions, 0);
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(h.Connect(dlg));
        Press(dlg, IDC_VERSIONS);
        EXPECT_EQ(LinesFrom(dlg, "Odczyt wersji"),
                  (std::vector<std::string>{"Odczyt wersji", kDashes,
                                            "Wersja terminala : ", dlg.Banner()}));
        EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{kNoAnswer});
    });
}

TEST_F(DeviceOperations, SetClockWithYesSetsTheDeviceToThePcTime) {
    h.Sim().WithDevice([](DeviceSimulator& d) { d.SetClockOffset(-3600); });
    h.AnswerNext(IDYES);
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(h.Connect(dlg));
        Press(dlg, IDC_SET_CLOCK);
        ASSERT_EQ(h.Boxes().size(), 1u);
        const std::string& question = h.Boxes()[0].text;
        EXPECT_EQ(question.rfind("Czas w urządzeniu: ", 0), 0u);
        EXPECT_NE(question.find("    \r\n\r\nCzy ustawić czas z komputera PC ?"),
                  std::string::npos);
        EXPECT_EQ(h.Boxes()[0].type & MB_TYPEMASK, MB_YESNO);
        EXPECT_EQ(LinesFrom(dlg, "Odczyt czasu"),
                  (std::vector<std::string>{"Odczyt czasu", "Zapis czasu"}));
        const std::int64_t offset =
            h.Sim().WithDevice([](DeviceSimulator& d) { return d.ClockOffset(); });
        EXPECT_LE(std::abs(offset), 2);
    });
}

TEST_F(DeviceOperations, SetClockWithNoSendsNothing) {
    h.AnswerNext(IDNO);
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(h.Connect(dlg));
        Press(dlg, IDC_SET_CLOCK);
        EXPECT_EQ(h.Boxes().size(), 1u);
        EXPECT_EQ(h.Sim().CommandCount(protocol::kCmdSetClock), 0u);
        EXPECT_EQ(LinesFrom(dlg, "Odczyt czasu"), std::vector<std::string>{"Odczyt czasu"});
    });
}

TEST_F(DeviceOperations, ShortClockReplyIsNoAnswerAndNothingIsAsked) {
    ShortReplies(h, protocol::kCmdReadClock, 6);
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(h.Connect(dlg));
        Press(dlg, IDC_SET_CLOCK);
        EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{kNoAnswer});
        EXPECT_EQ(h.Sim().CommandCount(protocol::kCmdSetClock), 0u);
    });
}

TEST_F(DeviceOperations, PositionShowsWholeMetresAndSavesThemInMillimetres) {
    h.Sim().WithDevice([](DeviceSimulator& d) { d.SetPosition(1999); });
    std::string shown;
    t::AddModalHook(IDD_LOCATION, [&](CDialog& d) {
        shown = t::GetControlText(d, IDC_POSITION_METRES);
        t::ClickButton(d, IDOK);
    });
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(h.Connect(dlg));
        Press(dlg, IDC_SET_POSITION);
        EXPECT_EQ(shown, "1");
        EXPECT_EQ(h.Sim().WithDevice([](DeviceSimulator& d) { return d.Position(); }), 1000);
        EXPECT_EQ(LinesFrom(dlg, "Odczyt położenia"),
                  (std::vector<std::string>{"Odczyt położenia", "Zapis położenia"}));
        EXPECT_TRUE(h.BoxTexts().empty());
    });
}

TEST_F(DeviceOperations, PositionCancelledOrShortSendsNothing) {
    t::AddModalHook(IDD_LOCATION, [](CDialog& d) {
        t::TypeText(d, IDC_POSITION_METRES, "12");
        t::ClickButton(d, IDCANCEL);
    });
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(h.Connect(dlg));
        Press(dlg, IDC_SET_POSITION);
        ShortReplies(h, protocol::kCmdReadPosition, 3);
        t::AddModalHook(IDD_LOCATION, [](CDialog& d) { t::ClickButton(d, IDOK); });
        Press(dlg, IDC_SET_POSITION);
        EXPECT_EQ(t::PendingModalHooks(IDD_LOCATION), 1);
        EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{kNoAnswer});
        EXPECT_EQ(h.Sim().CommandCount(protocol::kCmdSetPosition), 0u);
    });
}

TEST_F(DeviceOperations, ResetWithYesSendsTheResetFrameOnly) {
    h.AnswerNext(IDNO);
    h.AnswerNext(IDYES);
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(h.Connect(dlg));
        Press(dlg, IDC_RESET);
        t::ProcessEvents(200);
        EXPECT_EQ(h.Sim().CommandCount(protocol::kCmdReset), 0u);
        Press(dlg, IDC_RESET);
        ASSERT_TRUE(
            t::WaitUntil([&] { return h.Sim().CommandCount(protocol::kCmdReset) == 1; }, 2000));
        EXPECT_EQ(h.BoxTexts(), (std::vector<std::string>{"Na pewno?", "Na pewno?"}));
        for (const t_sim_request& request : h.Sim().Log()) {
            if (request.record.command == protocol::kCmdReset) {
                EXPECT_EQ(request.raw, "\n\r:03F80005");
            }
        }
    });
}

std::array<std::uint8_t, protocol::kStatisticsSize> StatisticsPattern() {
    std::array<std::uint8_t, protocol::kStatisticsSize> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(0x90 + 3 * i);
    }
    return bytes;
}

TEST_F(DeviceOperations, StatisticsSaveSendsTheRecordAsReceived) {
    const auto pattern = StatisticsPattern();
    h.Sim().WithDevice([&](DeviceSimulator& d) { d.Statistics() = pattern; });
    t::AddModalHook(IDD_STATYSTYKA, [](CDialog& d) { t::ClickButton(d, IDOK); });
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(h.Connect(dlg));
        Press(dlg, IDC_STATISTICS);
        const auto writes = h.RequestsOf(protocol::kCmdWriteStatistics);
        ASSERT_EQ(writes.size(), 1u);
        ASSERT_EQ(writes[0].length, protocol::kStatisticsSize);
        EXPECT_TRUE(std::equal(pattern.begin(), pattern.end(), writes[0].data));
        EXPECT_EQ(LinesFrom(dlg, "Odczyt statystyki"),
                  (std::vector<std::string>{"Odczyt statystyki", "Zapis statystyki"}));
    });
}

TEST_F(DeviceOperations, StatisticsCancelledOrShortSendsNothing) {
    t::AddModalHook(IDD_STATYSTYKA, [](CDialog& d) { t::ClickButton(d, IDCANCEL); });
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(h.Connect(dlg));
        Press(dlg, IDC_STATISTICS);
        ShortReplies(h, protocol::kCmdReadStatistics, 41);
        t::AddModalHook(IDD_STATYSTYKA, [](CDialog& d) { t::ClickButton(d, IDOK); });
        Press(dlg, IDC_STATISTICS);
        EXPECT_EQ(t::PendingModalHooks(IDD_STATYSTYKA), 1);
        EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{kNoAnswer});
        EXPECT_EQ(h.Sim().CommandCount(protocol::kCmdWriteStatistics), 0u);
    });
}

t_configuration_record ValidConfiguration() {
    t_configuration_record r;
    for (std::size_t i = 0; i < r.kSize; ++i) {
        r.bytes[i] = static_cast<std::uint8_t>(0xE0 + i);
    }
    r.SetFactoryNumber(4321);
    r.SetDriveConstantUp(11);
    r.SetDriveConstantDown(13);
    r.SetDescription("Kolej Łąka");
    r.SetRouteLength(2500);
    for (int i = 0; i < 4; ++i) {
        r.SetCheckPoint(i, static_cast<std::uint16_t>(500 * (i + 1)));
        r.SetCheckPointFlag(i, static_cast<std::uint8_t>(i & 1));
    }
    r.SetZoneWidth(30);
    r.SetVoltageLevel(115);
    return r;
}

TEST_F(DeviceOperations, ConfigurationRoundTripsItsBlockWithTheEdit) {
    const t_configuration_record original = ValidConfiguration();
    SetSettingsBlock(h, protocol::kBlockConfiguration, original.Data());
    t::AddModalHook(IDD_DANE_BAZOWE, [](CDialog& d) {
        t::TypeText(d, IDC_DRIVE_UP, "77");
        t::ClickButton(d, IDOK);
    });
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(h.Connect(dlg));
        Press(dlg, IDC_CONFIGURATION);
        t_configuration_record expected = original;
        expected.SetDriveConstantUp(77);
        const auto block = SettingsBlock(h, protocol::kBlockConfiguration);
        EXPECT_TRUE(std::equal(block.begin(), block.end(), expected.bytes.begin()));
        EXPECT_EQ(h.RequestsOf(protocol::kCmdCloseWrite).size(), 1u);
        EXPECT_EQ(CountLines(TerminalHarness::ConsoleLines(dlg), "Zapis konfiguracji"), 1);
        EXPECT_TRUE(h.BoxTexts().empty());
    });
}

TEST_F(DeviceOperations, ProgrammerRoundTripsItsBlock) {
    t_programmer_record original;
    for (std::size_t i = 0; i < original.kSize; ++i) {
        original.bytes[i] = static_cast<std::uint8_t>(0x61 + i);
    }
    original.SetFactoryNumber(99);
    original.SetPowerOffTime(600);
    original.SetVoltage(100);
    original.SetDescription("Prog");
    SetSettingsBlock(h, protocol::kBlockProgrammer, original.Data());
    h.Sim().WithDevice([](DeviceSimulator& d) { d.SetProgrammer(true); });
    t::AddModalHook(IDD_DANE_CZYTNIKA, [](CDialog& d) { t::ClickButton(d, IDOK); });
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(h.Connect(dlg));
        // "Programator" opens once the live status has shown a programmer.
        ASSERT_TRUE(t::WaitUntil([&] { return t::IsEnabled(dlg, IDC_PROGRAMMER); }, 3000));
        Press(dlg, IDC_PROGRAMMER);
        EXPECT_EQ(t::PendingModalHooks(IDD_DANE_CZYTNIKA), 0);
        const auto block = SettingsBlock(h, protocol::kBlockProgrammer);
        EXPECT_TRUE(std::equal(block.begin(), block.end(), original.bytes.begin()));
        EXPECT_EQ(h.RequestsOf(protocol::kCmdCloseWrite).size(), 1u);
        EXPECT_EQ(CountLines(TerminalHarness::ConsoleLines(dlg), "Zapis onfiguracji programatora"),
                  1);
    });
}

TEST_F(DeviceOperations, InspectionsRoundTripTheirBlockWithANewDate) {
    t_przeglady_record original;
    for (std::size_t i = 0; i < original.kSize; ++i) {
        original.bytes[i] = static_cast<std::uint8_t>(0x21 + i);
    }
    for (int i = 0; i < t_przeglady_record::kSlots; ++i) {
        original.SetSlot(i, MakeDeviceTime(2009, 1 + i % 12, 1 + i, 8, 0, 0));
    }
    original.SetInterval(30);
    SetSettingsBlock(h, protocol::kBlockInspections, original.Data());
    t::AddModalHook(IDD_PRZEGL, [](CDialog& d) {
        t::ClickButton(d, IDC_ADD_INSPECTION);
        t::ClickButton(d, IDOK);
    });
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(h.Connect(dlg));
        Press(dlg, IDC_INSPECTIONS);
        t_przeglady_record written;
        const auto block = SettingsBlock(h, protocol::kBlockInspections);
        ASSERT_TRUE(written.Load(block.data(), block.size()));
        const int oldest = original.OldestSlot();
        EXPECT_LE(std::abs(DiffSeconds(written.Slot(oldest), GetPcTime())), 2);
        written.SetSlot(oldest, original.Slot(oldest));
        EXPECT_EQ(written.bytes, original.bytes);
        EXPECT_EQ(CountLines(TerminalHarness::ConsoleLines(dlg), "Zapis przeglądów"), 1);
    });
}

TEST_F(DeviceOperations, RelaysRoundTripTheirBlockWithOutOfRange) {
    t_relays_record original;
    for (std::size_t i = 0; i < original.kSize; ++i) {
        original.bytes[i] = static_cast<std::uint8_t>(i);
    }
    original.bytes[2 + 32] = 0xFF;
    SetSettingsBlock(h, protocol::kBlockRelays, original.Data());
    t::AddModalHook(IDD_PRZEK, [](CDialog& d) {
        t::ClickButton(d, IDC_OUT_OF_RANGE3);
        t::ClickButton(d, IDOK);
    });
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(h.Connect(dlg));
        Press(dlg, IDC_RELAYS);
        t_relays_record expected = original;
        expected.SetOutOfRange(2);
        for (int relay = 0; relay < 4; ++relay) {
            expected.SetConditions(relay, original.Conditions(relay));
            expected.SetNegations(relay, original.Negations(relay));
        }
        const auto block = SettingsBlock(h, protocol::kBlockRelays);
        EXPECT_TRUE(std::equal(block.begin(), block.end(), expected.bytes.begin()));
        EXPECT_EQ(block[2 + 32], 0x1F);
        EXPECT_EQ(CountLines(TerminalHarness::ConsoleLines(dlg), "Zapis konfiguracji przekaźników"),
                  1);
    });
}

TEST_F(DeviceOperations, FailedBlockReadOpensNoEditorAndWritesNothing) {
    t::AddModalHook(IDD_DANE_BAZOWE, [](CDialog& d) { t::ClickButton(d, IDOK); });
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(h.Connect(dlg));
        h.Sim().WithDevice([](DeviceSimulator& d) { d.DropReply(protocol::kCmdReadChunk); });
        Press(dlg, IDC_CONFIGURATION);
        EXPECT_EQ(t::PendingModalHooks(IDD_DANE_BAZOWE), 1);
        EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{kNoAnswer});
        EXPECT_EQ(h.Sim().CommandCount(protocol::kCmdWriteChunk), 0u);
        EXPECT_EQ(CountLines(TerminalHarness::ConsoleLines(dlg), "Zapis konfiguracji"), 0);
    });
}

TEST_F(DeviceOperations, EditorLeftWithoutSavingWritesNothing) {
    t::AddModalHook(IDD_PRZEK, [](CDialog& d) {
        t::ClickButton(d, IDC_OUT_OF_RANGE1);
        t::ClickButton(d, IDCANCEL);
    });
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(h.Connect(dlg));
        Press(dlg, IDC_RELAYS);
        EXPECT_EQ(t::PendingModalHooks(IDD_PRZEK), 0);
        EXPECT_EQ(h.Sim().CommandCount(protocol::kCmdWriteChunk), 0u);
        EXPECT_EQ(LinesFrom(dlg, "Odczyt konfiguracji przekaźników").size(), 3u);
    });
}

} // namespace
