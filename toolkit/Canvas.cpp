#include "Canvas.h"

#include "Exception.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kMaxSavedStates = 4096;
constexpr QRgb kOpaque = 0xFF000000u;

QRgb Rgb24(TColor color)
{
    return ToQRgb(color) & 0xFFFFFFu;
}

// The binary raster operations of a pen: P = pen, S = screen.
QRgb ApplyPenMode(TPenMode mode, QRgb pen, QRgb screen)
{
    const QRgb p = pen & 0xFFFFFFu;
    const QRgb s = screen & 0xFFFFFFu;
    QRgb r = s;
    switch (mode) {
    case pmBlack: r = 0; break;
    case pmWhite: r = 0xFFFFFFu; break;
    case pmNop: r = s; break;
    case pmNot: r = ~s; break;
    case pmCopy: r = p; break;
    case pmNotCopy: r = ~p; break;
    case pmMergePenNot: r = p | ~s; break;
    case pmMaskPenNot: r = p & ~s; break;
    case pmMergeNotPen: r = ~p | s; break;
    case pmMaskNotPen: r = ~p & s; break;
    case pmMerge: r = p | s; break;
    case pmNotMerge: r = ~(p | s); break;
    case pmMask: r = p & s; break;
    case pmNotMask: r = ~(p & s); break;
    case pmXor: r = p ^ s; break;
    case pmNotXor: r = ~(p ^ s); break;
    }
    return (r & 0xFFFFFFu) | kOpaque;
}

// Block-copy raster operations: S = source, D = destination, P = brush.
QRgb ApplyRop3(TCopyMode rop, QRgb src, QRgb dst, QRgb pat)
{
    const QRgb s = src & 0xFFFFFFu;
    const QRgb d = dst & 0xFFFFFFu;
    const QRgb p = pat & 0xFFFFFFu;
    QRgb r = s;
    switch (rop) {
    case cmBlackness: r = 0; break;
    case cmDstInvert: r = ~d; break;
    case cmMergeCopy: r = s & p; break;
    case cmMergePaint: r = ~s | d; break;
    case cmNotSrcCopy: r = ~s; break;
    case cmNotSrcErase: r = ~(s | d); break;
    case cmPatCopy: r = p; break;
    case cmPatInvert: r = p ^ d; break;
    case cmPatPaint: r = p | ~s | d; break;
    case cmSrcAnd: r = s & d; break;
    case cmSrcCopy: r = s; break;
    case cmSrcErase: r = s & ~d; break;
    case cmSrcInvert: r = s ^ d; break;
    case cmSrcPaint: r = s | d; break;
    case cmWhiteness: r = 0xFFFFFFu; break;
    }
    return (r & 0xFFFFFFu) | kOpaque;
}

// One row of a block copy: the common source operations get loops of their
// own, the rest go through the general table.
void CombineRow(TCopyMode rop, QRgb* out, const QRgb* in, int count, QRgb pat)
{
    const auto each = [&](auto op) {
        for (int i = 0; i < count; ++i)
            out[i] = (op(in[i], out[i]) & 0xFFFFFFu) | kOpaque;
    };
    switch (rop) {
    case cmSrcCopy: each([](QRgb s, QRgb) { return s; }); break;
    case cmSrcInvert: each([](QRgb s, QRgb d) { return s ^ d; }); break;
    case cmSrcAnd: each([](QRgb s, QRgb d) { return s & d; }); break;
    case cmSrcPaint: each([](QRgb s, QRgb d) { return s | d; }); break;
    default: each([&](QRgb s, QRgb d) { return ApplyRop3(rop, s, d, pat); }); break;
    }
}

QPainter::CompositionMode CompositionFor(TPenMode mode)
{
    switch (mode) {
    case pmXor: return QPainter::RasterOp_SourceXorDestination;
    case pmNot: return QPainter::RasterOp_NotDestination;
    case pmNotCopy: return QPainter::RasterOp_NotSource;
    case pmMask: return QPainter::RasterOp_SourceAndDestination;
    case pmMerge: return QPainter::RasterOp_SourceOrDestination;
    default: return QPainter::CompositionMode_SourceOver;
    }
}

// On/off run lengths of the styled one-pixel pens.
const std::vector<int>& DashPattern(TPenStyle style)
{
    static const std::vector<int> solid;
    static const std::vector<int> dash{18, 6};
    static const std::vector<int> dot{3, 3};
    static const std::vector<int> dashDot{9, 6, 3, 6};
    static const std::vector<int> dashDotDot{9, 3, 3, 3, 3, 3};
    switch (style) {
    case psDash: return dash;
    case psDot: return dot;
    case psDashDot: return dashDot;
    case psDashDotDot: return dashDotDot;
    default: return solid;
    }
}

