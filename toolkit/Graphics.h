#pragma once
// The toolkit's graphic values: colours, rectangles and points, fonts, pens,
// brushes, bitmaps and regions. The widgets were designed against a Windows
// drawing model, so these types keep that model's conventions (colours as
// 0x00BBGGRR, right/bottom-exclusive rectangles, negative font heights for
// character heights) and convert to Qt only where pixels are made.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TCanvas;

// ---------------------------------------------------------------------------
// Sets of enumeration values (a set of sides, of font styles, ...). The
// enumeration's values are single bits.
template <typename E>
class TEnumSet {
public:
    constexpr TEnumSet() = default;
    constexpr TEnumSet(E value) : bits_(static_cast<unsigned>(value)) {}
    static constexpr TEnumSet FromBits(unsigned bits) { TEnumSet s; s.bits_ = bits; return s; }

    constexpr unsigned Bits() const { return bits_; }
    constexpr bool Contains(E value) const { return (bits_ & static_cast<unsigned>(value)) != 0; }
    constexpr bool IsEmpty() const { return bits_ == 0; }
    constexpr TEnumSet& Include(E value) { bits_ |= static_cast<unsigned>(value); return *this; }
    constexpr TEnumSet& Exclude(E value) { bits_ &= ~static_cast<unsigned>(value); return *this; }

    constexpr TEnumSet operator|(TEnumSet o) const { return FromBits(bits_ | o.bits_); }
    constexpr TEnumSet operator&(TEnumSet o) const { return FromBits(bits_ & o.bits_); }
    constexpr TEnumSet operator-(TEnumSet o) const { return FromBits(bits_ & ~o.bits_); }
    constexpr TEnumSet& operator|=(TEnumSet o) { bits_ |= o.bits_; return *this; }
    constexpr bool operator==(const TEnumSet&) const = default;

private:
    unsigned bits_ = 0;
};

// ---------------------------------------------------------------------------
// Colours. Explicit colours are 0x00BBGGRR (red in the low byte). A negative
// value is a system colour 0xFF0000nn, resolved through one fixed table (the
// Windows 10 default scheme) so that pixels come out the same everywhere.
using TColor = std::int32_t;

constexpr TColor SystemColor(int index) { return static_cast<TColor>(0xFF000000u | static_cast<unsigned>(index)); }

constexpr TColor clScrollBar = SystemColor(0);
constexpr TColor clBackground = SystemColor(1);
constexpr TColor clActiveCaption = SystemColor(2);
constexpr TColor clInactiveCaption = SystemColor(3);
constexpr TColor clMenu = SystemColor(4);
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowFrame = SystemColor(6);
constexpr TColor clMenuText = SystemColor(7);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clCaptionText = SystemColor(9);
constexpr TColor clActiveBorder = SystemColor(10);
constexpr TColor clInactiveBorder = SystemColor(11);
constexpr TColor clAppWorkSpace = SystemColor(12);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnShadow = SystemColor(16);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clBtnText = SystemColor(18);
constexpr TColor clInactiveCaptionText = SystemColor(19);
constexpr TColor clBtnHighlight = SystemColor(20);
constexpr TColor cl3DDkShadow = SystemColor(21);
constexpr TColor cl3DLight = SystemColor(22);
constexpr TColor clInfoText = SystemColor(23);
constexpr TColor clInfoBk = SystemColor(24);
constexpr TColor clHotLight = SystemColor(26);
constexpr TColor clGradientActiveCaption = SystemColor(27);
constexpr TColor clGradientInactiveCaption = SystemColor(28);
constexpr TColor clMenuHighlight = SystemColor(29);
constexpr TColor clMenuBar = SystemColor(30);

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clLtGray = clSilver;
constexpr TColor clDkGray = clGray;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
// "No colour" (drawing routines skip it) and "the default colour".
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor RGB(int r, int g, int b)
{
    return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(TColor c) { return c & 0xFF; }
constexpr int GetGValue(TColor c) { return (c >> 8) & 0xFF; }
constexpr int GetBValue(TColor c) { return (c >> 16) & 0xFF; }

// The RGB value of a system colour index (0..30) from the fixed table;
// black for an index the table does not have.
TColor GetSysColor(int index);
// Resolves a system colour; every other value is returned unchanged.
TColor ColorToRGB(TColor color);
// The resolved colour as an opaque QColor / QRgb.
QColor ToQColor(TColor color);
QRgb ToQRgb(TColor color);
TColor FromQColor(const QColor& color);
TColor FromQRgb(QRgb rgb);

// ---------------------------------------------------------------------------
// Points, sizes and rectangles. Right and Bottom are exclusive.
struct TPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const TPoint&) const = default;
    QPoint ToQPoint() const { return {X, Y}; }
};
constexpr TPoint Point(int x, int y) { return {x, y}; }

