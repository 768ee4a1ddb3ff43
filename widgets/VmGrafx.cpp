#include "VmGrafx.h"

#include "Controls.h"
#include "Forms.h"

#include <algorithm>
#include <vector>

namespace {

TRect Inset(const TRect& r, int n, TSides sides)
{
    TRect out = r;
    if (sides.Contains(sdLeft))
        out.Left += n;
    if (sides.Contains(sdTop))
        out.Top += n;
    if (sides.Contains(sdRight))
        out.Right -= n;
    if (sides.Contains(sdBottom))
        out.Bottom -= n;
    return out;
}

void Line(TCanvas& canvas, int x1, int y1, int x2, int y2)
{
    canvas.MoveTo(x1, y1);
    canvas.LineTo(x2, y2);
}

TRect Ring(TCanvas& canvas, const TRect& rect, TColor color, TSides sides)
{
    return PaintBevelRings(canvas, rect, color, color, 1, sides);
}

} // namespace

TRect PaintSides(TCanvas& canvas, const TRect& rect, TColor upperLeft, TColor lowerRight, TSides sides)
{
    const auto [L, T, R, B] = rect;
    if (upperLeft != clNone) {
        canvas.Pen().SetColor(upperLeft);
        if (sides.Contains(sdLeft))
            Line(canvas, L, T, L, B);
        if (sides.Contains(sdTop))
            Line(canvas, L, T, R, T);
    }
    if (lowerRight != clNone) {
        canvas.Pen().SetColor(lowerRight);
        if (sides.Contains(sdRight))
            Line(canvas, R - 1, T, R - 1, B);
        if (sides.Contains(sdBottom))
            Line(canvas, L, B - 1, R, B - 1);
    }
    return Inset(rect, 1, sides);
}

TRect PaintBevelRings(TCanvas& canvas, const TRect& rect, TColor upperLeft, TColor lowerRight, int count,
                      TSides sides)
{
    canvas.Pen().SetWidth(1);
    TRect r = rect;
    for (int i = 0; i < count; ++i)
        r = PaintSides(canvas, r, upperLeft, lowerRight, sides);
    return r;
}

TRect PaintCtl3DEdge(TCanvas& canvas, const TRect& rect, bool lowered, TSides sides)
{
    TRect r = rect;
    if (lowered) {
        r = PaintBevelRings(canvas, r, clBtnShadow, clBtnHighlight, 1, sides);
        return PaintBevelRings(canvas, r, cl3DDkShadow, cl3DLight, 1, sides);
    }
    r = PaintBevelRings(canvas, r, cl3DLight, cl3DDkShadow, 1, sides);
    return PaintBevelRings(canvas, r, clBtnHighlight, clBtnShadow, 1, sides);
}

TRect PaintButtonEdge(TCanvas& canvas, const TRect& rect, bool down, TSides sides)
{
    TRect r = rect;
    if (down) {
        r = PaintBevelRings(canvas, r, clBtnText, clBtnText, 1, sides);
        return PaintBevelRings(canvas, r, clBtnShadow, clBtnShadow, 1, sides);
    }
    r = PaintBevelRings(canvas, r, clBtnHighlight, cl3DDkShadow, 1, sides);
    return PaintBevelRings(canvas, r, cl3DLight, clBtnShadow, 1, sides);
}

TRect PaintButtonEdge(TCanvas& canvas, const TRect& rect, bool down)
{
    return PaintButtonEdge(canvas, rect, down, AllSides);
}

TRect PaintColoredButtonEdge(TCanvas& canvas, const TRect& rect, TColor color, bool down, TSides sides)
{
    TRect r = rect;
    if (down) {
        const TColor d100 = DarkenColor(color, 100);
        const TColor d50 = DarkenColor(color, 50);
        r = PaintSides(canvas, r, d100, d100, sides);
        return PaintSides(canvas, r, d50, d50, sides);
    }
    r = PaintSides(canvas, r, LightenColor(color, 100), DarkenColor(color, 100), sides);
    return PaintSides(canvas, r, LightenColor(color, 40), DarkenColor(color, 50), sides);
}

TRect PaintColoredButtonEdge(TCanvas& canvas, const TRect& rect, TColor color, bool down)
{
    return PaintColoredButtonEdge(canvas, rect, color, down, AllSides);
}