bool HatchHit(TBrushStyle style, int x, int y)
{
    const int mx = ((x % 8) + 8) % 8;
    const int my = ((y % 8) + 8) % 8;
    switch (style) {
    case bsHorizontal: return my == 0;
    case bsVertical: return mx == 0;
    case bsFDiagonal: return ((mx - my + 8) % 8) == 0;
    case bsBDiagonal: return ((mx + my) % 8) == 7;
    case bsCross: return mx == 0 || my == 0;
    case bsDiagCross: return ((mx - my + 8) % 8) == 0 || ((mx + my) % 8) == 7;
    default: return true;
    }
}

QRgb* Row(QImage& image, int y)
{
    return reinterpret_cast<QRgb*>(image.scanLine(y));
}

const QRgb* Row(const QImage& image, int y)
{
    return reinterpret_cast<const QRgb*>(image.constScanLine(y));
}

// An image in a 32-bit format whose pixels can be read as QRgb.
QImage As32Bit(const QImage& image)
{
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        return image;
    default:
        return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    }
}

// Nearest-pixel stretch of `src` (within `source`) to w x h.
QImage Stretched(const QImage& source, const TRect& src, int w, int h)
{
    QImage out(w, h, source.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    out.fill(Qt::transparent);
    const int sw = src.Width();
    const int sh = src.Height();
    if (sw == 0 || sh == 0)
        return out;
    for (int y = 0; y < h; ++y) {
        const int sy = src.Top + static_cast<int>(static_cast<long long>(y) * sh / h);
        if (sy < 0 || sy >= source.height())
            continue;
        const QRgb* in = Row(source, sy);
        QRgb* o = Row(out, y);
        for (int x = 0; x < w; ++x) {
            const int sx = src.Left + static_cast<int>(static_cast<long long>(x) * sw / w);
            if (sx >= 0 && sx < source.width())
                o[x] = in[sx];
        }
    }
    return out;
}

} // namespace

void FillSpan32(QRgb* dst, int count, QRgb value)
{
    // A short run is written pixel by pixel; a long one is seeded and then
    // doubled with block copies, which use the machine's widest stores.
    constexpr int kSeed = 64;
    if (count <= 2 * kSeed) {
        for (int i = 0; i < count; ++i)
            dst[i] = value;
        return;
    }
    for (int i = 0; i < kSeed; ++i)
        dst[i] = value;
    for (int done = kSeed; done < count;) {
        const int chunk = std::min(done, count - done);
        std::memcpy(dst + done, dst, sizeof(QRgb) * static_cast<size_t>(chunk));
        done += chunk;
    }
}

// A QPainter on the canvas's image with its clip and origin applied.
struct TCanvas::Painter {
    QPainter p;
    explicit Painter(TCanvas& canvas) : p(canvas.target_)
    {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.setClipRegion(canvas.EffectiveClip());
        p.translate(canvas.state_.origin.X, canvas.state_.origin.Y);
    }
};

TCanvas::TCanvas() = default;

TCanvas::TCanvas(QImage* target) : target_(target) {}

TCanvas::~TCanvas() = default;

void TCanvas::SetTarget(QImage* target)
{
    target_ = target;
}

QRect TCanvas::DeviceBounds() const
{
    return HandleAllocated() ? target_->rect() : QRect();
}

QRegion TCanvas::EffectiveClip() const
{
    const QRect bounds = DeviceBounds();
    if (!state_.hasClip)
        return QRegion(bounds);
    return state_.clip.intersected(bounds);
}

// ---------------------------------------------------------------------------
// Lines and pixels

void TCanvas::MoveTo(int x, int y)
{
    state_.penPos = {x, y};
    dotPhase_ = 0;
}

void TCanvas::LineTo(int x, int y)
{
    const TPoint from = state_.penPos;
    if (state_.pen.Style() != psClear && HandleAllocated()) {
        if (state_.pen.Width() <= 1)
            ThinLine(from.X, from.Y, x, y);
        else
            WideLine(from.X, from.Y, x, y);
    }
    state_.penPos = {x, y};
}

void TCanvas::Polyline(const std::vector<TPoint>& points)
{
    if (points.size() < 2 || state_.pen.Style() == psClear || !HandleAllocated())
        return;
    dotPhase_ = 0;
    for (size_t i = 1; i < points.size(); ++i) {
        if (state_.pen.Width() <= 1)
            ThinLine(points[i - 1].X, points[i - 1].Y, points[i].X, points[i].Y);
        else
            WideLine(points[i - 1].X, points[i - 1].Y, points[i].X, points[i].Y);
    }
}

void TCanvas::PlotPenPixel(int dx, int dy, QRgb pen)
{
    if (!target_->rect().contains(dx, dy))
        return;
    if (state_.hasClip && !state_.clip.contains(QPoint(dx, dy)))
        return;
    QRgb& pixel = Row(*target_, dy)[dx];
    pixel = ApplyPenMode(state_.pen.Mode(), pen, pixel);
}

