// Tab painting: the paint pass of TVmCustomTabControl and the window-free
// pieces it is made of (see VmTabPaint.h).
#include "VmTabPaint.h"

#include "Exception.h"
#include "VmCommon.h"
#include "VmGrafx.h"
#include "VmTabRegionCache.h"

#include <algorithm>
#include <optional>

bool TVmOutlineCommands::HasShadow() const
{
    for (size_t i = 0; i < items_.size(); i += Size(items_[i])) {
        if (items_[i] == cShadow30 || items_[i] == cShadow15)
            return true;
    }
    return false;
}

int TabShapePointCount(TVmTabStyle style)
{
    switch (style) {
    case tsSingleSlant: return 5;
    case tsDoubleSlant: return 4;
    case tsCutCorner: return 5;
    case tsRoundCorners: return 6;
    }
    return 0;
}

void AddTabOutline(TVmOutlineCommands& list, TVmTabStyle style, TVmTabOrientation orientation,
                   const std::vector<TPoint>& d)
{
    if (int(d.size()) != TabShapePointCount(style))
        throw Exception(QStringLiteral("Incorrect number of points in tab shape"));
    list.Pen();
    if (style != tsRoundCorners) {
        list.Move(d[0]);
        for (size_t k = 1; k < d.size(); ++k)
            list.Line(d[k]);
        return;
    }
    // The rounded tab is drawn from its far side so that the short corner
    // strokes meet the long sides the same way in every orientation.
    if (orientation == toLeft) {
        list.Move(d[1]);
        list.Line(d[0]);
        list.Move(d[1]);
        list.Line(d[2]);
        list.Move(d[2]);
        list.Line(d[3]);
        list.Line(d[4]);
        list.Line(d[5]);
    } else {
        list.Move(d[4]);
        list.Line(d[5]);
        list.Move(d[4]);
        list.Line(d[3]);
        list.Move(d[3]);
        list.Line(d[2]);
        list.Line(d[1]);
        list.Line(d[0]);
    }
}

void AddCardShadow(TVmOutlineCommands& list, const TRect& k)
{
    list.Move(k.Right - 1, k.Top + 1);
    list.Shadow(k.Right - 1, k.Bottom - 1, 30);
    list.Shadow(k.Left, k.Bottom - 1, 30);
    list.Move(k.Right - 1, k.Top);
    list.Shadow(k.Right, k.Top, 15);
    list.Shadow(k.Right, k.Bottom, 15);
    list.Shadow(k.Left, k.Bottom, 15);
    list.Shadow(k.Left, k.Bottom - 1, 15);
}

