// The chart dialog, checked pixel by pixel. "Bitmap" tests draw the three drawing steps
// into an off-screen bitmap and check bitmap coordinates; "Window" tests show the dialog
// and check the grabbed window, where the chart stands 10 pixels further right and down.

#include "measure/ui/dlg_wykres.h"

#include "base/text_format.h"
#include "framework/testing/test_seams.h"
#include "res/resource.h"
#include "tests/support/recorder_image_builder.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using afx::testing::GetSliderPos;
using afx::testing::GetSliderRange;
using afx::testing::GrabWindow;
using afx::testing::Image;
using afx::testing::ProcessEvents;
using afx::testing::SetSliderPos;

constexpr COLORREF kBlack = CDlgWykres::kFieldColour;
constexpr COLORREF kAxis = CDlgWykres::kAxisColour;
constexpr COLORREF kGrid = CDlgWykres::kGridColour;
constexpr COLORREF kLabel = CDlgWykres::kLabelColour;
constexpr COLORREF kCurve = CDlgWykres::kCurveColour;
constexpr COLORREF kCursor = CDlgWykres::kCursorColour;

const t_device_time kStart = MakeDeviceTime(2026, 3, 14, 9, 0, 0);

int GridY(int i) {
    return 430 - 38 * i;
}

void Decode(CDlgWykres& chart, const RecorderImageBuilder& recording) {
    chart.m_sampleList.DecodeImage(recording.Image().data(), recording.Image().size(), 616, 60);
}

void SetKind(CDlgWykres& chart, int positionChart) {
    chart.m_positionChart = positionChart;
    chart.m_xLabel = "czas";
    chart.m_yLabel = positionChart ? "polozenie [m]" : "predkosc [m/s]";
    chart.m_title =
        positionChart ? "Wykres drogi w funkcji czasu" : "Wykres predkosci w funkcji czasu";
}

// An off-screen bitmap the size of the dialog's client area, as PaintChart makes it.
class Canvas {
public:
    Canvas() {
        m_dc.CreateCompatibleDC(nullptr);
        m_bitmap.CreateCompatibleBitmap(&m_dc, 731, 562);
        m_old = m_dc.SelectObject(&m_bitmap);
    }
    ~Canvas() { m_dc.SelectObject(m_old); }
    CDC* DC() { return &m_dc; }
    COLORREF At(int x, int y) const { return m_dc.GetPixel(x, y); }

private:
    CDC m_dc;
    CBitmap m_bitmap;
    CBitmap* m_old = nullptr;
};

using PixelSource = std::function<COLORREF(int, int)>;

PixelSource Of(const Canvas& canvas) {
    return [&canvas](int x, int y) { return canvas.At(x, y); };
}
// Window pixels seen in bitmap coordinates.
PixelSource OfWindow(const Image& image) {
    return [&image](int x, int y) { return image.Pixel(x + 10, y + 10); };
}

int Count(const PixelSource& at, const CRect& area, COLORREF colour) {
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            n += at(x, y) == colour ? 1 : 0;
        }
    }
    return n;
}

// True when the pixels of `colour` inside `area` are exactly those of `text` drawn at
// (x, y) with the chart's font on a black bitmap.
bool ShowsText(const PixelSource& at, CDlgWykres& chart, const CRect& area, int x, int y,
               const std::string& text, COLORREF colour) {
    Canvas reference;
    reference.DC()->FillSolidRect(area, kBlack);
    reference.DC()->SetBkMode(TRANSPARENT);
    reference.DC()->SetTextColor(colour);
    reference.DC()->SelectObject(&chart.m_font);
    reference.DC()->TextOut(x, y, text);
    reference.DC()->SelectObject(static_cast<CFont*>(nullptr));
    int inked = 0;
    for (int py = area.top; py < area.bottom; ++py) {
        for (int px = area.left; px < area.right; ++px) {
            const bool want = reference.At(px, py) == colour;
            inked += want ? 1 : 0;
            if (want != (at(px, py) == colour)) {
                ADD_FAILURE() << "\"" << text << "\" differs at (" << px << ", " << py << ")";
                return false;
            }
        }
    }
    return inked > 0;
}

void DrawAll(CDlgWykres& chart, Canvas& canvas, int run, int cursor) {
    chart.DrawAxes(canvas.DC(), run);
    chart.DrawCurve(canvas.DC(), run);
    chart.DrawCursor(canvas.DC(), run, cursor);
}

