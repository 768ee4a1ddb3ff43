#include "TestMain.h"
#include "Controls.h"
#include "VmGrafx.h"

#include <QSet>

namespace {
constexpr TColor kBack = RGB(1, 2, 3);   // a colour no routine draws

// A bitmap filled with kBack to draw on.
struct Surface {
    TBitmap bitmap;
    Surface(int w, int h) : bitmap(w, h)
    {
        Canvas().Brush().SetColor(kBack);
        Canvas().FillRect({0, 0, w, h});
    }
    TCanvas& Canvas() { return bitmap.Canvas(); }
    TColor At(int x, int y) { return FromQRgb(bitmap.Image().pixel(x, y)); }
    // Every pixel that is no longer the background, as "x,y".
    QSet<QString> Painted()
    {
        QSet<QString> out;
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x)
                if (At(x, y) != kBack)
                    out.insert(QStringLiteral("%1,%2").arg(x).arg(y));
        return out;
    }
    // The colours along row y (or column x), as text for readable failures.
    QString RowText(int y, int x0, int x1)
    {
        QStringList s;
        for (int x = x0; x < x1; ++x)
            s << QString::number(ColorToRGB(At(x, y)) & 0xFFFFFF, 16);
        return s.join(' ');
    }
};

QSet<QString> Pixels(std::initializer_list<TPoint> points)
{
    QSet<QString> out;
    for (const TPoint& p : points)
        out.insert(QStringLiteral("%1,%2").arg(p.X).arg(p.Y));
    return out;
}

QSet<QString> Box(int l, int t, int r, int b)
{
    QSet<QString> out;
    for (int y = t; y < b; ++y)
        for (int x = l; x < r; ++x)
            out.insert(QStringLiteral("%1,%2").arg(x).arg(y));
    return out;
}

// A parent whose paint draws a pattern over the left part of its area; the
// erase step fills the rest with its Color.
class PatternParent : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    int paints = 0;

protected:
    void Paint() override
    {
        ++paints;
        for (int y = 0; y < Height(); ++y)
            for (int x = 0; x < 8; ++x)
                Canvas().SetPixels(x, y, RGB(x * 20, y * 10, 50));
    }
};

// The outline ring of (l, t, r, b): its edge pixels.
QSet<QString> Ring(int l, int t, int r, int b)
{
    return Box(l, t, r, b) - Box(l + 1, t + 1, r - 1, b - 1);
}
}

class TestVmGrafx : public QObject {
    Q_OBJECT
private slots:
    void sidesDrawLowerRightLastAndSkipNone()
    {
        Surface s(10, 10);
        const TRect r = PaintSides(s.Canvas(), {0, 0, 10, 10}, clRed, clBlue, AllSides);
        QCOMPARE(r, (TRect{1, 1, 9, 9}));
        QCOMPARE(s.Painted(), Ring(0, 0, 10, 10));
        // Lower-right owns the top-right and bottom-left corners.
        QCOMPARE(s.At(9, 0), clBlue);
        QCOMPARE(s.At(0, 9), clBlue);
        QCOMPARE(s.At(0, 0), clRed);
        QCOMPARE(s.At(9, 9), clBlue);
        QCOMPARE(s.Canvas().Pen().Color(), clBlue);

        Surface none(10, 10);
        QCOMPARE(PaintSides(none.Canvas(), {0, 0, 10, 10}, clNone, clBlue, AllSides), (TRect{1, 1, 9, 9}));
        QCOMPARE(none.Painted(), Box(9, 0, 10, 10) + Box(0, 9, 10, 10));

        Surface empty(10, 10);
        QCOMPARE(PaintSides(empty.Canvas(), {2, 3, 8, 9}, clRed, clBlue, TSides()), (TRect{2, 3, 8, 9}));
        QVERIFY(empty.Painted().isEmpty());

        Surface two(10, 10);
        QCOMPARE(PaintSides(two.Canvas(), {0, 0, 10, 10}, clRed, clBlue, sdLeft | sdBottom), (TRect{1, 0, 10, 9}));
        QCOMPARE(two.Painted(), Box(0, 0, 1, 10) + Box(0, 9, 10, 10));
        QCOMPARE(two.At(0, 9), clBlue);
    }