struct TSize {
    int cx = 0;
    int cy = 0;
    bool operator==(const TSize&) const = default;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    TPoint TopLeft() const { return {Left, Top}; }
    TPoint BottomRight() const { return {Right, Bottom}; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(TPoint p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
    // Left <= Right and Top <= Bottom, swapping where needed.
    TRect Normalized() const;
    TRect Offset(int dx, int dy) const { return {Left + dx, Top + dy, Right + dx, Bottom + dy}; }
    TRect Inflate(int dx, int dy) const { return {Left - dx, Top - dy, Right + dx, Bottom + dy}; }
    bool operator==(const TRect&) const = default;

    // QRect's right/bottom are inclusive; the conversion keeps the same pixels.
    QRect ToQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }
    static TRect FromQRect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }
};

constexpr TRect Rect(int left, int top, int right, int bottom) { return {left, top, right, bottom}; }
constexpr TRect Bounds(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }
void InflateRect(TRect& r, int dx, int dy);
void OffsetRect(TRect& r, int dx, int dy);
// dst = a ∩ b; an empty intersection gives (0, 0, 0, 0) and false.
bool IntersectRect(TRect& dst, const TRect& a, const TRect& b);
// dst = the smallest rectangle holding both; empty rectangles are ignored.
bool UnionRect(TRect& dst, const TRect& a, const TRect& b);
bool PtInRect(const TRect& r, TPoint p);
bool IsRectEmpty(const TRect& r);
bool EqualRect(const TRect& a, const TRect& b);

// ---------------------------------------------------------------------------
// Fonts. The style names (fsBold, ...) are distinct from the frame-style
// names of the widget set (fsNone, fsFlat, fsFlatBold, ...), so both stay
// plain enumerations.
enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = TEnumSet<TFontStyle>;
constexpr TFontStyles operator|(TFontStyle a, TFontStyle b) { return TFontStyles(a) | TFontStyles(b); }

enum TFontPitch { fpDefault, fpVariable, fpFixed };

constexpr int DEFAULT_CHARSET = 1;
constexpr int ANSI_CHARSET = 0;
constexpr int GB2312_CHARSET = 134;
// Text metrics' pitch-and-family bit for a TrueType (scalable) font.
constexpr int TMPF_TRUETYPE = 0x04;
// Logical pixels per inch: point sizes and pixel heights convert at 96 dpi.
constexpr int ScreenPixelsPerInch = 96;

class TFont {
public:
    TFont();
    TFont(const TFont& other);
    TFont& operator=(const TFont& other);   // like Assign (fires OnChange)

    const QString& Name() const { return name_; }
    void SetName(const QString& name);
    // Negative: character height in pixels; positive: cell height (with the
    // internal leading); 0: the default height.
    int Height() const { return height_; }
    void SetHeight(int height);
    // Point size at 96 dpi: Size = -Height * 72 / 96 (rounded).
    int Size() const;
    void SetSize(int points);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    int Charset() const { return charset_; }
    void SetCharset(int charset);
    TFontPitch Pitch() const { return pitch_; }
    void SetPitch(TFontPitch pitch);
    // Escapement in tenths of a degree, counter-clockwise: 0, 900 or 2700.
    int Orientation() const { return orientation_; }
    void SetOrientation(int tenthsOfDegree);