// ---- Bitmap coordinates -----------------------------------------------------------------

TEST(ChartBitmap, FieldAxesAndArrowHeadsStandAtTheirPixels) {
    CDlgWykres chart;
    SetKind(chart, 0);
    Decode(chart, RecorderImageBuilder().Start(kStart).Sample(0, 0).End());
    Canvas canvas;
    canvas.DC()->FillSolidRect(0, 0, 731, 562, RGB(255, 255, 255));
    chart.DrawAxes(canvas.DC(), 0);

    // Field: (10, 10) to (710, 460), right and bottom exclusive.
    EXPECT_EQ(canvas.At(10, 10), kBlack);
    EXPECT_EQ(canvas.At(709, 459), kBlack);
    EXPECT_NE(canvas.At(9, 10), kBlack);
    EXPECT_NE(canvas.At(10, 9), kBlack);
    EXPECT_NE(canvas.At(710, 459), kBlack);
    EXPECT_NE(canvas.At(709, 460), kBlack);

    // Width-2 axes: the time axis covers rows 429 and 430, the value axis columns 49 and 50.
    for (int x : {52, 300, 660}) {
        EXPECT_EQ(canvas.At(x, 430), kAxis) << x;
        EXPECT_EQ(canvas.At(x, 429), kAxis) << x;
        EXPECT_EQ(canvas.At(x, 431), kBlack) << x;
    }
    EXPECT_EQ(canvas.At(669, 430), kAxis);
    EXPECT_EQ(canvas.At(672, 430), kBlack);
    for (int y : {60, 200, 428}) {
        EXPECT_EQ(canvas.At(50, y), kAxis) << y;
        EXPECT_EQ(canvas.At(49, y), kAxis) << y;
        EXPECT_EQ(canvas.At(51, y), kBlack) << y;
    }
    EXPECT_EQ(canvas.At(50, 41), kAxis);
    EXPECT_EQ(canvas.At(50, 37), kBlack);

    // Arrow heads: from (670, 430) back to (666, 426) and (666, 434); from (50, 40) down to
    // (46, 44) and (54, 44).
    EXPECT_EQ(canvas.At(668, 428), kAxis);
    EXPECT_EQ(canvas.At(668, 432), kAxis);
    EXPECT_EQ(canvas.At(668, 437), kBlack);
    EXPECT_EQ(canvas.At(48, 42), kAxis);
    EXPECT_EQ(canvas.At(52, 42), kAxis);
    EXPECT_EQ(canvas.At(56, 46), kBlack);
}

TEST(ChartBitmap, TenDottedGridLinesEvery38Pixels) {
    CDlgWykres chart;
    SetKind(chart, 1);
    Decode(chart, RecorderImageBuilder().Start(kStart).Sample(0, 100).Sample(0, 200).End());
    Canvas canvas;
    chart.DrawAxes(canvas.DC(), 0);

    for (int i = 1; i <= 10; ++i) {
        const int y = GridY(i);
        // Every other pixel from x = 52 to 667, the gaps left black.
        EXPECT_EQ(canvas.At(52, y), kGrid) << i;
        EXPECT_EQ(canvas.At(53, y), kBlack) << i;
        EXPECT_EQ(canvas.At(360, y), kGrid) << i;
        EXPECT_EQ(canvas.At(361, y), kBlack) << i;
        EXPECT_EQ(canvas.At(666, y), kGrid) << i;
        EXPECT_EQ(canvas.At(668, y), kBlack) << i;
        EXPECT_EQ(Count(Of(canvas), CRect(52, y, 668, y + 1), kGrid), 308) << i;
        EXPECT_EQ(Count(Of(canvas), CRect(52, y - 1, 668, y), kGrid), 0) << i;
        EXPECT_EQ(Count(Of(canvas), CRect(52, y + 1, 668, y + 2), kGrid), 0) << i;
    }
    EXPECT_EQ(Count(Of(canvas), CRect(52, 10, 710, 460), kGrid), 3080);
}

