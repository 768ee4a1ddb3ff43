#include "Graphics.h"

#include "Canvas.h"
#include "Exception.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>

#include <algorithm>
#include <cmath>
#include <cstdlib>

// ---------------------------------------------------------------------------
// Colours

namespace {
// The Windows 10 default scheme, by system-colour index. Index 25 has no
// colour of its own.
constexpr TColor kSystemColors[] = {
    RGB(200, 200, 200),   //  0 scroll bar
    RGB(0, 0, 0),         //  1 desktop
    RGB(153, 180, 209),   //  2 active caption
    RGB(191, 205, 219),   //  3 inactive caption
    RGB(240, 240, 240),   //  4 menu
    RGB(255, 255, 255),   //  5 window
    RGB(100, 100, 100),   //  6 window frame
    RGB(0, 0, 0),         //  7 menu text
    RGB(0, 0, 0),         //  8 window text
    RGB(0, 0, 0),         //  9 caption text
    RGB(180, 180, 180),   // 10 active border
    RGB(244, 247, 252),   // 11 inactive border
    RGB(171, 171, 171),   // 12 application workspace
    RGB(0, 120, 215),     // 13 highlight
    RGB(255, 255, 255),   // 14 highlight text
    RGB(240, 240, 240),   // 15 button face
    RGB(160, 160, 160),   // 16 button shadow
    RGB(109, 109, 109),   // 17 grey text
    RGB(0, 0, 0),         // 18 button text
    RGB(0, 0, 0),         // 19 inactive caption text
    RGB(255, 255, 255),   // 20 button highlight
    RGB(105, 105, 105),   // 21 3D dark shadow
    RGB(227, 227, 227),   // 22 3D light
    RGB(0, 0, 0),         // 23 tooltip text
    RGB(255, 255, 225),   // 24 tooltip background
    RGB(0, 0, 0),         // 25 (unused)
    RGB(0, 102, 204),     // 26 hot-tracked item
    RGB(185, 209, 234),   // 27 active caption gradient
    RGB(215, 228, 242),   // 28 inactive caption gradient
    RGB(0, 120, 215),     // 29 menu highlight
    RGB(240, 240, 240),   // 30 menu bar
};
}

TColor GetSysColor(int index)
{
    if (index < 0 || index >= static_cast<int>(std::size(kSystemColors)))
        return clBlack;
    return kSystemColors[index];
}

TColor ColorToRGB(TColor color)
{
    return color < 0 ? GetSysColor(color & 0xFF) : color;
}