namespace {

void PlainFrame(TVmOutlineCommands& c, const TVmCardFrame& f)
{
    const TRect& k = f.card;
    const int L = k.Left, T = k.Top, R = k.Right, B = k.Bottom;
    if (f.orientation == toTop && f.sequence == tsStandard && f.showShadow) {
        c.Move(L, T);
        c.Line(R - 2, T);
        c.Line(R - 2, B - 2);
        c.Line(L, B - 2);
        c.Line(L, T);
        if (f.withShadow)
            AddCardShadow(c, k);
        return;
    }
    c.Move(L, T);
    c.Line(R, T);
    if (f.showFullFrame) {
        c.Line(R, B);
        c.Line(L, B);
        c.Line(L, T);
    }
}

void SlantGapFrame(TVmOutlineCommands& c, const TVmCardFrame& f)
{
    const TRect& k = f.card;
    const int L = k.Left, T = k.Top, R = k.Right, B = k.Bottom;
    const TPoint f1 = f.foot1, f2 = f.foot2;
    const bool full = f.showFullFrame;
    switch (f.orientation) {
    case toTop:
        if (f.sequence == tsStandard && f.showShadow) {
            c.Move(L, T);
            c.Line(f1);
            c.Move(f2);
            c.Line(R - 2, T);
            if (full) {
                c.Line(R - 2, B - 2);
                c.Line(L, B - 2);
                c.Line(L, T - 1);
            }
            if (f.withShadow)
                AddCardShadow(c, k);
        } else if (full) {
            c.Move(L, T);
            c.Line(f1);
            c.Move(f2);
            c.Line(R, T);
            c.Line(R, B);
            c.Line(L, B);
            c.Line(L, T);
        } else {
            c.Move(L, T);
            c.Line(f1);
            c.Move(f2);
            c.Line(R + 1, T);
        }
        break;
    case toLeft:
        if (full) {
            c.Move(L, T);
            c.Line(R, T);
            c.Line(R, B);
            c.Line(L, B);
            c.Line(f1);
            c.Move(f2);
            c.Line(L, T);
        } else {
            c.Move(L - 1, B);
            c.Line(f1.X - 1, f1.Y);
            c.Move(f2.X - 1, f2.Y);
            c.Line(L - 1, T);
        }
        break;
    case toBottom:
        if (full) {
            c.Move(L, T);
            c.Line(R, T);
            c.Line(R, B);
            c.Line(f2.X - 1, f2.Y);
            c.Move(f1.X - 1, f2.Y);
            c.Line(L, B);
            c.Line(L, T);
        } else {
            c.Move(R, B + 1);
            c.Line(f2.X - 1, f2.Y + 1);
            c.Move(f1.X - 1, f2.Y + 1);
            c.Line(L, B + 1);
        }
        break;
    case toRight:
        if (full) {
            c.Move(L, T);
            c.Line(R, T);
            c.Line(f1);
            c.Move(f2);
            c.Line(R, B);
            c.Line(L, B);
            c.Line(L, T);
        } else {
            c.Move(R + 1, T);
            c.Line(f1.X + 1, f1.Y);
            c.Move(f2.X + 1, f2.Y);
            c.Line(R + 1, B + 1);
        }
        break;
    }
}

// The selected rounded tab stands 2 pixels wider on each side, so its feet
// are further out and the frame closes the corner pixel at the right foot.
void RoundGapFrame(TVmOutlineCommands& c, const TVmCardFrame& f)
{
    const TRect& k = f.card;
    const int L = k.Left, T = k.Top, R = k.Right, B = k.Bottom;
    const TPoint f1 = f.foot1, f2 = f.foot2;
    const bool full = f.showFullFrame;
    auto closeFoot = [&] {
        c.Move(f2);
        c.Line(f2);
        c.Line(f2.X + 1, f2.Y);
    };
    switch (f.orientation) {
    case toTop:
        if (f.sequence == tsStandard && f.showShadow) {
            c.Move(L, B - 2);
            c.Line(L, T);
            c.Line(f1);
            c.Move(f2);
            c.Line(R - 2, T);
            c.Line(R - 2, B - 2);
            c.Line(L - 1, B - 2);
            if (f.withShadow)
                AddCardShadow(c, k);
            c.Pen();
            closeFoot();
        } else if (full) {
            c.Move(L, B);
            c.Line(L, T);
            c.Line(f1);
            c.Move(f2);
            c.Line(R, T);
            c.Line(R, B);
            c.Line(L - 1, B);
            closeFoot();
        } else {
            c.Move(L, T);
            c.Line(f1);
            c.Move(f2);
            c.Line(R + 1, T);
            closeFoot();
        }
        break;
    case toLeft:
        if (full) {
            c.Move(L, B);
            c.Line(f1);
            c.Move(f2);
            c.Line(L, T);
            c.Line(R, T);
            c.Line(R, B);
            c.Line(L - 1, B);
        } else {
            c.Move(L - 1, B);
            c.Line(f1.X - 1, f1.Y);
            c.Move(f2.X - 1, f2.Y);
            c.Line(L - 1, T);
        }
        break;
    case toBottom:
        if (full) {
            c.Move(L, B);
            c.Line(L, T);
            c.Line(R, T);
            c.Line(R, B);
            c.Line(f2.X - 1, f2.Y);
            c.Move(f1.X - 1, f1.Y);
            c.Line(L, B);
        } else {
            c.Move(R, B + 1);
            c.Line(f2.X - 1, f2.Y + 1);
            c.Move(f1.X - 1, f2.Y + 1);
            c.Line(L - 1, B + 1);
        }
        break;
    case toRight:
        if (full) {
            c.Move(L, B);
            c.Line(L, T);
            c.Line(R + 1, T);
            c.Move(R, T);
            c.Line(f1);
            c.Move(f2);
            c.Line(R, B);
            c.Line(L - 1, B);
        } else {
            c.Move(R + 1, T);
            c.Line(f1.X + 1, f1.Y);
            c.Move(f2.X + 1, f2.Y);
            c.Line(R + 1, B + 1);
        }
        break;
    }
}

} // namespace

void AddCardFrame(TVmOutlineCommands& list, const TVmCardFrame& frame)
{
    list.Pen();
    if (!frame.gap)
        PlainFrame(list, frame);
    else if (frame.style == tsRoundCorners)
        RoundGapFrame(list, frame);
    else
        SlantGapFrame(list, frame);
}

// ---- tab content -------------------------------------------------------

TRect TabContentRect(const TRect& tab, TVmTabStyle style, TVmTabOrientation o, TOrientation text, int cc)
{
    const bool across = o == toTop || o == toBottom;
    const int thick = across ? tab.Bottom - tab.Top : tab.Right - tab.Left;
    struct Insets { int l, t, r, b; };
    Insets in{0, 0, 0, 0};
    switch (style) {
    case tsSingleSlant: {
        const int s = thick / 2;
        const Insets t[4] = {{5, 4, 2 * s + 1, 2}, {4, 2 * s + 3, 2, 3}, {5, 3, 2 * s + 1, 3}, {3, 5, 3, 2 * s + 1}};
        in = t[o];
        break;
    }
    case tsDoubleSlant: {
        const int s = thick;
        const Insets t[4] = {{s + 1, 4, s - 1, 2}, {4, s + 1, 2, s - 3}, {s + 1, 3, s - 1, 3}, {3, s + 1, 3, s - 3}};
        in = t[o];
        break;
    }
    case tsCutCorner:
        if (text == orHorizontal) {
            const Insets t[4] = {{cc + 4, 5, cc + 4, 2}, {cc + 7, 5, 2, 5}, {cc + 4, 3, cc + 4, 4}, {3, 5, cc + 6, 5}};
            in = t[o];
        } else {
            const Insets t[4] = {{5, cc + 5, 5, 2}, {7, cc + 4, 2, cc + 4}, {5, 3, 5, cc + 4}, {3, cc + 4, 6, cc + 4}};
            in = t[o];
        }
        break;
    case tsRoundCorners:
        in = text == orHorizontal ? Insets{5, 3, 5, 3} : Insets{3, 5, 3, 5};
        break;
    }
    return Rect(tab.Left + in.l, tab.Top + in.t, tab.Right - in.r, tab.Bottom - in.b);
}

