#include "Canvas.h"
#include "Exception.h"
#include "TestMain.h"

#include <QFontMetrics>
#include <QSet>

namespace {
constexpr TColor kBack = RGB(250, 250, 250);

struct Surface {
    TBitmap bitmap;
    Surface(int w, int h) : bitmap(w, h) { Clear(); }
    TCanvas& C() { return bitmap.Canvas(); }
    void Clear()
    {
        QImage& img = bitmap.Image();
        img.fill(ToQColor(kBack));
    }
    TColor At(int x, int y) const { return FromQRgb(bitmap.Image().pixel(x, y)); }
    QSet<QString> Painted() const
    {
        QSet<QString> out;
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x)
                if (At(x, y) != kBack)
                    out.insert(Key(x, y));
        return out;
    }
    // Bounds of every pixel that is not the background.
    TRect Ink() const
    {
        TRect r{1 << 20, 1 << 20, -(1 << 20), -(1 << 20)};
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x)
                if (At(x, y) != kBack) {
                    r.Left = std::min(r.Left, x);
                    r.Top = std::min(r.Top, y);
                    r.Right = std::max(r.Right, x + 1);
                    r.Bottom = std::max(r.Bottom, y + 1);
                }
        return r.IsEmpty() ? TRect{} : r;
    }
    static QString Key(int x, int y) { return QStringLiteral("%1,%2").arg(x).arg(y); }
};

QSet<QString> Box(int l, int t, int r, int b)
{
    QSet<QString> out;
    for (int y = t; y < b; ++y)
        for (int x = l; x < r; ++x)
            out.insert(Surface::Key(x, y));
    return out;
}

QString Message(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QStringLiteral("(no exception)");
}

TFont TestFont()
{
    TFont f;
    f.SetName(QStringLiteral("DejaVu Sans"));
    f.SetHeight(-13);
    f.SetColor(clBlack);
    return f;
}
}

class TestCanvas : public QObject {
    Q_OBJECT
private slots:
    void linesLeaveOutTheEndPixel()
    {
        Surface s(20, 20);
        s.C().Pen().SetColor(clRed);
        s.C().MoveTo(1, 1);
        s.C().LineTo(6, 1);
        QCOMPARE(s.Painted(), Box(1, 1, 6, 2));
        QCOMPARE(s.C().PenPos(), Point(6, 1));

        // Right to left and bottom to top: the start pixel is drawn, the end is not.
        s.Clear();
        s.C().MoveTo(6, 2);
        s.C().LineTo(1, 2);
        s.C().MoveTo(0, 9);
        s.C().LineTo(0, 4);
        QCOMPARE(s.Painted(), Box(2, 2, 7, 3) + Box(0, 5, 1, 10));

        // A zero-length line draws nothing.
        s.Clear();
        s.C().MoveTo(3, 3);
        s.C().LineTo(3, 3);
        QVERIFY(s.Painted().isEmpty());
    }

    void diagonalLinesLandOnExactPixels()
    {
        // The cut corner of a tab: (R - 10, T) to (R, T + 10).
        Surface s(20, 20);
        s.C().MoveTo(5, 2);
        s.C().LineTo(15, 12);
        QSet<QString> expected;
        for (int i = 0; i < 10; ++i)
            expected.insert(Surface::Key(5 + i, 2 + i));
        QCOMPARE(s.Painted(), expected);

        // Up-right diagonal.
        s.Clear();
        s.C().MoveTo(0, 10);
        s.C().LineTo(4, 6);
        QCOMPARE(s.Painted(), QSet<QString>({Surface::Key(0, 10), Surface::Key(1, 9), Surface::Key(2, 8),
                                             Surface::Key(3, 7)}));

        // A shallow line: one pixel per column, never past its ends, and
        // continuous (each step moves at most one row).
        s.Clear();
        s.C().MoveTo(0, 0);
        s.C().LineTo(10, 3);
        const QSet<QString> painted = s.Painted();
        QCOMPARE(painted.size(), 10);
        int lastY = 0;
        for (int x = 0; x < 10; ++x) {
            int found = -1;
            for (int y = 0; y < 4; ++y)
                if (painted.contains(Surface::Key(x, y)))
                    found = y;
            QVERIFY2(found >= 0 && found <= 3 && found - lastY <= 1 && found >= lastY, qPrintable(QString::number(x)));
            lastY = found;
        }
        QVERIFY(painted.contains(Surface::Key(0, 0)));
        QVERIFY(!painted.contains(Surface::Key(10, 3)));
    }