TEST(ChartBitmap, SpeedChartLabelsEveryGridLineButNotTheOrigin) {
    CDlgWykres chart;
    SetKind(chart, 0);
    Decode(chart, RecorderImageBuilder().Start(kStart).Sample(10, 0).End());
    Canvas canvas;
    chart.DrawAxes(canvas.DC(), 0);

    const char* labels[] = {" 0.5", " 1.0", " 1.5", " 2.0", " 2.5",
                            " 3.0", " 3.5", " 4.0", " 4.5", " 5.0"};
    for (int i = 1; i <= 10; ++i) {
        const int y = GridY(i);
        EXPECT_TRUE(ShowsText(Of(canvas), chart, CRect(0, y - 9, 48, y + 10), 12, y - 8,
                              labels[i - 1], kLabel))
            << i;
    }
    EXPECT_EQ(Count(Of(canvas), CRect(0, 420, 48, 450), kLabel), 0);
    EXPECT_TRUE(ShowsText(Of(canvas), chart, CRect(640, 436, 710, 460), 660, 440, "czas", kLabel));
    EXPECT_TRUE(
        ShowsText(Of(canvas), chart, CRect(12, 12, 200, 38), 20, 20, "predkosc [m/s]", kLabel));
}

TEST(ChartBitmap, PositionChartLabelsFollowTheRunsRange) {
    CDlgWykres chart;
    SetKind(chart, 1);
    Decode(chart, RecorderImageBuilder().Start(kStart).Sample(0, 1000).Sample(0, 2000).End());
    Canvas canvas;
    chart.DrawAxes(canvas.DC(), 0);

    for (int i = 1; i <= 10; ++i) {
        const int y = GridY(i);
        EXPECT_TRUE(ShowsText(Of(canvas), chart, CRect(0, y - 9, 48, y + 10), 12, y - 8,
                              std::to_string(1000 + 100 * i), kLabel))
            << i;
    }
    EXPECT_TRUE(ShowsText(Of(canvas), chart, CRect(0, 421, 48, 440), 12, 422, "1000", kLabel));
    EXPECT_TRUE(
        ShowsText(Of(canvas), chart, CRect(12, 12, 200, 38), 20, 20, "polozenie [m]", kLabel));
}

// Sample j stands at x = 51 + j; the line to it ends there, so its pixel is checked where
// the next line starts.
void ExpectCurveAt(const PixelSource& at, int j, int y) {
    EXPECT_EQ(at(51 + j, y), kCurve) << "sample " << j << " y " << y;
    EXPECT_NE(at(51 + j, y - 1), kCurve) << "sample " << j << " y " << y;
    EXPECT_NE(at(51 + j, y + 1), kCurve) << "sample " << j << " y " << y;
}

TEST(ChartBitmap, SpeedCurveHasAFixedScaleOfFiveMetresPerSecond) {
    CDlgWykres chart;
    SetKind(chart, 0);
    RecorderImageBuilder recording;
    recording.Start(kStart);
    const std::uint8_t speeds[] = {5, 50, 0, 23, 100, 7};
    for (std::uint8_t speed : speeds) {
        for (int k = 0; k < 10; ++k) {
            recording.Sample(speed, 500);
        }
    }
    Decode(chart, recording.End());
    Canvas canvas;
    DrawAll(chart, canvas, 0, 500);

    // From the origin to the first sample.
    EXPECT_EQ(canvas.At(50, 430), kCurve);
    for (int k = 2; k < 8; ++k) {
        ExpectCurveAt(Of(canvas), k, 392);     // 0.5 m/s: the lowest grid line
        ExpectCurveAt(Of(canvas), 10 + k, 50); // 5.0 m/s: the top grid line
        EXPECT_EQ(canvas.At(71 + k, 430), kCurve);
        ExpectCurveAt(Of(canvas), 30 + k, 256); // 2.3 m/s: 430 - 8740 / 50
        ExpectCurveAt(Of(canvas), 50 + k, 377); // 0.7 m/s: 430 - 2660 / 50
    }
    // 10.0 m/s lies above the field: nothing of those samples is drawn on it.
    EXPECT_EQ(Count(Of(canvas), CRect(94, 45, 100, 430), kCurve), 0);
    // Nothing right of the last sample.
    EXPECT_EQ(Count(Of(canvas), CRect(111, 10, 710, 460), kCurve), 0);
}

