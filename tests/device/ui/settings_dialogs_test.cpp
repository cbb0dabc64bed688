// "Konfiguracja" and "Dane programatora": fields, their checks in order, the scaled
// voltage, the Windows-1250 description and the bytes no field shows.
#include "base/win1250.h"
#include "device/ui/dlg_dane_bazowe.h"
#include "device/ui/dlg_dane_czytnika.h"
#include "framework/testing/test_seams.h"
#include "res/resource.h"

#include <functional>
#include <gtest/gtest.h>

namespace t = afx::testing;

namespace {

t_configuration_record MakeConfiguration() {
    t_configuration_record r;
    r.bytes[0] = 0xA5;
    r.bytes[1] = 0x5A;
    for (std::size_t i = 40; i < 50; ++i) {
        r.bytes[i] = static_cast<std::uint8_t>(0xC0 + i);
    }
    r.SetFactoryNumber(1234);
    r.SetDriveConstantUp(10);
    r.SetDriveConstantDown(12);
    r.SetDescription("Winda Łódź");
    r.SetRouteLength(500);
    for (int i = 0; i < 4; ++i) {
        r.SetCheckPoint(i, static_cast<std::uint16_t>(100 * (i + 1)));
        r.SetCheckPointFlag(i, i % 2 == 0 ? 1 : 0);
    }
    r.SetZoneWidth(20);
    r.SetVoltageLevel(123);
    return r;
}

class SettingsDialogs : public ::testing::Test {
protected:
    void TearDown() override {
        t::ClearModalHooks();
        t::SetMessageBoxAnswerer(nullptr);
    }