    void penModesStylesAndWidths()
    {
        Surface s(24, 6);
        s.C().Pen().SetColor(RGB(0x0F, 0xF0, 0x33));
        s.C().Pen().SetMode(pmXor);
        s.C().MoveTo(0, 0);
        s.C().LineTo(10, 0);
        QCOMPARE(s.At(3, 0), RGB(250 ^ 0x0F, 250 ^ 0xF0, 250 ^ 0x33));
        s.C().MoveTo(0, 0);
        s.C().LineTo(10, 0);
        QVERIFY(s.Painted().isEmpty());   // drawn twice, gone

        s.C().Pen().SetMode(pmNot);
        s.C().MoveTo(0, 1);
        s.C().LineTo(2, 1);
        QCOMPARE(s.At(0, 1), RGB(5, 5, 5));

        // A clear pen draws nothing but still moves.
        s.Clear();
        s.C().Pen().SetMode(pmCopy);
        s.C().Pen().SetStyle(psClear);
        s.C().MoveTo(0, 2);
        s.C().LineTo(20, 2);
        QVERIFY(s.Painted().isEmpty());
        QCOMPARE(s.C().PenPos(), Point(20, 2));

        // Dotted: three on, three off; the gaps stay when the background is transparent.
        s.C().Pen().SetStyle(psDot);
        s.C().Pen().SetColor(clBlack);
        s.C().SetBkMode(TRANSPARENT);
        s.C().MoveTo(0, 3);
        s.C().LineTo(12, 3);
        QCOMPARE(s.Painted(), Box(0, 3, 3, 4) + Box(6, 3, 9, 4));
        // Opaque: the gaps take the brush colour.
        s.C().SetBkMode(OPAQUE);
        s.C().Brush().SetColor(clBlue);
        s.C().MoveTo(0, 4);
        s.C().LineTo(12, 4);
        QCOMPARE(s.At(0, 4), clBlack);
        QCOMPARE(s.At(3, 4), clBlue);
        QCOMPARE(s.At(12, 4), kBack);

        // A wide pen covers the rows around the line.
        Surface w(20, 10);
        w.C().Pen().SetWidth(3);
        w.C().MoveTo(2, 5);
        w.C().LineTo(15, 5);
        QCOMPARE(w.At(8, 4), clBlack);
        QCOMPARE(w.At(8, 5), clBlack);
        QCOMPARE(w.At(8, 6), clBlack);
        QCOMPARE(w.At(8, 8), kBack);
    }