// Integer line from (x1, y1) towards (x2, y2), the end pixel left out. Every
// step moves one pixel along the major axis, so horizontal, vertical and
// 45-degree lines cover exactly the pixels between their ends.
void TCanvas::ThinLine(int x1, int y1, int x2, int y2)
{
    const int ox = state_.origin.X;
    const int oy = state_.origin.Y;
    const int dx = std::abs(x2 - x1);
    const int dy = std::abs(y2 - y1);
    const int sx = x2 >= x1 ? 1 : -1;
    const int sy = y2 >= y1 ? 1 : -1;
    const int steps = std::max(dx, dy);
    const QRgb pen = Rgb24(state_.pen.Color());
    const std::vector<int>& dashes = DashPattern(state_.pen.Style());
    int period = 0;
    for (int d : dashes)
        period += d;
    const bool opaqueGaps = state_.bkMode == OPAQUE;
    const QRgb gap = Rgb24(state_.brush.Color());

    int x = x1;
    int y = y1;
    // Error term of the minor axis, scaled by 2 to stay in integers.
    int err = 0;
    for (int i = 0; i < steps; ++i) {
        bool on = true;
        if (period > 0) {
            int pos = dotPhase_ % period;
            for (size_t k = 0; k < dashes.size(); ++k) {
                if (pos < dashes[k]) {
                    on = (k % 2) == 0;
                    break;
                }
                pos -= dashes[k];
            }
            ++dotPhase_;
        }
        if (on)
            PlotPenPixel(x + ox, y + oy, pen);
        else if (opaqueGaps)
            PlotPenPixel(x + ox, y + oy, gap);
        if (dx >= dy) {
            x += sx;
            err += 2 * dy;
            if (err > dx) {
                y += sy;
                err -= 2 * dx;
            }
        } else {
            y += sy;
            err += 2 * dx;
            if (err > dy) {
                x += sx;
                err -= 2 * dy;
            }
        }
    }
}

void TCanvas::WideLine(int x1, int y1, int x2, int y2)
{
    Painter painter(*this);
    QPen pen(ToQColor(state_.pen.Color()));
    pen.setWidth(state_.pen.Width());
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.p.setCompositionMode(CompositionFor(state_.pen.Mode()));
    painter.p.setPen(pen);
    painter.p.drawLine(x1, y1, x2, y2);
}

TColor TCanvas::Pixels(int x, int y) const
{
    if (!HandleAllocated())
        return CLR_INVALID;
    const int dx = x + state_.origin.X;
    const int dy = y + state_.origin.Y;
    if (!target_->rect().contains(dx, dy))
        return CLR_INVALID;
    if (state_.hasClip && !state_.clip.contains(QPoint(dx, dy)))
        return CLR_INVALID;
    return FromQRgb(Row(static_cast<const QImage&>(*target_), dy)[dx]);
}

void TCanvas::SetPixels(int x, int y, TColor color)
{
    if (!HandleAllocated())
        return;
    const int dx = x + state_.origin.X;
    const int dy = y + state_.origin.Y;
    if (!target_->rect().contains(dx, dy))
        return;
    if (state_.hasClip && !state_.clip.contains(QPoint(dx, dy)))
        return;
    Row(*target_, dy)[dx] = ToQRgb(color);
}

// ---------------------------------------------------------------------------
// Areas

void TCanvas::FillDeviceRegion(const QRegion& region)
{
    if (!HandleAllocated() || state_.brush.Style() == bsClear)
        return;
    const QRegion area = region.intersected(EffectiveClip());
    if (area.isEmpty())
        return;
    const TBitmap* pattern = state_.brush.Bitmap();
    const bool usePattern = pattern && !pattern->Empty();
    const QRgb color = ToQRgb(state_.brush.Color());
    const TBrushStyle style = state_.brush.Style();
    for (const QRect& r : area) {
        for (int y = r.top(); y <= r.bottom(); ++y) {
            QRgb* row = Row(*target_, y) + r.left();
            if (usePattern) {
                const QImage& img = pattern->Image();
                const QRgb* prow = Row(img, ((y % img.height()) + img.height()) % img.height());
                for (int x = r.left(); x <= r.right(); ++x)
                    *row++ = prow[((x % img.width()) + img.width()) % img.width()] | kOpaque;
            } else if (style == bsSolid) {
                FillSpan32(row, r.width(), color);
            } else {
                for (int x = r.left(); x <= r.right(); ++x, ++row)
                    if (HatchHit(style, x, y))
                        *row = color;
            }
        }
    }
}

void TCanvas::FillRect(const TRect& r)
{
    const TRect n = r.Normalized();
    if (n.IsEmpty())
        return;
    FillDeviceRegion(QRegion(n.Offset(state_.origin.X, state_.origin.Y).ToQRect()));
}