void SplitContentRect(const TRect& cr, TVmImagePosition position, TVmTabSize image, int m, TRect& ir, TRect& tr)
{
    const int w = image.W, h = image.H;
    ir = cr;
    tr = cr;
    switch (position) {
    case ipLeft:
        ir.Right = cr.Left + w;
        tr.Left += w + m;
        break;
    case ipTop:
        ir.Bottom = cr.Top + h;
        tr.Top += h + m;
        break;
    case ipRight:
        ir.Left = cr.Right - w;
        tr.Right -= w + m;
        break;
    case ipBottom:
        ir.Top = cr.Bottom - h;
        tr.Bottom -= h + m;
        break;
    case ipBack:
    case ipStretch:
        break;
    }
}

TPoint ImageOrigin(const TRect& r, TVmImagePosition position, TVmTabSize image, TVmHorizontalAlignment across,
                   TVmVerticalAlignment down)
{
    if (position == ipStretch)
        return Point(r.Left, r.Top);
    const int spareW = r.Width() - image.W;
    const int spareH = r.Height() - image.H;
    const int dx = across == haLeft ? 0 : across == haCenter ? spareW / 2 : spareW;
    const int dy = down == vaTop ? 0 : down == vaCenter ? spareH / 2 : spareH;
    return Point(r.Left + dx, r.Top + dy);
}

TRect TabBarRect(const TRect& tab, TVmTabOrientation o)
{
    TRect r = tab.Inflate(1, 1);
    switch (o) {
    case toTop: r.Bottom = r.Top + 6; break;
    case toLeft: r.Right = r.Left + 6; break;
    case toBottom: r.Top = r.Bottom - 4; break;
    case toRight: r.Left = r.Right - 4; break;
    }
    // A rectangle drawn without a pen leaves its last column and row.
    r.Right -= 1;
    r.Bottom -= 1;
    return r;
}

TRect TabFocusRect(const TRect& c, TVmTabStyle style, TVmTabOrientation o)
{
    TRect r = c;
    if (o == toTop || o == toBottom) {
        r.Left -= 1;
        r.Right += 1;
    } else {
        r.Top -= 1;
        r.Bottom += 1;
    }
    if (style == tsRoundCorners) {
        switch (o) {
        case toTop: r.Top += 1; break;
        case toLeft: r.Left += 2; break;
        case toBottom: r.Bottom -= 1; break;
        case toRight: r.Right -= 2; break;
        }
    }
    return r;
}

// ---- captions --------------------------------------------------------

TVmAcceleratorParts SplitAccelerator(const QString& line)
{
    TVmAcceleratorParts p;
    const qsizetype i = line.indexOf(QLatin1Char('&'));
    if (i < 0) {
        p.before = line;
        return p;
    }
    p.cut = true;
    if (i + 1 < line.size() && line[i + 1] == QLatin1Char('&')) {
        p.before = line.left(i + 1);
        p.after = line.mid(i + 2);
    } else {
        p.before = line.left(i);
        p.accelerator = line.mid(i + 1, 1);
        p.after = line.mid(i + 2);
    }
    return p;
}

TVmCaptionPlacement PlaceCaption(const TRect& captionRect, TVmTabSize block, const std::vector<TVmTabSize>& lines,
                                 bool vertical, TVmTabOrientation o, TVmHorizontalAlignment ha,
                                 TVmVerticalAlignment va)
{
    TVmCaptionPlacement out;
    TRect tr = captionRect;
    if (!vertical) {
        if (va == vaCenter) {
            const int d = (tr.Height() - block.H) / 2;
            tr.Top += d;
            tr.Bottom -= d;
        } else if (va == vaBottom) {
            tr.Top = tr.Bottom - block.H;
        }
    } else {
        const int d = (tr.Width() - block.W) / 2;
        if (ha == haCenter) {
            tr.Left += d;
            tr.Right -= d;
        } else if (o == toRight && ha == haLeft) {
            tr.Right = tr.Left + block.W;
        } else if (o != toRight && ha == haRight) {
            tr.Left = tr.Right - block.W;
        }
    }
    out.block = tr;
    int offset = 0;
    for (const TVmTabSize& e : lines) {
        const int wl = e.W, hl = e.H;
        if (!vertical) {
            const int dx = ha == haLeft ? 0 : ha == haCenter ? (tr.Width() - wl) / 2 : tr.Width() - wl;
            out.origins.push_back(Point(tr.Left + dx, tr.Top + offset));
            offset += hl;
        } else if (o == toRight) {
            const int dy = va == vaTop ? 0 : va == vaCenter ? (tr.Height() - hl) / 2 : tr.Height() - hl;
            out.origins.push_back(Point(tr.Right - offset, tr.Top + dy));
            offset += wl;
        } else {
            const int up = va == vaTop ? tr.Height() - hl : va == vaCenter ? (tr.Height() - hl) / 2 : 0;
            out.origins.push_back(Point(tr.Left + offset, tr.Bottom - up));
            offset += wl;
        }
    }
    return out;
}