    void fillsExcludeRightAndBottom()
    {
        Surface s(10, 10);
        s.C().Brush().SetColor(clBtnFace);
        s.C().FillRect({2, 3, 6, 5});
        QCOMPARE(s.Painted(), Box(2, 3, 6, 5));
        QCOMPARE(s.At(2, 3), RGB(240, 240, 240));   // system colour resolved

        s.Clear();
        s.C().Brush().SetStyle(bsClear);
        s.C().FillRect({0, 0, 10, 10});
        QVERIFY(s.Painted().isEmpty());

        // Rectangle: pen outline on the rectangle's edge, brush inside.
        s.C().Brush().SetColor(clYellow);   // makes the brush solid again
        QCOMPARE(s.C().Brush().Style(), bsSolid);
        s.C().Pen().SetColor(clRed);
        s.C().Rectangle(1, 1, 6, 5);
        QCOMPARE(s.Painted(), Box(1, 1, 6, 5));
        QCOMPARE(s.At(1, 1), clRed);
        QCOMPARE(s.At(5, 4), clRed);
        QCOMPARE(s.At(2, 2), clYellow);
        QCOMPARE(s.At(4, 3), clYellow);

        // With a clear pen the last column and row stay untouched.
        s.Clear();
        s.C().Pen().SetStyle(psClear);
        s.C().Rectangle(1, 1, 6, 5);
        QCOMPARE(s.Painted(), Box(1, 1, 5, 4));

        // FrameRect: one pixel inside the rectangle in the brush colour.
        s.Clear();
        s.C().FrameRect({1, 1, 5, 5});
        QCOMPARE(s.Painted(), Box(1, 1, 5, 5) - Box(2, 2, 4, 4));
    }