    void bevelRingsSetPenWidthOne()
    {
        Surface s(12, 12);
        s.Canvas().Pen().SetWidth(3);
        QCOMPARE(PaintBevelRings(s.Canvas(), {0, 0, 12, 12}, clRed, clBlue, 3, AllSides), (TRect{3, 3, 9, 9}));
        QCOMPARE(s.Canvas().Pen().Width(), 1);
        QCOMPARE(s.Painted(), Box(0, 0, 12, 12) - Box(3, 3, 9, 9));
        QCOMPARE(s.At(2, 2), clRed);
        QCOMPARE(s.At(9, 2), clBlue);

        Surface none(6, 6);
        QCOMPARE(PaintBevelRings(none.Canvas(), {0, 0, 6, 6}, clRed, clBlue, 0, AllSides), (TRect{0, 0, 6, 6}));
        QCOMPARE(PaintBevelRings(none.Canvas(), {0, 0, 6, 6}, clRed, clBlue, -2, AllSides), (TRect{0, 0, 6, 6}));
        QVERIFY(none.Painted().isEmpty());
    }

    void groovePatternWithItsEndPixels()
    {
        Surface all(10, 10);
        QCOMPARE(PaintFrameStyle(all.Canvas(), {0, 0, 10, 10}, fsGroove, AllSides), (TRect{2, 2, 8, 8}));
        const TColor u = ColorToRGB(clBtnShadow);
        const TColor l = ColorToRGB(clBtnHighlight);
        // Left and top: u outside, l inside; right and bottom: l outside, u inside.
        QCOMPARE(all.At(0, 5), u);
        QCOMPARE(all.At(1, 5), l);
        QCOMPARE(all.At(5, 0), u);
        QCOMPARE(all.At(5, 1), l);
        QCOMPARE(all.At(9, 5), l);
        QCOMPARE(all.At(8, 5), u);
        QCOMPARE(all.At(5, 9), l);
        QCOMPARE(all.At(5, 8), u);
        QCOMPARE(all.Painted(), Box(0, 0, 10, 10) - Box(2, 2, 8, 8));

        Surface top(10, 10);
        QCOMPARE(PaintFrameStyle(top.Canvas(), {0, 0, 10, 10}, fsGroove, TSides(sdTop)), (TRect{0, 2, 10, 10}));
        QCOMPARE(top.Painted(), Box(0, 0, 10, 2));
        QCOMPARE(top.RowText(0, 0, 10), QStringLiteral("a0a0a0 a0a0a0 a0a0a0 a0a0a0 a0a0a0 a0a0a0 a0a0a0 a0a0a0 "
                                                       "a0a0a0 a0a0a0"));
        QCOMPARE(top.At(0, 1), l);   // end pixel
        QCOMPARE(top.At(9, 0), u);   // end pixel
        QCOMPARE(top.At(1, 1), l);

        // Bump swaps the colours.
        Surface bump(10, 10);
        PaintFrameStyle(bump.Canvas(), {0, 0, 10, 10}, fsBump, AllSides);
        QCOMPARE(bump.At(0, 5), l);
        QCOMPARE(bump.At(1, 5), u);
    }

