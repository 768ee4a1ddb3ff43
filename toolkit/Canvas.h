#pragma once
// TCanvas: the drawing surface every widget paints through. It draws into a
// QImage with the pixel rules the widgets were designed for:
//  - a line from (x1, y) to (x2, y) covers x1 <= x < x2; the end pixel is
//    never drawn (one-pixel lines use our own integer rasteriser so that
//    diagonal outlines land on exact pixels);
//  - rectangles and fills exclude Right and Bottom;
//  - polygons fill with the brush by the alternate (even-odd) rule and are
//    outlined with the pen unless its style is psClear;
//  - pen and brush colours resolve system colours through the fixed table;
//  - a clip region (device coordinates), a viewport origin, and a stack of
//    saved states;
//  - no antialiasing anywhere, text included.
#include "Graphics.h"

#include <QImage>
#include <QString>

#include <vector>

// Background mode of text (and of the gaps of styled pens).
enum TBkMode { TRANSPARENT = 1, OPAQUE = 2 };

// Raster operations of block copies.
enum TCopyMode : std::uint32_t {
    cmBlackness = 0x00000042,
    cmDstInvert = 0x00550009,
    cmMergeCopy = 0x00C000CA,
    cmMergePaint = 0x00BB0226,
    cmNotSrcCopy = 0x00330008,
    cmNotSrcErase = 0x001100A6,
    cmPatCopy = 0x00F00021,
    cmPatInvert = 0x005A0049,
    cmPatPaint = 0x00FB0A09,
    cmSrcAnd = 0x008800C6,
    cmSrcCopy = 0x00CC0020,
    cmSrcErase = 0x00440328,
    cmSrcInvert = 0x00660046,
    cmSrcPaint = 0x00EE0086,
    cmWhiteness = 0x00FF0062,
};

// DrawText format flags.
constexpr unsigned DT_TOP = 0x0;
constexpr unsigned DT_LEFT = 0x0;
constexpr unsigned DT_CENTER = 0x1;
constexpr unsigned DT_RIGHT = 0x2;
constexpr unsigned DT_VCENTER = 0x4;
constexpr unsigned DT_BOTTOM = 0x8;
constexpr unsigned DT_WORDBREAK = 0x10;
constexpr unsigned DT_SINGLELINE = 0x20;
constexpr unsigned DT_EXPANDTABS = 0x40;
constexpr unsigned DT_NOCLIP = 0x100;
constexpr unsigned DT_EXTERNALLEADING = 0x200;
constexpr unsigned DT_CALCRECT = 0x400;
constexpr unsigned DT_NOPREFIX = 0x800;
constexpr unsigned DT_RTLREADING = 0x20000;
constexpr unsigned DT_HIDEPREFIX = 0x100000;

// Pixels() of a point outside the image or the clip region.
constexpr TColor CLR_INVALID = static_cast<TColor>(0xFFFFFFFFu);

// Sets `count` pixels from `dst` on to `value`; fast for long spans.
void FillSpan32(QRgb* dst, int count, QRgb value);

struct TTextMetric {
    int tmHeight = 0;
    int tmAscent = 0;
    int tmDescent = 0;
    int tmInternalLeading = 0;
    int tmExternalLeading = 0;
    int tmAveCharWidth = 0;
    int tmMaxCharWidth = 0;
    int tmWeight = 400;
    int tmPitchAndFamily = 0;   // TMPF_TRUETYPE for scalable fonts
};

class TCanvas {
public:
    TCanvas();
    // Draws into `target` (not owned; it must outlive the canvas or be
    // replaced with SetTarget). The image may be resized in place.
    explicit TCanvas(QImage* target);
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;
    ~TCanvas();

    void SetTarget(QImage* target);
    QImage* Target() const { return target_; }
    bool HandleAllocated() const { return target_ != nullptr && !target_->isNull(); }

    TPen& Pen() { return state_.pen; }
    const TPen& Pen() const { return state_.pen; }
    TBrush& Brush() { return state_.brush; }
    const TBrush& Brush() const { return state_.brush; }
    TFont& Font() { return state_.font; }
    const TFont& Font() const { return state_.font; }
    void SetFont(const TFont& font) { state_.font.Assign(font); }
    TCopyMode CopyMode() const { return state_.copyMode; }
    void SetCopyMode(TCopyMode mode) { state_.copyMode = mode; }
    // Text is drawn on a background of the brush colour only while the mode
    // is OPAQUE and the brush is not bsClear.
    TBkMode BkMode() const { return state_.bkMode; }
    void SetBkMode(TBkMode mode) { state_.bkMode = mode; }

    // ---- lines and pixels (logical coordinates) ----
    TPoint PenPos() const { return state_.penPos; }
    void SetPenPos(TPoint p) { state_.penPos = p; }
    void MoveTo(int x, int y);
    // Draws from PenPos to (x, y) without the end pixel; PenPos := (x, y).
    void LineTo(int x, int y);
    void Polyline(const std::vector<TPoint>& points);
    TColor Pixels(int x, int y) const;   // CLR_INVALID outside image or clip
    void SetPixels(int x, int y, TColor color);

