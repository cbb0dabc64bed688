#include "framework/dc_data.h"

#include <QFontMetrics>
#include <QPainter>

#include <cstdlib>

using namespace afx::detail;

namespace {

void PlotSquare(QImage& img, int x, int y, int w, QRgb c, QRect& touched) {
    const int x0 = x - w / 2;
    const int y0 = y - w / 2;
    for (int yy = y0; yy < y0 + w; ++yy) {
        if (yy < 0 || yy >= img.height())
            continue;
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(yy));
        for (int xx = x0; xx < x0 + w; ++xx)
            if (xx >= 0 && xx < img.width())
                line[xx] = c;
    }
    touched = touched.united(QRect(x0, y0, w, w));
}

} // namespace

CDC::CDC() : data_(std::make_unique<DCData>()) {}
CDC::~CDC() = default;

BOOL CDC::CreateCompatibleDC(CDC*) {
    data_->memory = true;
    data_->created = true;
    data_->wnd = nullptr;
    return TRUE;
}

BOOL CDC::DeleteDC() {
    data_->created = false;
    data_->bitmap = nullptr;
    return TRUE;
}

CPen* CDC::SelectObject(CPen* pen) {
    CPen* old = data_->pen;
    data_->pen = pen;
    return old;
}
CBrush* CDC::SelectObject(CBrush* brush) {
    CBrush* old = data_->brush;
    data_->brush = brush;
    return old;
}
CFont* CDC::SelectObject(CFont* font) {
    CFont* old = data_->font;
    data_->font = font;
    return old;
}
CBitmap* CDC::SelectObject(CBitmap* bitmap) {
    CBitmap* old = data_->bitmap;
    data_->bitmap = bitmap;
    return old;
}

CPoint CDC::MoveTo(int x, int y) {
    CPoint old(data_->pos.x(), data_->pos.y());
    data_->pos = QPoint(x, y);
    return old;
}

CPoint CDC::GetCurrentPosition() const {
    return CPoint(data_->pos.x(), data_->pos.y());
}

BOOL CDC::LineTo(int x, int y) {
    QImage* img = data_->Target();
    const QPoint from = data_->pos;
    data_->pos = QPoint(x, y);
    if (img == nullptr)
        return FALSE;
    const int style =
        data_->pen != nullptr && data_->pen->IsCreated() ? data_->pen->Style() : PS_SOLID;
    if (style == PS_NULL)
        return TRUE;
    const int width = data_->pen != nullptr && data_->pen->IsCreated() ? data_->pen->Width() : 1;
    const QRgb color =
        ToQColor(data_->pen != nullptr && data_->pen->IsCreated() ? data_->pen->Color() : 0).rgb();
    const QRgb gap = ToQColor(data_->bkColor).rgb();
    const bool styled = style == PS_DOT || style == PS_DASH;
    // Bresenham from `from` to (x, y), the end point excluded.
    int x0 = from.x(), y0 = from.y();
    const int dx = std::abs(x - x0), dy = -std::abs(y - y0);
    const int sx = x0 < x ? 1 : -1, sy = y0 < y ? 1 : -1;
    int err = dx + dy;
    int index = 0;
    QRect touched;
    while (!(x0 == x && y0 == y)) {
        bool on = true;
        if (style == PS_DOT)
            on = index % 2 == 0;
        else if (style == PS_DASH)
            on = index % 24 < 18;
        if (on)
            PlotSquare(*img, x0, y0, width, color, touched);
        else if (styled && data_->bkMode == OPAQUE)
            PlotSquare(*img, x0, y0, width, gap, touched);
        ++index;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
    data_->Touch(touched);
    return TRUE;
}

void CDC::FillSolidRect(const CRect& rect, COLORREF color) {
    // As the platform's FillSolidRect, this leaves `color` as the background colour.
    data_->bkColor = color;
    QImage* img = data_->Target();
    if (img == nullptr)
        return;
    QRect r = ToQRect(rect).normalized().intersected(img->rect());
    if (r.isEmpty())
        return;
    const QRgb c = ToQColor(color).rgb();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img->scanLine(y));
        for (int x = r.left(); x <= r.right(); ++x)
            line[x] = c;
    }
    data_->Touch(r);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF color) {
    FillSolidRect(CRect(x, y, x + cx, y + cy), color);
}

