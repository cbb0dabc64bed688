#include "test_dialogs.h"

#include <gtest/gtest.h>

using namespace afx::testing;
using namespace fwtest;

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(250, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 250);
constexpr COLORREF kGreen = RGB(0, 250, 0);

struct Surface {
    CDC dc;
    CBitmap bitmap;
    Surface(int w, int h) {
        dc.CreateCompatibleDC(nullptr);
        bitmap.CreateCompatibleBitmap(nullptr, w, h);
        dc.SelectObject(&bitmap);
        dc.FillSolidRect(CRect(0, 0, w, h), kBlack);
    }
};

TEST(DeviceContextTest, FillSolidRectCoversLeftTopButNotRightBottom) {
    Surface s(20, 20);
    s.dc.FillSolidRect(CRect(2, 3, 6, 8), kRed);
    EXPECT_EQ(s.dc.GetPixel(2, 3), kRed);
    EXPECT_EQ(s.dc.GetPixel(5, 7), kRed);
    EXPECT_EQ(s.dc.GetPixel(6, 7), kBlack);
    EXPECT_EQ(s.dc.GetPixel(5, 8), kBlack);
    EXPECT_EQ(s.dc.GetPixel(1, 3), kBlack);
    EXPECT_EQ(s.dc.GetPixel(25, 3), CLR_INVALID);
}

TEST(DeviceContextTest, LineToExcludesTheEndPointAndMovesThePosition) {
    Surface s(20, 20);
    CPen pen(PS_SOLID, 1, kRed);
    s.dc.SelectObject(&pen);
    s.dc.MoveTo(2, 5);
    s.dc.LineTo(10, 5);
    for (int x = 2; x < 10; ++x)
        EXPECT_EQ(s.dc.GetPixel(x, 5), kRed) << x;
    EXPECT_EQ(s.dc.GetPixel(10, 5), kBlack);
    EXPECT_EQ(s.dc.GetPixel(5, 4), kBlack);
    EXPECT_EQ(s.dc.GetPixel(5, 6), kBlack);
    EXPECT_EQ(s.dc.GetCurrentPosition(), CPoint(10, 5));
    // Going on from the end draws the skipped point first: a polyline has no gaps.
    s.dc.LineTo(10, 9);
    EXPECT_EQ(s.dc.GetPixel(10, 5), kRed);
    EXPECT_EQ(s.dc.GetPixel(10, 8), kRed);
    EXPECT_EQ(s.dc.GetPixel(10, 9), kBlack);
    // Diagonal: exactly one pixel per step.
    s.dc.MoveTo(0, 10);
    s.dc.LineTo(4, 14);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(s.dc.GetPixel(i, 10 + i), kRed);
    EXPECT_EQ(s.dc.GetPixel(1, 10), kBlack);
}

TEST(DeviceContextTest, WidePenCoversTheSquareAboveAndLeftOfEachPixel) {
    Surface s(20, 20);
    CPen pen(PS_SOLID, 2, kGreen);
    s.dc.SelectObject(&pen);
    s.dc.MoveTo(5, 10);
    s.dc.LineTo(9, 10);
    for (int x = 4; x < 9; ++x) {
        EXPECT_EQ(s.dc.GetPixel(x, 9), kGreen) << x;
        EXPECT_EQ(s.dc.GetPixel(x, 10), kGreen) << x;
    }
    EXPECT_EQ(s.dc.GetPixel(9, 10), kBlack);
    EXPECT_EQ(s.dc.GetPixel(5, 11), kBlack);
}

TEST(DeviceContextTest, DottedPenDrawsEveryOtherPixelAndFillsGapsOnlyWhenOpaque) {
    Surface s(20, 20);
    CPen dot(PS_DOT, 1, kBlue);
    s.dc.SelectObject(&dot);
    s.dc.SetBkMode(TRANSPARENT);
    s.dc.MoveTo(0, 2);
    s.dc.LineTo(10, 2);
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(s.dc.GetPixel(x, 2), x % 2 == 0 ? kBlue : kBlack) << x;
    s.dc.SetBkMode(OPAQUE);
    s.dc.SetBkColor(RGB(255, 255, 255));
    s.dc.MoveTo(0, 4);
    s.dc.LineTo(6, 4);
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(s.dc.GetPixel(x, 4), x % 2 == 0 ? kBlue : RGB(255, 255, 255)) << x;
}

