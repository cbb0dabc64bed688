// Private to the framework: what a device context holds, shared by the drawing calls and
// the printer DC.
#pragma once

#include "framework/qt_internal.h"

#include <QPainter>

#include <memory>
#include <string>

class QPaintDevice;

namespace afx::detail {

// The printing side of a printer DC: the printer as the print dialog left it, the painter
// while a document is open, and for a job printed to a PDF file the document in memory.
struct PrintJob;
QPainter* PrintPainter(PrintJob& job); // nullptr outside StartDoc ... EndDoc
QPaintDevice* PrintDevice(PrintJob& job);
void DeletePrintJob(PrintJob* job);
struct DCData;
// Drawing on a printer DC's open page; false when no page is open.
bool PrintText(DCData& dc, int x, int y, const QString& text);
bool PrintImage(DCData& dc, const QRect& target, const QImage& image, const QRect& source);
struct PrintJobDeleter {
    void operator()(PrintJob* job) const { DeletePrintJob(job); }
};

struct DCData {
    CWnd* wnd = nullptr;
    bool memory = false;
    bool created = false;
    CBitmap* bitmap = nullptr;
    CPen* pen = nullptr;
    CBrush* brush = nullptr;
    CFont* font = nullptr;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    QPoint pos;
    QRect dirty;
    std::unique_ptr<PrintJob, PrintJobDeleter> print; // a printer DC's job, see CPrintDialog

    QImage* Target() {
        if (memory)
            return bitmap != nullptr && bitmap->IsCreated() ? &bitmap->Data()->image : nullptr;
        if (wnd != nullptr && wnd->m_hWnd != nullptr)
            return &Backing(*wnd);
        return nullptr;
    }
    void Touch(const QRect& r) {
        if (!memory)
            dirty = dirty.united(r);
    }
    QFont Font() const {
        QFont f = font != nullptr && font->IsCreated() ? FontOf(*font) : DialogFont();
        f.setStyleStrategy(QFont::NoAntialias);
        return f;
    }
};
} // namespace afx::detail