void CDC::FillRect(const CRect& rect, CBrush* brush) {
    if (brush == nullptr || !brush->IsCreated())
        return;
    const COLORREF keep = data_->bkColor;
    FillSolidRect(rect, brush->Color());
    data_->bkColor = keep;
}

BOOL CDC::Rectangle(int left, int top, int right, int bottom) {
    if (right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
    if (right - left < 1 || bottom - top < 1)
        return FALSE;
    CBrush white(RGB(255, 255, 255));
    FillRect(CRect(left, top, right, bottom),
             data_->brush != nullptr && data_->brush->IsCreated() ? data_->brush : &white);
    const QPoint keep = data_->pos;
    MoveTo(left, top);
    LineTo(right - 1, top);
    LineTo(right - 1, bottom - 1);
    LineTo(left, bottom - 1);
    LineTo(left, top);
    data_->pos = keep;
    return TRUE;
}

BOOL CDC::TextOut(int x, int y, const std::string& text) {
    if (data_->print)
        return PrintText(*data_, x, y, ToQ(text)) ? TRUE : FALSE;
    QImage* img = data_->Target();
    if (img == nullptr)
        return FALSE;
    const QFont f = data_->Font();
    QFontMetrics fm(f);
    const QString q = ToQ(text);
    const QRect cell(x, y, fm.horizontalAdvance(q), fm.height());
    QPainter p(img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    if (data_->bkMode == OPAQUE)
        p.fillRect(cell, ToQColor(data_->bkColor));
    p.setFont(f);
    p.setPen(ToQColor(data_->textColor));
    p.drawText(QPoint(x, y + fm.ascent()), q);
    p.end();
    data_->Touch(cell.adjusted(-2, 0, 2, 0));
    return TRUE;
}

CSize CDC::GetTextExtent(const std::string& text) const {
    QPaintDevice* device = data_->print ? PrintDevice(*data_->print) : nullptr;
    QFontMetrics fm =
        device != nullptr ? QFontMetrics(data_->Font(), device) : QFontMetrics(data_->Font());
    return CSize(fm.horizontalAdvance(ToQ(text)), fm.height());
}

COLORREF CDC::SetTextColor(COLORREF c) {
    COLORREF old = data_->textColor;
    data_->textColor = c;
    return old;
}
COLORREF CDC::GetTextColor() const {
    return data_->textColor;
}
int CDC::SetBkMode(int mode) {
    int old = data_->bkMode;
    data_->bkMode = mode;
    return old;
}
int CDC::GetBkMode() const {
    return data_->bkMode;
}
COLORREF CDC::SetBkColor(COLORREF c) {
    COLORREF old = data_->bkColor;
    data_->bkColor = c;
    return old;
}
COLORREF CDC::GetBkColor() const {
    return data_->bkColor;
}

BOOL CDC::BitBlt(int x, int y, int width, int height, CDC* src, int xSrc, int ySrc, DWORD rop) {
    if (data_->print)
        return StretchBlt(x, y, width, height, src, xSrc, ySrc, width, height, rop);
    QImage* dst = data_->Target();
    QImage* from = src != nullptr ? src->data_->Target() : nullptr;
    if (dst == nullptr || from == nullptr || width <= 0 || height <= 0)
        return FALSE;
    for (int row = 0; row < height; ++row) {
        const int sy = ySrc + row, dy = y + row;
        if (sy < 0 || sy >= from->height() || dy < 0 || dy >= dst->height())
            continue;
        const auto* s = reinterpret_cast<const QRgb*>(from->constScanLine(sy));
        auto* d = reinterpret_cast<QRgb*>(dst->scanLine(dy));
        for (int col = 0; col < width; ++col) {
            const int sx = xSrc + col, dx = x + col;
            if (sx >= 0 && sx < from->width() && dx >= 0 && dx < dst->width())
                d[dx] = s[sx] | 0xFF000000u;
        }
    }
    data_->Touch(QRect(x, y, width, height).intersected(dst->rect()));
    return TRUE;
}

BOOL CDC::StretchBlt(int x, int y, int wDst, int hDst, CDC* src, int xSrc, int ySrc, int wSrc,
                     int hSrc, DWORD) {
    QImage* from = src != nullptr ? src->data_->Target() : nullptr;
    if (from == nullptr || wDst <= 0 || hDst <= 0 || wSrc <= 0 || hSrc <= 0)
        return FALSE;
    const QRect target(x, y, wDst, hDst);
    const QRect source(xSrc, ySrc, wSrc, hSrc);
    if (data_->print)
        return PrintImage(*data_, target, *from, source) ? TRUE : FALSE;
    QImage* dst = data_->Target();
    if (dst == nullptr)
        return FALSE;
    QPainter p(dst);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(target, *from, source);
    p.end();
    data_->Touch(target.intersected(dst->rect()));
    return TRUE;
}

int CDC::GetDeviceCaps(int index) const {
    if (data_->print) {
        if (QPaintDevice* device = PrintDevice(*data_->print)) {
            switch (index) {
            case HORZRES:
                return device->width();
            case VERTRES:
                return device->height();
            case LOGPIXELSX:
                return device->logicalDpiX();
            case LOGPIXELSY:
                return device->logicalDpiY();
            default:
                return 0;
            }
        }
        return 0;
    }
    switch (index) {
    case HORZRES:
        return GetSurfaceSize().cx;
    case VERTRES:
        return GetSurfaceSize().cy;
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    default:
        return 0;
    }
}

COLORREF CDC::GetPixel(int x, int y) const {
    QImage* img = data_->Target();
    if (img == nullptr || !img->rect().contains(x, y))
        return CLR_INVALID;
    return FromQColor(QColor(img->pixel(x, y)));
}

COLORREF CDC::SetPixel(int x, int y, COLORREF color) {
    QImage* img = data_->Target();
    if (img == nullptr || !img->rect().contains(x, y))
        return CLR_INVALID;
    img->setPixel(x, y, ToQColor(color).rgb());
    data_->Touch(QRect(x, y, 1, 1));
    return color;
}

BOOL CDC::DrawIcon(int x, int y, HICON icon) {
    QImage* img = data_->Target();
    if (img == nullptr || icon == nullptr)
        return FALSE;
    QImage image = IconImage(icon);
    QPainter p(img);
    p.drawImage(QPoint(x, y), image);
    p.end();
    data_->Touch(QRect(QPoint(x, y), image.size()));
    return TRUE;
}

CSize CDC::GetSurfaceSize() const {
    QImage* img = data_->Target();
    return img != nullptr ? CSize(img->width(), img->height()) : CSize();
}

CPaintDC::CPaintDC(CWnd* wnd) {
    data_->wnd = wnd;
    data_->created = true;
}

CPaintDC::~CPaintDC() {
    // Outside a paint event (a handler called directly) the drawing still has to show.
    if (data_->wnd != nullptr && data_->wnd->m_hWnd != nullptr && !data_->wnd->Data().inPaint &&
        !data_->dirty.isEmpty())
        data_->wnd->m_hWnd->update(data_->dirty);
}

CClientDC::CClientDC(CWnd* wnd) {
    data_->wnd = wnd;
    data_->created = true;
}

CClientDC::~CClientDC() {
    Flush();
}

void CClientDC::Flush() {
    CWnd* wnd = data_->wnd;
    if (wnd != nullptr && wnd->m_hWnd != nullptr && !data_->dirty.isEmpty() && !wnd->Data().inPaint)
        wnd->m_hWnd->update(data_->dirty);
    data_->dirty = QRect();
}