    void frameStylesPinnedAtThePixel()
    {
        // Raised: outer 3D light / dark shadow, inner highlight / shadow.
        Surface raised(8, 8);
        QCOMPARE(PaintFrameStyle(raised.Canvas(), {0, 0, 8, 8}, fsRaised), (TRect{2, 2, 6, 6}));
        QCOMPARE(raised.At(0, 3), ColorToRGB(cl3DLight));
        QCOMPARE(raised.At(7, 3), ColorToRGB(cl3DDkShadow));
        QCOMPARE(raised.At(1, 3), ColorToRGB(clBtnHighlight));
        QCOMPARE(raised.At(6, 3), ColorToRGB(clBtnShadow));
        QCOMPARE(raised.At(7, 0), ColorToRGB(cl3DDkShadow));

        Surface lowered(8, 8);
        PaintFrameStyle(lowered.Canvas(), {0, 0, 8, 8}, fsLowered);
        QCOMPARE(lowered.At(0, 3), ColorToRGB(clBtnShadow));
        QCOMPARE(lowered.At(7, 3), ColorToRGB(clBtnHighlight));
        QCOMPARE(lowered.At(1, 3), ColorToRGB(cl3DDkShadow));
        QCOMPARE(lowered.At(6, 3), ColorToRGB(cl3DLight));

        Surface down(8, 8);
        PaintFrameStyle(down.Canvas(), {0, 0, 8, 8}, fsButtonDown);
        QCOMPARE(down.At(0, 3), ColorToRGB(clBtnText));
        QCOMPARE(down.At(6, 3), ColorToRGB(clBtnShadow));

        Surface up(8, 8);
        PaintButtonEdge(up.Canvas(), {0, 0, 8, 8}, false);
        QCOMPARE(up.At(0, 3), ColorToRGB(clBtnHighlight));
        QCOMPARE(up.At(7, 3), ColorToRGB(cl3DDkShadow));
        QCOMPARE(up.At(1, 3), ColorToRGB(cl3DLight));
        QCOMPARE(up.At(6, 3), ColorToRGB(clBtnShadow));

        Surface flat(8, 8);
        QCOMPARE(PaintFrameStyle(flat.Canvas(), {0, 0, 8, 8}, fsFlat), (TRect{1, 1, 7, 7}));
        QCOMPARE(flat.Painted(), Ring(0, 0, 8, 8));
        QCOMPARE(flat.At(7, 7), ColorToRGB(cl3DDkShadow));

        Surface bold(8, 8);
        QCOMPARE(PaintFrameStyle(bold.Canvas(), {0, 0, 8, 8}, fsFlatBold), (TRect{2, 2, 6, 6}));
        QCOMPARE(bold.Painted(), Box(0, 0, 8, 8) - Box(2, 2, 6, 6));

        Surface status(8, 8);
        QCOMPARE(PaintFrameStyle(status.Canvas(), {0, 0, 8, 8}, fsStatus), (TRect{1, 1, 7, 7}));
        QCOMPARE(status.At(0, 3), ColorToRGB(clBtnShadow));
        QCOMPARE(status.At(7, 3), ColorToRGB(clBtnHighlight));

        Surface nothing(8, 8);
        QCOMPARE(PaintFrameStyle(nothing.Canvas(), {1, 1, 7, 7}, fsNone), (TRect{1, 1, 7, 7}));
        QVERIFY(nothing.Painted().isEmpty());
    }

    void colouredStylesDeriveFromTheBase()
    {
        const TColor base = RGB(128, 128, 128);
        Surface lowered(8, 8);
        QCOMPARE(PaintColoredFrameStyle(lowered.Canvas(), {0, 0, 8, 8}, base, fsLowered), (TRect{2, 2, 6, 6}));
        QCOMPARE(lowered.At(0, 3), DarkenColor(base, 50));
        QCOMPARE(lowered.At(7, 3), LightenColor(base, 100));
        QCOMPARE(lowered.At(1, 3), DarkenColor(base, 100));
        QCOMPARE(lowered.At(6, 3), LightenColor(base, 50));

        Surface up(8, 8);
        QCOMPARE(PaintColoredButtonEdge(up.Canvas(), {0, 0, 8, 8}, base, false), (TRect{2, 2, 6, 6}));
        QCOMPARE(up.At(0, 3), LightenColor(base, 100));
        QCOMPARE(up.At(7, 3), DarkenColor(base, 100));
        QCOMPARE(up.At(1, 3), LightenColor(base, 40));
        QCOMPARE(up.At(6, 3), DarkenColor(base, 50));

        Surface down(8, 8);
        PaintColoredFrameStyle(down.Canvas(), {0, 0, 8, 8}, base, fsButtonDown);
        QCOMPARE(down.At(0, 3), DarkenColor(base, 100));
        QCOMPARE(down.At(7, 3), DarkenColor(base, 100));
        QCOMPARE(down.At(1, 3), DarkenColor(base, 50));

        // Groove from the base colour; fsFlatRounded falls back to the bump.
        Surface groove(8, 8);
        QCOMPARE(PaintColoredFrameStyle(groove.Canvas(), {0, 0, 8, 8}, base, fsGroove), (TRect{2, 2, 6, 6}));
        QCOMPARE(groove.At(0, 3), DarkenColor(base, 50));
        QCOMPARE(groove.At(1, 3), LightenColor(base, 100));
        Surface rounded(8, 8);
        PaintColoredFrameStyle(rounded.Canvas(), {0, 0, 8, 8}, base, fsFlatRounded);
        QCOMPARE(rounded.At(0, 3), LightenColor(base, 100));
        QCOMPARE(rounded.At(1, 3), DarkenColor(base, 50));
    }