TEST(ChartBitmap, PositionCurveSpansTheRunFromAxisToTopGridLine) {
    CDlgWykres chart;
    SetKind(chart, 1);
    RecorderImageBuilder recording;
    recording.Start(kStart);
    const std::uint16_t positions[] = {1000, 1333, 2000, 1500};
    for (std::uint16_t position : positions) {
        for (int k = 0; k < 10; ++k) {
            recording.Sample(20, position);
        }
    }
    Decode(chart, recording.End());
    Canvas canvas;
    DrawAll(chart, canvas, 0, 500);

    for (int k = 2; k < 8; ++k) {
        EXPECT_EQ(canvas.At(51 + k, 430), kCurve);
        ExpectCurveAt(Of(canvas), 10 + k, 304); // 430 - 333 * 380 / 1000
        ExpectCurveAt(Of(canvas), 20 + k, 50);
        ExpectCurveAt(Of(canvas), 30 + k, 240);
    }
}

TEST(ChartBitmap, PositionRunStandingStillLiesOnTheTimeAxisWithEqualLabels) {
    CDlgWykres chart;
    SetKind(chart, 1);
    RecorderImageBuilder recording;
    recording.Start(kStart);
    for (int k = 0; k < 20; ++k) {
        recording.Sample(0, 500);
    }
    Decode(chart, recording.End());
    Canvas canvas;
    DrawAll(chart, canvas, 0, 500);

    for (int j = 0; j < 19; ++j) {
        EXPECT_EQ(canvas.At(51 + j, 430), kCurve) << j;
    }
    EXPECT_EQ(Count(Of(canvas), CRect(51, 10, 710, 429), kCurve), 0);
    for (int i = 1; i <= 10; ++i) {
        const int y = GridY(i);
        EXPECT_TRUE(
            ShowsText(Of(canvas), chart, CRect(0, y - 9, 48, y + 10), 12, y - 8, " 500", kLabel))
            << i;
    }
    EXPECT_TRUE(ShowsText(Of(canvas), chart, CRect(0, 421, 48, 440), 12, 422, " 500", kLabel));
}

TEST(ChartBitmap, CursorLineAndReadOutOfTheSampleUnderIt) {
    CDlgWykres chart;
    SetKind(chart, 0);
    RecorderImageBuilder recording;
    recording.Start(kStart);
    for (int k = 0; k < 100; ++k) {
        recording.Sample(k == 40 ? 23 : 7, static_cast<std::uint16_t>(k == 40 ? 1234 : 10));
    }
    Decode(chart, recording.End());
    Canvas canvas;
    DrawAll(chart, canvas, 0, 40);

    // x = 51 + cursor, from y = 430 up to y = 44 (excluded).
    for (int y : {430, 300, 100, 45}) {
        EXPECT_EQ(canvas.At(91, y), kCursor) << y;
    }
    EXPECT_NE(canvas.At(91, 44), kCursor);
    EXPECT_NE(canvas.At(91, 431), kCursor);
    EXPECT_EQ(Count(Of(canvas), CRect(52, 45, 90, 431), kCursor), 0);
    EXPECT_EQ(Count(Of(canvas), CRect(92, 45, 710, 431), kCursor), 0);

    const std::string readOut =
        FormatDeviceTime(MakeDeviceTime(2026, 3, 14, 9, 0, 40)) + "  V=2.3[m/s]  D=1234[m]";
    EXPECT_TRUE(ShowsText(Of(canvas), chart, CRect(400, 12, 710, 44), 410, 25, readOut, kCursor));
}

TEST(ChartBitmap, RunWithoutSamplesHasNoCurveAndFallingPositionLabels) {
    CDlgWykres chart;
    SetKind(chart, 1);
    Decode(chart, RecorderImageBuilder().Start(kStart).End());
    ASSERT_EQ(chart.m_sampleList.GetStampCount(), 1);
    Canvas canvas;
    DrawAll(chart, canvas, 0, 0);

    EXPECT_EQ(Count(Of(canvas), CRect(0, 0, 731, 562), kCurve), 0);
    EXPECT_TRUE(ShowsText(Of(canvas), chart, CRect(0, 421, 48, 440), 12, 422, "65535", kLabel));
    EXPECT_TRUE(ShowsText(Of(canvas), chart, CRect(0, GridY(1) - 9, 48, GridY(1) + 10), 12,
                          GridY(1) - 8, "58982", kLabel));
    EXPECT_TRUE(ShowsText(Of(canvas), chart, CRect(0, GridY(10) - 9, 48, GridY(10) + 10), 12,
                          GridY(10) - 8, "   0", kLabel));
    // The read-out: the run's start time, speed 0.0, position 0.
    EXPECT_TRUE(ShowsText(Of(canvas), chart, CRect(400, 12, 710, 44), 410, 25,
                          FormatDeviceTime(kStart) + "  V=0.0[m/s]  D=0[m]", kCursor));
    EXPECT_EQ(canvas.At(51, 200), kCursor);
}