    // Runs the configuration dialog on the record with the given user steps.
    INT_PTR RunConfiguration(CDlgDaneBazowe& dialog, std::function<void(CDialog&)> steps) {
        t::AddModalHook(IDD_DANE_BAZOWE, std::move(steps));
        return dialog.DoModal();
    }
};

TEST_F(SettingsDialogs, ConfigurationShowsTheRecordAndSavesItBackUnchanged) {
    const t_configuration_record original = MakeConfiguration();
    CDlgDaneBazowe dialog;
    dialog.m_record = original;
    std::string voltage, description, factory, zone;
    bool flag1 = false, flag2 = false;
    EXPECT_EQ(RunConfiguration(dialog,
                               [&](CDialog& d) {
                                   voltage = t::GetControlText(d, IDC_VOLTAGE_LEVEL);
                                   description = t::GetControlText(d, IDC_DESCRIPTION);
                                   factory = t::GetControlText(d, IDC_FACTORY_NUMBER);
                                   zone = t::GetControlText(d, IDC_ZONE_WIDTH);
                                   flag1 = t::IsChecked(d, IDC_CHECKPOINT_FLAG1);
                                   flag2 = t::IsChecked(d, IDC_CHECKPOINT_FLAG1 + 1);
                                   t::ClickButton(d, IDOK);
                               }),
              IDOK);
    EXPECT_EQ(voltage, "12.3");
    EXPECT_EQ(description, "Winda Łódź");
    EXPECT_EQ(factory, "1234");
    EXPECT_EQ(zone, "20");
    EXPECT_TRUE(flag1);
    EXPECT_FALSE(flag2);
    EXPECT_EQ(dialog.m_record.bytes, original.bytes);
}

TEST_F(SettingsDialogs, ConfigurationStoresEditedFieldsAtTheirOffsets) {
    const t_configuration_record original = MakeConfiguration();
    CDlgDaneBazowe dialog;
    dialog.m_record = original;
    RunConfiguration(dialog, [&](CDialog& d) {
        t::TypeText(d, IDC_DRIVE_UP, "999");
        t::TypeText(d, IDC_DRIVE_DOWN, "1");
        t::TypeText(d, IDC_ROUTE_LENGTH, "9999");
        t::TypeText(d, IDC_CHECKPOINT1 + 3, "4321");
        t::SetCheck(d, IDC_CHECKPOINT_FLAG1, false);
        t::SetCheck(d, IDC_CHECKPOINT_FLAG1 + 3, true);
        t::TypeText(d, IDC_ZONE_WIDTH, "250");
        t::TypeText(d, IDC_VOLTAGE_LEVEL, " 12.39 ");
        t::TypeText(d, IDC_DESCRIPTION, "ąęśćżźółńĄĘŚĆŻŹ"); // 15 Windows-1250 characters
        t::ClickButton(d, IDOK);
    });
    const t_configuration_record& r = dialog.m_record;
    EXPECT_EQ(r.DriveConstantUp(), 999);
    EXPECT_EQ(r.DriveConstantDown(), 1);
    EXPECT_EQ(r.RouteLength(), 9999);
    EXPECT_EQ(r.CheckPoint(3), 4321);
    EXPECT_EQ(r.CheckPointFlag(0), 0);
    EXPECT_EQ(r.CheckPointFlag(3), 1);
    EXPECT_EQ(r.ZoneWidth(), 250);
    EXPECT_EQ(r.VoltageLevel(), 123);
    const std::vector<std::uint8_t> polish = Utf8ToWin1250("ąęśćżźółńĄĘŚĆŻŹ");
    ASSERT_EQ(polish.size(), 15u);
    EXPECT_TRUE(std::equal(polish.begin(), polish.end(), r.bytes.begin() + 8));
    EXPECT_EQ(r.bytes[23], 0);
    for (std::size_t i : {0u, 1u, 40u, 41u, 45u, 49u}) {
        EXPECT_EQ(r.bytes[i], original.bytes[i]) << "offset " << i;
    }
}

TEST_F(SettingsDialogs, ConfigurationVoltageTakesAPointOnlyAndFiveToTwenty) {
    auto& boxes = t::RecordMessageBoxes();
    CDlgDaneBazowe dialog;
    dialog.m_record = MakeConfiguration();
    RunConfiguration(dialog, [&](CDialog& d) {
        t::TypeText(d, IDC_VOLTAGE_LEVEL, "12,3");
        t::ClickButton(d, IDOK);
        t::TypeText(d, IDC_VOLTAGE_LEVEL, "4.9");
        t::ClickButton(d, IDOK);
        t::TypeText(d, IDC_VOLTAGE_LEVEL, "20");
        t::ClickButton(d, IDOK);
    });
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Enter a number.");
    EXPECT_EQ(boxes[0].type & MB_ICONMASK, MB_ICONEXCLAMATION);
    EXPECT_EQ(boxes[1].text, "Enter a number between 5 and 20.");
    EXPECT_EQ(dialog.m_record.VoltageLevel(), 200);
}

TEST_F(SettingsDialogs, ConfigurationChecksFieldsInOrderFactoryNumberFirst) {
    auto& boxes = t::RecordMessageBoxes();
    t_configuration_record record = MakeConfiguration();
    record.SetFactoryNumber(0);
    CDlgDaneBazowe dialog;
    dialog.m_record = record;
    int focus = 0;
    EXPECT_EQ(RunConfiguration(dialog,
                               [&](CDialog& d) {
                                   t::TypeText(d, IDC_DRIVE_UP, "0");
                                   t::ClickButton(d, IDOK);
                                   focus = t::FocusedControlId(d);
                                   t::ClickButton(d, IDCANCEL);
                               }),
              IDCANCEL);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Enter an integer between 1 and 65000.");
    EXPECT_EQ(focus, IDC_FACTORY_NUMBER);
}

TEST_F(SettingsDialogs, ConfigurationRangePromptsOfTheOtherFields) {
    auto& boxes = t::RecordMessageBoxes();
    CDlgDaneBazowe dialog;
    dialog.m_record = MakeConfiguration();
    RunConfiguration(dialog, [&](CDialog& d) {
        t::TypeText(d, IDC_DRIVE_DOWN, "1000");
        t::ClickButton(d, IDOK);
        t::TypeText(d, IDC_DRIVE_DOWN, "5");
        t::TypeText(d, IDC_CHECKPOINT1 + 2, "0");
        t::ClickButton(d, IDOK);
        t::TypeText(d, IDC_CHECKPOINT1 + 2, "7");
        t::TypeText(d, IDC_ZONE_WIDTH, "256");
        t::ClickButton(d, IDOK);
        t::TypeText(d, IDC_ZONE_WIDTH, "251");
        t::ClickButton(d, IDOK);
        t::ClickButton(d, IDCANCEL);
    });
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].text, "Enter an integer between 1 and 999.");
    EXPECT_EQ(boxes[1].text, "Enter an integer between 1 and 9999.");
    EXPECT_EQ(boxes[2].text, "Enter an integer between 0 and 255.");
    EXPECT_EQ(boxes[3].text, "Enter an integer between 1 and 250.");
}

