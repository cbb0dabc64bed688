#pragma once
// CDlgWykres: the chart dialog. Shows one recording run at a time as position or speed
// over time, one pixel column per second, on a black field; the run slider chooses the
// run, the cursor slider moves a cursor along it with a read-out of the sample under it,
// and two boxes show the time of the first and of the last sample of the recording.
//
// Getting data out: a context menu on the chart (right click) and its keys save the chart
// as a PNG file (Ctrl+S), copy it to the clipboard (Ctrl+C), print it on one landscape
// page (Ctrl+P), and export every sample of the whole image as CSV (Ctrl+E). In a time
// box with text selected in it Ctrl+C copies that text, as in any edit. A failed save or
// print tells its reason in a message box and leaves no partial file.
//
// Use: construct, set the title, labels and kind, fill m_sampleList (DecodeImage), set
// the image and its source for the menu's commands, and show it with DoModal only when
// the list holds at least one run.

#include "framework/afx.h"
#include "measure/sample_stamp_list.h"

#include <cstddef>
#include <cstdint>
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

    // The memory image the runs were decoded from (the CSV export takes every sample of
    // it) and where it came from (the print's title line; empty: not known). Not owned;
    // the image must outlive the dialog.
    const std::uint8_t* m_image = nullptr;
    std::size_t m_imageLength = 0;
    std::string m_imageSource;

    // Commands of the chart's menu and keys.
    static constexpr UINT kCmdSaveImage = 0x8101; // "Zapisz wykres jako obraz..." Ctrl+S
    static constexpr UINT kCmdCopyImage = 0x8102; // "Kopiuj wykres" Ctrl+C
    static constexpr UINT kCmdPrint = 0x8103;     // "Drukuj..." Ctrl+P
    static constexpr UINT kCmdExportCsv = 0x8104; // "Eksportuj pomiary do CSV..." Ctrl+E
    static constexpr UINT kCmdCopy = 0x8105;      // Ctrl+C: selected text, else the chart

    // The chart as the window shows it: what PaintChart draws, without the strips of the
    // off-screen bitmap the chart never paints; kFieldWidth x kFieldHeight pixels, the
    // window's pixels from (20, 20) on.
    void DrawChartImage(CBitmap& image);
    // The print's title line: the chart's title, the start and end time of the run shown,
    // and the image's source when known.
    std::string PrintTitle() const;

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
    static constexpr int kFieldX = 10; // the black field, in bitmap pixels
    static constexpr int kFieldY = 10;
    static constexpr int kFieldWidth = 700;
    static constexpr int kFieldHeight = 450;

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
    // Ctrl+C: the text selected in the time box with the focus, else the chart.
    void OnCopy();
    // Getting data out (measure/ui/dlg_wykres_commands.cpp).
    void OnContextMenu(CWnd* window, CPoint screenPoint);
    void OnSaveImage();
    void OnCopyImage();
    void OnPrint();
    void OnExportCsv();

    CPen m_axisPen;
    CPen m_gridPen;
    CPen m_curvePen;
    CPen m_cursorPen;
    CBrush m_fieldBrush;
};