void TCanvas::FrameRect(const TRect& r)
{
    const TRect n = r.Normalized();
    if (n.IsEmpty() || !HandleAllocated())
        return;
    const QRect outer = n.Offset(state_.origin.X, state_.origin.Y).ToQRect();
    QRegion frame(outer);
    if (n.Width() > 2 && n.Height() > 2)
        frame = frame.subtracted(QRegion(outer.adjusted(1, 1, -1, -1)));
    // The frame is drawn in the brush whatever its style, as a solid band.
    const TBrushStyle style = state_.brush.Style();
    if (style == bsClear)
        return;
    FillDeviceRegion(frame);
}

void TCanvas::Rectangle(const TRect& r)
{
    const TRect n = r.Normalized();
    if (n.IsEmpty() || !HandleAllocated())
        return;
    if (state_.pen.Style() == psClear) {
        FillRect({n.Left, n.Top, n.Right - 1, n.Bottom - 1});
        return;
    }
    const int w = state_.pen.Width();
    if (w <= 1) {
        FillRect({n.Left + 1, n.Top + 1, n.Right - 1, n.Bottom - 1});
        const TPoint saved = state_.penPos;
        dotPhase_ = 0;
        ThinLine(n.Left, n.Top, n.Right - 1, n.Top);
        ThinLine(n.Right - 1, n.Top, n.Right - 1, n.Bottom - 1);
        ThinLine(n.Right - 1, n.Bottom - 1, n.Left, n.Bottom - 1);
        ThinLine(n.Left, n.Bottom - 1, n.Left, n.Top);
        state_.penPos = saved;
        return;
    }
    // A wide pen is centred on the outline, as one-pixel rings.
    const int outward = (w - 1) / 2;
    FillRect({n.Left + w - outward, n.Top + w - outward, n.Right - w + outward, n.Bottom - w + outward});
    const TPoint saved = state_.penPos;
    const TPen pen = state_.pen;
    state_.pen.SetWidth(1);
    state_.pen.SetStyle(psSolid);
    for (int i = 0; i < w; ++i) {
        const TRect ring{n.Left - outward + i, n.Top - outward + i, n.Right + outward - i, n.Bottom + outward - i};
        if (ring.IsEmpty())
            break;
        ThinLine(ring.Left, ring.Top, ring.Right - 1, ring.Top);
        ThinLine(ring.Right - 1, ring.Top, ring.Right - 1, ring.Bottom - 1);
        ThinLine(ring.Right - 1, ring.Bottom - 1, ring.Left, ring.Bottom - 1);
        ThinLine(ring.Left, ring.Bottom - 1, ring.Left, ring.Top);
    }
    state_.pen = pen;
    state_.penPos = saved;
}

void TCanvas::Polygon(const std::vector<TPoint>& points)
{
    Polygon(points.data(), static_cast<int>(points.size()));
}

void TCanvas::Polygon(const TPoint* points, int count)
{
    if (!points || count < 2 || !HandleAllocated())
        return;
    TRegion region = TRegion::FromPolygon(points, count, ALTERNATE);
    region.Offset(state_.origin.X, state_.origin.Y);
    FillDeviceRegion(region.ToQRegion());
    if (state_.pen.Style() == psClear)
        return;
    dotPhase_ = 0;
    for (int i = 0; i < count; ++i) {
        const TPoint& a = points[i];
        const TPoint& b = points[(i + 1) % count];
        if (state_.pen.Width() <= 1)
            ThinLine(a.X, a.Y, b.X, b.Y);
        else
            WideLine(a.X, a.Y, b.X, b.Y);
    }
}

void TCanvas::FillRegion(const TRegion& region)
{
    QRegion device = region.ToQRegion();
    device.translate(state_.origin.X, state_.origin.Y);
    FillDeviceRegion(device);
}

void TCanvas::DrawFocusRect(const TRect& r)
{
    const TRect n = r.Normalized();
    if (n.IsEmpty() || !HandleAllocated())
        return;
    const int ox = state_.origin.X;
    const int oy = state_.origin.Y;
    const auto invert = [&](int x, int y) {
        const int dx = x + ox;
        const int dy = y + oy;
        if (((dx + dy) & 1) != 0 || !target_->rect().contains(dx, dy))
            return;
        if (state_.hasClip && !state_.clip.contains(QPoint(dx, dy)))
            return;
        QRgb& p = Row(*target_, dy)[dx];
        p = (~p & 0xFFFFFFu) | kOpaque;
    };
    for (int x = n.Left; x < n.Right; ++x) {
        invert(x, n.Top);
        if (n.Bottom - 1 != n.Top)
            invert(x, n.Bottom - 1);
    }
    for (int y = n.Top + 1; y < n.Bottom - 1; ++y) {
        invert(n.Left, y);
        if (n.Right - 1 != n.Left)
            invert(n.Right - 1, y);
    }
}

// ---------------------------------------------------------------------------
// Text

