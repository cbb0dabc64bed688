// "Przekaźniki" and "Granice przekaźnika": range lists, double-click editing, "Poza
// zakres" and the condition bits.
#include "device/ui/borders.h"
#include "device/ui/dlg_przek.h"
#include "framework/testing/test_seams.h"
#include "res/resource.h"

#include <gtest/gtest.h>

namespace t = afx::testing;

namespace {

constexpr int kPk1 = 0;
constexpr int kPk2 = 1;

t_relays_record MakeRecord() {
    t_relays_record r;
    r.bytes[0] = 0x01;
    r.bytes[1] = 0x02;
    r.bytes[138] = 0x03;
    r.bytes[139] = 0x04;
    for (int relay = 0; relay < 4; ++relay) {
        for (int k = 0; k < 8; ++k) {
            r.SetRange(relay, k, static_cast<std::uint16_t>(100 * relay + 10 * k),
                       static_cast<std::uint16_t>(100 * relay + 10 * k + 5));
        }
    }
    r.SetConditions(kPk1, 0x05);
    r.SetNegations(kPk1, 0x02);
    return r;
}

std::vector<std::string> Rows(CDialog& d, int listId) {
    std::vector<std::string> rows;
    for (int i = 0; i < t::ListRowCount(d, listId); ++i) {
        rows.push_back(t::ListRowText(d, listId, i));
    }
    return rows;
}

class RelaysDialog : public ::testing::Test {
protected:
    void TearDown() override {
        t::ClearModalHooks();
        t::SetMessageBoxAnswerer(nullptr);
    }
};

TEST_F(RelaysDialog, ShowsEightRangesPerRelayAndTheConditionBits) {
    CDlgPrzek dialog;
    dialog.m_record = MakeRecord();
    std::vector<std::string> pk1, pk4;
    std::string heading;
    int width = 0;
    bool we1 = false, we2 = false, we3 = false, neg2 = false, neg1 = false;
    t::AddModalHook(IDD_PRZEK, [&](CDialog& d) {
        pk1 = Rows(d, IDC_RANGE_LIST1);
        pk4 = Rows(d, IDC_RANGE_LIST1 + 3);
        auto* list = static_cast<CListCtrl*>(d.GetDlgItem(IDC_RANGE_LIST1));
        heading = list->GetColumnHeading(0);
        width = list->GetColumnWidth(0);
        we1 = t::IsChecked(d, kRelayConditionIds[kPk1][0]);
        we2 = t::IsChecked(d, kRelayConditionIds[kPk1][1]);
        we3 = t::IsChecked(d, kRelayConditionIds[kPk1][2]);
        neg1 = t::IsChecked(d, kRelayNegationIds[kPk1][0]);
        neg2 = t::IsChecked(d, kRelayNegationIds[kPk1][1]);
        t::ClickButton(d, IDCANCEL);
    });
    dialog.DoModal();
    ASSERT_EQ(pk1.size(), 8u);
    EXPECT_EQ(pk1[0], "0 - 5");
    EXPECT_EQ(pk1[7], "70 - 75");
    ASSERT_EQ(pk4.size(), 8u);
    EXPECT_EQ(pk4[1], "310 - 315");
    EXPECT_EQ(heading, "min - max [m]");
    EXPECT_EQ(width, 130);
    EXPECT_TRUE(we1);
    EXPECT_FALSE(we2);
    EXPECT_TRUE(we3);
    EXPECT_FALSE(neg1);
    EXPECT_TRUE(neg2);
}

TEST_F(RelaysDialog, DoubleClickEditsTheRowUnderTheMouse) {
    auto& boxes = t::RecordMessageBoxes();
    CDlgPrzek dialog;
    dialog.m_record = MakeRecord();
    std::string minimumShown, maximumShown, rowAfter;
    t::AddModalHook(IDD_BORDERS, [&](CDialog& b) {
        minimumShown = t::GetControlText(b, IDC_RANGE_MIN);
        maximumShown = t::GetControlText(b, IDC_RANGE_MAX);
        t::TypeText(b, IDC_RANGE_MIN, "300");
        t::TypeText(b, IDC_RANGE_MAX, "10000");
        t::ClickButton(b, IDOK);
        t::TypeText(b, IDC_RANGE_MAX, "120");
        t::ClickButton(b, IDOK);
    });
    t::AddModalHook(IDD_PRZEK, [&](CDialog& d) {
        t::DoubleClickListRow(d, IDC_RANGE_LIST1 + kPk2, 2);
        rowAfter = t::ListRowText(d, IDC_RANGE_LIST1 + kPk2, 2);
        t::ClickButton(d, IDOK);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(minimumShown, "120");
    EXPECT_EQ(maximumShown, "125");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Enter an integer between 0 and 9999.");
    EXPECT_EQ(rowAfter, "300 - 120");
    EXPECT_EQ(dialog.m_record.RangeMin(kPk2, 2), 300);
    EXPECT_EQ(dialog.m_record.RangeMax(kPk2, 2), 120);
}

TEST_F(RelaysDialog, DoubleClickBelowTheLastRowOrCancelledChangesNothing) {
    const t_relays_record original = MakeRecord();
    CDlgPrzek dialog;
    dialog.m_record = original;
    t::AddModalHook(IDD_BORDERS, [&](CDialog& b) {
        t::TypeText(b, IDC_RANGE_MIN, "1");
        t::ClickButton(b, IDCANCEL);
    });
    int bordersPendingAfterMiss = 0;
    t::AddModalHook(IDD_PRZEK, [&](CDialog& d) {
        const CRect list = t::ControlRect(d, IDC_RANGE_LIST1);
        t::DoubleClickListAt(d, IDC_RANGE_LIST1, CPoint(10, list.Height() - 3));
        t::DoubleClickListAt(d, IDC_RANGE_LIST1, CPoint(10, 2)); // the heading
        bordersPendingAfterMiss = t::PendingModalHooks(IDD_BORDERS);
        t::DoubleClickListRow(d, IDC_RANGE_LIST1, 0);
        t::ClickButton(d, IDOK);
    });
    dialog.DoModal();
    EXPECT_EQ(bordersPendingAfterMiss, 1);
    EXPECT_EQ(t::PendingModalHooks(IDD_BORDERS), 0);
    EXPECT_EQ(dialog.m_record.bytes, original.bytes);
}

TEST_F(RelaysDialog, OutOfRangeChangesOnlyItsRelaysRanges) {
    const t_relays_record original = MakeRecord();
    CDlgPrzek dialog;
    dialog.m_record = original;
    std::vector<std::string> pk2;
    t::AddModalHook(IDD_PRZEK, [&](CDialog& d) {
        t::ClickButton(d, IDC_OUT_OF_RANGE2);
        pk2 = Rows(d, IDC_RANGE_LIST1 + kPk2);
        t::ClickButton(d, IDOK);
    });
    dialog.DoModal();
    EXPECT_EQ(pk2, std::vector<std::string>(8, "9999 - 9999"));
    for (int relay = 0; relay < 4; ++relay) {
        for (int k = 0; k < 8; ++k) {
            const std::uint16_t expectMin = relay == kPk2 ? 9999 : original.RangeMin(relay, k);
            const std::uint16_t expectMax = relay == kPk2 ? 9999 : original.RangeMax(relay, k);
            EXPECT_EQ(dialog.m_record.RangeMin(relay, k), expectMin);
            EXPECT_EQ(dialog.m_record.RangeMax(relay, k), expectMax);
        }
        EXPECT_EQ(dialog.m_record.Conditions(relay), original.Conditions(relay));
        EXPECT_EQ(dialog.m_record.Negations(relay), original.Negations(relay));
    }
    for (std::size_t i : {0u, 1u, 138u, 139u}) {
        EXPECT_EQ(dialog.m_record.bytes[i], original.bytes[i]) << "offset " << i;
    }
}

TEST_F(RelaysDialog, AllBitsSetShowsFiveTicksAndIsWrittenBackAsFiveBits) {
    t_relays_record record = MakeRecord();
    record.bytes[2 + 34 * 2 + 32] = 0xFF; // PK3 conditions
    record.bytes[2 + 34 * 2 + 33] = 0xFF; // PK3 negations
    CDlgPrzek dialog;
    dialog.m_record = record;
    int ticks = 0;
    t::AddModalHook(IDD_PRZEK, [&](CDialog& d) {
        for (int n = 0; n < 5; ++n) {
            ticks += t::IsChecked(d, kRelayConditionIds[2][n]) ? 1 : 0;
            ticks += t::IsChecked(d, kRelayNegationIds[2][n]) ? 1 : 0;
        }
        t::ClickButton(d, IDOK);
    });
    dialog.DoModal();
    EXPECT_EQ(ticks, 10);
    EXPECT_EQ(dialog.m_record.bytes[2 + 34 * 2 + 32], 0x1F);
    EXPECT_EQ(dialog.m_record.bytes[2 + 34 * 2 + 33], 0x1F);
}

TEST_F(RelaysDialog, TickingInputFourAndAreaOfPk2SetsBitsThreeAndFour) {
    CDlgPrzek dialog;
    dialog.m_record = MakeRecord();
    t::AddModalHook(IDD_PRZEK, [&](CDialog& d) {
        t::ClickButton(d, kRelayConditionIds[kPk2][3]);
        t::ClickButton(d, kRelayConditionIds[kPk2][4]);
        t::ClickButton(d, kRelayNegationIds[kPk2][0]);
        t::ClickButton(d, IDOK);
    });
    dialog.DoModal();
    EXPECT_EQ(dialog.m_record.bytes[68], 0x18);
    EXPECT_EQ(dialog.m_record.bytes[69], 0x01);
}

} // namespace
