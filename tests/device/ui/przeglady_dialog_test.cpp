// "Przeglądy": the date list, "Dodaj przegląd" replacing the oldest slot, and the interval.
#include "device/ui/dlg_przegl.h"
#include "framework/testing/test_seams.h"
#include "res/resource.h"

#include <gtest/gtest.h>

namespace t = afx::testing;

namespace {

bool Between(const t_device_time& before, const t_device_time& value, const t_device_time& after) {
    return DiffSeconds(value, before) >= 0 && DiffSeconds(after, value) >= 0;
}

t_przeglady_record MakeRecord(std::uint16_t interval) {
    t_przeglady_record r;
    r.bytes[0] = 0x11;
    r.bytes[1] = 0x22;
    r.bytes[116] = 0x33;
    r.bytes[117] = 0x44;
    r.SetInterval(interval);
    return r;
}

std::vector<std::string> Rows(CDialog& d) {
    std::vector<std::string> rows;
    for (int i = 0; i < t::ListRowCount(d, IDC_INSPECTION_LIST); ++i) {
        rows.push_back(t::ListRowText(d, IDC_INSPECTION_LIST, i));
    }
    return rows;
}

class InspectionsDialog : public ::testing::Test {
protected:
    void TearDown() override {
        t::ClearModalHooks();
        t::SetMessageBoxAnswerer(nullptr);
    }
};

TEST_F(InspectionsDialog, ListsDatedSlotsSortedDescendingByText) {
    t_przeglady_record record = MakeRecord(30);
    record.SetSlot(2, MakeDeviceTime(2009, 12, 31, 23, 59, 59));
    record.SetSlot(5, MakeDeviceTime(2010, 1, 5, 10, 30, 0));
    record.SetSlot(11, MakeDeviceTime(2010, 1, 5, 9, 15, 0));
    // Year 0 marks an empty slot whatever its other bytes hold.
    t_device_time empty = MakeDeviceTime(0, 3, 4, 5, 6, 7);
    record.SetSlot(7, empty);
    CDlgPrzegl dialog;
    dialog.m_record = record;
    std::vector<std::string> rows;
    std::string heading, interval;
    int width = 0;
    t::AddModalHook(IDD_PRZEGL, [&](CDialog& d) {
        rows = Rows(d);
        auto* list = static_cast<CListCtrl*>(d.GetDlgItem(IDC_INSPECTION_LIST));
        heading = list->GetColumnHeading(0);
        width = list->GetColumnWidth(0);
        interval = t::GetControlText(d, IDC_INTERVAL);
        t::ClickButton(d, IDCANCEL);
    });
    dialog.DoModal();
    EXPECT_EQ(rows, (std::vector<std::string>{"2010.01.05  9:15.00", "2010.01.05  10:30.00",
                                              "2009.12.31  23:59.59"}));
    EXPECT_EQ(heading, "Data");
    EXPECT_EQ(width, 150);
    EXPECT_EQ(interval, "30");
}

TEST_F(InspectionsDialog, AddingFillsEmptySlotsInOrder) {
    CDlgPrzegl dialog;
    dialog.m_record = MakeRecord(30);
    int rowsAfterTwo = 0;
    const t_device_time before = GetPcTime();
    t::AddModalHook(IDD_PRZEGL, [&](CDialog& d) {
        t::ClickButton(d, IDC_ADD_INSPECTION);
        t::ClickButton(d, IDC_ADD_INSPECTION);
        rowsAfterTwo = t::ListRowCount(d, IDC_INSPECTION_LIST);
        t::ClickButton(d, IDOK);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    const t_device_time after = GetPcTime();
    EXPECT_EQ(rowsAfterTwo, 2);
    EXPECT_TRUE(Between(before, dialog.m_record.Slot(0), after));
    EXPECT_TRUE(Between(before, dialog.m_record.Slot(1), after));
    EXPECT_TRUE(dialog.m_record.IsSlotEmpty(2));
}

TEST_F(InspectionsDialog, EqualOldestDatesReplaceTheLowerSlot) {
    t_przeglady_record record = MakeRecord(30);
    for (int i = 0; i < t_przeglady_record::kSlots; ++i) {
        record.SetSlot(i, MakeDeviceTime(2009, 6, 1 + i, 12, 0, 0));
    }
    const t_device_time oldest = MakeDeviceTime(2008, 1, 1, 0, 0, 0);
    record.SetSlot(3, oldest);
    record.SetSlot(9, oldest);
    CDlgPrzegl dialog;
    dialog.m_record = record;
    t::AddModalHook(IDD_PRZEGL, [&](CDialog& d) {
        t::ClickButton(d, IDC_ADD_INSPECTION);
        t::ClickButton(d, IDOK);
    });
    dialog.DoModal();
    EXPECT_NE(dialog.m_record.Slot(3), oldest);
    EXPECT_EQ(dialog.m_record.Slot(9), oldest);
    for (int i = 0; i < t_przeglady_record::kSlots; ++i) {
        if (i != 3) {
            EXPECT_EQ(dialog.m_record.Slot(i), record.Slot(i)) << "slot " << i;
        }
    }
}

TEST_F(InspectionsDialog, IntervalMustBeOneToNinetyNine) {
    auto& boxes = t::RecordMessageBoxes();
    const t_przeglady_record original = MakeRecord(0);
    CDlgPrzegl dialog;
    dialog.m_record = original;
    t::AddModalHook(IDD_PRZEGL, [&](CDialog& d) {
        t::ClickButton(d, IDOK);
        t::TypeText(d, IDC_INTERVAL, "x");
        t::ClickButton(d, IDOK);
        t::TypeText(d, IDC_INTERVAL, "99");
        t::ClickButton(d, IDOK);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Enter an integer between 1 and 99.");
    EXPECT_EQ(boxes[1].text, "Enter an integer.");
    EXPECT_EQ(dialog.m_record.Interval(), 99);
    for (std::size_t i : {0u, 1u, 116u, 117u}) {
        EXPECT_EQ(dialog.m_record.bytes[i], original.bytes[i]) << "offset " << i;
    }
}

} // namespace