namespace {

// A line with its accelerator markers taken out.
struct PrefixedLine {
    QString text;
    std::vector<int> underlined;   // indices into text
};

PrefixedLine StripPrefixes(const QString& line, bool prefix)
{
    PrefixedLine out;
    if (!prefix) {
        out.text = line;
        return out;
    }
    out.text.reserve(line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('&') && i + 1 < line.size()) {
            ++i;
            if (line.at(i) != QLatin1Char('&'))
                out.underlined.push_back(static_cast<int>(out.text.size()));
            out.text.append(line.at(i));
            continue;
        }
        out.text.append(c);
    }
    return out;
}

// Advance of `text` starting at column 0, tabs going to the next multiple
// of `tabWidth` when expanded.
int LineWidth(const QFontMetrics& fm, const QString& text, bool expandTabs, int tabWidth)
{
    if (!expandTabs || !text.contains(QLatin1Char('\t')))
        return fm.horizontalAdvance(text);
    int x = 0;
    qsizetype start = 0;
    for (;;) {
        const qsizetype tab = text.indexOf(QLatin1Char('\t'), start);
        const QString part = text.mid(start, tab < 0 ? -1 : tab - start);
        x += fm.horizontalAdvance(part);
        if (tab < 0)
            break;
        x = tabWidth > 0 ? (x / tabWidth + 1) * tabWidth : x;
        start = tab + 1;
    }
    return x;
}

struct LaidOutLine {
    QString text;
    std::vector<int> underlined;
    int width = 0;
};

// Breaks a paragraph into lines no wider than `width` where it can: at the
// line-break opportunities of the text (spaces, and between CJK characters).
// A piece that fits nowhere stays whole on a line of its own.
std::vector<LaidOutLine> WrapParagraph(const PrefixedLine& para, const QFontMetrics& fm, bool expandTabs,
                                       int tabWidth, int width)
{
    std::vector<LaidOutLine> lines;
    const QString& text = para.text;
    const auto makeLine = [&](qsizetype from, qsizetype to) {
        LaidOutLine line;
        // Spaces at a break belong to neither line.
        qsizetype end = to;
        while (end > from && text.at(end - 1) == QLatin1Char(' '))
            --end;
        line.text = text.mid(from, end - from);
        for (int u : para.underlined)
            if (u >= from && u < end)
                line.underlined.push_back(static_cast<int>(u - from));
        line.width = LineWidth(fm, line.text, expandTabs, tabWidth);
        lines.push_back(line);
    };
    const auto trimmedWidth = [&](qsizetype from, qsizetype to) {
        qsizetype end = to;
        while (end > from && text.at(end - 1) == QLatin1Char(' '))
            --end;
        return LineWidth(fm, text.mid(from, end - from), expandTabs, tabWidth);
    };

    std::vector<qsizetype> breaks;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, text);
    for (qsizetype pos = finder.toNextBoundary(); pos > 0; pos = finder.toNextBoundary())
        breaks.push_back(pos);
    if (breaks.empty() || breaks.back() != text.size())
        breaks.push_back(text.size());

    qsizetype lineStart = 0;
    qsizetype lastFit = -1;
    for (qsizetype b : breaks) {
        if (b <= lineStart)
            continue;
        if (trimmedWidth(lineStart, b) <= width) {
            lastFit = b;
            continue;
        }
        if (lastFit > lineStart) {
            makeLine(lineStart, lastFit);
            lineStart = lastFit;
            // The piece that overflowed starts the next line.
            if (trimmedWidth(lineStart, b) <= width) {
                lastFit = b;
                continue;
            }
        }
        makeLine(lineStart, b);
        lineStart = b;
        lastFit = -1;
    }
    if (lineStart < text.size() || lines.empty())
        makeLine(lineStart, text.size());
    return lines;
}

} // namespace

void TCanvas::TextOut(int x, int y, const QString& text)
{
    if (!HandleAllocated() || text.isEmpty())
        return;
    const QFont font = state_.font.ToQFont();
    const QFontMetrics fm(font);
    const int w = fm.horizontalAdvance(text);
    const int h = fm.height();
    Painter painter(*this);
    painter.p.setFont(font);
    painter.p.translate(x, y);
    const int escapement = state_.font.Orientation();
    if (escapement != 0)
        painter.p.rotate(-escapement / 10.0);
    if (state_.bkMode == OPAQUE && state_.brush.Style() != bsClear)
        painter.p.fillRect(QRect(0, 0, w, h), ToQColor(state_.brush.Color()));
    painter.p.setPen(ToQColor(state_.font.Color()));
    painter.p.drawText(QPoint(0, fm.ascent()), text);
}

TSize TCanvas::TextExtent(const QString& text) const
{
    const QFontMetrics fm(state_.font.ToQFont());
    return {fm.horizontalAdvance(text), fm.height()};
}