// ---- The dialog on screen (window coordinates) -------------------------------------------

// Shows the chart modally and runs `steps` inside its loop, then closes it.
void ShowChart(CDlgWykres& chart, const std::function<void(CDlgWykres&)>& steps) {
    afx::testing::AddModalHook(IDD_WYKRES, [&](CDialog& dialog) {
        ProcessEvents(50);
        steps(chart);
        dialog.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(chart.DoModal(), IDCANCEL);
}

// speeds 0 for 615 samples, then 5.0 m/s: the last line climbs in the last columns.
RecorderImageBuilder FullScreenRun() {
    RecorderImageBuilder recording;
    recording.Start(kStart);
    for (int k = 0; k < 615; ++k) {
        recording.Sample(0, static_cast<std::uint16_t>(k));
    }
    return recording.Sample(50, 615).End();
}

TEST(ChartWindow, ChartStandsTenPixelsRightAndDownOfTheBitmap) {
    CDlgWykres chart;
    SetKind(chart, 0);
    RecorderImageBuilder recording;
    recording.Start(kStart);
    for (int k = 0; k < 50; ++k) {
        recording.Sample(5, 100);
    }
    Decode(chart, recording.End());
    ShowChart(chart, [](CDlgWykres& dlg) {
        const Image image = GrabWindow(dlg);
        ASSERT_GE(image.width, 731);
        ASSERT_GE(image.height, 562);
        // The copied block: window (10, 10) to (720, 470); the field (20, 20) to (720, 470).
        EXPECT_EQ(image.Pixel(20, 20), kBlack);
        EXPECT_EQ(image.Pixel(719, 469), kBlack);
        EXPECT_NE(image.Pixel(720, 200), kBlack);
        EXPECT_NE(image.Pixel(200, 470), kBlack);
        // Axes, grid and curve in window coordinates.
        EXPECT_EQ(image.Pixel(300, 440), kAxis);
        EXPECT_EQ(image.Pixel(60, 300), kAxis);
        EXPECT_EQ(image.Pixel(62, 430 - 38 * 5 + 10), kGrid);
        EXPECT_EQ(image.Pixel(51 + 20 + 10, 392 + 10), kCurve);
        EXPECT_EQ(image.Pixel(51 + 24 + 10, 200), kCursor); // cursor 49 / 2 = 24
        EXPECT_GT(Count(OfWindow(image), CRect(12, 12, 200, 38), kLabel), 20);
    });
}

TEST(ChartWindow, OpensOnTheFirstRunWithTheCursorInItsMiddle) {
    CDlgWykres chart;
    SetKind(chart, 0);
    Decode(chart, FullScreenRun());
    ShowChart(chart, [](CDlgWykres& dlg) {
        EXPECT_EQ(afx::testing::WindowCaption(dlg), "Wykres predkosci w funkcji czasu");
        int lo = -1;
        int hi = -1;
        GetSliderRange(dlg, IDC_RUN_SLIDER, lo, hi);
        EXPECT_EQ(lo, 0);
        EXPECT_EQ(hi, 0);
        GetSliderRange(dlg, IDC_CURSOR_SLIDER, lo, hi);
        EXPECT_EQ(lo, 0);
        EXPECT_EQ(hi, 615);
        EXPECT_EQ(GetSliderPos(dlg, IDC_CURSOR_SLIDER), 307);
        EXPECT_EQ(dlg.m_cursor, 307);
        EXPECT_EQ(afx::testing::FocusedControlId(dlg), IDC_CURSOR_SLIDER);
        EXPECT_EQ(afx::testing::GetControlText(dlg, IDC_CHART_START), "2026.03.14  9:00.00");
        EXPECT_EQ(afx::testing::GetControlText(dlg, IDC_CHART_END), "2026.03.14  9:10.15");

        const Image image = GrabWindow(dlg);
        const PixelSource at = OfWindow(image);
        EXPECT_EQ(at(358, 200), kCursor); // 51 + 307
        // The last sample climbs to y = 50 at x = 666; nothing of the curve lies beyond.
        EXPECT_GT(Count(at, CRect(666, 50, 667, 430), kCurve), 100);
        EXPECT_EQ(Count(at, CRect(667, 10, 710, 460), kCurve), 0);
    });
}

TEST(ChartWindow, MovingTheRunSliderShowsThatRunWithTheCursorInItsMiddle) {
    CDlgWykres chart;
    SetKind(chart, 1);
    RecorderImageBuilder recording;
    recording.Start(kStart);
    for (int k = 0; k < 1000; ++k) {
        recording.Sample(20, static_cast<std::uint16_t>(k));
    }
    Decode(chart, recording.End());
    ASSERT_EQ(chart.m_sampleList.GetStampCount(), 2);
    ShowChart(chart, [](CDlgWykres& dlg) {
        int lo = -1;
        int hi = -1;
        GetSliderRange(dlg, IDC_RUN_SLIDER, lo, hi);
        EXPECT_EQ(hi, 1);
        EXPECT_EQ(afx::testing::GetControlText(dlg, IDC_CHART_END), "2026.03.14  9:16.39");

        SetSliderPos(dlg, IDC_CURSOR_SLIDER, 10);
        ProcessEvents(50);
        EXPECT_EQ(dlg.m_cursor, 10);
        EXPECT_EQ(dlg.m_run, 0);
        EXPECT_EQ(OfWindow(GrabWindow(dlg))(61, 200), kCursor);

        SetSliderPos(dlg, IDC_RUN_SLIDER, 1);
        ProcessEvents(50);
        EXPECT_EQ(dlg.m_run, 1);
        GetSliderRange(dlg, IDC_CURSOR_SLIDER, lo, hi);
        EXPECT_EQ(hi, 383);
        EXPECT_EQ(GetSliderPos(dlg, IDC_CURSOR_SLIDER), 191);
        EXPECT_EQ(dlg.m_cursor, 191);
        const Image image = GrabWindow(dlg);
        EXPECT_EQ(OfWindow(image)(51 + 191, 200), kCursor);
        EXPECT_NE(OfWindow(image)(61, 200), kCursor);
        // Run 1 starts 616 seconds after run 0; the read-out is for its sample 191.
        const std::string readOut =
            FormatDeviceTime(MakeDeviceTime(2026, 3, 14, 9, 13, 27)) + "  V=2.0[m/s]  D=807[m]";
        EXPECT_TRUE(
            ShowsText(OfWindow(image), dlg, CRect(400, 12, 710, 44), 410, 25, readOut, kCursor));

        SetSliderPos(dlg, IDC_RUN_SLIDER, 0);
        ProcessEvents(50);
        EXPECT_EQ(dlg.m_cursor, 307);
    });
}

// Counts the paints and slider notifications the dialog receives.
class CountingChart : public CDlgWykres {
public:
    int paints = 0;
    int sliderDraws = 0;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_PAINT) {
            ++paints;
        } else if (message == WM_NOTIFY &&
                   reinterpret_cast<const NMHDR*>(lParam)->code == NM_CUSTOMDRAW) {
            ++sliderDraws;
        }
        return CDlgWykres::WindowProc(message, wParam, lParam);
    }
};

TEST(ChartWindow, SliderRepaintsSettleInsteadOfLooping) {
    CountingChart chart;
    SetKind(chart, 0);
    Decode(chart, FullScreenRun());
    afx::testing::AddModalHook(IDD_WYKRES, [&](CDialog& dialog) {
        ProcessEvents(300);
        EXPECT_GT(chart.sliderDraws, 0); // the sliders painted when shown
        chart.paints = 0;
        chart.sliderDraws = 0;
        ProcessEvents(1000);
        EXPECT_EQ(chart.paints, 0);
        EXPECT_EQ(chart.sliderDraws, 0);

        SetSliderPos(chart, IDC_CURSOR_SLIDER, 100);
        ProcessEvents(300);
        EXPECT_GT(chart.sliderDraws, 0);
        EXPECT_LT(chart.sliderDraws, 10);
        EXPECT_EQ(chart.m_cursor, 100); // the run slider did not repaint and reset it
        chart.paints = 0;
        chart.sliderDraws = 0;
        ProcessEvents(1000);
        EXPECT_EQ(chart.paints, 0);
        EXPECT_EQ(chart.sliderDraws, 0);
        dialog.EndDialog(IDCANCEL);
    });
    chart.DoModal();
}

} // namespace
