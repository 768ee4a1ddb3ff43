// Card frames in every orientation, sequence and frame setting; vertical
// captions; image positions; the outline command list itself.
#include "Exception.h"
#include "TestMain.h"
#include "VmCommon.h"
#include "VmTabPaint.h"
#include "tst_vmtabpaint_support.h"

using namespace tabpaint_test;

namespace {

const char* Name(TVmTabOrientation o)
{
    static const char* names[] = {"toTop", "toLeft", "toBottom", "toRight"};
    return names[o];
}

const char* Name(TVmTabStyle s)
{
    static const char* names[] = {"tsSingleSlant", "tsDoubleSlant", "tsCutCorner", "tsRoundCorners"};
    return names[s];
}

// A point on a card edge, `along` being x for tabs across the top or bottom
// and y for upright tabs.
struct Edge {
    bool across;
    int fixed;
    TPoint At(int along) const { return across ? Point(along, fixed) : Point(fixed, along); }
};

} // namespace

class TestVmTabPaintFrames : public QObject {
    Q_OBJECT
private slots:
    void cardFrameOpensBetweenTheSelectedTabsFeet_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("sequence");
        QTest::addColumn<bool>("full");
        for (TVmTabStyle s : {tsSingleSlant, tsCutCorner, tsRoundCorners})
            for (int o = toTop; o <= toRight; ++o)
                for (TVmTabSequence q : {tsStandard, tsReverse})
                    for (bool full : {true, false})
                        QTest::addRow("%s %s %s %s", Name(s), Name(TVmTabOrientation(o)),
                                      q == tsStandard ? "standard" : "reverse", full ? "full" : "open")
                            << int(s) << o << int(q) << full;
    }

    void cardFrameOpensBetweenTheSelectedTabsFeet()
    {
        QFETCH(int, style);
        QFETCH(int, orientation);
        QFETCH(int, sequence);
        QFETCH(bool, full);
        const auto o = TVmTabOrientation(orientation);
        PageForm f({QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")}, 300, 220);
        TVmPageControl& pc = *f.pc;
        pc.SetTabStyle(TVmTabStyle(style));
        pc.SetTabOrientation(o);
        pc.SetTabSequence(TVmTabSequence(sequence));
        pc.SetShowShadow(false);
        pc.SetShowFullFrame(full);
        pc.SetActivePage(f.pages[1]);
        pc.SetFlatColor(clRed);
        const QImage& img = f.Paint();
        QVERIFY(!pc.ScrollNeeded());

        const TRect k = pc.CardRect(0);
        const std::vector<TPoint> p = pc.TabPolygon(1);
        const bool across = o == toTop || o == toBottom;
        int fixed = 0;
        switch (o) {
        case toTop: fixed = k.Top; break;
        case toLeft: fixed = full ? k.Left : k.Left - 1; break;
        case toBottom: fixed = full ? k.Bottom : k.Bottom + 1; break;
        case toRight: fixed = full ? k.Right : k.Right + 1; break;
        }
        const Edge edge{across, fixed};
        const int a = across ? p.front().X : p.front().Y;
        const int b = across ? p.back().X : p.back().Y;
        const int lo = std::min(a, b), hi = std::max(a, b);
        QVERIFY(hi - lo > 6);
        const auto at = [&](int along) {
            const TPoint q = edge.At(along);
            return Px(img, q.X, q.Y);
        };
        // Drawn up to and including each foot and beyond it...
        for (int v : {lo - 3, lo - 1, lo, hi, hi + 1, hi + 3})
            QVERIFY2(at(v) == clRed, qPrintable(QStringLiteral("frame missing at %1").arg(v)));
        // ...and open in between. The open frame's line runs one pixel into
        // the tab strip, where a slanted side still passes next to its foot.
        const int inset = full ? 1 : 2;
        for (int v : {lo + inset, (lo + hi) / 2, hi - inset})
            QVERIFY2(at(v) != clRed, qPrintable(QStringLiteral("frame across the gap at %1").arg(v)));

        // The side opposite the tabs is framed only with the full frame.
        TPoint opposite;
        switch (o) {
        case toTop: opposite = Point((k.Left + k.Right) / 2, k.Bottom); break;
        case toLeft: opposite = Point(k.Right, (k.Top + k.Bottom) / 2); break;
        case toBottom: opposite = Point((k.Left + k.Right) / 2, k.Top); break;
        case toRight: opposite = Point(k.Left, (k.Top + k.Bottom) / 2); break;
        }
        QCOMPARE(Px(img, opposite.X, opposite.Y) == clRed, full);

        // Without a selection the full frame closes along the tab side too.
        if (full) {
            pc.SetActivePage(nullptr);
            const QImage& closed = f.Paint();
            const TPoint mid = edge.At((lo + hi) / 2);
            QCOMPARE(Px(closed, mid.X, mid.Y), clRed);
        }
    }

    void verticalCaptionsReadUpOrDown()
    {
        for (TVmTabOrientation o : {toLeft, toRight}) {
            PageForm f({QStringLiteral("Hello"), QStringLiteral("Go")}, 200, 220);
            f.pc->SetTabStyle(tsCutCorner);
            f.pc->SetTabOrientation(o);
            f.pc->SetTextOrientation(orVertical);
            f.pc->SetActivePage(nullptr);
            const QImage& img = f.Paint();
            const TRect t = f.Tab(0);
            const Ink ink = InkOf(img, t, clBlack);
            QVERIFY(!ink.Empty());
            const TRect content = TabContentRect(t, tsCutCorner, o, orVertical, 6);
            QVERIFY(ink.bounds.Left >= content.Left && ink.bounds.Right <= content.Right);
            QVERIFY(ink.bounds.Top >= content.Top && ink.bounds.Bottom <= content.Bottom);

            // The same text turned the same way, in the caption font.
            QImage ref(60, 120, QImage::Format_RGB32);
            ref.fill(Qt::white);
            TCanvas canvas(&ref);
            TFont font = f.pc->DrawFont();
            font.SetOrientation(o == toRight ? 2700 : 900);
            canvas.SetFont(font);
            canvas.SetBkMode(TRANSPARENT);
            canvas.TextOut(30, o == toRight ? 5 : 110, QStringLiteral("Hello"));
            QVERIFY2(ink == InkOf(ref, Rect(0, 0, 60, 120), clBlack), Name(o));
        }
    }

    void imageAndCaptionShareTheContent()
    {
        TCustomImageList images(8, 8);
        TBitmap red(8, 8);
        red.Canvas().Brush().SetColor(clRed);
        red.Canvas().FillRect(Rect(0, 0, 8, 8));
        images.Add(red);
        const int margin = 2;
        for (TVmImagePosition pos : {ipLeft, ipTop, ipRight, ipBottom, ipBack}) {
            PageForm f({QStringLiteral("Tab"), QStringLiteral("Other")}, 300, 120);
            f.pc->SetTabStyle(tsCutCorner);
            f.pc->SetImages(&images);
            f.pc->SetImagePosition(pos);
            f.pages[0]->SetImageIndex(0);
            f.pc->SetActivePage(f.pages[1]);
            const QImage& img = f.Paint();
            const TRect t = f.Tab(0);
            const Ink image = InkOf(img, t, clRed);
            const Ink text = InkOf(img, t, clBlack);
            QVERIFY(!image.Empty() && !text.Empty());
            QCOMPARE(image.bounds.Width(), 8);
            const TRect i = image.bounds, c = text.bounds;
            switch (pos) {
            case ipLeft: QVERIFY(c.Left >= i.Right + margin); break;
            case ipRight: QVERIFY(c.Right + margin <= i.Left); break;
            case ipTop: QVERIFY(c.Top >= i.Bottom + margin); break;
            case ipBottom: QVERIFY(c.Bottom + margin <= i.Top); break;
            default:
                // Behind the caption, both centred in the same rectangle.
                QVERIFY(std::abs((i.Left + i.Right) - (c.Left + c.Right)) <= 3);
                break;
            }
        }
    }

    void boldCurrentTabAndBackRows()
    {
        // Only the selected tab's caption turns bold.
        PageForm f({QStringLiteral("Tab"), QStringLiteral("Tab")}, 300, 120);
        f.pc->SetTabStyle(tsCutCorner);
        f.pc->SetBoldCurrentTab(true);
        f.pc->SetHotTrack(false);
        const QImage& img = f.Paint();
        const Ink selected = InkOf(img, f.Tab(0), clBlack);
        const Ink other = InkOf(img, f.Tab(1), clBlack);
        QImage ref(60, 30, QImage::Format_RGB32);
        ref.fill(Qt::white);
        TCanvas canvas(&ref);
        TFont bold = f.pc->DrawFont();
        bold.SetStyle(TFontStyles(fsBold));
        canvas.SetFont(bold);
        canvas.SetBkMode(TRANSPARENT);
        canvas.TextOut(5, 5, QStringLiteral("Tab"));
        QVERIFY(selected == InkOf(ref, Rect(0, 0, 60, 30), clBlack));
        QVERIFY(!(selected == other));

        // Several rows: the back row's card goes under the front row's tabs.
        PageForm rows({QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma"), QStringLiteral("Delta"),
                       QStringLiteral("Epsilon")},
                      160, 200);
        rows.pc->SetTabStyle(tsCutCorner);
        rows.pc->SetMultiLine(true);
        const QImage& multi = rows.Paint();
        QVERIFY(rows.pc->RowCount() >= 2);
        const TRect back = rows.pc->CardRect(1);
        for (int i = 0; i < rows.pc->Tabs().Count(); ++i) {
            if (rows.pc->Tabs()[i]->Row != 0 || i == rows.pc->TabIndex())
                continue;
            const TRect t = rows.Tab(i);
            const int y = back.Top + 2;   // inside the back card's area
            QVERIFY(y > t.Top && y < t.Bottom);
            // The tab's own gradient shows there, not the card's fill.
            QCOMPARE(Px(multi, t.Left + 2, y), GradientRow(clWindow, clBtnFace, t.Height(), y - t.Top));
            QCOMPARE(Px(multi, t.Left, y), ColorToRGB(clBtnShadow));
        }
        // The back card is drawn, shadow and all, beyond the front row.
        QCOMPARE(Px(multi, back.Right - 1, back.Top), RGB(226, 226, 226));
    }

    void outlineCommandList()
    {
        TVmOutlineCommands list;
        list.FrameColor(5, 6);
        list.Move(5, 6);
        list.Line(6, 5);
        list.Pen();
        list.Nothing();
        // Operands that happen to equal the shadow codes are not commands.
        QVERIFY(!list.HasShadow());
        QCOMPARE(list.Items().size(), size_t(11));
        list.Shadow(1, 2, 15);
        QVERIFY(list.HasShadow());

        // A shape that does not match its style is refused by its message.
        try {
            AddTabOutline(list, tsCutCorner, toTop, {Point(0, 0), Point(1, 0), Point(1, 1), Point(0, 1)});
            QFAIL("no exception");
        } catch (const Exception& e) {
            QCOMPARE(e.Message(), QStringLiteral("Incorrect number of points in tab shape"));
        }

        // The base of a tab is never drawn, and the last point stays unset.
        QImage image(12, 12, QImage::Format_RGB32);
        image.fill(Qt::white);
        TCanvas canvas(&image);
        TVmOutlineCommands tab;
        AddTabOutline(tab, tsCutCorner, toTop, {Point(1, 10), Point(1, 1), Point(6, 1), Point(9, 4), Point(9, 10)});
        ExecuteOutline(canvas, tab, clRed, QImage());
        QCOMPARE(Px(image, 1, 10), clRed);
        QCOMPARE(Px(image, 9, 9), clRed);
        QCOMPARE(Px(image, 9, 10), clWhite);
        QCOMPARE(Px(image, 5, 10), clWhite);
    }

    void shadowLinesReadTheParentNotTheCanvas()
    {
        QImage image(10, 10, QImage::Format_RGB32);
        image.fill(Qt::white);
        QImage parent(10, 10, QImage::Format_RGB32);
        parent.fill(qRgb(100, 200, 40));
        TCanvas canvas(&image);
        TVmOutlineCommands list;
        AddCardShadow(list, Rect(0, 0, 8, 8));
        ExecuteOutline(canvas, list, clRed, parent);
        const TColor w30 = MixColors(clBlack, RGB(100, 200, 40), 30);
        const TColor w15 = MixColors(clBlack, RGB(100, 200, 40), 15);
        QCOMPARE(Px(image, 7, 4), w30);
        QCOMPARE(Px(image, 3, 7), w30);
        QCOMPARE(Px(image, 8, 4), w15);
        QCOMPARE(Px(image, 3, 8), w15);
        QCOMPARE(Px(image, 7, 0), w15);
        QCOMPARE(Px(image, 0, 7), w15);
        QCOMPARE(Px(image, 7, 7), w30);
        QCOMPARE(Px(image, 6, 6), clWhite);
        QCOMPARE(canvas.PenPos(), Point(0, 7));
    }
};

RAVIK_TEST(TestVmTabPaintFrames)
#include "tst_vmtabpaint_frames.moc"