TTextMetric TCanvas::GetTextMetrics() const
{
    const QFont font = state_.font.ToQFont();
    const QFontMetrics fm(font);
    TTextMetric tm;
    tm.tmHeight = fm.height();
    tm.tmAscent = fm.ascent();
    tm.tmDescent = fm.descent();
    tm.tmInternalLeading = std::max(0, fm.height() - font.pixelSize());
    tm.tmExternalLeading = std::max(0, fm.leading());
    tm.tmAveCharWidth = fm.averageCharWidth();
    tm.tmMaxCharWidth = fm.maxWidth();
    tm.tmWeight = state_.font.Style().Contains(fsBold) ? 700 : 400;
    if (FontIsTrueType(state_.font))
        tm.tmPitchAndFamily |= TMPF_TRUETYPE;
    return tm;
}

int TCanvas::DrawText(const QString& text, TRect& r, unsigned flags)
{
    const QFont font = state_.font.ToQFont();
    const QFontMetrics fm(font);
    const bool singleLine = flags & DT_SINGLELINE;
    const bool expandTabs = flags & DT_EXPANDTABS;
    const bool prefix = !(flags & DT_NOPREFIX);
    const int lineHeight = fm.height() + ((flags & DT_EXTERNALLEADING) ? std::max(0, fm.leading()) : 0);
    const int tabWidth = 8 * std::max(1, fm.averageCharWidth());

    if (text.isEmpty()) {
        const int height = singleLine ? lineHeight : 0;
        if (flags & DT_CALCRECT) {
            r.Right = r.Left;
            r.Bottom = r.Top + height;
        }
        return height;
    }

    // Paragraphs: hard breaks are CR LF, LF or a lone CR; a single line
    // shows none of them.
    std::vector<QString> paragraphs;
    if (singleLine) {
        QString one = text;
        one.remove(QLatin1Char('\r'));
        one.remove(QLatin1Char('\n'));
        paragraphs.push_back(one);
    } else {
        QString current;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
                paragraphs.push_back(current);
                current.clear();
                if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                    ++i;
                continue;
            }
            current.append(c);
        }
        paragraphs.push_back(current);
    }

    std::vector<LaidOutLine> lines;
    for (const QString& p : paragraphs) {
        const PrefixedLine para = StripPrefixes(p, prefix);
        if ((flags & DT_WORDBREAK) && !singleLine) {
            for (LaidOutLine& l : WrapParagraph(para, fm, expandTabs, tabWidth, r.Width()))
                lines.push_back(std::move(l));
        } else {
            LaidOutLine l;
            l.text = para.text;
            l.underlined = para.underlined;
            l.width = LineWidth(fm, l.text, expandTabs, tabWidth);
            lines.push_back(std::move(l));
        }
    }

    int widest = 0;
    for (const LaidOutLine& l : lines)
        widest = std::max(widest, l.width);
    const int height = lineHeight * static_cast<int>(lines.size());

    if (flags & DT_CALCRECT) {
        r.Right = r.Left + widest;
        r.Bottom = r.Top + height;
        return height;
    }
    if (!HandleAllocated())
        return height;

    int y = r.Top;
    if (singleLine) {
        if (flags & DT_VCENTER)
            y = r.Top + (r.Height() - lineHeight) / 2;
        else if (flags & DT_BOTTOM)
            y = r.Bottom - lineHeight;
    }

    Painter painter(*this);
    if (!(flags & DT_NOCLIP))
        painter.p.setClipRect(r.ToQRect(), Qt::IntersectClip);
    painter.p.setFont(font);
    const QColor textColor = ToQColor(state_.font.Color());
    const bool opaque = state_.bkMode == OPAQUE && state_.brush.Style() != bsClear;
    const QColor background = ToQColor(state_.brush.Color());
    const int underlineY = fm.ascent() + std::max(1, fm.underlinePos());
    const int underlineH = std::max(1, fm.lineWidth());

    for (const LaidOutLine& l : lines) {
        int x = r.Left;
        if (flags & DT_CENTER)
            x = r.Left + (r.Width() - l.width) / 2;
        else if (flags & DT_RIGHT)
            x = r.Right - l.width;
        if (opaque)
            painter.p.fillRect(QRect(x, y, l.width, lineHeight), background);
        painter.p.setPen(textColor);
        // Draw tab-separated pieces at their columns.
        int cx = 0;
        qsizetype start = 0;
        std::vector<int> columnOf(static_cast<size_t>(l.text.size()) + 1, 0);
        for (;;) {
            const qsizetype tab = expandTabs ? l.text.indexOf(QLatin1Char('\t'), start) : -1;
            const QString part = l.text.mid(start, tab < 0 ? -1 : tab - start);
            for (qsizetype i = 0; i < part.size(); ++i)
                columnOf[static_cast<size_t>(start + i)] = cx + fm.horizontalAdvance(part.left(i));
            painter.p.drawText(QPoint(x + cx, y + fm.ascent()), part);
            cx += fm.horizontalAdvance(part);
            if (tab < 0)
                break;
            columnOf[static_cast<size_t>(tab)] = cx;
            cx = (cx / tabWidth + 1) * tabWidth;
            start = tab + 1;
        }
        for (int u : l.underlined) {
            if (u < 0 || u >= l.text.size())
                continue;
            const int ux = x + columnOf[static_cast<size_t>(u)];
            const int uw = fm.horizontalAdvance(l.text.at(u));
            painter.p.fillRect(QRect(ux, y + underlineY, uw, underlineH), textColor);
        }
        y += lineHeight;
    }
    return height;
}