    // ---- areas ----
    // Fills with the brush; Right and Bottom excluded. Nothing for bsClear.
    void FillRect(const TRect& r);
    // A one-pixel frame in the brush colour just inside r.
    void FrameRect(const TRect& r);
    // Pen outline on the rectangle's inner edge and the brush inside. With
    // psClear the fill covers Left..Right-2, Top..Bottom-2 (the platform's
    // rule: the last column and row stay untouched).
    void Rectangle(const TRect& r);
    void Rectangle(int x1, int y1, int x2, int y2) { Rectangle(TRect{x1, y1, x2, y2}); }
    // Fills the alternate-rule region of the points with the brush (unless
    // bsClear), then outlines the closed polygon with the pen (unless psClear).
    void Polygon(const std::vector<TPoint>& points);
    void Polygon(const TPoint* points, int count);
    // Fills a region given in logical coordinates with the brush.
    void FillRegion(const TRegion& region);
    // The dotted focus frame: every second pixel of the one-pixel frame just
    // inside r is inverted, so drawing it twice removes it.
    void DrawFocusRect(const TRect& r);

    // ---- text ----
    // Draws text in the font's colour with (x, y) as the top-left corner of
    // the text in its own reading direction: with escapement 900 the text
    // reads upward from (x, y) and lies to the right of x; with 2700 it reads
    // downward from (x, y) and lies to the left of x.
    void TextOut(int x, int y, const QString& text);
    // Unrotated extent: width along the baseline, height = font height.
    TSize TextExtent(const QString& text) const;
    int TextWidth(const QString& text) const { return TextExtent(text).cx; }
    int TextHeight(const QString& text) const { return TextExtent(text).cy; }
    TTextMetric GetTextMetrics() const;
    // Lays text out in r by the DT_* flags. With DT_CALCRECT nothing is drawn
    // and r becomes the text's bounds (Right = Left + widest line, Bottom =
    // Top + height). Returns the text height. DT_VCENTER and DT_BOTTOM apply
    // with DT_SINGLELINE only. Unless DT_NOPREFIX, "&x" underlines x and "&&"
    // shows "&".
    int DrawText(const QString& text, TRect& r, unsigned flags);

    // ---- clipping (the region is kept in device coordinates) ----
    // Replaces the clip region (device coordinates); nullptr removes it.
    void SelectClipRgn(const TRegion* region);
    // Restricts the clip to r (logical coordinates).
    void IntersectClipRect(const TRect& r);
    // Takes r (logical coordinates) out of the clip.
    void ExcludeClipRect(const TRect& r);
    bool HasClipRegion() const { return state_.hasClip; }
    // The current clip region in device coordinates (the image when none).
    TRegion ClipRegion() const;
    // Bounds of what can be drawn, in logical coordinates.
    TRect ClipRect() const;
    bool RectVisible(const TRect& r) const;

    // ---- viewport origin: device = logical + origin ----
    TPoint ViewportOrg() const { return state_.origin; }
    void SetViewportOrg(int x, int y) { state_.origin = {x, y}; }
    void OffsetViewportOrg(int dx, int dy) { state_.origin.X += dx; state_.origin.Y += dy; }

    // ---- state stack ----
    // Saves pen, brush, font, pen position, modes, clip and origin. Returns
    // the new level (1, 2, ...). Raises "Error saving device context" when the
    // canvas has nothing to draw on or the stack is exhausted.
    int SaveDC();
    // Restores level `level` (negative: relative to the top, -1 = last
    // save), dropping the saves above it. Raises "Error restoring device
    // context" when there is no such saved level.
    void RestoreDC(int level = -1);
    int SavedLevels() const { return static_cast<int>(stack_.size()); }

    // ---- copies ----
    void Draw(int x, int y, const TBitmap& bitmap);
    void Draw(int x, int y, const QImage& image);
    // Stretches the whole bitmap onto r (nearest pixel, no smoothing).
    void StretchDraw(const TRect& r, const TBitmap& bitmap);
    // Copies src of `source` onto dest with CopyMode, stretching when sizes differ.
    void CopyRect(const TRect& dest, const TCanvas& source, const TRect& src);
    void CopyRect(const TRect& dest, const QImage& source, const TRect& src);
    void BitBlt(int x, int y, int w, int h, const QImage& source, int sx, int sy, TCopyMode rop = cmSrcCopy);
    // Copies src onto dest (stretching when sizes differ) leaving out every
    // source pixel of `transparent` (resolved): the canvas keeps its pixel there.
    void CopyMasked(const TRect& dest, const QImage& source, const TRect& src, TColor transparent);

private:
    struct State {
        TPen pen;
        TBrush brush;
        TFont font;
        TPoint penPos;
        TBkMode bkMode = OPAQUE;
        TCopyMode copyMode = cmSrcCopy;
        TPoint origin;
        bool hasClip = false;
        QRegion clip;   // device coordinates
    };

    struct Painter;   // a QPainter set up with origin and clip
    friend struct Painter;

    QRect DeviceBounds() const;
    QRegion EffectiveClip() const;   // device coordinates, within the image
    void PlotPenPixel(int dx, int dy, QRgb pen);
    void ThinLine(int x1, int y1, int x2, int y2);
    void WideLine(int x1, int y1, int x2, int y2);
    void FillDeviceRegion(const QRegion& region);   // brush fill, device coords

    QImage* target_ = nullptr;
    State state_;
    std::vector<State> stack_;
    int dotPhase_ = 0;   // styled-pen pattern position, carried from line to line
};