QRgb ToQRgb(TColor color)
{
    const TColor c = ColorToRGB(color);
    return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

QColor ToQColor(TColor color)
{
    return QColor(ToQRgb(color));
}

TColor FromQRgb(QRgb rgb)
{
    return RGB(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

TColor FromQColor(const QColor& color)
{
    return FromQRgb(color.rgb());
}

// ---------------------------------------------------------------------------
// Rectangles

TRect TRect::Normalized() const
{
    return {std::min(Left, Right), std::min(Top, Bottom), std::max(Left, Right), std::max(Top, Bottom)};
}

void InflateRect(TRect& r, int dx, int dy)
{
    r = r.Inflate(dx, dy);
}

void OffsetRect(TRect& r, int dx, int dy)
{
    r = r.Offset(dx, dy);
}

bool IntersectRect(TRect& dst, const TRect& a, const TRect& b)
{
    TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
    if (r.IsEmpty()) {
        dst = TRect{};
        return false;
    }
    dst = r;
    return true;
}

bool UnionRect(TRect& dst, const TRect& a, const TRect& b)
{
    if (a.IsEmpty()) {
        dst = b.IsEmpty() ? TRect{} : b;
    } else if (b.IsEmpty()) {
        dst = a;
    } else {
        dst = {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
               std::max(a.Bottom, b.Bottom)};
    }
    return !dst.IsEmpty();
}

bool PtInRect(const TRect& r, TPoint p)
{
    return r.Contains(p);
}

bool IsRectEmpty(const TRect& r)
{
    return r.IsEmpty();
}

bool EqualRect(const TRect& a, const TRect& b)
{
    return a == b;
}

// ---------------------------------------------------------------------------
// Fonts

TFont::TFont()
    : name_(QStringLiteral("Tahoma")), height_(-11), color_(clWindowText), charset_(DEFAULT_CHARSET),
      pitch_(fpDefault), orientation_(0)
{
}

TFont::TFont(const TFont& other)
    : name_(other.name_), height_(other.height_), style_(other.style_), color_(other.color_),
      charset_(other.charset_), pitch_(other.pitch_), orientation_(other.orientation_)
{
}

TFont& TFont::operator=(const TFont& other)
{
    Assign(other);
    return *this;
}

void TFont::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TFont::SetName(const QString& name)
{
    if (name.isEmpty() || name == name_)
        return;
    name_ = name;
    Changed();
}

void TFont::SetHeight(int height)
{
    if (height == height_)
        return;
    height_ = height;
    Changed();
}

int TFont::Size() const
{
    // Height = -round(Size * 96 / 72); back again rounds the other way.
    return static_cast<int>(std::lround(-height_ * 72.0 / ScreenPixelsPerInch));
}

void TFont::SetSize(int points)
{
    SetHeight(-static_cast<int>(std::lround(points * static_cast<double>(ScreenPixelsPerInch) / 72.0)));
}

void TFont::SetStyle(TFontStyles style)
{
    if (style == style_)
        return;
    style_ = style;
    Changed();
}

void TFont::SetColor(TColor color)
{
    if (color == color_)
        return;
    color_ = color;
    Changed();
}

void TFont::SetCharset(int charset)
{
    if (charset == charset_)
        return;
    charset_ = charset;
    Changed();
}

void TFont::SetPitch(TFontPitch pitch)
{
    if (pitch == pitch_)
        return;
    pitch_ = pitch;
    Changed();
}

void TFont::SetOrientation(int tenthsOfDegree)
{
    if (tenthsOfDegree == orientation_)
        return;
    orientation_ = tenthsOfDegree;
    Changed();
}

void TFont::Assign(const TFont& other)
{
    if (this == &other)
        return;
    name_ = other.name_;
    height_ = other.height_;
    style_ = other.style_;
    color_ = other.color_;
    charset_ = other.charset_;
    pitch_ = other.pitch_;
    orientation_ = other.orientation_;
    Changed();
}

bool TFont::SameAs(const TFont& other) const
{
    return name_ == other.name_ && height_ == other.height_ && style_ == other.style_ &&
           color_ == other.color_ && charset_ == other.charset_ && pitch_ == other.pitch_ &&
           orientation_ == other.orientation_;
}

QFont TFont::ToQFont() const
{
    QFont f(name_);
    f.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setBold(style_.Contains(fsBold));
    f.setItalic(style_.Contains(fsItalic));
    f.setUnderline(style_.Contains(fsUnderline));
    f.setStrikeOut(style_.Contains(fsStrikeOut));
    if (pitch_ == fpFixed)
        f.setFixedPitch(true);
    int pixels = height_ < 0 ? -height_ : height_;
    if (pixels == 0)
        pixels = 11;
    f.setPixelSize(pixels);
    if (height_ > 0) {
        // A positive height is the whole cell; shrink the character height
        // until the cell fits.
        for (int i = 0; i < 4; ++i) {
            const int cell = QFontMetrics(f).height();
            if (cell <= height_ || pixels <= 1)
                break;
            pixels = std::max(1, pixels * height_ / cell);
            f.setPixelSize(pixels);
        }
    }
    return f;
}

bool FontIsTrueType(const TFont& font)
{
    const QFontInfo info(font.ToQFont());
    return QFontDatabase::isScalable(info.family(), info.styleName());
}

// ---------------------------------------------------------------------------
// Brushes

void TBrush::SetStock(TStockBrush stock)
{
    bitmap_ = nullptr;
    switch (stock) {
    case WHITE_BRUSH: color_ = clWhite; style_ = bsSolid; break;
    case BLACK_BRUSH: color_ = clBlack; style_ = bsSolid; break;
    case NULL_BRUSH: style_ = bsClear; break;
    }
}

// ---------------------------------------------------------------------------
// Regions

TRegion::TRegion(const TRect& r) : region_(r.IsEmpty() ? QRegion() : QRegion(r.ToQRect())) {}

TRegion TRegion::FromPolygon(const std::vector<TPoint>& points, TPolyFillMode mode)
{
    return FromPolygon(points.data(), static_cast<int>(points.size()), mode);
}

TRegion TRegion::FromPolygon(const TPoint* points, int count, TPolyFillMode mode)
{
    if (points == nullptr || count < 3)
        return TRegion();
    QPolygon polygon;
    polygon.reserve(count);
    for (int i = 0; i < count; ++i)
        polygon << QPoint(points[i].X, points[i].Y);
    return TRegion(QRegion(polygon, mode == WINDING ? Qt::WindingFill : Qt::OddEvenFill));
}

// ---------------------------------------------------------------------------
// Bitmaps

namespace {
constexpr QImage::Format kBitmapFormat = QImage::Format_RGB32;

QImage NewImage(int width, int height)
{
    if (width <= 0 || height <= 0)
        return QImage();
    QImage image(width, height, kBitmapFormat);
    image.fill(Qt::white);
    return image;
}
}

TBitmap::TBitmap() : canvas_(std::make_unique<TCanvas>(&image_)) {}

TBitmap::TBitmap(int width, int height) : image_(NewImage(width, height)), canvas_(std::make_unique<TCanvas>(&image_))
{
}

TBitmap::TBitmap(const QImage& image) : TBitmap()
{
    if (!image.isNull())
        image_ = image.convertToFormat(kBitmapFormat);
}

TBitmap::TBitmap(const TBitmap& other) : image_(other.image_), canvas_(std::make_unique<TCanvas>(&image_)) {}

TBitmap& TBitmap::operator=(const TBitmap& other)
{
    Assign(other);
    return *this;
}

TBitmap::~TBitmap() = default;

TCanvas& TBitmap::Canvas()
{
    return *canvas_;
}

void TBitmap::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TBitmap::SetSize(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == Width() && height == Height())
        return;
    QImage resized = NewImage(width, height);
    if (!resized.isNull() && !image_.isNull()) {
        const int w = std::min(width, image_.width());
        const int h = std::min(height, image_.height());
        for (int y = 0; y < h; ++y)
            std::copy_n(reinterpret_cast<const QRgb*>(image_.constScanLine(y)), w,
                        reinterpret_cast<QRgb*>(resized.scanLine(y)));
    }
    image_ = resized;
    Changed();
}

void TBitmap::Assign(const TBitmap& other)
{
    if (this == &other)
        return;
    image_ = other.image_;
    Changed();
}

void TBitmap::LoadFromImage(const QImage& image)
{
    image_ = image.isNull() ? QImage() : image.convertToFormat(kBitmapFormat);
    Changed();
}

void TBitmap::LoadFromResource(const QString& name)
{
    const QString base = name.startsWith(QLatin1Char(':')) ? name : QStringLiteral(":/") + name;
    for (const QString& path : {base, base + QStringLiteral(".bmp"), base + QStringLiteral(".png")}) {
        if (!QFile::exists(path))
            continue;
        QImage image(path);
        if (!image.isNull()) {
            LoadFromImage(image);
            return;
        }
    }
    throw Exception(QStringLiteral("Resource %1 not found").arg(name));
}

void TBitmap::Clear()
{
    if (image_.isNull())
        return;
    image_ = QImage();
    Changed();
}

// ---------------------------------------------------------------------------
// Image lists

TChangeLink::~TChangeLink()
{
    if (sender_)
        sender_->UnRegisterChanges(this);
}

TCustomImageList::TCustomImageList(int width, int height) : width_(std::max(width, 1)), height_(std::max(height, 1)) {}

TCustomImageList::~TCustomImageList()
{
    // Detach every link first so that a handler may destroy its link.
    const std::vector<TChangeLink*> links = links_;
    for (TChangeLink* link : links)
        link->sender_ = nullptr;
    links_.clear();
    for (TChangeLink* link : links)
        if (link->OnDestroy)
            link->OnDestroy(this);
}

void TCustomImageList::SetSize(int width, int height)
{
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (width == width_ && height == height_)
        return;
    width_ = width;
    height_ = height;
    images_.clear();
    Change();
}

namespace {
// Splits `source` into cells of the list's size; `leftOut(x, y)` says which
// source pixels become transparent.
template <typename LeftOut>
int AddCells(std::vector<QImage>& images, int width, int height, const QImage& source, LeftOut leftOut)
{
    if (source.isNull())
        return -1;
    const QImage src = source.convertToFormat(QImage::Format_RGB32);
    const int cells = std::max(1, src.width() / width);
    const int first = static_cast<int>(images.size());
    for (int c = 0; c < cells; ++c) {
        QImage cell(width, height, QImage::Format_ARGB32);
        cell.fill(Qt::transparent);
        for (int y = 0; y < height && y < src.height(); ++y) {
            const QRgb* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
            QRgb* out = reinterpret_cast<QRgb*>(cell.scanLine(y));
            for (int x = 0; x < width; ++x) {
                const int sx = c * width + x;
                if (sx >= src.width())
                    break;
                if (!leftOut(sx, y))
                    out[x] = in[sx] | 0xFF000000u;
            }
        }
        images.push_back(cell);
    }
    return first;
}
}

int TCustomImageList::Add(const TBitmap& image, const TBitmap* mask)
{
    if (image.Empty())
        return -1;
    const QImage* maskImage = mask && !mask->Empty() ? &mask->Image() : nullptr;
    const int index = AddCells(images_, width_, height_, image.Image(), [&](int x, int y) {
        if (!maskImage || x >= maskImage->width() || y >= maskImage->height())
            return false;
        return (maskImage->pixel(x, y) & 0xFFFFFFu) != 0;
    });
    Change();
    return index;
}

int TCustomImageList::AddMasked(const TBitmap& image, TColor transparentColor)
{
    if (image.Empty())
        return -1;
    const QRgb key = ToQRgb(transparentColor) & 0xFFFFFFu;
    const QImage& src = image.Image();
    const int index = AddCells(images_, width_, height_, src,
                               [&](int x, int y) { return (src.pixel(x, y) & 0xFFFFFFu) == key; });
    Change();
    return index;
}

void TCustomImageList::Delete(int index)
{
    if (index < 0 || index >= Count())
        return;
    images_.erase(images_.begin() + index);
    Change();
}

void TCustomImageList::Clear()
{
    if (images_.empty())
        return;
    images_.clear();
    Change();
}

QImage TCustomImageList::GetImage(int index) const
{
    if (index < 0 || index >= Count())
        return QImage();
    return images_[static_cast<size_t>(index)];
}

void TCustomImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) const
{
    if (index < 0 || index >= Count())
        return;
    const QImage& image = images_[static_cast<size_t>(index)];
    if (enabled) {
        canvas.Draw(x, y, image);
        return;
    }
    // Greyed: the image's dark pixels become a shape, drawn as an emboss.
    QImage shape(width_, height_, QImage::Format_ARGB32);
    const auto paintShape = [&](TColor color) {
        const QRgb ink = ToQRgb(color);
        shape.fill(Qt::transparent);
        for (int py = 0; py < height_; ++py) {
            const QRgb* in = reinterpret_cast<const QRgb*>(image.constScanLine(py));
            QRgb* out = reinterpret_cast<QRgb*>(shape.scanLine(py));
            for (int px = 0; px < width_; ++px) {
                if (qAlpha(in[px]) == 0)
                    continue;
                if (qGray(in[px]) < 192)
                    out[px] = ink;
            }
        }
    };
    paintShape(clBtnHighlight);
    canvas.Draw(x + 1, y + 1, shape);
    paintShape(clBtnShadow);
    canvas.Draw(x, y, shape);
}

void TCustomImageList::RegisterChanges(TChangeLink* link)
{
    if (!link || link->sender_ == this)
        return;
    if (link->sender_)
        link->sender_->UnRegisterChanges(link);
    link->sender_ = this;
    links_.push_back(link);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link)
{
    if (!link)
        return;
    const auto it = std::find(links_.begin(), links_.end(), link);
    if (it == links_.end())
        return;
    links_.erase(it);
    link->sender_ = nullptr;
}

void TCustomImageList::Change()
{
    const std::vector<TChangeLink*> links = links_;
    for (TChangeLink* link : links) {
        // A handler may unregister other links; skip those.
        if (std::find(links_.begin(), links_.end(), link) == links_.end())
            continue;
        if (link->OnChange)
            link->OnChange(this);
    }
}