    // Copies every property (colour included) and fires OnChange once.
    void Assign(const TFont& other);
    // Same logical font (every property but OnChange).
    bool SameAs(const TFont& other) const;

    // The Qt font: pixel size = character height, antialiasing off, family
    // name kept as requested so the platform's substitutions apply.
    QFont ToQFont() const;

    // Raised after every change of a property.
    std::function<void(TFont* sender)> OnChange;

private:
    void Changed();

    QString name_;
    int height_;
    TFontStyles style_;
    TColor color_;
    int charset_;
    TFontPitch pitch_;
    int orientation_;
};

// True when the font the platform picks for this description is scalable.
bool FontIsTrueType(const TFont& font);

// ---------------------------------------------------------------------------
// Pens and brushes.
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// Raster operations of a pen: result from pen colour P and screen colour S.
enum TPenMode {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
    pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};

class TPen {
public:
    TColor Color() const { return color_; }
    void SetColor(TColor color) { color_ = color; }
    int Width() const { return width_; }
    void SetWidth(int width) { width_ = width < 1 ? 1 : width; }
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle style) { style_ = style; }
    TPenMode Mode() const { return mode_; }
    void SetMode(TPenMode mode) { mode_ = mode; }
    void Assign(const TPen& other) { *this = other; }

private:
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = psSolid;
    TPenMode mode_ = pmCopy;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
enum TStockBrush { WHITE_BRUSH, BLACK_BRUSH, NULL_BRUSH };

class TBitmap;

class TBrush {
public:
    TColor Color() const { return color_; }
    // Setting a colour makes a clear brush solid again.
    void SetColor(TColor color) { color_ = color; if (style_ == bsClear) style_ = bsSolid; }
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle style) { style_ = style; }
    // An 8 x 8 pattern: while set, fills tile it (aligned to the device's
    // origin) instead of the colour. Not owned; the caller keeps it alive.
    TBitmap* Bitmap() const { return bitmap_; }
    void SetBitmap(TBitmap* pattern) { bitmap_ = pattern; }
    // The platform's stock brushes.
    void SetStock(TStockBrush stock);
    void Assign(const TBrush& other) { *this = other; }

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
    TBitmap* bitmap_ = nullptr;
};

// ---------------------------------------------------------------------------
// Regions in device coordinates.
enum TPolyFillMode { ALTERNATE = 1, WINDING = 2 };

class TRegion {
public:
    TRegion() = default;
    explicit TRegion(const TRect& r);
    explicit TRegion(const QRegion& r) : region_(r) {}
    // A polygon's region. ALTERNATE (even-odd) is the rule the widgets use;
    // fewer than three points give an empty region.
    static TRegion FromPolygon(const std::vector<TPoint>& points, TPolyFillMode mode = ALTERNATE);
    static TRegion FromPolygon(const TPoint* points, int count, TPolyFillMode mode = ALTERNATE);

    bool IsEmpty() const { return region_.isEmpty(); }
    bool PtInRegion(int x, int y) const { return region_.contains(QPoint(x, y)); }
    bool RectInRegion(const TRect& r) const { return region_.intersects(r.ToQRect()); }
    TRect BoundingRect() const { return TRect::FromQRect(region_.boundingRect()); }
    void Offset(int dx, int dy) { region_.translate(dx, dy); }

    TRegion Intersected(const TRegion& o) const { return TRegion(region_.intersected(o.region_)); }
    TRegion United(const TRegion& o) const { return TRegion(region_.united(o.region_)); }
    TRegion Subtracted(const TRegion& o) const { return TRegion(region_.subtracted(o.region_)); }
    TRegion Xored(const TRegion& o) const { return TRegion(region_.xored(o.region_)); }
    bool operator==(const TRegion& o) const { return region_ == o.region_; }