// ---------------------------------------------------------------------------
// Clipping

void TCanvas::SelectClipRgn(const TRegion* region)
{
    if (!region) {
        state_.hasClip = false;
        state_.clip = QRegion();
        return;
    }
    state_.hasClip = true;
    state_.clip = region->ToQRegion();
}

void TCanvas::IntersectClipRect(const TRect& r)
{
    const TRect n = r.Normalized().Offset(state_.origin.X, state_.origin.Y);
    const QRegion area = n.IsEmpty() ? QRegion() : QRegion(n.ToQRect());
    state_.clip = state_.hasClip ? state_.clip.intersected(area) : area;
    state_.hasClip = true;
}

void TCanvas::ExcludeClipRect(const TRect& r)
{
    const TRect n = r.Normalized().Offset(state_.origin.X, state_.origin.Y);
    const QRegion base = state_.hasClip ? state_.clip : QRegion(DeviceBounds());
    state_.clip = n.IsEmpty() ? base : base.subtracted(QRegion(n.ToQRect()));
    state_.hasClip = true;
}

TRegion TCanvas::ClipRegion() const
{
    return TRegion(EffectiveClip());
}

TRect TCanvas::ClipRect() const
{
    const QRegion clip = EffectiveClip();
    if (clip.isEmpty())
        return TRect{};
    return TRect::FromQRect(clip.boundingRect()).Offset(-state_.origin.X, -state_.origin.Y);
}

bool TCanvas::RectVisible(const TRect& r) const
{
    const TRect n = r.Normalized().Offset(state_.origin.X, state_.origin.Y);
    return !n.IsEmpty() && EffectiveClip().intersects(n.ToQRect());
}

// ---------------------------------------------------------------------------
// State stack

int TCanvas::SaveDC()
{
    if (!HandleAllocated() || static_cast<int>(stack_.size()) >= kMaxSavedStates)
        throw Exception(QStringLiteral("Error saving device context"));
    stack_.push_back(state_);
    return static_cast<int>(stack_.size());
}

void TCanvas::RestoreDC(int level)
{
    const int count = static_cast<int>(stack_.size());
    const int index = level < 0 ? count + level + 1 : level;
    if (level == 0 || index < 1 || index > count)
        throw Exception(QStringLiteral("Error restoring device context"));
    state_ = stack_[static_cast<size_t>(index - 1)];
    stack_.resize(static_cast<size_t>(index - 1));
}

// ---------------------------------------------------------------------------
// Copies

void TCanvas::BitBlt(int x, int y, int w, int h, const QImage& source, int sx, int sy, TCopyMode rop)
{
    if (!HandleAllocated() || w <= 0 || h <= 0)
        return;
    const bool usesSource = rop != cmBlackness && rop != cmWhiteness && rop != cmDstInvert && rop != cmPatCopy &&
                            rop != cmPatInvert;
    // `source` is read in place where possible: a shallow copy of the target
    // would make every write detach (copy) the whole target image.
    const QImage* srcp = &source;
    QImage holder;
    int srcX = sx;
    int srcY = sy;
    if (usesSource) {
        if (source.isNull())
            return;
        if (source.format() != QImage::Format_RGB32 && source.format() != QImage::Format_ARGB32) {
            holder = As32Bit(source);
            srcp = &holder;
        } else if (source.constBits() == static_cast<const QImage&>(*target_).constBits()) {
            // Copying within one image: take the source first when the blocks overlap.
            const QRect from(sx, sy, w, h);
            const QRect to(x + state_.origin.X, y + state_.origin.Y, w, h);
            if (from.intersects(to)) {
                holder = source.copy(from);
                srcp = &holder;
                srcX = 0;
                srcY = 0;
            }
        }
    }
    const QImage& src = *srcp;
    const QRect dest(x + state_.origin.X, y + state_.origin.Y, w, h);
    const QRegion area = EffectiveClip().intersected(dest);
    const QRgb pat = ToQRgb(state_.brush.Color());
    for (const QRect& r : area) {
        for (int dy = r.top(); dy <= r.bottom(); ++dy) {
            const int syRow = srcY + (dy - dest.top());
            QRgb* out = Row(*target_, dy);
            if (!usesSource) {
                for (int dx = r.left(); dx <= r.right(); ++dx)
                    out[dx] = ApplyRop3(rop, 0, out[dx], pat);
                continue;
            }
            if (syRow < 0 || syRow >= src.height())
                continue;
            const QRgb* in = Row(static_cast<const QImage&>(src), syRow);
            int left = r.left();
            int right = r.right();
            // Only source pixels that exist are copied.
            left = std::max(left, dest.left() + (0 - srcX));
            right = std::min(right, dest.left() + (src.width() - 1 - srcX));
            if (left > right)
                continue;
            const int offset = srcX - dest.left();
            if (rop == cmSrcCopy && src.format() == QImage::Format_RGB32) {
                // RGB32 pixels are opaque already (and distinct blocks when
                // copying within one image).
                std::memmove(out + left, in + left + offset, sizeof(QRgb) * static_cast<size_t>(right - left + 1));
            } else {
                CombineRow(rop, out + left, in + left + offset, right - left + 1, pat);
            }
        }
    }
}

