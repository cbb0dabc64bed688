// Device contexts: drawing into a window or a memory bitmap, pixel-exact (no
// antialiasing, so pixels land where the integer geometry says).
#pragma once

#include "framework/gdi_object.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CWnd;

namespace afx::detail {
struct DCData;
}

// Defaults: a black solid pen of width 1, a white brush, the dialog font, black text,
// OPAQUE background mode with a white background colour, current position (0, 0).
// SelectObject returns the object selected before, which may be nullptr for the
// defaults; selecting nullptr puts the default back.
class CDC {
public:
    CDC();
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // A memory DC: draws into the bitmap selected into it (nothing before that).
    BOOL CreateCompatibleDC(CDC* dc);
    BOOL DeleteDC();

    CPen* SelectObject(CPen* pen);
    CBrush* SelectObject(CBrush* brush);
    CFont* SelectObject(CFont* font);
    CBitmap* SelectObject(CBitmap* bitmap);

    CPoint MoveTo(int x, int y);
    CPoint MoveTo(CPoint p) { return MoveTo(p.x, p.y); }
    // Line with the current pen from the current position to (x, y), the end point
    // excluded; the current position moves to (x, y).
    BOOL LineTo(int x, int y);
    BOOL LineTo(CPoint p) { return LineTo(p.x, p.y); }
    CPoint GetCurrentPosition() const;

    // Fills left..right-1 x top..bottom-1.
    void FillSolidRect(const CRect& rect, COLORREF color);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF color);
    void FillRect(const CRect& rect, CBrush* brush);
    // Outline with the current pen, inside with the current brush; covers
    // left..right-1 x top..bottom-1.
    BOOL Rectangle(int left, int top, int right, int bottom);
    BOOL Rectangle(const CRect& rect) {
        return Rectangle(rect.left, rect.top, rect.right, rect.bottom);
    }

    // (x, y) is the top-left of the text cell. In OPAQUE mode the cell is filled with the
    // background colour first.
    BOOL TextOut(int x, int y, const std::string& text);
    CSize GetTextExtent(const std::string& text) const;
    COLORREF SetTextColor(COLORREF color);
    COLORREF GetTextColor() const;
    int SetBkMode(int mode);
    int GetBkMode() const;
    COLORREF SetBkColor(COLORREF color);
    COLORREF GetBkColor() const;

    // Copies a w x h block from src at (xSrc, ySrc) to (x, y). Only SRCCOPY.
    BOOL BitBlt(int x, int y, int width, int height, CDC* src, int xSrc, int ySrc, DWORD rop);
    // CLR_INVALID outside the surface.
    COLORREF GetPixel(int x, int y) const;
    COLORREF SetPixel(int x, int y, COLORREF color);
    // Draws the icon at its own size with (x, y) its top-left corner.
    BOOL DrawIcon(int x, int y, HICON icon);

    // Copies the w x h block of src at (xSrc, ySrc) scaled to wDst x hDst at (x, y), each
    // pixel repeated or dropped (no smoothing), so the chart's pixels stay sharp. Only
    // SRCCOPY.
    BOOL StretchBlt(int x, int y, int wDst, int hDst, CDC* src, int xSrc, int ySrc, int wSrc,
                    int hSrc, DWORD rop);

    // Size of the surface drawn on (the window's client area or the bitmap).
    CSize GetSurfaceSize() const;
    // HORZRES, VERTRES: the drawable area in device pixels (a printer's printable part of
    // the page); LOGPIXELSX, LOGPIXELSY: device pixels per inch (96 on the screen).
    int GetDeviceCaps(int index) const;

    // ---- Printing, on a DC from CPrintDialog::CreatePrinterDC ----
    // A printer DC draws text (TextOut, GetTextExtent) and bitmaps (BitBlt, StretchBlt)
    // between StartPage and EndPage; the other drawing calls do nothing on it.
    // StartDoc opens the job (the printer, or a PDF document in memory); > 0 on success,
    // SP_ERROR when it cannot be opened. EndDoc hands the job to the printer, or finishes
    // the PDF document, which GetPrintedFile then gives. AbortDoc drops the job.
    int StartDoc(const std::string& docName);
    int StartPage();
    int EndPage();
    int EndDoc();
    int AbortDoc();
    // Why the last printing call that failed did, in the system's words (may be empty).
    std::string GetPrintError() const;
    // Printing to a PDF file writes no file: after an EndDoc that succeeded this gives the
    // file name chosen in the print dialog and the whole document, for the caller to save.
    // FALSE for a job that went to a printer, and before such an EndDoc.
    BOOL GetPrintedFile(std::string& path, std::vector<std::uint8_t>& bytes) const;

    afx::detail::DCData& Data() const { return *data_; }

protected:
    std::unique_ptr<afx::detail::DCData> data_;
};

// Inside a WM_PAINT handler: draws the window's client area for this paint.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC() override;
};

// Outside a paint event: draws into the window's own backing image, which its paint
// event shows. When the DC goes away (or is flushed) only the bounding rectangle of what
// was drawn is repainted, never the whole window, so child controls outside it are not
// repainted.
class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* wnd);
    ~CClientDC() override;
    // Repaints what was drawn so far.
    void Flush();
};
