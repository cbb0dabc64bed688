// What the user sees of a window's place and of the text in it: dialogs open over the
// window they belong to and inside the screen, status boxes keep their lines whole, and
// a font given a character width keeps to it.
#include "test_dialogs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace afx::testing;
using namespace fwtest;

namespace {

constexpr int kWideDialog = 9101;  // wider and taller than the plain dialog
constexpr int kStatusBoxes = 9102; // borderless read-only boxes like the status panel
constexpr int IDC_SUPPLY_BOX = 1008;
constexpr int IDC_SPEED_BOX = 1209;

void RegisterLayoutTemplates() {
    using K = ControlKind;
    RegisterDialogTemplate({kWideDialog,
                            "Wide",
                            0,
                            0,
                            360,
                            230,
                            WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                            0,
                            "MS Sans Serif",
                            8,
                            {{K::DefPushButton, IDOK, "OK", 300, 210, 50, 14, WS_TABSTOP}}});
    RegisterDialogTemplate(
        {kStatusBoxes,
         "Status",
         0,
         0,
         316,
         140,
         WS_POPUP | WS_CAPTION | DS_MODALFRAME,
         0,
         "Microsoft Sans Serif",
         8,
         {
             {K::Edit, IDC_SPEED_BOX, "", 6, 78, 109, 50, ES_MULTILINE | ES_READONLY},
             {K::Edit, IDC_SUPPLY_BOX, "", 234, 78, 72, 50, ES_MULTILINE | ES_READONLY},
         }});
}

struct Placed {
    CRect owner;
    CRect dialog;
    CRect area;
};

// Shows the plain dialog at (x, y) and, from inside it, `innerTemplate`, with the plain
// dialog as its parent or with none.
Placed OpenOverPlainDialogAt(int x, int y, int innerTemplate, bool withParent) {
    Placed placed;
    CDialog outer(kPlainDialog);
    AddModalHook(kPlainDialog, [&](CDialog& d) {
        const CSize size = ClientSize(d);
        d.MoveWindow(x, y, size.cx, size.cy);
        ProcessEvents();
        placed.owner = ScreenRectOf(d);
        AddModalHook(innerTemplate, [&](CDialog& inner) {
            placed.dialog = ScreenRectOf(inner);
            placed.area = ScreenArea();
            inner.EndDialog(IDOK);
        });
        CDialog inner(innerTemplate, withParent ? &d : nullptr);
        inner.DoModal();
        d.EndDialog(IDCANCEL);
    });
    outer.DoModal();
    return placed;
}

class WindowLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestTemplates();
        RegisterLayoutTemplates();
        ClearModalHooks();
    }
    void TearDown() override { ClearModalHooks(); }
};

TEST_F(WindowLayoutTest, DialogWithoutParentOpensCentredOverTheDialogBelowIt) {
    const Placed p = OpenOverPlainDialogAt(200, 150, kNoButtons, false);
    ASSERT_FALSE(p.dialog.IsRectEmpty());
    const CPoint ownerCentre((p.owner.left + p.owner.right) / 2,
                             (p.owner.top + p.owner.bottom) / 2);
    const CPoint centre((p.dialog.left + p.dialog.right) / 2, (p.dialog.top + p.dialog.bottom) / 2);
    EXPECT_LE(std::abs(centre.x - ownerCentre.x), 2);
    EXPECT_LE(std::abs(centre.y - ownerCentre.y), 2);
}

TEST_F(WindowLayoutTest, DialogLargerThanItsOwnerAtTheScreenCornerStaysOnTheScreen) {
    const Placed p = OpenOverPlainDialogAt(0, 0, kWideDialog, true);
    ASSERT_FALSE(p.dialog.IsRectEmpty());
    ASSERT_FALSE(p.area.IsRectEmpty());
    EXPECT_GE(p.dialog.left, p.area.left);
    EXPECT_GE(p.dialog.top, p.area.top);
    EXPECT_LE(p.dialog.right, p.area.right);
    EXPECT_LE(p.dialog.bottom, p.area.bottom);
}

TEST_F(WindowLayoutTest, StatusBoxShowsEachOfItsLinesUnwrapped) {
    int speedLines = 0;
    int supplyLines = 0;
    CFont statusFont;
    LOGFONT lf{};
    lf.lfHeight = 210;
    lf.lfWidth = 13;
    lf.lfWeight = 500;
    lf.lfCharSet = 238;
    lf.lfPitchAndFamily = 0x31;
    ASSERT_TRUE(statusFont.CreatePointFontIndirect(&lf));
    AddModalHook(kStatusBoxes, [&](CDialog& d) {
        d.GetDlgItem(IDC_SPEED_BOX)->SetFont(&statusFont);
        SetControlText(d, IDC_SPEED_BOX, "Programator\r\n - - - -");
        SetControlText(d, IDC_SUPPLY_BOX,
                       "Zasilanie : 12.4[V]\r\nNiskie zasilanie : TAK\r\nPrzegląd : TAK\r\n"
                       "Tacho 0 : 1\r\nTacho 1 : 1");
        ProcessEvents();
        speedLines = DisplayedLineCount(d, IDC_SPEED_BOX);
        supplyLines = DisplayedLineCount(d, IDC_SUPPLY_BOX);
        d.EndDialog(IDOK);
    });
    CDialog d(kStatusBoxes);
    d.DoModal();
    EXPECT_EQ(speedLines, 2);
    EXPECT_EQ(supplyLines, 5);
}

TEST_F(WindowLayoutTest, FontWithAGivenCharacterWidthKeepsToIt) {
    CFont font;
    LOGFONT lf{};
    lf.lfHeight = 210; // tenths of a point
    lf.lfWidth = 13;
    lf.lfWeight = 500;
    lf.lfCharSet = 238;
    lf.lfPitchAndFamily = 0x31; // fixed pitch, modern family
    ASSERT_TRUE(font.CreatePointFontIndirect(&lf));
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    dc.SelectObject(&font);
    const std::string text = "Programator";
    const int width = dc.GetTextExtent(text).cx;
    EXPECT_NEAR(width, 13 * static_cast<int>(text.size()), static_cast<int>(text.size()));
}

} // namespace