TRect PaintGroove(TCanvas& canvas, const TRect& rect, TColor upper, TColor lower, TSides sides)
{
    const auto [L, T, R, B] = rect;
    const bool left = sides.Contains(sdLeft);
    const bool top = sides.Contains(sdTop);
    const bool right = sides.Contains(sdRight);
    const bool bottom = sides.Contains(sdBottom);
    // The end pixels where a groove stops at a side that is not drawn: the
    // two lines are closed off there instead of running out side by side.
    if (right)
        canvas.SetPixels(R - 1, T, lower);
    if (top && !right)
        canvas.SetPixels(R - 1, T, upper);
    if (bottom)
        canvas.SetPixels(L, B - 1, lower);
    if (left && !bottom)
        canvas.SetPixels(L, B - 1, upper);
    if (top && !left)
        canvas.SetPixels(L, T + 1, lower);
    if (!top && left)
        canvas.SetPixels(L + 1, T, lower);
    if (bottom && !right)
        canvas.SetPixels(R - 1, B - 2, upper);
    if (!bottom && right)
        canvas.SetPixels(R - 2, B - 1, upper);
    PaintSides(canvas, {L + 1, T + 1, R, B}, lower, lower, sides);
    PaintSides(canvas, {L, T, R - 1, B - 1}, upper, upper, sides);
    return Inset(rect, 2, sides);
}

TRect PaintFrameStyle(TCanvas& canvas, const TRect& rect, TFrameStyle style, TSides sides)
{
    switch (style) {
    case fsNone: return rect;
    case fsFlat: return PaintSides(canvas, rect, cl3DDkShadow, cl3DDkShadow, sides);
    case fsGroove: return PaintGroove(canvas, rect, clBtnShadow, clBtnHighlight, sides);
    case fsBump: return PaintGroove(canvas, rect, clBtnHighlight, clBtnShadow, sides);
    case fsLowered: return PaintCtl3DEdge(canvas, rect, true, sides);
    case fsButtonDown: return PaintButtonEdge(canvas, rect, true, sides);
    case fsRaised: return PaintCtl3DEdge(canvas, rect, false, sides);
    case fsButtonUp: return PaintButtonEdge(canvas, rect, false, sides);
    case fsStatus: return PaintSides(canvas, rect, clBtnShadow, clBtnHighlight, sides);
    case fsPopup: return PaintSides(canvas, rect, clBtnHighlight, clBtnShadow, sides);
    case fsFlatBold: return PaintBevelRings(canvas, rect, clBtnShadow, clBtnShadow, 2, sides);
    case fsFlatRounded:
        // Not a plain frame style, but a group box can hand it over: draw it
        // as the flat frame with cut corners, in the flat frame's colour.
        return PaintRoundedFlatFrame(canvas, rect, cl3DDkShadow, sides);
    }
    return rect;
}

TRect PaintFrameStyle(TCanvas& canvas, const TRect& rect, TFrameStyle style)
{
    return PaintFrameStyle(canvas, rect, style, AllSides);
}

TRect PaintColoredFrameStyle(TCanvas& canvas, const TRect& rect, TColor color, TFrameStyleEx style, TSides sides)
{
    const auto D = [&](std::uint8_t n) { return DarkenColor(color, n); };
    const auto L = [&](std::uint8_t n) { return LightenColor(color, n); };
    switch (style) {
    case fsNone: return rect;
    case fsFlat: return PaintSides(canvas, rect, D(50), D(50), sides);
    case fsStatus: return PaintSides(canvas, rect, D(50), L(100), sides);
    case fsPopup: return PaintSides(canvas, rect, L(100), D(50), sides);
    case fsFlatBold: {
        const TRect r = PaintSides(canvas, rect, D(50), D(50), sides);
        return PaintSides(canvas, r, D(50), D(50), sides);
    }
    case fsLowered: {
        const TRect r = PaintSides(canvas, rect, D(50), L(100), sides);
        return PaintSides(canvas, r, D(100), L(50), sides);
    }
    case fsRaised: {
        const TRect r = PaintSides(canvas, rect, L(50), D(100), sides);
        return PaintSides(canvas, r, L(100), D(50), sides);
    }
    case fsButtonDown: return PaintColoredButtonEdge(canvas, rect, color, true, sides);
    case fsButtonUp: return PaintColoredButtonEdge(canvas, rect, color, false, sides);
    case fsGroove: return PaintGroove(canvas, rect, D(50), L(100), sides);
    case fsBump:
    default: return PaintGroove(canvas, rect, L(100), D(50), sides);
    }
}