    const QRegion& ToQRegion() const { return region_; }

private:
    QRegion region_;
};

// ---------------------------------------------------------------------------
// Bitmaps: a 32-bit image with its own canvas.
class TBitmap {
public:
    TBitmap();
    TBitmap(int width, int height);
    explicit TBitmap(const QImage& image);
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);
    ~TBitmap();

    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    void SetWidth(int width) { SetSize(width, Height()); }
    void SetHeight(int height) { SetSize(Width(), height); }
    // Keeps the overlapping pixels; new pixels are white.
    void SetSize(int width, int height);
    bool Empty() const { return image_.isNull() || image_.width() == 0 || image_.height() == 0; }

    TCanvas& Canvas();
    QImage& Image() { return image_; }
    const QImage& Image() const { return image_; }

    // Copies pixels (not the OnChange handler) and fires OnChange.
    void Assign(const TBitmap& other);
    void LoadFromImage(const QImage& image);
    // Loads a bitmap stored among the program's resources (":/<name>",
    // ":/<name>.bmp" or ":/<name>.png"); raises Exception when none exists.
    void LoadFromResource(const QString& name);
    void Clear();   // back to empty

    // Raised after Assign, LoadFrom*, SetSize and Clear; code that draws on
    // Canvas() calls Changed() itself when its owner must hear of it.
    std::function<void(TBitmap* sender)> OnChange;
    void Changed();

private:
    QImage image_;
    std::unique_ptr<TCanvas> canvas_;
};

// ---------------------------------------------------------------------------
// Image lists: equal-sized images with transparency, drawn by index.
class TCustomImageList;

// A subscription to an image list's changes. Destroying the link removes it
// from its list; destroying the list raises OnDestroy and detaches the link.
class TChangeLink {
public:
    TChangeLink() = default;
    TChangeLink(const TChangeLink&) = delete;
    TChangeLink& operator=(const TChangeLink&) = delete;
    ~TChangeLink();

    TCustomImageList* Sender() const { return sender_; }
    std::function<void(TCustomImageList* sender)> OnChange;
    std::function<void(TCustomImageList* sender)> OnDestroy;

private:
    friend class TCustomImageList;
    TCustomImageList* sender_ = nullptr;
};

class TCustomImageList {
public:
    TCustomImageList(int width = 16, int height = 16);
    TCustomImageList(const TCustomImageList&) = delete;
    TCustomImageList& operator=(const TCustomImageList&) = delete;
    virtual ~TCustomImageList();

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Changing the size clears the list.
    void SetSize(int width, int height);
    int Count() const { return static_cast<int>(images_.size()); }

    // Adds the image (split into several when it is a multiple of Width
    // wide); mask pixels that are not black are left out. Returns the
    // index of the first image added, -1 when nothing was added.
    int Add(const TBitmap& image, const TBitmap* mask = nullptr);
    // Adds with every pixel of the given colour left out.
    int AddMasked(const TBitmap& image, TColor transparentColor);
    void Delete(int index);
    void Clear();
    // The stored image with its transparency in the alpha channel.
    QImage GetImage(int index) const;

    // Draws image `index` with its top-left at (x, y). A disabled image is
    // drawn greyed: its dark pixels embossed in clBtnHighlight one pixel
    // down-right under clBtnShadow. An index out of range draws nothing.
    void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true) const;

    void RegisterChanges(TChangeLink* link);
    void UnRegisterChanges(TChangeLink* link);
    // Tells every registered link that the list changed.
    void Change();

private:
    int width_;
    int height_;
    std::vector<QImage> images_;   // ARGB32, alpha 0 = left out
    std::vector<TChangeLink*> links_;
};