void TCanvas::Draw(int x, int y, const TBitmap& bitmap)
{
    if (bitmap.Empty())
        return;
    BitBlt(x, y, bitmap.Width(), bitmap.Height(), bitmap.Image(), 0, 0, state_.copyMode);
}

void TCanvas::Draw(int x, int y, const QImage& image)
{
    if (image.isNull() || !HandleAllocated())
        return;
    if (!image.hasAlphaChannel()) {
        BitBlt(x, y, image.width(), image.height(), image, 0, 0, state_.copyMode);
        return;
    }
    // Images with transparency (image-list images) are blended over the canvas.
    const QImage src = image.convertToFormat(QImage::Format_ARGB32);
    const QRect dest(x + state_.origin.X, y + state_.origin.Y, src.width(), src.height());
    for (const QRect& r : EffectiveClip().intersected(dest)) {
        for (int dy = r.top(); dy <= r.bottom(); ++dy) {
            const QRgb* in = Row(src, dy - dest.top());
            QRgb* out = Row(*target_, dy);
            for (int dx = r.left(); dx <= r.right(); ++dx) {
                const QRgb s = in[dx - dest.left()];
                const int a = qAlpha(s);
                if (a == 0)
                    continue;
                if (a == 255) {
                    out[dx] = s;
                    continue;
                }
                const QRgb d = out[dx];
                out[dx] = qRgb((qRed(s) * a + qRed(d) * (255 - a)) / 255, (qGreen(s) * a + qGreen(d) * (255 - a)) / 255,
                               (qBlue(s) * a + qBlue(d) * (255 - a)) / 255);
            }
        }
    }
}

void TCanvas::StretchDraw(const TRect& r, const TBitmap& bitmap)
{
    if (bitmap.Empty())
        return;
    CopyRect(r, bitmap.Image(), TRect{0, 0, bitmap.Width(), bitmap.Height()});
}

void TCanvas::CopyRect(const TRect& dest, const TCanvas& source, const TRect& src)
{
    if (!source.HandleAllocated())
        return;
    CopyRect(dest, *source.target_, src.Offset(source.state_.origin.X, source.state_.origin.Y));
}

void TCanvas::CopyRect(const TRect& dest, const QImage& source, const TRect& src)
{
    const TRect d = dest.Normalized();
    const TRect s = src.Normalized();
    if (d.IsEmpty() || s.IsEmpty() || source.isNull())
        return;
    if (d.Width() == s.Width() && d.Height() == s.Height()) {
        BitBlt(d.Left, d.Top, d.Width(), d.Height(), source, s.Left, s.Top, state_.copyMode);
        return;
    }
    const QImage scaled = Stretched(As32Bit(source), s, d.Width(), d.Height());
    BitBlt(d.Left, d.Top, d.Width(), d.Height(), scaled, 0, 0, state_.copyMode);
}

void TCanvas::CopyMasked(const TRect& dest, const QImage& source, const TRect& src, TColor transparent)
{
    const TRect d = dest.Normalized();
    const TRect s = src.Normalized();
    if (d.IsEmpty() || s.IsEmpty() || source.isNull() || !HandleAllocated())
        return;
    const QImage work = Stretched(As32Bit(source), s, d.Width(), d.Height());
    const QRgb key = ToQRgb(transparent) & 0xFFFFFFu;
    const QRect area(d.Left + state_.origin.X, d.Top + state_.origin.Y, d.Width(), d.Height());
    for (const QRect& r : EffectiveClip().intersected(area)) {
        for (int dy = r.top(); dy <= r.bottom(); ++dy) {
            const QRgb* in = Row(work, dy - area.top());
            QRgb* out = Row(*target_, dy);
            for (int dx = r.left(); dx <= r.right(); ++dx) {
                const QRgb p = in[dx - area.left()];
                if ((p & 0xFFFFFFu) != key)
                    out[dx] = p | kOpaque;
            }
        }
    }
}
