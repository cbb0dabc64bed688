#pragma once
// CDlgWykres: the chart dialog. Shows one recording run at a time as position or speed
// over time, one pixel column per second, on a black field; the run slider chooses the
// run, the cursor slider moves a cursor along it with a read-out of the sample under it,
// and two boxes show the time of the first and of the last sample of the recording.
//
// Use: construct, set the title, labels and kind, fill m_sampleList (DecodeImage), and
// show it with DoModal only when the list holds at least one run.

#include "framework/afx.h"
#include "measure/sample_stamp_list.h"

#include <string>

class CDlgWykres : public CDialog {
public:
    explicit CDlgWykres(CWnd* parent = nullptr);
    ~CDlgWykres() override;

    CSampleStampList m_sampleList;
    std::string m_title;
    std::string m_xLabel;
    std::string m_yLabel;
    int m_positionChart = 0; // 1: position chart, 0: speed chart
    CEdit m_startEdit;
    CEdit m_endEdit;
    CSliderCtrl m_runSlider;
    CSliderCtrl m_cursorSlider;
    int m_run = 0;
    int m_cursor = 0;
    CFont m_font;

    // Draws the whole chart into an off-screen bitmap the size of the client area and
    // copies its 710 x 460 top-left pixels to (10, 10) of the window in one BitBlt.
    void PaintChart(CDC* dc);
    // The three drawing steps, in the coordinates of the off-screen bitmap. A run index
    // that names no run draws the field and axes only.
    void DrawAxes(CDC* dc, int run);
    void DrawCurve(CDC* dc, int run);
    void DrawCursor(CDC* dc, int run, int cursor);

    // Geometry of the chart in bitmap pixels (on the window everything stands 10 pixels
    // further right and down).
    static constexpr int kOriginX = 50;
    static constexpr int kOriginY = 430;
    static constexpr int kScalePixels = 380; // full value range
    static constexpr int kGridLines = 10;
    static constexpr int kGridStep = 38;
    static constexpr int kBlitX = 10;
    static constexpr int kBlitY = 10;
    static constexpr int kBlitWidth = 710;
    static constexpr int kBlitHeight = 460;

    static constexpr COLORREF kFieldColour = RGB(0, 0, 0);
    static constexpr COLORREF kAxisColour = RGB(0, 250, 0);
    static constexpr COLORREF kGridColour = RGB(0, 0, 250);
    static constexpr COLORREF kLabelColour = RGB(150, 250, 150);
    static constexpr COLORREF kCurveColour = RGB(250, 0, 0);
    static constexpr COLORREF kCursorColour = RGB(250, 250, 0);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    const AFX_MSGMAP* GetMessageMap() const override;

private:
    void OnPaint();
    void OnCursorSliderDraw(NMHDR* hdr, LRESULT* result);
    void OnRunSliderDraw(NMHDR* hdr, LRESULT* result);
    // Puts the cursor slider's range on the run's samples and the cursor in its middle.
    void ResetCursor();

    CPen m_axisPen;
    CPen m_gridPen;
    CPen m_curvePen;
    CPen m_cursorPen;
    CBrush m_fieldBrush;
};
