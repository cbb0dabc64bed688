#include "framework/qt_internal.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QImageWriter>

#include <cmath>
#include <cstring>

namespace afx::detail {
QFont FontOf(const CFont& font) {
    if (font.Data() == nullptr)
        return DialogFont();
    return font.Data()->font;
}
} // namespace afx::detail

using namespace afx::detail;

CGdiObject::~CGdiObject() = default;

BOOL CGdiObject::DeleteObject() {
    if (!IsCreated())
        return FALSE;
    Release();
    return TRUE;
}

CPen::CPen(int style, int width, COLORREF color) {
    CreatePen(style, width, color);
}

BOOL CPen::CreatePen(int style, int width, COLORREF color) {
    style_ = style;
    width_ = width < 1 ? 1 : width;
    color_ = color;
    created_ = true;
    return TRUE;
}

CBrush::CBrush(COLORREF color) {
    CreateSolidBrush(color);
}

BOOL CBrush::CreateSolidBrush(COLORREF color) {
    color_ = color;
    created_ = true;
    return TRUE;
}

CFont::CFont() = default;
CFont::~CFont() = default;

BOOL CFont::CreateFont(int height, int width, int escapement, int orientation, int weight,
                       BYTE italic, BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision,
                       BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily,
                       const char* faceName) {
    LOGFONT lf{};
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = italic;
    lf.lfUnderline = underline;
    lf.lfStrikeOut = strikeOut;
    lf.lfCharSet = charSet;
    lf.lfOutPrecision = outPrecision;
    lf.lfClipPrecision = clipPrecision;
    lf.lfQuality = quality;
    lf.lfPitchAndFamily = pitchAndFamily;
    if (faceName != nullptr)
        std::strncpy(lf.lfFaceName, faceName, LF_FACESIZE - 1);
    return CreateFontIndirect(&lf);
}

BOOL CFont::CreateFontIndirect(const LOGFONT* lf) {
    if (lf == nullptr)
        return FALSE;
    EnsureApplication();
    auto data = std::make_unique<FontData>();
    QFont f = DialogFont();
    const std::string face(lf->lfFaceName, strnlen(lf->lfFaceName, LF_FACESIZE));
    const bool fixed =
        (lf->lfPitchAndFamily & 0x3) == FIXED_PITCH || (lf->lfPitchAndFamily & 0xF0) == FF_MODERN;
    if (!face.empty()) {
        f.setFamily(ToQ(face));
    } else if (fixed) {
        QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        if (QFontDatabase::families().contains(QStringLiteral("Liberation Mono")))
            mono.setFamily(QStringLiteral("Liberation Mono"));
        f.setFamily(mono.family());
        f.setStyleHint(QFont::Monospace);
        f.setFixedPitch(true);
    } else if ((lf->lfPitchAndFamily & 0xF0) == FF_ROMAN) {
        f.setStyleHint(QFont::Serif);
    }
    int pixels = 0;
    if (lf->lfHeight < 0)
        pixels = -lf->lfHeight;
    else if (lf->lfHeight > 0)
        pixels = static_cast<int>(std::lround(lf->lfHeight * 0.87)); // cell minus leading
    if (pixels > 0)
        f.setPixelSize(pixels);
    if (lf->lfWeight > 0)
        f.setWeight(static_cast<QFont::Weight>(std::clamp<int>(lf->lfWeight, 100, 900)));
    f.setItalic(lf->lfItalic != 0);
    f.setUnderline(lf->lfUnderline != 0);
    f.setStrikeOut(lf->lfStrikeOut != 0);
    f.setStyleStrategy(QFont::NoAntialias);
    if (lf->lfWidth > 0) {
        // A given width is the average character width in pixels; the font is narrowed or
        // widened to it, so that a line sized for that width is not wrapped or cut.
        const int natural = QFontMetrics(f).averageCharWidth();
        if (natural > 0)
            f.setStretch(
                std::clamp(static_cast<int>(std::lround(100.0 * lf->lfWidth / natural)), 1, 4000));
    }
    data->font = f;
    data->pixelSize = pixels > 0 ? pixels : QFontInfo(f).pixelSize();
    data_ = std::move(data);
    return TRUE;
}

BOOL CFont::CreatePointFontIndirect(const LOGFONT* lf, CDC* dc) {
    if (lf == nullptr)
        return FALSE;
    LOGFONT copy = *lf;
    // Tenths of a point to a character height in the device's pixels (96 DPI without one).
    const int tenths = lf->lfHeight;
    const int dpi =
        dc != nullptr && dc->GetDeviceCaps(LOGPIXELSY) > 0 ? dc->GetDeviceCaps(LOGPIXELSY) : 96;
    copy.lfHeight = -static_cast<LONG>((std::abs(tenths) * dpi + 360) / 720);
    return CreateFontIndirect(&copy);
}

BOOL CFont::CreatePointFont(int pointSizeTenths, const char* faceName, CDC* dc) {
    LOGFONT lf{};
    lf.lfHeight = pointSizeTenths;
    if (faceName != nullptr)
        std::strncpy(lf.lfFaceName, faceName, LF_FACESIZE - 1);
    return CreatePointFontIndirect(&lf, dc);
}

BOOL CFont::IsCreated() const {
    return data_ != nullptr;
}
int CFont::PixelSize() const {
    return data_ ? data_->pixelSize : 0;
}
void CFont::Release() {
    data_.reset();
}

CBitmap::CBitmap() = default;
CBitmap::~CBitmap() = default;

BOOL CBitmap::CreateCompatibleBitmap(CDC*, int width, int height) {
    if (width <= 0 || height <= 0)
        return FALSE;
    auto data = std::make_unique<BitmapData>();
    data->image = QImage(width, height, QImage::Format_RGB32);
    data->image.fill(Qt::black);
    data_ = std::move(data);
    return TRUE;
}

BOOL CBitmap::IsCreated() const {
    return data_ != nullptr;
}
CSize CBitmap::GetSize() const {
    return data_ ? CSize(data_->image.width(), data_->image.height()) : CSize();
}
BOOL CBitmap::EncodePng(std::vector<std::uint8_t>& png) const {
    png.clear();
    if (!data_)
        return FALSE;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    // RGB32 keeps an opaque 0xFF in its unused byte; RGB888 says so in the file, so the
    // PNG has no alpha channel.
    QImageWriter writer(&buffer, "png");
    if (!writer.write(data_->image.convertToFormat(QImage::Format_RGB888)))
        return FALSE;
    png.assign(bytes.begin(), bytes.end());
    return TRUE;
}

void CBitmap::Release() {
    data_.reset();
}
