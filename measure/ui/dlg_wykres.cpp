#include "measure/ui/dlg_wykres.h"

#include "base/device_time.h"
#include "base/text_format.h"
#include "res/resource.h"

CDlgWykres::CDlgWykres(CWnd* parent)
    : CDialog(IDD_WYKRES, parent), m_title("Nowy wykres"), m_axisPen(PS_SOLID, 2, kAxisColour),
      m_gridPen(PS_DOT, 1, kGridColour), m_curvePen(PS_SOLID, 1, kCurveColour),
      m_cursorPen(PS_SOLID, 1, kCursorColour), m_fieldBrush(kFieldColour) {
    m_font.CreateFont(16, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                      nullptr);
}

CDlgWykres::~CDlgWykres() = default;

const AFX_MSGMAP* CDlgWykres::GetMessageMap() const {
    static const AFX_MSGMAP map = AFX_MSGMAP::Of<CDlgWykres>(
        CDialog::GetThisMessageMap(),
        {
            OnMessageEntry(WM_PAINT, &CDlgWykres::OnPaint),
            OnNotifyEntry(NM_CUSTOMDRAW, IDC_CURSOR_SLIDER, &CDlgWykres::OnCursorSliderDraw),
            OnNotifyEntry(NM_CUSTOMDRAW, IDC_RUN_SLIDER, &CDlgWykres::OnRunSliderDraw),
            OnContextMenuEntry(&CDlgWykres::OnContextMenu),
            OnCommandEntry(kCmdSaveImage, &CDlgWykres::OnSaveImage),
            OnCommandEntry(kCmdCopyImage, &CDlgWykres::OnCopyImage),
            OnCommandEntry(kCmdPrint, &CDlgWykres::OnPrint),
            OnCommandEntry(kCmdExportCsv, &CDlgWykres::OnExportCsv),
            OnCommandEntry(kCmdCopy, &CDlgWykres::OnCopy),
            AcceleratorEntry(FCONTROL, 'S', kCmdSaveImage),
            AcceleratorEntry(FCONTROL, 'C', kCmdCopy),
            AcceleratorEntry(FCONTROL, 'P', kCmdPrint),
            AcceleratorEntry(FCONTROL, 'E', kCmdExportCsv),
        });
    return &map;
}

void CDlgWykres::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_CHART_START, m_startEdit);
    DDX_Control(pDX, IDC_CHART_END, m_endEdit);
    DDX_Control(pDX, IDC_RUN_SLIDER, m_runSlider);
    DDX_Control(pDX, IDC_CURSOR_SLIDER, m_cursorSlider);
}

BOOL CDlgWykres::OnInitDialog() {
    CDialog::OnInitDialog();
    SetWindowText(m_title);

    m_run = 0;
    m_runSlider.SetRange(0, m_sampleList.GetStampCount() - 1);
    m_runSlider.SetPos(0);
    ResetCursor();

    if (const CSampleStamp* first = m_sampleList.GetStamp(0)) {
        m_startEdit.SetWindowText(FormatDeviceTime(first->GetStartTime()));
    }
    if (const CSampleStamp* last = m_sampleList.GetStamp(m_sampleList.GetStampCount() - 1)) {
        m_endEdit.SetWindowText(FormatDeviceTime(last->GetSampleTime(last->GetSampleCount() - 1)));
    }
    // The focus goes to the first control, the cursor slider, so the arrow keys move the
    // cursor.
    return TRUE;
}

void CDlgWykres::ResetCursor() {
    const CSampleStamp* stamp = m_sampleList.GetStamp(m_run);
    const int last = (stamp != nullptr ? stamp->GetSampleCount() : 0) - 1;
    m_cursorSlider.SetRange(0, last);
    m_cursor = last / 2;
    m_cursorSlider.SetPos(m_cursor);
}

// The window's keys come before its controls', so the key every edit copies with is given
// back to a time box whose text the user selected.
void CDlgWykres::OnCopy() {
    CWnd* focus = GetFocus();
    for (CEdit* box : {&m_startEdit, &m_endEdit}) {
        if (focus != box) {
            continue;
        }
        int start = 0;
        int end = 0;
        box->GetSel(start, end);
        if (start != end) {
            box->Copy();
            return;
        }
    }
    OnCopyImage();
}

void CDlgWykres::OnPaint() {
    CPaintDC dc(this);
    PaintChart(&dc);
}

// A slider sends this each time it paints, so also after every move of the cursor.
void CDlgWykres::OnCursorSliderDraw(NMHDR* /*hdr*/, LRESULT* result) {
    m_cursor = m_cursorSlider.GetPos();
    CClientDC dc(this);
    PaintChart(&dc);
    *result = 0;
}

// Whatever repaints the run slider (moving it, uncovering the window) puts the cursor back
// in the middle of the run it shows.
void CDlgWykres::OnRunSliderDraw(NMHDR* /*hdr*/, LRESULT* result) {
    m_run = m_runSlider.GetPos();
    ResetCursor();
    CClientDC dc(this);
    PaintChart(&dc);
    *result = 0;
}