    void roundedFlatFrameCutsTheCorners()
    {
        Surface s(10, 8);
        QCOMPARE(PaintRoundedFlatFrame(s.Canvas(), {0, 0, 10, 8}, clRed, AllSides), (TRect{2, 2, 8, 6}));
        const QSet<QString> expected = (Ring(0, 0, 10, 8) - Pixels({{0, 0}, {1, 0}, {0, 1}, {9, 0}, {8, 0}, {9, 1},
                                                                    {0, 7}, {1, 7}, {0, 6}, {9, 7}, {8, 7}, {9, 6}}))
                                       + Pixels({{1, 1}, {8, 1}, {8, 6}, {1, 6}});
        QCOMPARE(s.Painted(), expected);

        // Without the top the left line runs up to the edge and no corner is cut there.
        Surface open(10, 8);
        QCOMPARE(PaintRoundedFlatFrame(open.Canvas(), {0, 0, 10, 8}, clRed, sdLeft | sdBottom), (TRect{2, 0, 10, 6}));
        QCOMPARE(open.At(0, 0), clRed);
        QCOMPARE(open.At(1, 6), clRed);
        QCOMPARE(open.At(0, 7), kBack);
        QCOMPARE(open.At(9, 7), clRed);
    }

    void panelFrames()
    {
        // A side bar: groove all round, nothing else.
        Surface bar(20, 20);
        QCOMPARE(PaintPanelFrame(bar.Canvas(), {0, 0, 20, 20}, fsGroove, fsNone, 0, AllSides, 1, clBtnFace,
                                 clBtnHighlight, clBtnShadow, clBtnShadow, 0, clBtnFace, clBtnFace, false),
                 (TRect{2, 2, 18, 18}));
        QCOMPARE(bar.Painted(), Box(0, 0, 20, 20) - Box(2, 2, 18, 18));
        Surface sides(20, 20);
        QCOMPARE(PaintPanelFrame(sides.Canvas(), {0, 0, 20, 20}, fsGroove, fsNone, 0, sdLeft | sdRight, 1,
                                 clBtnFace, clBtnHighlight, clBtnShadow, clBtnShadow, 0, clBtnFace, clBtnFace, false),
                 (TRect{2, 0, 18, 20}));

        // Status with bevel width 3: three rings, shadow upper-left.
        Surface status(20, 20);
        QCOMPARE(PaintPanelFrame(status.Canvas(), {0, 0, 20, 20}, fsStatus, fsNone, 0, AllSides, 3, clBtnFace,
                                 clRed, clBlue, clBtnShadow, 0, clBtnFace, clBtnFace, false),
                 (TRect{3, 3, 17, 17}));
        QCOMPARE(status.At(2, 8), clBlue);
        QCOMPARE(status.At(17, 8), clRed);

        // Raised outer frame, a band of 4 in the border colour, then the inside.
        Surface band(20, 20);
        QCOMPARE(PaintPanelFrame(band.Canvas(), {0, 0, 20, 20}, fsRaised, fsNone, 4, AllSides, 1, clGreen,
                                 clBtnHighlight, clBtnShadow, clBtnShadow, 0, clBtnFace, clBtnFace, false),
                 (TRect{6, 6, 14, 14}));
        QCOMPARE(band.At(0, 10), ColorToRGB(cl3DLight));
        for (int x = 2; x < 6; ++x)
            QCOMPARE(band.At(x, 10), clGreen);
        QCOMPARE(band.At(6, 10), kBack);

        // Flat frames take the adjusted flat colour.
        Surface flat(10, 10);
        PaintPanelFrame(flat.Canvas(), {0, 0, 10, 10}, fsFlat, fsFlatBold, 0, AllSides, 1, clGreen, clRed, clBlue,
                        RGB(128, 128, 128), 30, clBtnFace, clBtnFace, false);
        QCOMPARE(flat.At(0, 5), RGB(159, 159, 159));
        QCOMPARE(flat.At(2, 5), RGB(159, 159, 159));
        QCOMPARE(flat.At(3, 5), kBack);
    }