TEST_F(SettingsDialogs, SixteenCharacterDescriptionIsShownWholeAndRefusedUntilShortened) {
    auto& boxes = t::RecordMessageBoxes();
    t_configuration_record record = MakeConfiguration();
    const char* sixteen = "ABCDEFGHIJKLMNOP";
    std::copy(sixteen, sixteen + 16, record.bytes.begin() + 8);
    CDlgDaneBazowe dialog;
    dialog.m_record = record;
    std::string shown;
    RunConfiguration(dialog, [&](CDialog& d) {
        shown = t::GetControlText(d, IDC_DESCRIPTION);
        t::ClickButton(d, IDOK);
        t::SetControlText(d, IDC_DESCRIPTION, "ABCDEFGHIJKLMNO");
        t::ClickButton(d, IDOK);
    });
    EXPECT_EQ(shown, "ABCDEFGHIJKLMNOP");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Enter no more than 15 characters.");
    EXPECT_EQ(dialog.m_record.Description(), "ABCDEFGHIJKLMNO");
    EXPECT_EQ(dialog.m_record.bytes[23], 0);
}

TEST_F(SettingsDialogs, EveryStoredVoltageByteSurvivesTheDialog) {
    for (int tenths = 50; tenths <= 200; ++tenths) {
        t_configuration_record record = MakeConfiguration();
        record.SetVoltageLevel(static_cast<std::uint8_t>(tenths));
        CDlgDaneBazowe dialog;
        dialog.m_record = record;
        RunConfiguration(dialog, [](CDialog& d) { t::ClickButton(d, IDOK); });
        ASSERT_EQ(dialog.m_record.VoltageLevel(), tenths);
    }
}

t_programmer_record MakeProgrammer() {
    t_programmer_record r;
    for (std::size_t i = 0; i < r.kSize; ++i) {
        r.bytes[i] = static_cast<std::uint8_t>(0x30 + i);
    }
    r.SetFactoryNumber(777);
    r.SetPowerOffTime(300);
    r.SetVoltage(90);
    r.SetDescription("Programator 1");
    return r;
}

TEST_F(SettingsDialogs, ProgrammerEditsItsFieldsAtTheirOffsets) {
    const t_programmer_record original = MakeProgrammer();
    CDlgDaneCzytnika dialog;
    dialog.m_record = original;
    std::string voltage, time;
    t::AddModalHook(IDD_DANE_CZYTNIKA, [&](CDialog& d) {
        voltage = t::GetControlText(d, IDC_PROGRAMMER_VOLTAGE);
        time = t::GetControlText(d, IDC_POWER_OFF_TIME);
        t::TypeText(d, IDC_PROGRAMMER_VOLTAGE, "120");
        t::TypeText(d, IDC_POWER_OFF_TIME, "9999");
        t::TypeText(d, IDC_DESCRIPTION, "Żółw");
        t::ClickButton(d, IDOK);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(voltage, "90");
    EXPECT_EQ(time, "300");
    const auto& b = dialog.m_record.bytes;
    EXPECT_EQ(b[2] | (b[3] << 8), 777);
    EXPECT_EQ(b[4] | (b[5] << 8), 9999);
    EXPECT_EQ(b[6], 120);
    const std::vector<std::uint8_t> zolw = Utf8ToWin1250("Żółw");
    EXPECT_TRUE(std::equal(zolw.begin(), zolw.end(), b.begin() + 7));
    for (std::size_t i = 7 + zolw.size(); i < 23; ++i) {
        EXPECT_EQ(b[i], 0) << "offset " << i;
    }
    for (std::size_t i : {0u, 1u, 23u, 24u}) {
        EXPECT_EQ(b[i], original.bytes[i]) << "offset " << i;
    }
}

TEST_F(SettingsDialogs, ProgrammerChecksVoltageFirstThenFactoryNumberThenTime) {
    auto& boxes = t::RecordMessageBoxes();
    t_programmer_record record = MakeProgrammer();
    record.SetFactoryNumber(65001);
    CDlgDaneCzytnika dialog;
    dialog.m_record = record;
    t::AddModalHook(IDD_DANE_CZYTNIKA, [&](CDialog& d) {
        t::TypeText(d, IDC_PROGRAMMER_VOLTAGE, "59");
        t::TypeText(d, IDC_POWER_OFF_TIME, "9");
        t::ClickButton(d, IDOK);
        t::TypeText(d, IDC_PROGRAMMER_VOLTAGE, "60");
        t::ClickButton(d, IDOK);
        t::ClickButton(d, IDCANCEL);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Enter an integer between 60 and 120.");
    EXPECT_EQ(boxes[1].text, "Enter an integer between 1 and 65000.");
}

} // namespace