TRect PaintColoredFrameStyle(TCanvas& canvas, const TRect& rect, TColor color, TFrameStyleEx style)
{
    return PaintColoredFrameStyle(canvas, rect, color, style, AllSides);
}

TRect PaintRoundedFlatFrame(TCanvas& canvas, const TRect& rect, TColor color, TSides sides)
{
    const auto [L, T, R, B] = rect;
    const bool left = sides.Contains(sdLeft);
    const bool top = sides.Contains(sdTop);
    const bool right = sides.Contains(sdRight);
    const bool bottom = sides.Contains(sdBottom);
    const int t = top ? T + 2 : T;
    const int b = bottom ? B - 2 : B;
    const int l = left ? L + 2 : L;
    const int r = right ? R - 2 : R;
    canvas.Pen().SetColor(color);
    if (left)
        Line(canvas, L, t, L, b);
    if (top)
        Line(canvas, l, T, r, T);
    if (right)
        Line(canvas, R - 1, t, R - 1, b);
    if (bottom)
        Line(canvas, l, B - 1, r, B - 1);
    // The diagonal pixel inside each corner; the corner pixel stays untouched.
    if (left && top)
        canvas.SetPixels(L + 1, T + 1, color);
    if (top && right)
        canvas.SetPixels(R - 2, T + 1, color);
    if (right && bottom)
        canvas.SetPixels(R - 2, B - 2, color);
    if (left && bottom)
        canvas.SetPixels(L + 1, B - 2, color);
    return {l, t, r, b};
}

namespace {

// One frame of the panel (outer or inner); `isOuter` selects which rings
// back the cut corners of fsFlatRounded.
TRect PanelFrameStep(TCanvas& canvas, const TRect& rect, TFrameStyleEx style, bool isOuter, bool bandFollows,
                     TSides sides, int bevelWidth, TColor borderColor, TColor borderHighlight, TColor borderShadow,
                     TColor flat, TColor ownColor, TColor parentColor, bool transparent)
{
    switch (style) {
    case fsFlat: return PaintBevelRings(canvas, rect, flat, flat, 1, sides);
    case fsFlatBold: return PaintBevelRings(canvas, rect, flat, flat, 2, sides);
    case fsFlatRounded:
        if (isOuter) {
            if (!transparent) {
                const TRect inside = Ring(canvas, rect, parentColor, sides);
                Ring(canvas, inside, bandFollows ? borderColor : ownColor, sides);
            } else if (bandFollows) {
                Ring(canvas, rect.Inflate(-1, -1), borderColor, sides);
            }
        } else if (!transparent) {
            const TRect inside = Ring(canvas, rect, borderColor, sides);
            Ring(canvas, inside, ownColor, sides);
        } else {
            Ring(canvas, rect, borderColor, sides);
        }
        return PaintRoundedFlatFrame(canvas, rect, flat, sides);
    case fsPopup: return PaintBevelRings(canvas, rect, borderHighlight, borderShadow, bevelWidth, sides);
    case fsStatus: return PaintBevelRings(canvas, rect, borderShadow, borderHighlight, bevelWidth, sides);
    default: return PaintFrameStyle(canvas, rect, style, sides);
    }
}

} // namespace

TRect PaintPanelFrame(TCanvas& canvas, const TRect& rect, TFrameStyleEx outer, TFrameStyleEx inner, int borderWidth,
                      TSides sides, int bevelWidth, TColor borderColor, TColor borderHighlight,
                      TColor borderShadow, TColor flatColor, int flatColorAdjustment, TColor ownColor,
                      TColor parentColor, bool transparent)
{
    const TColor flat = AdjustLuminance(flatColor, flatColorAdjustment);
    // Inside a rounded outer frame the cut corners show the border band's
    // colour when a band or an inner frame follows, else the panel's own.
    const bool bandFollows = borderWidth > 0 || inner != fsNone;
    TRect r = PanelFrameStep(canvas, rect, outer, true, bandFollows, sides, bevelWidth, borderColor,
                             borderHighlight, borderShadow, flat, ownColor, parentColor, transparent);
    if (borderWidth > 0)
        r = PaintBevelRings(canvas, r, borderColor, borderColor, borderWidth, sides);
    return PanelFrameStep(canvas, r, inner, false, bandFollows, sides, bevelWidth, borderColor, borderHighlight,
                          borderShadow, flat, ownColor, parentColor, transparent);
}