    void roundedPanelFrameBacksItsCorners()
    {
        const TColor parent = RGB(10, 10, 10);
        const TColor own = RGB(20, 20, 20);
        const TColor border = RGB(30, 30, 30);
        Surface s(12, 12);
        QCOMPARE(PaintPanelFrame(s.Canvas(), {0, 0, 12, 12}, fsFlatRounded, fsNone, 0, AllSides, 1, border, clRed,
                                 clBlue, clRed, 0, own, parent, false),
                 (TRect{2, 2, 10, 10}));
        QCOMPARE(s.At(0, 0), parent);    // cut corner shows the parent
        QCOMPARE(s.At(1, 0), parent);
        QCOMPARE(s.At(1, 1), clRed);     // diagonal pixel of the rounded frame
        QCOMPARE(s.At(2, 0), clRed);     // the top line itself
        QCOMPARE(s.At(2, 1), own);       // inner ring: nothing follows, so own colour
        QCOMPARE(s.At(1, 2), own);

        // With a border band the inner ring takes the border colour.
        Surface b(12, 12);
        QCOMPARE(PaintPanelFrame(b.Canvas(), {0, 0, 12, 12}, fsFlatRounded, fsNone, 1, AllSides, 1, border, clRed,
                                 clBlue, clRed, 0, own, parent, false),
                 (TRect{3, 3, 9, 9}));
        QCOMPARE(b.At(1, 2), border);

        // Transparent without band or inner frame: only the rounded frame.
        Surface t(12, 12);
        PaintPanelFrame(t.Canvas(), {0, 0, 12, 12}, fsFlatRounded, fsNone, 0, AllSides, 1, border, clRed, clBlue,
                        clRed, 0, own, parent, true);
        QCOMPARE(t.At(0, 0), kBack);
        QCOMPARE(t.At(1, 2), kBack);
        QCOMPARE(t.At(0, 5), clRed);

        // Rounded inner frame inside a flat outer one: border ring, then own.
        Surface inner(12, 12);
        QCOMPARE(PaintPanelFrame(inner.Canvas(), {0, 0, 12, 12}, fsFlat, fsFlatRounded, 0, AllSides, 1, border,
                                 clRed, clBlue, clRed, 0, own, parent, false),
                 (TRect{3, 3, 9, 9}));
        QCOMPARE(inner.At(1, 1), border);
        QCOMPARE(inner.At(2, 2), clRed);
        QCOMPARE(inner.At(2, 3), own);
    }

    void dottedFocusFrame()
    {
        Surface s(8, 6);
        s.Canvas().Brush().SetColor(clBtnFace);
        s.Canvas().FillRect({0, 0, 8, 6});
        s.Canvas().Brush().SetColor(clBlack);
        s.Canvas().FillRect({0, 3, 8, 6});   // a dark lower half
        QCOMPARE(PaintDottedFocusFrame(s.Canvas(), {0, 0, 8, 6}), (TRect{1, 1, 7, 5}));
        QCOMPARE(s.At(0, 1), clBlack);
        QCOMPARE(s.At(7, 1), clBlack);
        QCOMPARE(s.At(1, 0), clBlack);
        QCOMPARE(s.At(3, 0), clBlack);
        QCOMPARE(s.At(2, 0), ColorToRGB(clBtnFace));
        QCOMPARE(s.At(0, 0), ColorToRGB(clBtnFace));
        QCOMPARE(s.At(0, 2), ColorToRGB(clBtnFace));
        // Dots over the dark half show white.
        QCOMPARE(s.At(0, 3), clWhite);
        QCOMPARE(s.At(1, 5), clWhite);
        QCOMPARE(s.At(2, 5), clBlack);
    }