void CDlgWykres::PaintChart(CDC* dc) {
    CRect client;
    GetClientRect(&client);

    CDC memory;
    memory.CreateCompatibleDC(dc);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(dc, client.Width(), client.Height());
    CBitmap* oldBitmap = memory.SelectObject(&bitmap);

    DrawAxes(&memory, m_run);
    DrawCurve(&memory, m_run);
    DrawCursor(&memory, m_run, m_cursor);

    dc->BitBlt(kBlitX, kBlitY, kBlitWidth, kBlitHeight, &memory, 0, 0, SRCCOPY);

    memory.SelectObject(oldBitmap);
    bitmap.DeleteObject();
    memory.DeleteDC();
}

void CDlgWykres::DrawAxes(CDC* dc, int run) {
    const CRect field(10, 10, 710, 460);
    dc->FillRect(field, &m_fieldBrush);

    CPen* oldPen = dc->SelectObject(&m_axisPen);
    dc->MoveTo(kOriginX, kOriginY);
    dc->LineTo(670, kOriginY);
    dc->MoveTo(670, kOriginY);
    dc->LineTo(666, 426);
    dc->MoveTo(670, kOriginY);
    dc->LineTo(666, 434);
    dc->MoveTo(kOriginX, kOriginY);
    dc->LineTo(kOriginX, 40);
    dc->MoveTo(kOriginX, 40);
    dc->LineTo(46, 44);
    dc->MoveTo(kOriginX, 40);
    dc->LineTo(54, 44);

    // Transparent also for the dotted grid below, whose gaps must keep the field's black.
    const COLORREF oldColour = dc->SetTextColor(kLabelColour);
    const int oldMode = dc->SetBkMode(TRANSPARENT);
    CFont* oldFont = dc->SelectObject(&m_font);
    dc->TextOut(660, 440, m_xLabel);
    dc->TextOut(20, 20, m_yLabel);

    const CSampleStamp* stamp = m_sampleList.GetStamp(run);
    // Labels of the position chart: the run's own range, in signed arithmetic, so a run
    // without samples (min 65535, max 0) gives falling labels rather than wrapping.
    const int minPos = stamp != nullptr ? stamp->GetMinPosition() : 0;
    const int maxPos = stamp != nullptr ? stamp->GetMaxPosition() : 0;

    dc->SelectObject(&m_gridPen);
    for (int i = 1; i <= kGridLines; ++i) {
        const int y = kOriginY - kGridStep * i;
        dc->MoveTo(52, y);
        dc->LineTo(668, y);
        if (!m_positionChart) {
            dc->TextOut(12, y - 8, Format("%2d.%01d", (5 * i) / 10, (5 * i) % 10));
        } else if (stamp != nullptr) {
            dc->TextOut(12, y - 8, Format("%4d", minPos + (i * (maxPos - minPos)) / 10));
        }
    }
    if (m_positionChart && stamp != nullptr) {
        dc->TextOut(12, kOriginY - 8, Format("%4d", minPos));
    }

    dc->SelectObject(oldFont);
    dc->SetBkMode(oldMode);
    dc->SetTextColor(oldColour);
    dc->SelectObject(oldPen);
}

void CDlgWykres::DrawCurve(CDC* dc, int run) {
    const CSampleStamp* stamp = m_sampleList.GetStamp(run);
    if (stamp == nullptr) {
        return;
    }
    const int minPos = stamp->GetMinPosition();
    int maxPos = stamp->GetMaxPosition();
    if (minPos == maxPos) {
        ++maxPos; // a run standing still is drawn along the time axis
    }

    CPen* oldPen = dc->SelectObject(&m_curvePen);
    dc->MoveTo(kOriginX, kOriginY);
    const int count = stamp->GetSampleCount();
    for (int j = 0; j < count; ++j) {
        const t_sample_type sample = stamp->GetSample(j);
        int y;
        if (m_positionChart) {
            y = kOriginY - ((sample.position - minPos) * kScalePixels) / (maxPos - minPos);
        } else {
            y = kOriginY - (sample.speed * kScalePixels) / 50; // 5.0 m/s on the top grid line
        }
        dc->LineTo(kOriginX + 1 + j, y);
    }
    dc->SelectObject(oldPen);
}

void CDlgWykres::DrawCursor(CDC* dc, int run, int cursor) {
    const CSampleStamp* stamp = m_sampleList.GetStamp(run);
    if (stamp == nullptr) {
        return;
    }
    CPen* oldPen = dc->SelectObject(&m_cursorPen);
    const COLORREF oldColour = dc->SetTextColor(kCursorColour);
    const int oldMode = dc->SetBkMode(TRANSPARENT);
    CFont* oldFont = dc->SelectObject(&m_font);

    const int x = kOriginX + 1 + cursor;
    dc->MoveTo(x, kOriginY);
    dc->LineTo(x, 44);

    const t_device_time time = stamp->GetSampleTime(cursor);
    const t_sample_type sample = stamp->GetSample(cursor);
    dc->TextOut(410, 25,
                FormatDeviceTime(time) + Format("  V=%d.%01d[m/s]  D=%d[m]", sample.speed / 10,
                                                sample.speed % 10, sample.position));

    dc->SelectObject(oldFont);
    dc->SetBkMode(oldMode);
    dc->SetTextColor(oldColour);
    dc->SelectObject(oldPen);
}
