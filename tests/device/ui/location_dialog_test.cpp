// "Określ położenie": the position field, its check and its prompts.
#include "device/ui/dlg_location.h"
#include "framework/testing/test_seams.h"
#include "res/resource.h"

#include <gtest/gtest.h>

namespace t = afx::testing;

namespace {

class LocationDialog : public ::testing::Test {
protected:
    void TearDown() override {
        t::ClearModalHooks();
        t::SetMessageBoxAnswerer(nullptr);
    }
};

TEST_F(LocationDialog, ShowsMetresAndKeepsThemOnSave) {
    CDlgLocation dialog;
    dialog.m_metres = 1;
    std::string shown;
    t::AddModalHook(IDD_LOCATION, [&](CDialog& d) {
        shown = t::GetControlText(d, IDC_POSITION_METRES);
        t::ClickButton(d, IDOK);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(shown, "1");
    EXPECT_EQ(dialog.m_metres, 1u);
}

TEST_F(LocationDialog, RefusesOutOfRangeAndNonNumbersUntilCorrected) {
    auto& boxes = t::RecordMessageBoxes();
    CDlgLocation dialog;
    bool openAfterRefusal = false;
    int focusAfterRefusal = 0;
    t::AddModalHook(IDD_LOCATION, [&](CDialog& d) {
        t::TypeText(d, IDC_POSITION_METRES, "10000");
        t::ClickButton(d, IDOK);
        openAfterRefusal = d.IsModalLoopRunning() != FALSE;
        focusAfterRefusal = t::FocusedControlId(d);
        t::TypeText(d, IDC_POSITION_METRES, "abc");
        t::ClickButton(d, IDOK);
        t::TypeText(d, IDC_POSITION_METRES, "9999");
        t::ClickButton(d, IDOK);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(openAfterRefusal);
    EXPECT_EQ(focusAfterRefusal, IDC_POSITION_METRES);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Enter an integer between 0 and 9999.");
    EXPECT_EQ(boxes[1].text, "Enter a positive integer.");
    EXPECT_EQ(dialog.m_metres, 9999u);
}

TEST_F(LocationDialog, CancelLeavesThePositionAsItWas) {
    CDlgLocation dialog;
    dialog.m_metres = 12;
    t::AddModalHook(IDD_LOCATION, [&](CDialog& d) {
        t::TypeText(d, IDC_POSITION_METRES, "500");
        t::ClickButton(d, IDCANCEL);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.m_metres, 12u);
}

} // namespace