    void scrollArrowTriangles()
    {
        Surface s(16, 16);
        s.Canvas().Brush().SetColor(clYellow);
        PaintScrollArrow(s.Canvas(), {0, 0, 16, 16}, sadLeft, true, false);
        // Triangle (6, 7), (10, 3), (10, 11): tip at the left, base at x = 10.
        const QSet<QString> painted = s.Painted();
        QVERIFY(!painted.isEmpty());
        for (const QString& p : painted) {
            const int x = p.section(',', 0, 0).toInt();
            const int y = p.section(',', 1, 1).toInt();
            QVERIFY2(s.At(x, y) == clBlack, qPrintable(p));
            QVERIFY2(x >= 6 && x < 10 && y >= 3 && y < 11, qPrintable(p));
            // Inside the triangle: |y - 7| <= x - 6.
            QVERIFY2(std::abs(y - 7) <= x - 6 + 1, qPrintable(p));
        }
        QVERIFY(painted.contains(QStringLiteral("9,7")));
        QVERIFY(painted.contains(QStringLiteral("9,4")));
        QVERIFY(painted.contains(QStringLiteral("9,9")));
        // The brush colour comes back, the pen is solid again.
        QCOMPARE(s.Canvas().Brush().Color(), clYellow);
        QCOMPARE(s.Canvas().Pen().Style(), psSolid);

        // Disabled: clBtnShadow, no press offset. Pressed: one down and right.
        Surface d(16, 16);
        PaintScrollArrow(d.Canvas(), {0, 0, 16, 16}, sadLeft, false, true);
        QCOMPARE(d.Painted(), painted);
        QCOMPARE(d.At(9, 7), ColorToRGB(clBtnShadow));
        Surface p(16, 16);
        PaintScrollArrow(p.Canvas(), {0, 0, 16, 16}, sadLeft, true, true);
        QSet<QString> shifted;
        for (const QString& q : painted)
            shifted.insert(QStringLiteral("%1,%2").arg(q.section(',', 0, 0).toInt() + 1).arg(q.section(',', 1, 1).toInt() + 1));
        QCOMPARE(p.Painted(), shifted);

        // Up and right stay inside their triangles' bounds; 4 draws nothing.
        Surface u(16, 16);
        PaintScrollArrow(u.Canvas(), {0, 0, 16, 16}, sadUp, true, false);   // (8, 4), (12, 9), (4, 9)
        for (const QString& q : u.Painted()) {
            const int x = q.section(',', 0, 0).toInt();
            const int y = q.section(',', 1, 1).toInt();
            QVERIFY2(x >= 4 && x < 12 && y >= 4 && y < 9, qPrintable(q));
        }
        QVERIFY(u.Painted().contains(QStringLiteral("8,8")));
        Surface none(16, 16);
        PaintScrollArrow(none.Canvas(), {0, 0, 16, 16}, 4, true, false);
        QVERIFY(none.Painted().isEmpty());
    }

    void gradientRowsInFixedPoint()
    {
        Surface s(30, 100);
        PaintGradientFill(s.Canvas(), {0, 0, 30, 100}, gdVertical, RGB(200, 200, 200), clBlack, 1);
        QCOMPARE(s.At(0, 99), RGB(0, 0, 0));
        QCOMPARE(s.At(29, 99), RGB(0, 0, 0));
        QCOMPARE(s.At(0, 0), RGB(198, 198, 198));
        QCOMPARE(s.At(17, 0), RGB(198, 198, 198));
        // Row 99 - j has (j * 131072) >> 16 = 2 j.
        for (int y = 0; y < 100; ++y)
            for (int x : {0, 7, 8, 15, 16, 29})
                QCOMPARE(s.At(x, y), RGB(2 * (99 - y), 2 * (99 - y), 2 * (99 - y)));

        // One row high: the bottom colour only.
        Surface one(20, 3);
        PaintGradientFill(one.Canvas(), {2, 1, 19, 2}, gdVertical, clWhite, RGB(10, 20, 30), 1);
        QCOMPARE(one.Painted(), Box(2, 1, 19, 2));
        QCOMPARE(one.At(2, 1), RGB(10, 20, 30));
        QCOMPARE(one.At(18, 1), RGB(10, 20, 30));

        // Horizontal: the rightmost column has the right colour, the strip is
        // copied downwards, the rectangle's offset is kept.
        Surface h(40, 30);
        PaintGradientFill(h.Canvas(), {5, 3, 25, 28}, gdHorizontal, RGB(0, 100, 0), RGB(0, 0, 200), 1);
        QCOMPARE(h.Painted(), Box(5, 3, 25, 28));
        QCOMPARE(h.At(24, 3), RGB(0, 0, 200));
        QCOMPARE(h.At(24, 27), RGB(0, 0, 200));
        // Column 20 - 1 - j: green 100 * 65536 / 20 = 327680 per step = 5,
        // blue (0 - 200) * 65536 / 20 = -655360 per step = -10.
        QCOMPARE(h.At(5, 3), RGB(0, 95, 10));
        QCOMPARE(h.At(5, 27), RGB(0, 95, 10));
        QCOMPARE(h.At(14, 15), RGB(0, 50, 100));
    }