TColor HotBarColor(TColor hotTrackColor, TVmHotTrackColorType type)
{
    if (type == htctActual)
        return hotTrackColor;
    const int hue = HueOfColor(hotTrackColor);
    const int turned = hue >= 120 ? hue - 120 : hue + 120;
    return ColorFromHsl(std::uint8_t(turned), 240, 140);
}

// ---- outline execution --------------------------------------------------

void PaintShadowLine(TCanvas& canvas, const QImage& parent, TPoint from, TPoint to, int weight)
{
    const bool vertical = from.X == to.X;
    const int a = vertical ? from.Y : from.X;
    const int b = vertical ? to.Y : to.X;
    const int lo = std::min(a, b), hi = std::max(a, b);
    const QRect bounds = parent.rect();
    for (int v = lo; v <= hi; ++v) {
        const int x = vertical ? to.X : v;
        const int y = vertical ? v : to.Y;
        if (!bounds.contains(x, y))
            continue;
        const TColor under = FromQRgb(parent.pixel(x, y));
        canvas.SetPixels(x, y, MixColors(clBlack, under, std::uint8_t(weight)));
    }
}

namespace {
// Whether a line from the pen position to `to` (its end pixel left out)
// can touch a pixel inside `clip`.
bool LineMayShow(TPoint from, TPoint to, const TRect& clip)
{
    TRect r = Rect(std::min(from.X, to.X), std::min(from.Y, to.Y), std::max(from.X, to.X) + 1,
                   std::max(from.Y, to.Y) + 1);
    if (from.Y == to.Y) {
        if (to.X > from.X)
            r.Right -= 1;
        else
            r.Left += 1;
    } else if (from.X == to.X) {
        if (to.Y > from.Y)
            r.Bottom -= 1;
        else
            r.Top += 1;
    }
    TRect shown;
    return IntersectRect(shown, r, clip);
}
} // namespace

void ExecuteOutline(TCanvas& canvas, const TVmOutlineCommands& list, TColor frameColor, const QImage& parent)
{
    TColor current = frameColor;
    // Lines wholly outside the clip only move the pen: a hot-track repaint,
    // clipped to the tab strip, passes over the card's long frame lines.
    const TRect clip = canvas.ClipRect();
    const std::vector<std::int32_t>& c = list.Items();
    for (size_t i = 0; i < c.size(); i += TVmOutlineCommands::Size(c[i])) {
        switch (c[i]) {
        case TVmOutlineCommands::cPen:
            canvas.Pen().SetColor(current);
            break;
        case TVmOutlineCommands::cNothing:
            break;
        case TVmOutlineCommands::cFrameColor:
            current = frameColor;
            break;
        case TVmOutlineCommands::cMove:
            canvas.MoveTo(c[i + 1], c[i + 2]);
            break;
        case TVmOutlineCommands::cLine:
            if (LineMayShow(canvas.PenPos(), Point(c[i + 1], c[i + 2]), clip))
                canvas.LineTo(c[i + 1], c[i + 2]);
            else
                canvas.MoveTo(c[i + 1], c[i + 2]);
            break;
        case TVmOutlineCommands::cShadow30:
        case TVmOutlineCommands::cShadow15: {
            const TPoint to = Point(c[i + 1], c[i + 2]);
            PaintShadowLine(canvas, parent, canvas.PenPos(), to, c[i] == TVmOutlineCommands::cShadow30 ? 30 : 15);
            canvas.SetPenPos(to);
            break;
        }
        default:
            // A list is only ever built by the Add functions above; stop
            // rather than read operands of an unknown command.
            return;
        }
    }
}

TRegion ShadowArea(const TVmOutlineCommands& list)
{
    QRegion area;
    TPoint pen;
    const std::vector<std::int32_t>& c = list.Items();
    for (size_t i = 0; i < c.size(); i += TVmOutlineCommands::Size(c[i])) {
        if (TVmOutlineCommands::Size(c[i]) != 3 || c[i] == TVmOutlineCommands::cFrameColor)
            continue;
        const TPoint to = Point(c[i + 1], c[i + 2]);
        if (c[i] == TVmOutlineCommands::cShadow30 || c[i] == TVmOutlineCommands::cShadow15) {
            const bool vertical = pen.X == to.X;
            const int x0 = vertical ? to.X : std::min(pen.X, to.X);
            const int x1 = vertical ? to.X : std::max(pen.X, to.X);
            const int y0 = vertical ? std::min(pen.Y, to.Y) : to.Y;
            const int y1 = vertical ? std::max(pen.Y, to.Y) : to.Y;
            area += QRect(x0, y0, x1 - x0 + 1, y1 - y0 + 1);
        }
        pen = to;
    }
    return TRegion(area);
}