TEST(DeviceContextTest, BitBltCopiesTheSourceBlockToTheOffset) {
    Surface src(30, 30);
    src.dc.FillSolidRect(CRect(0, 0, 1, 1), kRed);
    src.dc.FillSolidRect(CRect(9, 4, 10, 5), kGreen);
    Surface dst(40, 40);
    dst.dc.BitBlt(10, 10, 10, 5, &src.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(dst.dc.GetPixel(10, 10), kRed);
    EXPECT_EQ(dst.dc.GetPixel(19, 14), kGreen);
    EXPECT_EQ(dst.dc.GetPixel(9, 9), kBlack);
    dst.dc.BitBlt(0, 0, 2, 2, &src.dc, 9, 4, SRCCOPY);
    EXPECT_EQ(dst.dc.GetPixel(0, 0), kGreen);
}

TEST(DeviceContextTest, TextIsDrawnInsideItsCellWithoutBackgroundWhenTransparent) {
    Surface s(120, 40);
    CFont font;
    font.CreateFont(16, 0, 0, 0, 0, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, nullptr);
    s.dc.SelectObject(&font);
    s.dc.SetTextColor(RGB(150, 250, 150));
    s.dc.SetBkMode(TRANSPARENT);
    s.dc.TextOut(10, 10, "predkosc [m/s]");
    CSize extent = s.dc.GetTextExtent("predkosc [m/s]");
    int lit = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x) {
            COLORREF c = s.dc.GetPixel(x, y);
            if (c != kBlack) {
                ++lit;
                EXPECT_EQ(c, RGB(150, 250, 150)) << "no antialiasing";
                EXPECT_GE(x, 10);
                EXPECT_GE(y, 10);
                EXPECT_LT(y, 10 + extent.cy);
            }
        }
    EXPECT_GT(lit, 20);
}

class PaintDialog : public CDialog {
public:
    PaintDialog() : CDialog(kChartLike) {}
    int paints = 0;
    int sliderDraws = 0;
    void OnPaint() {
        ++paints;
        CPaintDC dc(this);
        dc.FillSolidRect(CRect(10, 10, 110, 60), kBlack);
    }
    void OnSliderDraw(NMHDR*, LRESULT* r) {
        *r = 0;
        ++sliderDraws;
    }
    const AFX_MSGMAP* GetMessageMap() const override {
        static const AFX_MSGMAP map = AFX_MSGMAP::Of<PaintDialog>(
            CDialog::GetThisMessageMap(),
            {
                OnMessageEntry(WM_PAINT, &PaintDialog::OnPaint),
                OnNotifyEntry(NM_CUSTOMDRAW, IDC_SLIDER_A, &PaintDialog::OnSliderDraw),
                OnNotifyEntry(NM_CUSTOMDRAW, IDC_SLIDER_B, &PaintDialog::OnSliderDraw),
            });
        return &map;
    }
};

TEST(DeviceContextTest, ClientDcDrawsIntoTheWindowAndRepaintsOnlyItsRectangle) {
    RegisterTestTemplates();
    PaintDialog dlg;
    AddModalHook(kChartLike, [&](CDialog& d) {
        ProcessEvents(50);
        Image first = GrabWindow(d);
        EXPECT_EQ(first.Pixel(10, 10), kBlack);
        EXPECT_EQ(first.Pixel(109, 59), kBlack);
        EXPECT_NE(first.Pixel(110, 60), kBlack);
        ProcessEvents(50);
        const int slidersBefore = dlg.sliderDraws;
        {
            CClientDC dc(&d);
            CPen pen(PS_SOLID, 1, kRed);
            dc.SelectObject(&pen);
            dc.MoveTo(20, 80); // outside what OnPaint draws, so it stays
            dc.LineTo(60, 80);
        }
        ProcessEvents(100);
        EXPECT_EQ(dlg.sliderDraws, slidersBefore) << "the trackbars lie outside the drawing";
        Image after = GrabWindow(d);
        EXPECT_EQ(after.Pixel(20, 80), kRed);
        EXPECT_EQ(after.Pixel(59, 80), kRed);
        EXPECT_NE(after.Pixel(60, 80), kRed);
        EXPECT_EQ(after.Pixel(20, 20), kBlack);
        d.EndDialog(IDCANCEL);
    });
    dlg.DoModal();
    EXPECT_GT(dlg.paints, 0);
}

} // namespace