    void patternBrushTilesFromTheDeviceOrigin()
    {
        TBitmap pattern(8, 8);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                pattern.Canvas().SetPixels(x, y, (x + y) % 2 == 0 ? RGB(192, 192, 192) : clBtnFace);
        Surface s(20, 12);
        s.C().Brush().SetBitmap(&pattern);
        s.C().SetViewportOrg(3, 0);   // the pattern stays put on the device
        s.C().FillRect({-3, 0, 17, 12});
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 20; ++x)
                QCOMPARE(s.At(x, y), (x + y) % 2 == 0 ? RGB(192, 192, 192) : RGB(240, 240, 240));
        s.C().Brush().SetBitmap(nullptr);
        s.C().Brush().SetColor(clRed);
        s.C().FillRect({-3, 0, -2, 1});
        QCOMPARE(s.At(0, 0), clRed);
    }

    void polygonsUseTheAlternateRule()
    {
        // A pentagram: with the alternate rule its centre is a hole.
        const std::vector<TPoint> star{{20, 0}, {32, 38}, {0, 14}, {40, 14}, {8, 38}};
        Surface s(41, 40);
        s.C().Brush().SetColor(clBlack);
        s.C().Pen().SetStyle(psClear);
        s.C().Polygon(star);
        QCOMPARE(s.At(20, 22), kBack);   // centre
        QCOMPARE(s.At(20, 6), clBlack);  // top point
        QCOMPARE(s.At(4, 15), clBlack);  // left point
        // The region answers point tests the same way as the fill.
        const TRegion region = TRegion::FromPolygon(star);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 41; ++x)
                QCOMPARE(region.PtInRegion(x, y), s.At(x, y) == clBlack);

        // A square fills its inside, right and bottom edges excluded; the pen
        // then closes the outline including those edges.
        Surface q(10, 10);
        q.C().Brush().SetColor(clYellow);
        q.C().Pen().SetStyle(psClear);
        q.C().Polygon({{1, 1}, {5, 1}, {5, 5}, {1, 5}});
        QCOMPARE(q.Painted(), Box(1, 1, 5, 5));
        q.C().Pen().SetStyle(psSolid);
        q.C().Pen().SetColor(clRed);
        q.C().Polygon({{1, 1}, {5, 1}, {5, 5}, {1, 5}});
        QCOMPARE(q.Painted(), Box(1, 1, 6, 6));
        QCOMPARE(q.At(5, 5), clRed);
        QCOMPARE(q.At(3, 3), clYellow);

        // Cut-corner tab outline (10 px cut): the cut is outside its region.
        const TRegion tab = TRegion::FromPolygon({{0, 25}, {0, 0}, {30, 0}, {40, 10}, {40, 25}});
        QVERIFY(tab.PtInRegion(1, 1));
        QVERIFY(tab.PtInRegion(30, 1));
        QVERIFY(!tab.PtInRegion(38, 1));
        QVERIFY(!tab.PtInRegion(40, 20));   // right edge exclusive
        QVERIFY(TRegion::FromPolygon({{0, 0}, {5, 5}}).IsEmpty());
    }

    void clipRegions()
    {
        Surface s(12, 12);
        s.C().Brush().SetColor(clRed);
        s.C().IntersectClipRect({2, 2, 8, 8});
        s.C().ExcludeClipRect({4, 4, 6, 6});
        s.C().FillRect({0, 0, 12, 12});
        QCOMPARE(s.Painted(), Box(2, 2, 8, 8) - Box(4, 4, 6, 6));
        QCOMPARE(s.C().ClipRect(), (TRect{2, 2, 8, 8}));
        QCOMPARE(s.C().Pixels(4, 4), CLR_INVALID);
        QCOMPARE(s.C().Pixels(2, 2), clRed);
        QVERIFY(!s.C().RectVisible({4, 4, 6, 6}));
        QVERIFY(s.C().RectVisible({0, 0, 3, 3}));
        // Pixels and lines respect the clip too.
        s.C().SetPixels(0, 0, clBlue);
        s.C().MoveTo(0, 3);
        s.C().LineTo(12, 3);
        QCOMPARE(s.At(0, 0), kBack);
        QCOMPARE(s.At(1, 3), kBack);
        QCOMPARE(s.At(2, 3), clBlack);

        // A selected region is in device coordinates; nullptr lifts the clip.
        s.Clear();
        s.C().SetViewportOrg(5, 0);
        const TRegion tri = TRegion::FromPolygon({{0, 0}, {4, 0}, {0, 4}});
        s.C().SelectClipRgn(&tri);
        s.C().FillRect({-5, 0, 7, 12});
        QSet<QString> expected;
        for (const QRect& r : tri.ToQRegion())
            expected += Box(r.left(), r.top(), r.right() + 1, r.bottom() + 1);
        QVERIFY(expected.contains(Surface::Key(0, 0)) && !expected.contains(Surface::Key(3, 3)));
        QCOMPARE(s.Painted(), expected);
        QCOMPARE(s.C().ClipRect(), tri.BoundingRect().Offset(-5, 0));
        s.C().SelectClipRgn(nullptr);
        QVERIFY(!s.C().HasClipRegion());
        s.C().FillRect({-5, 0, 7, 12});
        QCOMPARE(s.Painted(), Box(0, 0, 12, 12));
    }

    void savedStatesFormAStack()
    {
        Surface s(10, 10);
        TCanvas& c = s.C();
        c.Pen().SetColor(clRed);
        c.Brush().SetColor(clGreen);
        c.Font().SetHeight(-20);
        QCOMPARE(c.SaveDC(), 1);
        c.Pen().SetColor(clBlue);
        c.Brush().SetStyle(bsClear);
        c.Font().SetHeight(-9);
        c.SetViewportOrg(4, 4);
        c.IntersectClipRect({0, 0, 2, 2});
        c.MoveTo(1, 1);
        QCOMPARE(c.SaveDC(), 2);
        c.Pen().SetColor(clYellow);
        QCOMPARE(c.SaveDC(), 3);
        c.RestoreDC(-1);
        QCOMPARE(c.Pen().Color(), clYellow);
        c.RestoreDC(2);   // back to the state saved as level 2
        QCOMPARE(c.Pen().Color(), clBlue);
        QCOMPARE(c.ViewportOrg(), Point(4, 4));
        QCOMPARE(c.SavedLevels(), 1);
        c.RestoreDC();
        QCOMPARE(c.Pen().Color(), clRed);
        QCOMPARE(c.Brush().Style(), bsSolid);
        QCOMPARE(c.Brush().Color(), clGreen);
        QCOMPARE(c.Font().Height(), -20);
        QCOMPARE(c.ViewportOrg(), Point(0, 0));
        QVERIFY(!c.HasClipRegion());
        QCOMPARE(c.PenPos(), Point(0, 0));
        QCOMPARE(c.SavedLevels(), 0);

        // Failures carry the messages the user sees; the state is kept.
        QCOMPARE(Message([&] { c.RestoreDC(); }), QStringLiteral("Error restoring device context"));
        c.SaveDC();
        QCOMPARE(Message([&] { c.RestoreDC(0); }), QStringLiteral("Error restoring device context"));
        QCOMPARE(Message([&] { c.RestoreDC(2); }), QStringLiteral("Error restoring device context"));
        QCOMPARE(Message([&] { c.RestoreDC(-2); }), QStringLiteral("Error restoring device context"));
        QCOMPARE(c.SavedLevels(), 1);
        TCanvas detached;
        QCOMPARE(Message([&] { detached.SaveDC(); }), QStringLiteral("Error saving device context"));
    }

    void viewportOriginMovesLogicalCoordinates()
    {
        Surface s(10, 10);
        s.C().OffsetViewportOrg(3, 2);
        s.C().OffsetViewportOrg(1, 1);
        s.C().Brush().SetColor(clRed);
        s.C().FillRect({0, 0, 2, 2});
        s.C().SetPixels(-4, -3, clBlue);
        QCOMPARE(s.Painted(), Box(4, 3, 6, 5) + QSet<QString>({Surface::Key(0, 0)}));
        QCOMPARE(s.C().Pixels(0, 0), clRed);
        s.C().IntersectClipRect({0, 0, 1, 1});   // logical: device (4, 3)
        QCOMPARE(s.C().ClipRect(), (TRect{0, 0, 1, 1}));
        QCOMPARE(s.C().ClipRegion().BoundingRect(), (TRect{4, 3, 5, 4}));
    }

    void blockStretchAndMaskedCopies()
    {
        TBitmap src(2, 2);
        src.Canvas().SetPixels(0, 0, clRed);
        src.Canvas().SetPixels(1, 0, clGreen);
        src.Canvas().SetPixels(0, 1, clBlue);
        src.Canvas().SetPixels(1, 1, clFuchsia);

        Surface s(10, 10);
        s.C().Draw(3, 4, src);
        QCOMPARE(s.Painted(), Box(3, 4, 5, 6));
        QCOMPARE(s.At(4, 5), clFuchsia);

        // Stretched twice its size: each pixel becomes a 2 x 2 block.
        s.Clear();
        s.C().StretchDraw({0, 0, 4, 4}, src);
        QCOMPARE(s.At(1, 1), clRed);
        QCOMPARE(s.At(2, 1), clGreen);
        QCOMPARE(s.At(3, 3), clFuchsia);
        QCOMPARE(s.At(1, 2), clBlue);

        // The inverting copy mode removes what it drew when drawn again.
        s.Clear();
        s.C().SetCopyMode(cmSrcInvert);
        s.C().Draw(0, 0, src);
        QCOMPARE(s.At(0, 0), RGB(250 ^ 255, 250, 250));
        s.C().Draw(0, 0, src);
        QVERIFY(s.Painted().isEmpty());
        s.C().SetCopyMode(cmSrcCopy);

        // Masked: the key colour is left out.
        s.C().CopyMasked({5, 5, 7, 7}, src.Image(), {0, 0, 2, 2}, clGreen);
        QCOMPARE(s.Painted(), Box(5, 5, 7, 7) - QSet<QString>({Surface::Key(6, 5)}));

        // Copying a block within one image onto an overlapping place.
        Surface o(6, 1);
        for (int x = 0; x < 4; ++x)
            o.C().SetPixels(x, 0, RGB(x * 10, 0, 0));
        o.C().CopyRect({1, 0, 5, 1}, o.C(), {0, 0, 4, 1});
        QCOMPARE(o.At(1, 0), RGB(0, 0, 0));
        QCOMPARE(o.At(2, 0), RGB(10, 0, 0));
        QCOMPARE(o.At(4, 0), RGB(30, 0, 0));
    }

    void focusRectInvertsEverySecondPixel()
    {
        Surface s(8, 6);
        s.C().DrawFocusRect({1, 1, 7, 5});
        QCOMPARE(s.At(1, 1), RGB(5, 5, 5));
        QCOMPARE(s.At(2, 1), kBack);
        QCOMPARE(s.At(3, 1), RGB(5, 5, 5));
        QCOMPARE(s.At(1, 3), RGB(5, 5, 5));
        QCOMPARE(s.At(3, 3), kBack);   // inside untouched
        s.C().DrawFocusRect({1, 1, 7, 5});
        QVERIFY(s.Painted().isEmpty());
    }

    void textOutWithinItsExtent()
    {
        Surface s(120, 40);
        s.C().SetFont(TestFont());
        s.C().Font().SetColor(clRed);
        s.C().Brush().SetStyle(bsClear);
        const QString text = QStringLiteral("Hello 你好");
        const TSize extent = s.C().TextExtent(text);
        const QFontMetrics fm(s.C().Font().ToQFont());
        QCOMPARE(extent.cx, fm.horizontalAdvance(text));
        QCOMPARE(extent.cy, fm.height());
        QCOMPARE(s.C().TextWidth(text), extent.cx);
        QCOMPARE(s.C().TextHeight(text), extent.cy);

        s.C().TextOut(5, 7, text);
        const TRect ink = s.Ink();
        QVERIFY(!ink.IsEmpty());
        QVERIFY(ink.Left >= 5 && ink.Top >= 7 && ink.Right <= 5 + extent.cx && ink.Bottom <= 7 + extent.cy);
        // No antialiasing: every painted pixel is the font colour.
        for (const QString& p : s.Painted())
            QCOMPARE(s.At(p.section(',', 0, 0).toInt(), p.section(',', 1, 1).toInt()), clRed);

        // An opaque background fills the text's cell with the brush colour.
        s.Clear();
        s.C().Brush().SetColor(clBlue);
        s.C().SetBkMode(OPAQUE);
        s.C().TextOut(5, 7, text);
        QCOMPARE(s.Ink(), (TRect{5, 7, 5 + extent.cx, 7 + extent.cy}));
        s.Clear();
        s.C().SetBkMode(TRANSPARENT);
        s.C().TextOut(5, 7, text);
        QVERIFY(s.Ink() != (TRect{5, 7, 5 + extent.cx, 7 + extent.cy}));
    }

    void rotatedText()
    {
        const QString text = QStringLiteral("Rotated");
        Surface flat(100, 100);
        flat.C().SetFont(TestFont());
        flat.C().Brush().SetStyle(bsClear);
        const TSize extent = flat.C().TextExtent(text);
        flat.C().TextOut(10, 10, text);
        const TRect h = flat.Ink();

        // 900: reads upward from (x, y), lying right of x and above y.
        Surface up(100, 100);
        up.C().SetFont(TestFont());
        up.C().Font().SetOrientation(900);
        up.C().Brush().SetStyle(bsClear);
        QCOMPARE(up.C().TextExtent(text), extent);   // extents are unrotated
        up.C().TextOut(20, 90, text);
        const TRect u = up.Ink();
        QVERIFY(!u.IsEmpty());
        QVERIFY2(u.Left >= 20 && u.Right <= 20 + extent.cy && u.Top >= 90 - extent.cx && u.Bottom <= 90,
                 qPrintable(QStringLiteral("%1 %2 %3 %4").arg(u.Left).arg(u.Top).arg(u.Right).arg(u.Bottom)));
        QCOMPARE(u.Width(), h.Height());
        QCOMPARE(u.Height(), h.Width());

        // 2700: reads downward from (x, y), lying left of x and below y.
        Surface down(100, 100);
        down.C().SetFont(TestFont());
        down.C().Font().SetOrientation(2700);
        down.C().Brush().SetStyle(bsClear);
        down.C().TextOut(50, 5, text);
        const TRect d = down.Ink();
        QVERIFY2(d.Left >= 50 - extent.cy && d.Right <= 50 && d.Top >= 5 && d.Bottom <= 5 + extent.cx,
                 qPrintable(QStringLiteral("%1 %2 %3 %4").arg(d.Left).arg(d.Top).arg(d.Right).arg(d.Bottom)));
        QCOMPARE(d.Width(), h.Height());
        QCOMPARE(d.Height(), h.Width());
    }

    void drawTextMeasuresAndWraps()
    {
        Surface s(200, 200);
        TCanvas& c = s.C();
        c.SetFont(TestFont());
        const int lh = c.TextHeight(QStringLiteral("Yy"));

        TRect r{10, 10, 300, 10};
        QCOMPARE(c.DrawText(QStringLiteral("one line"), r, DT_CALCRECT | DT_SINGLELINE), lh);
        QCOMPARE(r, (TRect{10, 10, 10 + c.TextWidth(QStringLiteral("one line")), 10 + lh}));
        QVERIFY(s.Painted().isEmpty());   // measuring draws nothing

        // Word break: at the rectangle's width, spaces at the break dropped.
        const int two = c.TextWidth(QStringLiteral("aaa bbb"));
        r = {0, 0, two, 0};
        QCOMPARE(c.DrawText(QStringLiteral("aaa bbb ccc"), r, DT_CALCRECT | DT_WORDBREAK), 2 * lh);
        QCOMPARE(r.Right, two);
        // A word wider than the rectangle stays whole on its line.
        r = {0, 0, 5, 0};
        QCOMPARE(c.DrawText(QStringLiteral("unbreakable"), r, DT_CALCRECT | DT_WORDBREAK), lh);
        QCOMPARE(r.Width(), c.TextWidth(QStringLiteral("unbreakable")));
        // Chinese text breaks between characters.
        r = {0, 0, c.TextWidth(QStringLiteral("实时预")), 0};
        QCOMPARE(c.DrawText(QStringLiteral("实时预览代码"), r, DT_CALCRECT | DT_WORDBREAK), 2 * lh);
        // Hard breaks: CR LF, LF, CR; an empty line takes its height.
        r = {0, 0, 100, 0};
        QCOMPARE(c.DrawText(QStringLiteral("a\r\nb\nc\r\rd"), r, DT_CALCRECT), 5 * lh);
        r = {0, 0, 100, 0};
        QCOMPARE(c.DrawText(QStringLiteral("a\r\nb"), r, DT_CALCRECT | DT_SINGLELINE), lh);
        QCOMPARE(r.Width(), c.TextWidth(QStringLiteral("ab")));
        // Empty text.
        r = {3, 3, 100, 50};
        QCOMPARE(c.DrawText(QString(), r, DT_CALCRECT), 0);
        QCOMPARE(r, (TRect{3, 3, 3, 3}));

        // Tabs go to multiples of eight average character widths.
        const int tab = 8 * c.GetTextMetrics().tmAveCharWidth;
        r = {0, 0, 500, 0};
        c.DrawText(QStringLiteral("a\tb"), r, DT_CALCRECT | DT_EXPANDTABS);
        QCOMPARE(r.Width(), tab + c.TextWidth(QStringLiteral("b")));
        r = {0, 0, 500, 0};
        c.DrawText(QStringLiteral("a\tbcdefghijklmnop\tq"), r, DT_CALCRECT | DT_EXPANDTABS);
        QCOMPARE(r.Width() % tab, c.TextWidth(QStringLiteral("q")) % tab);
    }

    void drawTextAlignsAndClips()
    {
        Surface s(200, 60);
        TCanvas& c = s.C();
        c.SetFont(TestFont());
        c.Brush().SetStyle(bsClear);
        const QString text = QStringLiteral("Mid");
        const int w = c.TextWidth(text);
        const int lh = c.TextHeight(text);

        TRect r{0, 0, 200, 60};
        c.DrawText(text, r, DT_LEFT | DT_SINGLELINE);
        const TRect left = s.Ink();
        s.Clear();
        c.DrawText(text, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        const TRect centre = s.Ink();
        QCOMPARE(centre.Left - left.Left, (200 - w) / 2);
        QCOMPARE(centre.Top - left.Top, (60 - lh) / 2);
        s.Clear();
        c.DrawText(text, r, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE);
        const TRect right = s.Ink();
        QCOMPARE(right.Left - left.Left, 200 - w);
        QCOMPARE(right.Top - left.Top, 60 - lh);
        // Vertical centring needs a single line.
        s.Clear();
        c.DrawText(text, r, DT_VCENTER);
        QCOMPARE(s.Ink(), left);

        // Clipped to the rectangle unless DT_NOCLIP.
        s.Clear();
        TRect narrow{0, 0, w / 2, lh};
        c.DrawText(text, narrow, DT_SINGLELINE);
        QVERIFY(s.Ink().Right <= w / 2);
        s.Clear();
        c.DrawText(text, narrow, DT_SINGLELINE | DT_NOCLIP);
        QCOMPARE(s.Ink(), left);
    }

    void drawTextPrefixes()
    {
        Surface s(200, 40);
        TCanvas& c = s.C();
        c.SetFont(TestFont());
        c.Brush().SetStyle(bsClear);
        TRect r{0, 0, 200, 0};
        c.DrawText(QStringLiteral("A&&B"), r, DT_CALCRECT | DT_SINGLELINE);
        QCOMPARE(r.Width(), c.TextWidth(QStringLiteral("A&B")));
        r = {0, 0, 200, 0};
        c.DrawText(QStringLiteral("&File"), r, DT_CALCRECT | DT_SINGLELINE);
        QCOMPARE(r.Width(), c.TextWidth(QStringLiteral("File")));
        r = {0, 0, 200, 0};
        c.DrawText(QStringLiteral("&File"), r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        QCOMPARE(r.Width(), c.TextWidth(QStringLiteral("&File")));

        // The accelerator is underlined: "a&bc" draws "abc" plus a line
        // under the b only.
        TRect box{0, 0, 200, 40};
        c.DrawText(QStringLiteral("abc"), box, DT_SINGLELINE);
        const QSet<QString> plain = s.Painted();
        s.Clear();
        c.DrawText(QStringLiteral("a&bc"), box, DT_SINGLELINE);
        const QSet<QString> marked = s.Painted();
        QVERIFY(plain - marked == QSet<QString>() || (plain - marked).size() < 3);
        const QSet<QString> extra = marked - plain;
        QVERIFY(!extra.isEmpty());
        const int a = c.TextWidth(QStringLiteral("a"));
        const int ab = c.TextWidth(QStringLiteral("ab"));
        const int ascent = c.GetTextMetrics().tmAscent;
        for (const QString& p : extra) {
            const int x = p.section(',', 0, 0).toInt();
            const int y = p.section(',', 1, 1).toInt();
            QVERIFY2(x >= a && x < ab && y >= ascent, qPrintable(p));
        }
    }

    void textMetrics()
    {
        TCanvas c;
        c.SetFont(TestFont());
        const TTextMetric tm = c.GetTextMetrics();
        QCOMPARE(tm.tmHeight, c.TextHeight(QStringLiteral("Yy")));
        QVERIFY(tm.tmAscent > 0 && tm.tmDescent >= 0);
        QCOMPARE(tm.tmAscent + tm.tmDescent, tm.tmHeight);
        QCOMPARE(tm.tmHeight - tm.tmInternalLeading, 13);
        QVERIFY(tm.tmPitchAndFamily & TMPF_TRUETYPE);
        c.Font().SetStyle(fsBold);
        QCOMPARE(c.GetTextMetrics().tmWeight, 700);
    }
};

RAVIK_TEST(TestCanvas)
#include "tst_canvas.moc"