TRect PaintDottedFocusFrame(TCanvas& canvas, const TRect& rect)
{
    const auto [L, T, R, B] = rect;
    // Black dots, turned white over a dark pixel so that the frame shows on
    // any face colour.
    const auto dot = [&](int x, int y) {
        const TColor under = canvas.Pixels(x, y);
        if (under == CLR_INVALID)
            return;
        const int luminance = (GetRValue(under) * 299 + GetGValue(under) * 587 + GetBValue(under) * 114) / 1000;
        canvas.SetPixels(x, y, luminance < 96 ? clWhite : clBlack);
    };
    for (int y = T + 1; y < B; y += 2) {
        dot(L, y);
        dot(R - 1, y);
    }
    for (int x = L + 1; x < R; x += 2) {
        dot(x, T);
        dot(x, B - 1);
    }
    return rect.Inflate(-1, -1);
}

void PaintScrollArrow(TCanvas& canvas, const TRect& rect, int direction, bool enabled, bool down)
{
    const TColor savedBrush = canvas.Brush().Color();
    canvas.Brush().SetColor(enabled ? clBlack : clBtnShadow);
    canvas.Pen().SetStyle(psClear);
    int cx = rect.Left + (rect.Right - rect.Left) / 2;
    int cy = rect.Top + (rect.Bottom - rect.Top) / 2;
    if ((rect.Bottom - rect.Top) % 2 == 0)
        cy -= 1;
    if (direction == sadUp || direction == sadDown)
        cy += 2;
    else if (direction == sadLeft || direction == sadRight)
        cx -= 2;
    if (enabled && down) {
        cx += 1;
        cy += 1;
    }
    switch (direction) {
    case sadUp: canvas.Polygon({{cx, cy - 5}, {cx + 4, cy}, {cx - 4, cy}}); break;
    case sadDown: canvas.Polygon({{cx, cy + 1}, {cx - 3, cy - 3}, {cx + 4, cy - 3}}); break;
    case sadLeft: canvas.Polygon({{cx, cy}, {cx + 4, cy - 4}, {cx + 4, cy + 4}}); break;
    case sadRight: canvas.Polygon({{cx + 4, cy}, {cx, cy + 4}, {cx, cy - 4}}); break;
    default: break;
    }
    canvas.Pen().SetStyle(psSolid);
    canvas.Brush().SetColor(savedBrush);
}