    void gradientBands()
    {
        // Band parameter 4: bands of at least 4 rows, each in its first
        // row's colour.
        Surface s(8, 10);
        PaintGradientFill(s.Canvas(), {0, 0, 8, 10}, gdVertical, RGB(100, 0, 0), RGB(0, 0, 0), 4);
        // Step 10 per row; bands from the bottom: rows 9..6 -> 0, 5..2 -> 40, 1..0 -> 80.
        QCOMPARE(s.At(3, 9), RGB(0, 0, 0));
        QCOMPARE(s.At(3, 6), RGB(0, 0, 0));
        QCOMPARE(s.At(3, 5), RGB(40, 0, 0));
        QCOMPARE(s.At(3, 2), RGB(40, 0, 0));
        QCOMPARE(s.At(3, 1), RGB(80, 0, 0));
        QCOMPARE(s.At(3, 0), RGB(80, 0, 0));

        // Band parameter 100 gives Lmin = 255 div 100 + 1 = 3.
        Surface l(8, 6);
        PaintGradientFill(l.Canvas(), {0, 0, 8, 6}, gdVertical, RGB(60, 0, 0), RGB(0, 0, 0), 100);
        QCOMPARE(l.At(0, 5), RGB(0, 0, 0));
        QCOMPARE(l.At(0, 3), RGB(0, 0, 0));
        QCOMPARE(l.At(0, 2), RGB(30, 0, 0));
        QCOMPARE(l.At(0, 0), RGB(30, 0, 0));

        // An unknown direction code draws nothing.
        Surface none(8, 8);
        PaintGradientFill(none.Canvas(), {0, 0, 8, 8}, 3, clWhite, clBlack, 1);
        QVERIFY(none.Painted().isEmpty());
    }