// ---- drag marker --------------------------------------------------------

QImage DragMarkerImage(int width, int height, TVmTabOrientation orientation)
{
    QImage image(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
    if (image.isNull())
        return image;
    TCanvas canvas(&image);
    canvas.Brush().SetColor(clBtnShadow);
    canvas.FillRect(Rect(0, 0, width, height));
    static const TPoint triangles[4][2][3] = {
        {{{0, 0}, {8, 8}, {0, 8}}, {{7, 8}, {15, 0}, {15, 8}}},       // toTop
        {{{1, 0}, {8, 0}, {8, 8}}, {{-1, 15}, {8, 7}, {8, 15}}},      // toLeft
        {{{-1, 8}, {-1, -1}, {8, -1}}, {{7, -1}, {15, 0}, {15, 8}}},  // toBottom
        {{{0, 0}, {7, 0}, {0, 7}}, {{0, 7}, {8, 15}, {0, 15}}},       // toRight
    };
    canvas.Brush().SetColor(clBlack);
    canvas.Pen().SetStyle(psClear);
    for (const auto& t : triangles[orientation])
        canvas.Polygon(t, 3);
    return image;
}

// ---- the paint pass -----------------------------------------------------

namespace {

// Restores the canvas to the level a save returned when the scope ends, so
// an exception leaving the pass does not leave saved states behind.
class TSavedCanvas {
public:
    explicit TSavedCanvas(TCanvas& canvas) : canvas_(canvas), level_(canvas.SaveDC()) {}
    TSavedCanvas(const TSavedCanvas&) = delete;
    TSavedCanvas& operator=(const TSavedCanvas&) = delete;
    ~TSavedCanvas()
    {
        if (canvas_.SavedLevels() >= level_)
            canvas_.RestoreDC(level_);
    }

private:
    TCanvas& canvas_;
    int level_;
};

// One paint pass of a tab control: everything after layout and the placing
// of the little buttons.
class TTabPainter {
public:
    // `font` and `boldFont` are the caption fonts, turned for vertical text.
    TTabPainter(TVmCustomTabControl& control, TCanvas& canvas, const TFont& font, const TFont& boldFont)
        : c_(control), canvas_(canvas), font_(font), boldFont_(boldFont)
    {
    }

    void Run();

private:
    void PaintBackground();
    void DrawTab(int index);
    void DrawTabBackground(int index, const TRect& tabRect);
    void DrawTabContent(int index, const TRect& tabRect);
    void DrawBar(const TRect& tabRect, TColor color);
    TRect DrawCaption(int index, const TRect& captionRect, TColor color, int offset);
    void DrawCaptionLine(const QString& line, TPoint at, const TFont& font, TColor color, bool vertical);
    void DrawCard(int row);
    void Execute();

    TVmCustomTabControl& c_;
    TCanvas& canvas_;
    const TFont& font_;
    const TFont& boldFont_;
    TVmOutlineCommands list_;
};

void TTabPainter::Run()
{
    canvas_.Pen().SetStyle(psSolid);
    canvas_.Pen().SetWidth(1);
    canvas_.Pen().SetMode(pmCopy);
    PaintBackground();

    const TVmTabDataList& tabs = c_.Tabs();
    const int n = tabs.Count();
    const int first = c_.FirstVisibleTab();
    const int s = c_.TabIndex();
    if (n > 0) {
        // Unselected tabs go from the one before the first front-row tab
        // backwards, wrapping round, so that each tab overlaps its right-hand
        // neighbour; a card is drawn as soon as the walk leaves its row.
        int b = n;
        for (int i = 0; i < n; ++i) {
            if (tabs[i]->Visible && tabs[i]->Row == 0) {
                b = i;
                break;
            }
        }
        if (b == 0)
            b = n;
        b -= 1;
        int q = c_.RowCount() - 1;
        for (int k = 0; k < n; ++k) {
            const int i = ((b - k) % n + n) % n;
            if (!tabs[i]->Visible || !c_.IsTabShown(i) || i < first || i == s)
                continue;
            if (tabs[i]->Row < q && q > 0) {
                DrawCard(q);
                q = tabs[i]->Row;
            }
            DrawTab(i);
        }
        if (q == 1)
            DrawCard(1);
    }
    if (s >= 0 && s < n && s >= first && c_.IsTabShown(s))
        DrawTab(s);
    DrawCard(0);
}

void TTabPainter::PaintBackground()
{
    const TRect r = Rect(0, 0, c_.Width(), c_.Height());
    canvas_.Brush().SetStock(BLACK_BRUSH);
    bool handled = false;
    c_.RaisePaintBackground(canvas_, r, handled);
    if (handled)
        return;
    if (c_.Transparent()) {
        PaintParentBackground(&c_, canvas_, false);
        return;
    }
    canvas_.Brush().SetColor(c_.BackgroundColor());
    // Without a card handler the front card is filled over whatever lies
    // there, so the background under it need not be filled first: most of
    // the control is card.
    const TRect card = c_.CardRect(0);
    if (c_.OnPaintCardBackground || card == TRect{}) {
        canvas_.FillRect(r);
        return;
    }
    const TRect fill = c_.ShowCard() ? Rect(card.Left, card.Top, card.Right + 1, card.Bottom + 1) : card;
    canvas_.FillRegion(TRegion(r).Subtracted(TRegion(fill)));
}

void TTabPainter::DrawTab(int index)
{
    const TRect tabRect = c_.TabClientRect(index);
    TRect visible;
    if (!IntersectRect(visible, tabRect, canvas_.ClipRect()))
        return;
    if (const TRegion* region = c_.TabRegion(index, tabRect)) {
        TSavedCanvas saved(canvas_);
        // The cached region is in client coordinates; the canvas keeps its
        // clip in device coordinates and may already be clipped to what the
        // platform asked to repaint.
        TRegion clip = *region;
        const TPoint origin = canvas_.ViewportOrg();
        clip.Offset(origin.X, origin.Y);
        if (canvas_.HasClipRegion())
            clip = clip.Intersected(canvas_.ClipRegion());
        canvas_.SelectClipRgn(&clip);
        DrawTabBackground(index, tabRect);
        DrawTabContent(index, tabRect);
    }
    list_.Clear();
    list_.FrameColor(0, index);
    AddTabOutline(list_, c_.TabStyle(), c_.TabOrientation(), c_.TabPolygon(index));
    Execute();
}

void TTabPainter::DrawTabBackground(int index, const TRect& r)
{
    bool handled = false;
    c_.RaisePaintTabBackground(canvas_, index, r, handled);
    if (handled)
        return;
    const TVmTabData& tab = *c_.Tabs()[index];
    TColor selected, light, dark;
    if (c_.UseColoredTabs()) {
        selected = tab.Color;
        light = tab.Color;
        dark = DarkenColor(tab.Color, 30);
    } else {
        selected = c_.Color();
        light = c_.TabColors().Unselected();
        dark = c_.TabColors().Shadow();
    }
    if (index == c_.TabIndex()) {
        canvas_.Brush().SetColor(selected);
        canvas_.FillRect(r);
    } else if (c_.UseGradients() && ScreenHasTrueColor()) {
        // The light colour lies on the tab's outer edge, the dark one where
        // the tab meets the card.
        switch (c_.TabOrientation()) {
        case toTop: PaintGradientFill(canvas_, r, gdVertical, light, dark, 1); break;
        case toBottom: PaintGradientFill(canvas_, r, gdVertical, dark, light, 1); break;
        case toLeft: PaintGradientFill(canvas_, r, gdHorizontal, light, dark, 1); break;
        case toRight: PaintGradientFill(canvas_, r, gdHorizontal, dark, light, 1); break;
        }
    } else {
        canvas_.Brush().SetColor(light);
        canvas_.FillRect(r);
    }
}

void TTabPainter::DrawTabContent(int index, const TRect& tabRect)
{
    const TVmTabData& tab = *c_.Tabs()[index];
    const bool selected = index == c_.TabIndex();
    const TRect content = TabContentRect(tabRect, c_.TabStyle(), c_.TabOrientation(), c_.TextOrientation(),
                                         c_.CutCornerSize());
    TCustomImageList* images = c_.Images();
    const bool hasImage = images != nullptr && tab.ImageIndex != -1;
    const TVmTabSize imageSize = hasImage ? TVmTabSize{images->Width(), images->Height()} : TVmTabSize{};
    const int margin = tab.ImageIndex == -1 ? 0 : c_.ImageMargin();
    TRect imageRect, captionRect;
    SplitContentRect(content, c_.ImagePosition(), imageSize, margin, imageRect, captionRect);

    if (hasImage) {
        const TPoint at = ImageOrigin(imageRect, c_.ImagePosition(), imageSize, c_.ImageAlignment(),
                                      c_.ImageAlignmentVertical());
        if (tab.DisabledIndex == -1)
            images->Draw(canvas_, at.X, at.Y, tab.ImageIndex, tab.Enabled);
        else
            images->Draw(canvas_, at.X, at.Y, tab.Enabled ? tab.ImageIndex : tab.DisabledIndex, true);
    }

    TRect aligned = captionRect;
    if (tab.Enabled) {
        TColor color;
        bool handled = false;
        if (c_.HotTrack() && index == c_.HotTabIndex()) {
            color = c_.HotTrackStyle() == htsText ? c_.HotTrackColor() : c_.TextColors().Selected();
            const TColor fallback = color;
            c_.RaiseGetTextColor(index, tsHotTrack, color, handled);
            if (!handled)
                color = fallback;
            if (c_.HotTrackStyle() == htsTab)
                DrawBar(tabRect, HotBarColor(c_.HotTrackColor(), c_.HotTrackColorType()));
        } else if (selected) {
            color = c_.TextColors().Selected();
            const TColor fallback = color;
            c_.RaiseGetTextColor(index, tsSelected, color, handled);
            if (!handled)
                color = fallback;
            if (c_.HotTrack() && c_.HotTrackStyle() == htsTab)
                DrawBar(tabRect, c_.TabColors().HighlightBar());
        } else {
            color = c_.TextColors().Unselected();
            const TColor fallback = color;
            c_.RaiseGetTextColor(index, tsUnselected, color, handled);
            if (!handled)
                color = fallback;
        }
        aligned = DrawCaption(index, captionRect, color, 0);
    } else {
        // Embossed: the highlight one pixel down-right under the shadow.
        TColor color = c_.TextColors().DisabledHighlight();
        bool handled = false;
        c_.RaiseGetTextColor(index, tsDisabledHighlight, color, handled);
        if (!handled)
            color = c_.TextColors().DisabledHighlight();
        DrawCaption(index, captionRect, color, 1);
        handled = false;
        color = c_.TextColors().DisabledShadow();
        c_.RaiseGetTextColor(index, tsDisabledShadow, color, handled);
        if (!handled)
            color = c_.TextColors().DisabledShadow();
        aligned = DrawCaption(index, captionRect, color, 0);
    }

    if (c_.ShowFocusRect() && selected && c_.Focused())
        canvas_.DrawFocusRect(TabFocusRect(aligned, c_.TabStyle(), c_.TabOrientation()));
}

void TTabPainter::DrawBar(const TRect& tabRect, TColor color)
{
    const TColor saved = canvas_.Brush().Color();
    canvas_.Brush().SetColor(color);
    canvas_.FillRect(TabBarRect(tabRect, c_.TabOrientation()));
    canvas_.Brush().SetColor(saved);
}

// Draws the caption in `color` shifted by `offset` pixels right and down and
// returns the caption rectangle as aligned for its block.
TRect TTabPainter::DrawCaption(int index, const TRect& captionRect, TColor color, int offset)
{
    const QString& caption = c_.Tabs()[index]->Caption;
    const bool bold = index == c_.TabIndex() && c_.BoldCurrentTab();
    const bool vertical = c_.TextOrientation() == orVertical;
    const TFont& font = bold ? boldFont_ : font_;
    TSavedCanvas captionFont(canvas_);
    canvas_.SetFont(font);

    const TSize block = c_.CaptionExtent(caption, !vertical, bold);
    const QStringList lines = TVmCustomTabControl::CaptionLines(caption);
    std::vector<TVmTabSize> extents;
    extents.reserve(size_t(lines.size()));
    for (const QString& line : lines) {
        // A caption of one line measures as that line; no need to shape it twice.
        const TSize e = lines.size() == 1 ? block : line.isEmpty() ? TSize{} : c_.CaptionExtent(line, !vertical, bold);
        extents.push_back({e.cx, e.cy});
    }
    const TVmCaptionPlacement placed =
        PlaceCaption(captionRect, {block.cx, block.cy}, extents, vertical, c_.TabOrientation(), c_.TextAlignment(),
                     c_.TextAlignmentVertical());
    for (qsizetype k = 0; k < lines.size(); ++k) {
        const TPoint at = placed.origins[size_t(k)];
        DrawCaptionLine(lines[k], Point(at.X + offset, at.Y + offset), font, color, vertical);
    }
    return caption.isEmpty() ? captionRect : placed.block;
}

void TTabPainter::DrawCaptionLine(const QString& line, TPoint at, const TFont& font, TColor color, bool vertical)
{
    const TVmAcceleratorParts parts = SplitAccelerator(line);
    const QString* pieces[3] = {&parts.before, &parts.accelerator, &parts.after};
    const bool alreadyUnderlined = font.Style().Contains(fsUnderline);
    const bool downward = c_.TabOrientation() == toRight;
    TPoint pos = at;
    for (int k = 0; k < (parts.cut ? 3 : 1); ++k) {
        TFont partFont(font);
        if (k == 1 && !alreadyUnderlined)
            partFont.SetStyle(font.Style() | fsUnderline);
        TSavedCanvas partState(canvas_);
        canvas_.SetFont(partFont);
        canvas_.Font().SetColor(ColorToRGB(color));
        canvas_.SetBkMode(TRANSPARENT);
        const QString& text = *pieces[k];
        if (!text.isEmpty())
            canvas_.TextOut(pos.X, pos.Y, text);
        if (parts.cut && !text.isEmpty()) {
            const int advance = canvas_.TextExtent(text).cx;
            if (!vertical)
                pos.X += advance;
            else if (downward)
                pos.Y += advance;
            else
                pos.Y -= advance;
        }
    }
}

void TTabPainter::DrawCard(int row)
{
    const TRect k = c_.CardRect(row);
    if (k == TRect{})
        return;
    TRect fill = k;
    if (c_.ShowCard()) {
        fill.Right += 1;
        fill.Bottom += 1;
    }
    const int s = c_.TabIndex();
    const bool selection = s >= 0 && s < c_.Tabs().Count();
    bool handled = false;
    c_.RaisePaintCardBackground(canvas_, row, fill, handled);
    if (!handled) {
        canvas_.Brush().SetColor(c_.UseColoredTabs() && selection ? c_.Tabs()[s]->Color : c_.Color());
        canvas_.FillRect(fill);
    }
    if (!c_.ShowCardFrame())
        return;

    TVmCardFrame frame;
    frame.card = k;
    frame.style = c_.TabStyle();
    frame.orientation = c_.TabOrientation();
    frame.sequence = c_.TabSequence();
    frame.showShadow = c_.ShowShadow();
    frame.showFullFrame = c_.ShowFullFrame();
    frame.withShadow = !c_.HotOnlyRepaint();
    frame.gap = row == 0 && selection && c_.IsTabShown(s);
    if (frame.gap) {
        const std::vector<TPoint> p = c_.TabPolygon(s);
        if (p.empty()) {
            frame.gap = false;
        } else {
            // One pixel further along the row from the first point: the
            // mapping is a shift or a quarter turn, so that is one pixel
            // right on the top and bottom, up on the left, down on the right.
            const TVmTabOrientation o = c_.TabOrientation();
            const int dx = o == toTop || o == toBottom ? 1 : 0;
            const int dy = o == toLeft ? -1 : o == toRight ? 1 : 0;
            frame.foot1 = Point(p.front().X + dx, p.front().Y + dy);
            frame.foot2 = p.back();
        }
    }
    list_.Clear();
    list_.FrameColor(1, row);
    AddCardFrame(list_, frame);
    Execute();
}

// The parent's image behind the control, rendered only where the list's
// shadow lines fall: that is all a shadow reads, and rendering the rest of
// the parent each pass would cost more than the whole pass. The buffer is
// kept between passes (painting runs on one thread; a nested pass, from a
// parent that is a tab control itself, gets one of its own).
void TTabPainter::Execute()
{
    if (!list_.HasShadow()) {
        static const QImage none;
        ExecuteOutline(canvas_, list_, c_.FrameColor(), none);
        return;
    }
    static QImage shared;
    static bool sharedInUse = false;
    QImage local;
    const bool useShared = !sharedInUse;
    QImage& parent = useShared ? shared : local;
    const QSize size(std::max(c_.Width(), 1), std::max(c_.Height(), 1));
    if (parent.size() != size)
        parent = QImage(size, QImage::Format_RGB32);
    struct InUse {
        bool& flag;
        bool active;
        ~InUse()
        {
            if (active)
                flag = false;
        }
    } inUse{sharedInUse, useShared};
    sharedInUse = true;

    TCanvas canvas(&parent);
    const TRegion area = ShadowArea(list_);
    canvas.SelectClipRgn(&area);
    canvas.Brush().SetColor(clBlack);
    canvas.FillRect(Rect(0, 0, size.width(), size.height()));
    PaintParentBackground(&c_, canvas, false);
    ExecuteOutline(canvas_, list_, c_.FrameColor(), parent);
}

} // namespace

namespace {
// Combines the marker with what the canvas shows by exclusive-or, so the
// same call a second time takes it away again.
void XorDragMarker(TCanvas& canvas, const TRect& rect, TVmTabOrientation orientation)
{
    if (!canvas.HandleAllocated() || rect.IsEmpty())
        return;
    const QImage marker = DragMarkerImage(rect.Width(), rect.Height(), orientation);
    canvas.BitBlt(rect.Left, rect.Top, rect.Width(), rect.Height(), marker, 0, 0, cmSrcInvert);
}
} // namespace

void TVmCustomTabControl::PaintTabs(TCanvas& canvas)
{
    // A hot-track repaint changes nothing outside the tab strip, and the
    // off-screen image keeps the rest from the last pass: drawing only the
    // strip is what keeps following the mouse cheap. A pass into a foreign
    // canvas, or one after a resize, draws everything.
    const bool stripOnly = hotOnlyRepaint_ && !layoutPending_ && canvas.Target() == &Image() &&
                           Image().width() == Width() && Image().height() == Height();
    std::optional<TSavedCanvas> strip;
    if (stripOnly) {
        strip.emplace(canvas);
        canvas.IntersectClipRect(TabAreaRect());
    }
    TTabPainter(*this, canvas, MeasureFont(false), MeasureFont(true)).Run();
    // A pass draws everything afresh; a marker on show goes back on top.
    if (dragMarkerShown_)
        XorDragMarker(canvas, dragMarker_, tabOrientation_);
}

void TVmCustomTabControl::DrawTabDragMarker(const TRect& rect)
{
    // The marker goes onto the off-screen image at once and reaches the
    // screen with the next copy of that part.
    XorDragMarker(Canvas(), rect, tabOrientation_);
    InvalidateRect(&rect, false);
}