void PaintGradientFill(TCanvas& canvas, const TRect& rect, int direction, TColor topLeft, TColor bottomRight,
                       std::uint8_t band)
{
    const bool vertical = direction == gdVertical;
    if (!vertical && direction != gdHorizontal)
        return;
    const int W = rect.Width();
    const int H = rect.Height();
    if (W <= 0 || H <= 0 || !canvas.HandleAllocated())
        return;
    const TColor E = ColorToRGB(topLeft);
    const TColor A = ColorToRGB(bottomRight);

    // Row colours (columns for a horizontal fill) in 16.16 fixed point,
    // starting from A at the far end and stepping towards E.
    const int n = vertical ? H : W;
    const auto stepOf = [n](int e, int a) { return n <= 0 ? 0 : (e * 65536 - a * 65536) / n; };
    const int stepR = stepOf(GetRValue(E), GetRValue(A));
    const int stepG = stepOf(GetGValue(E), GetGValue(A));
    const int stepB = stepOf(GetBValue(E), GetBValue(A));
    const auto colourAt = [&](int j) {   // the j-th row from the far end: row n - 1 - j
        return RGB((GetRValue(A) * 65536 + j * stepR) >> 16, (GetGValue(A) * 65536 + j * stepG) >> 16,
                   (GetBValue(A) * 65536 + j * stepB) >> 16);
    };

    // Bands: each takes its first row's colour and runs over every following
    // row of that colour, and over at least minBand rows.
    struct Band {
        int first, last;   // rows, first > last: bands run towards row 0
        TColor colour;
    };
    std::vector<Band> bands;
    const int minBand = band == 0 ? 1 : band <= 8 ? band : 255 / band + 1;
    for (int j = 0; j < n;) {
        const TColor colour = colourAt(j);
        int end = j + 1;
        while (end < n && (end - j < minBand || colourAt(end) == colour))
            ++end;
        bands.push_back({n - 1 - j, n - end, colour});
        j = end;
    }

    if (canvas.CopyMode() == cmSrcCopy) {
        // A plain copy of the finished work bitmap would put exactly these
        // colours on every visible pixel, so write them there directly:
        // one pass over the visible pixels instead of filling, spreading and
        // copying a whole bitmap.
        std::vector<QRgb> line(static_cast<size_t>(n));
        for (const Band& b : bands)
            std::fill(line.begin() + b.last, line.begin() + b.first + 1, ToQRgb(b.colour));
        QImage& image = *canvas.Target();
        const TRect device = rect.Offset(canvas.ViewportOrg().X, canvas.ViewportOrg().Y);
        const QRegion visible = canvas.ClipRegion().ToQRegion().intersected(device.ToQRect());
        for (const QRect& r : visible) {
            for (int y = r.top(); y <= r.bottom(); ++y) {
                QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
                if (vertical)
                    FillSpan32(row + r.left(), r.width(), line[static_cast<size_t>(y - device.Top)]);
                else
                    std::copy_n(line.begin() + (r.left() - device.Left), r.width(), row + r.left());
            }
        }
        return;
    }

    // Any other copy mode combines the finished bitmap with the canvas: build
    // it as an 8-pixel strip, one solid brush per band, spread by doubling
    // block copies.
    TBitmap work(W, H);
    TCanvas& wc = work.Canvas();
    wc.Pen().SetWidth(1);
    wc.Pen().SetStyle(psClear);
    wc.Pen().SetMode(pmCopy);
    wc.Brush().SetStyle(bsSolid);
    for (const Band& b : bands) {
        wc.Brush().SetColor(b.colour);
        if (vertical)
            wc.FillRect({0, b.last, 8, b.first + 1});
        else
            wc.FillRect({b.last, 0, b.first + 1, 8});
    }
    const int length = vertical ? W : H;
    for (int filled = std::min(8, length); filled < length;) {
        const int copy = std::min(filled, length - filled);
        if (vertical)
            wc.CopyRect({filled, 0, filled + copy, H}, wc, {0, 0, copy, H});
        else
            wc.CopyRect({0, filled, W, filled + copy}, wc, {0, 0, W, copy});
        filled += copy;
    }
    canvas.Draw(rect.Left, rect.Top, work);
}

void PaintMaskedBitmap(TCanvas& canvas, const TBitmap& bitmap, const TRect& dest, const TRect& source,
                       TColor transparent)
{
    if (bitmap.Empty())
        return;
    const int w = dest.Right - dest.Left;
    const int h = dest.Bottom - dest.Top;
    if (w <= 0 || h <= 0)
        return;
    canvas.CopyMasked({dest.Left, dest.Top, dest.Left + w, dest.Top + h}, bitmap.Image(), source, transparent);
}

void PaintParentBackground(TControl* control, TCanvas& canvas, bool invalidateParent)
{
    if (!control)
        return;
    auto* parent = dynamic_cast<TControl*>(control->Parent());
    if (!parent)
        return;
    canvas.SaveDC();
    canvas.OffsetViewportOrg(-control->Left(), -control->Top());
    canvas.IntersectClipRect({0, 0, parent->ClientWidth(), parent->ClientHeight()});
    try {
        parent->PaintTo(canvas, true);
    } catch (...) {
        canvas.RestoreDC();
        throw;
    }
    canvas.RestoreDC();
    if (invalidateParent && !dynamic_cast<TCustomControl*>(parent) && !dynamic_cast<TCustomForm*>(parent))
        parent->Invalidate();
}

bool IsTrueTypeFont(const TFont& font)
{
    return FontIsTrueType(font);
}
