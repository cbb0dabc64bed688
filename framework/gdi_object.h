// Drawing objects: pens, brushes, fonts and bitmaps.
#pragma once

#include "framework/afx_types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace afx::detail {
struct FontData;
struct BitmapData;
} // namespace afx::detail

class CDC;

class CGdiObject {
public:
    virtual ~CGdiObject();
    CGdiObject() = default;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    virtual BOOL IsCreated() const = 0;
    BOOL DeleteObject();

protected:
    virtual void Release() = 0;
};

// Pen: PS_SOLID, PS_DOT or PS_NULL; width in pixels (0 counts as 1).
// A width-1 line covers the pixels from its start to its end, the end excluded (GDI).
// A width-w line covers, for every pixel (x, y) of the width-1 line, the w x w square
// from (x - w/2, y - w/2): width 2 adds the pixels left of and above each pixel, so a
// horizontal line at y covers rows y-1 and y.
// PS_DOT draws every other pixel, starting with the first; in OPAQUE background mode the
// gaps take the background colour, in TRANSPARENT mode they are left alone.
class CPen : public CGdiObject {
public:
    CPen() = default;
    CPen(int style, int width, COLORREF color);
    BOOL CreatePen(int style, int width, COLORREF color);
    BOOL IsCreated() const override { return created_; }
    int Style() const { return style_; }
    int Width() const { return width_; }
    COLORREF Color() const { return color_; }

protected:
    void Release() override { created_ = false; }

private:
    bool created_ = false;
    int style_ = PS_SOLID;
    int width_ = 1;
    COLORREF color_ = 0;
};

class CBrush : public CGdiObject {
public:
    CBrush() = default;
    explicit CBrush(COLORREF color);
    BOOL CreateSolidBrush(COLORREF color);
    BOOL IsCreated() const override { return created_; }
    COLORREF Color() const { return color_; }

protected:
    void Release() override { created_ = false; }

private:
    bool created_ = false;
    COLORREF color_ = 0;
};

// Heights as in GDI: negative = character height in pixels, positive = cell height in
// pixels (the character height is then taken slightly smaller), 0 = default size.
// FIXED_PITCH or FF_MODERN without a face name picks a monospace font.
class CFont : public CGdiObject {
public:
    CFont();
    ~CFont() override;
    BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                    BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision,
                    BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily, const char* faceName);
    BOOL CreateFontIndirect(const LOGFONT* logFont);
    // lfHeight in tenths of a point (210 = 21 pt), at the resolution of `dc` (a printer DC:
    // the printer's), 96 DPI without one.
    BOOL CreatePointFontIndirect(const LOGFONT* logFont, CDC* dc = nullptr);
    BOOL CreatePointFont(int pointSizeTenths, const char* faceName, CDC* dc = nullptr);
    BOOL IsCreated() const override;
    // Pixel size of the character height the font was made with.
    int PixelSize() const;
    afx::detail::FontData* Data() const { return data_.get(); }

protected:
    void Release() override;

private:
    std::unique_ptr<afx::detail::FontData> data_;
};

class CBitmap : public CGdiObject {
public:
    CBitmap();
    ~CBitmap() override;
    // A bitmap of width x height pixels for drawing through a memory DC; initially black.
    BOOL CreateCompatibleBitmap(CDC* dc, int width, int height);
    BOOL IsCreated() const override;
    CSize GetSize() const;
    // The picture as the bytes of a PNG file (8-bit RGB, no alpha), replacing `png`'s
    // content. FALSE, with `png` empty, when the bitmap was never created.
    BOOL EncodePng(std::vector<std::uint8_t>& png) const;
    afx::detail::BitmapData* Data() const { return data_.get(); }

protected:
    void Release() override;

private:
    std::unique_ptr<afx::detail::BitmapData> data_;
};
