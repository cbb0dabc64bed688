// "Dane statystyczne": the counter texts, the two clearing buttons and the record given
// back.
#include "base/device_time.h"
#include "device/ui/dlg_statystyka.h"
#include "framework/testing/test_seams.h"
#include "res/resource.h"

#include <array>
#include <gtest/gtest.h>

namespace t = afx::testing;

namespace {

void PutU32(t_statistics_record& r, std::size_t offset, std::uint32_t v) {
    WriteU32LE(r.Data(), r.kSize, offset, v);
}

// Every byte distinct, with the counters the tests look at.
t_statistics_record MakeRecord() {
    t_statistics_record r;
    for (std::size_t i = 0; i < r.kSize; ++i) {
        r.bytes[i] = static_cast<std::uint8_t>(0x40 + i);
    }
    PutU32(r, t_statistics_record::kKilometres, 4294967295u);
    PutU32(r, t_statistics_record::kResettableDriving, 3661);
    PutU32(r, t_statistics_record::kTotalDriving, 90061);
    WriteDeviceTime(r.Data(), r.kSize, t_statistics_record::kDrivingClearedAt,
                    MakeDeviceTime(2009, 12, 2, 9, 5, 7));
    return r;
}

bool Between(const t_device_time& before, const t_device_time& value, const t_device_time& after) {
    return DiffSeconds(value, before) >= 0 && DiffSeconds(after, value) >= 0;
}

class StatisticsDialog : public ::testing::Test {
protected:
    void TearDown() override {
        t::ClearModalHooks();
        t::SetMessageBoxAnswerer(nullptr);
    }
};

TEST_F(StatisticsDialog, ShowsCountersAsDurationsDatesAndKilometres) {
    CDlgStatystyka dialog;
    dialog.m_record = MakeRecord();
    std::string resettable, total, cleared, km;
    t::AddModalHook(IDD_STATYSTYKA, [&](CDialog& d) {
        resettable = t::GetControlText(d, IDC_RESETTABLE_DRIVING);
        total = t::GetControlText(d, IDC_TOTAL_DRIVING);
        cleared = t::GetControlText(d, IDC_DRIVING_CLEARED);
        km = t::GetControlText(d, IDC_KILOMETRES);
        t::ClickButton(d, IDCANCEL);
    });
    dialog.DoModal();
    EXPECT_EQ(resettable, "0 dni , 1 godzin , 1 minut , 1 sekund");
    EXPECT_EQ(total, "1 dni , 1 godzin , 1 minut , 1 sekund");
    EXPECT_EQ(cleared, "2009.12.02  9:05.07");
    EXPECT_EQ(km, "4294967.295");
}

TEST_F(StatisticsDialog, SaveWithoutClearingGivesBackTheRecordExactly) {
    const t_statistics_record original = MakeRecord();
    CDlgStatystyka dialog;
    dialog.m_record = original;
    t::AddModalHook(IDD_STATYSTYKA, [&](CDialog& d) { t::ClickButton(d, IDOK); });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_record.bytes, original.bytes);
}

TEST_F(StatisticsDialog, ClearingDrivingTimeZeroesItAndStampsThePcTime) {
    auto& boxes = t::RecordMessageBoxes(IDOK, IDYES);
    const t_statistics_record original = MakeRecord();
    CDlgStatystyka dialog;
    dialog.m_record = original;
    std::string resettable, cleared;
    const t_device_time before = GetPcTime();
    t::AddModalHook(IDD_STATYSTYKA, [&](CDialog& d) {
        t::ClickButton(d, IDC_CLEAR_DRIVING);
        resettable = t::GetControlText(d, IDC_RESETTABLE_DRIVING);
        cleared = t::GetControlText(d, IDC_DRIVING_CLEARED);
        t::ClickButton(d, IDOK);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    const t_device_time after = GetPcTime();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Na pewno?");
    EXPECT_EQ(boxes[0].type & MB_TYPEMASK, MB_YESNO);
    EXPECT_EQ(resettable, "0 dni , 0 godzin , 0 minut , 0 sekund");
    EXPECT_EQ(dialog.m_record.ResettableDrivingTime(), 0u);
    const t_device_time stamp = dialog.m_record.DrivingClearedAt();
    EXPECT_TRUE(Between(before, stamp, after)) << FormatDeviceTime(stamp);
    EXPECT_EQ(cleared, FormatDeviceTime(stamp));
    // Only the driving counter and its date changed.
    for (std::size_t i = 0; i < original.kSize; ++i) {
        if (i >= t_statistics_record::kDrivingClearedAt && i < 40) {
            continue;
        }
        EXPECT_EQ(dialog.m_record.bytes[i], original.bytes[i]) << "offset " << i;
    }
}

TEST_F(StatisticsDialog, ClearingWorkingTimeTouchesOnlyTheWorkingCounter) {
    t::RecordMessageBoxes(IDOK, IDYES);
    const t_statistics_record original = MakeRecord();
    CDlgStatystyka dialog;
    dialog.m_record = original;
    std::string resettable;
    t::AddModalHook(IDD_STATYSTYKA, [&](CDialog& d) {
        t::ClickButton(d, IDC_CLEAR_WORKING);
        resettable = t::GetControlText(d, IDC_RESETTABLE_WORKING);
        t::ClickButton(d, IDOK);
    });
    dialog.DoModal();
    EXPECT_EQ(resettable, "0 dni , 0 godzin , 0 minut , 0 sekund");
    EXPECT_EQ(dialog.m_record.ResettableWorkingTime(), 0u);
    for (std::size_t i = 0; i < original.kSize; ++i) {
        if (i >= t_statistics_record::kWorkingClearedAt &&
            i < t_statistics_record::kDrivingClearedAt) {
            continue;
        }
        EXPECT_EQ(dialog.m_record.bytes[i], original.bytes[i]) << "offset " << i;
    }
}

TEST_F(StatisticsDialog, AnsweringNoClearsNothing) {
    t::RecordMessageBoxes(IDOK, IDNO);
    const t_statistics_record original = MakeRecord();
    CDlgStatystyka dialog;
    dialog.m_record = original;
    std::string resettable;
    t::AddModalHook(IDD_STATYSTYKA, [&](CDialog& d) {
        t::ClickButton(d, IDC_CLEAR_DRIVING);
        t::ClickButton(d, IDC_CLEAR_WORKING);
        resettable = t::GetControlText(d, IDC_RESETTABLE_DRIVING);
        t::ClickButton(d, IDOK);
    });
    dialog.DoModal();
    EXPECT_EQ(resettable, "0 dni , 1 godzin , 1 minut , 1 sekund");
    EXPECT_EQ(dialog.m_record.bytes, original.bytes);
}

} // namespace