    void gradientHonoursClipOriginAndCopyMode()
    {
        const TRect r{2, 1, 40, 13};
        Surface plain(44, 16);
        PaintGradientFill(plain.Canvas(), r, gdHorizontal, RGB(250, 10, 90), RGB(3, 200, 30), 2);

        // Through a clip and a moved origin: the same pixels where visible.
        Surface clipped(44, 16);
        clipped.Canvas().SetViewportOrg(1, 1);
        clipped.Canvas().IntersectClipRect({10, 0, 20, 8});
        PaintGradientFill(clipped.Canvas(), r.Offset(-1, -1), gdHorizontal, RGB(250, 10, 90), RGB(3, 200, 30), 2);
        QCOMPARE(clipped.Painted(), Box(11, 1, 21, 9));
        for (int y = 1; y < 9; ++y)
            for (int x = 11; x < 21; ++x)
                QCOMPARE(clipped.At(x, y), plain.At(x, y));

        // Another copy mode combines the finished bitmap with the canvas; OR
        // onto black gives the plain result back.
        for (int direction : {int(gdHorizontal), int(gdVertical)}) {
            Surface ref(44, 16);
            PaintGradientFill(ref.Canvas(), r, direction, RGB(250, 10, 90), RGB(3, 200, 30), 2);
            Surface ored(44, 16);
            ored.Canvas().Brush().SetColor(clBlack);
            ored.Canvas().FillRect(r);
            ored.Canvas().SetCopyMode(cmSrcPaint);
            PaintGradientFill(ored.Canvas(), r, direction, RGB(250, 10, 90), RGB(3, 200, 30), 2);
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 44; ++x)
                    QCOMPARE(ored.At(x, y), ref.At(x, y));
        }
    }

    void maskedBitmapLeavesTheKeyColourOut()
    {
        TBitmap glyph(4, 2);
        glyph.Canvas().Brush().SetColor(clFuchsia);
        glyph.Canvas().FillRect({0, 0, 4, 2});
        glyph.Canvas().SetPixels(1, 0, clRed);
        glyph.Canvas().SetPixels(2, 1, clBtnShadow);
        glyph.Canvas().SetPixels(3, 1, clGreen);   // outside the source part

        Surface s(6, 4);
        PaintMaskedBitmap(s.Canvas(), glyph, {0, 0, 3, 2}, {0, 0, 3, 2}, clFuchsia);
        QCOMPARE(s.Painted(), Pixels({{1, 0}, {2, 1}}));
        QCOMPARE(s.At(1, 0), clRed);
        QCOMPARE(s.At(2, 1), ColorToRGB(clBtnShadow));

        // The second image of a two-image glyph, and a system colour as key.
        TBitmap two(4, 1);
        two.Canvas().Brush().SetColor(clBtnFace);
        two.Canvas().FillRect({0, 0, 4, 1});
        two.Canvas().SetPixels(0, 0, clRed);
        two.Canvas().SetPixels(3, 0, clBlue);
        Surface t(4, 1);
        PaintMaskedBitmap(t.Canvas(), two, {0, 0, 2, 1}, {2, 0, 4, 1}, clBtnFace);
        QCOMPARE(t.Painted(), Pixels({{1, 0}}));
        QCOMPARE(t.At(1, 0), clBlue);
    }

    void noParentNoBackground()
    {
        Surface s(5, 5);
        PaintParentBackground(nullptr, s.Canvas(), true);
        QVERIFY(s.Painted().isEmpty());
        QCOMPARE(s.Canvas().SavedLevels(), 0);
    }

    void parentBackgroundReplayedAtTheControlsOffset()
    {
        PatternParent parent;
        parent.SetColor(clRed);
        parent.SetBounds(0, 0, 12, 20);
        TCustomControl child(nullptr, &parent);
        child.SetBounds(5, 3, 10, 8);   // runs past the parent's right edge

        Surface s(10, 8);
        PaintParentBackground(&child, s.Canvas(), false);
        QCOMPARE(parent.paints, 1);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 10; ++x) {
                const int px = x + 5;
                const int py = y + 3;
                const TColor expected = px >= 12 ? kBack : px < 8 ? RGB(px * 20, py * 10, 50) : clRed;
                QCOMPARE(s.At(x, y), expected);
            }
        }
        // The canvas comes back as it was, its own clip still applying.
        QCOMPARE(s.Canvas().SavedLevels(), 0);
        QCOMPARE(s.Canvas().ViewportOrg(), Point(0, 0));
        QVERIFY(!s.Canvas().HasClipRegion());

        Surface clipped(10, 8);
        clipped.Canvas().IntersectClipRect({0, 0, 2, 8});
        PaintParentBackground(&child, clipped.Canvas(), false);
        QCOMPARE(clipped.Painted(), Box(0, 0, 2, 8));
        QCOMPARE(clipped.Canvas().ClipRect(), (TRect{0, 0, 2, 8}));

        // A control whose parent is a plain widget has nothing to replay.
        QWidget plain;
        TCustomControl orphan(nullptr, &plain);
        Surface none(4, 4);
        PaintParentBackground(&orphan, none.Canvas(), true);
        QVERIFY(none.Painted().isEmpty());
    }

    void trueTypeTest()
    {
        TFont font;
        font.SetName(QStringLiteral("DejaVu Sans"));
        QVERIFY(IsTrueTypeFont(font));
    }
};

RAVIK_TEST(TestVmGrafx)
#include "tst_vmgrafx.moc"
