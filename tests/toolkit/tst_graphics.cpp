#include "Canvas.h"
#include "Exception.h"
#include "Graphics.h"
#include "TestMain.h"

#include <QFontMetrics>

class TestGraphics : public QObject {
    Q_OBJECT
private slots:
    void systemColoursComeFromOneTable()
    {
        QCOMPARE(clBtnFace, TColor(0xFF00000F));
        QCOMPARE(cl3DLight, TColor(0xFF000016));
        QCOMPARE(ColorToRGB(clBtnFace), RGB(240, 240, 240));
        QCOMPARE(ColorToRGB(clBtnShadow), RGB(160, 160, 160));
        QCOMPARE(ColorToRGB(clBtnHighlight), RGB(255, 255, 255));
        QCOMPARE(ColorToRGB(cl3DDkShadow), RGB(105, 105, 105));
        QCOMPARE(ColorToRGB(cl3DLight), RGB(227, 227, 227));
        QCOMPARE(ColorToRGB(clHighlight), RGB(0, 120, 215));
        QCOMPARE(ColorToRGB(clWindowFrame), RGB(100, 100, 100));
        QCOMPARE(ColorToRGB(clGrayText), RGB(109, 109, 109));
        QCOMPARE(ColorToRGB(clInfoBk), RGB(255, 255, 225));
        QCOMPARE(ColorToRGB(clActiveCaption), RGB(153, 180, 209));
        QCOMPARE(ColorToRGB(clMenuBar), RGB(240, 240, 240));
        // Explicit colours and clNone pass through unchanged.
        QCOMPARE(ColorToRGB(clMoneyGreen), RGB(192, 220, 192));
        QCOMPARE(ColorToRGB(clNone), clNone);
        // Every system colour resolves to an explicit colour; unknown indices are black.
        for (int i = 0; i <= 40; ++i)
            QVERIFY(ColorToRGB(SystemColor(i)) >= 0 && ColorToRGB(SystemColor(i)) <= 0xFFFFFF);
        QCOMPARE(ColorToRGB(SystemColor(99)), clBlack);
        // Conversions to Qt keep the byte order.
        QCOMPARE(ToQColor(clRed), QColor(255, 0, 0));
        QCOMPARE(ToQColor(clBtnFace), QColor(240, 240, 240));
        QCOMPARE(FromQColor(QColor(1, 2, 3)), RGB(1, 2, 3));
        QCOMPARE(RGB(1, 2, 3), TColor(0x030201));
        QCOMPARE(GetBValue(RGB(1, 2, 3)), 3);
    }

    void rectangleHelpers()
    {
        TRect r = Rect(1, 2, 5, 9);
        QCOMPARE(r.Width(), 4);
        QCOMPARE(r.Height(), 7);
        QCOMPARE(Bounds(1, 2, 4, 7), r);
        QVERIFY(PtInRect(r, {1, 2}));
        QVERIFY(!PtInRect(r, {5, 2}));   // right exclusive
        QVERIFY(!PtInRect(r, {1, 9}));   // bottom exclusive
        QCOMPARE(r.ToQRect(), QRect(1, 2, 4, 7));
        QCOMPARE(TRect::FromQRect(QRect(1, 2, 4, 7)), r);

        TRect out;
        QVERIFY(IntersectRect(out, r, Rect(3, 0, 10, 4)));
        QCOMPARE(out, Rect(3, 2, 5, 4));
        QVERIFY(!IntersectRect(out, r, Rect(5, 0, 10, 4)));   // touching is empty
        QCOMPARE(out, TRect{});
        QVERIFY(UnionRect(out, r, TRect{}));
        QCOMPARE(out, r);
        QVERIFY(UnionRect(out, r, Rect(0, 0, 2, 2)));
        QCOMPARE(out, Rect(0, 0, 5, 9));
        InflateRect(out, -1, 2);
        QCOMPARE(out, Rect(1, -2, 4, 11));
        OffsetRect(out, 2, 3);
        QCOMPARE(out, Rect(3, 1, 6, 14));
        QVERIFY(IsRectEmpty(Rect(3, 3, 3, 10)));
        QCOMPARE(Rect(5, 9, 1, 2).Normalized(), r);
    }

    void fontsDescribeCharacterHeights()
    {
        TFont f;
        int changes = 0;
        f.OnChange = [&](TFont* sender) {
            QCOMPARE(sender, &f);
            ++changes;
        };
        f.SetSize(9);
        QCOMPARE(f.Height(), -12);
        QCOMPARE(f.Size(), 9);
        f.SetSize(8);
        QCOMPARE(f.Height(), -11);
        QCOMPARE(changes, 2);
        f.SetHeight(-11);   // same value: no change
        f.SetStyle(fsBold | fsUnderline);
        QVERIFY(f.Style().Contains(fsUnderline) && !f.Style().Contains(fsItalic));
        QCOMPARE(changes, 3);

        TFont other;
        other.SetName(QStringLiteral("DejaVu Serif"));
        other.SetColor(clRed);
        other.SetOrientation(900);
        f.Assign(other);
        QCOMPARE(changes, 4);   // one notification for the whole copy
        QVERIFY(f.SameAs(other));
        QVERIFY(!other.OnChange);   // the handler is not copied either way
        TFont copy(f);
        QVERIFY(!copy.OnChange);
        QVERIFY(copy.SameAs(f));

        // A negative height is the character height in pixels.
        TFont g;
        g.SetName(QStringLiteral("DejaVu Sans"));
        g.SetHeight(-16);
        g.SetStyle(fsBold | fsItalic);
        const QFont q = g.ToQFont();
        QCOMPARE(q.pixelSize(), 16);
        QVERIFY(q.bold() && q.italic());
        QCOMPARE(q.family(), QStringLiteral("DejaVu Sans"));
        QVERIFY(q.styleStrategy() & QFont::NoAntialias);
        // A positive height is the whole cell.
        g.SetHeight(20);
        QVERIFY(QFontMetrics(g.ToQFont()).height() <= 20);
        QVERIFY(QFontMetrics(g.ToQFont()).height() >= 16);
        QVERIFY(FontIsTrueType(g));
    }

    void brushes()
    {
        TBrush b;
        b.SetStyle(bsClear);
        b.SetColor(clRed);
        QCOMPARE(b.Style(), bsSolid);
        b.SetStock(BLACK_BRUSH);
        QCOMPARE(b.Color(), clBlack);
        QCOMPARE(b.Style(), bsSolid);
        b.SetStock(NULL_BRUSH);
        QCOMPARE(b.Style(), bsClear);
        TPen p;
        p.SetWidth(0);
        QCOMPARE(p.Width(), 1);
    }

    void bitmaps()
    {
        TBitmap b;
        QVERIFY(b.Empty());
        int changes = 0;
        b.OnChange = [&](TBitmap*) { ++changes; };
        b.SetSize(4, 3);
        QVERIFY(!b.Empty());
        QCOMPARE(b.Image().format(), QImage::Format_RGB32);
        b.Canvas().SetPixels(1, 1, clRed);
        b.SetSize(6, 2);   // keeps what overlaps, new pixels white
        QCOMPARE(b.Canvas().Pixels(1, 1), clRed);
        QCOMPARE(b.Canvas().Pixels(5, 0), clWhite);
        QCOMPARE(changes, 2);

        TBitmap copy;
        copy.Assign(b);
        QCOMPARE(copy.Width(), 6);
        copy.Canvas().SetPixels(1, 1, clBlue);
        QCOMPARE(b.Canvas().Pixels(1, 1), clRed);   // not shared

        QCOMPARE([&] {
            try {
                b.LoadFromResource(QStringLiteral("NO_SUCH_BITMAP"));
            } catch (const Exception& e) {
                return e.Message();
            }
            return QString();
        }(),
                 QStringLiteral("Resource NO_SUCH_BITMAP not found"));
        QCOMPARE(b.Width(), 6);   // unchanged by the failure
        b.Clear();
        QVERIFY(b.Empty());
    }

    void imageListsSplitMaskAndGrey()
    {
        TCustomImageList list(4, 4);
        TBitmap strip(8, 4);
        strip.Canvas().Brush().SetColor(clFuchsia);
        strip.Canvas().FillRect({0, 0, 8, 4});
        strip.Canvas().Brush().SetColor(clBlack);
        strip.Canvas().FillRect({1, 1, 3, 3});   // image 0: a dark square
        strip.Canvas().Brush().SetColor(clYellow);
        strip.Canvas().FillRect({4, 0, 8, 4});   // image 1: all yellow
        QCOMPARE(list.AddMasked(strip, clFuchsia), 0);
        QCOMPARE(list.Count(), 2);

        TBitmap target(6, 6);
        target.Canvas().Brush().SetColor(clBtnFace);
        target.Canvas().FillRect({0, 0, 6, 6});
        list.Draw(target.Canvas(), 1, 1, 0);
        QCOMPARE(target.Canvas().Pixels(1, 1), ColorToRGB(clBtnFace));   // left out
        QCOMPARE(target.Canvas().Pixels(2, 2), clBlack);
        list.Draw(target.Canvas(), 0, 0, 5);   // out of range: nothing
        QCOMPARE(target.Canvas().Pixels(0, 0), ColorToRGB(clBtnFace));

        // Disabled: the dark square embossed, highlight one pixel down-right.
        TBitmap grey(6, 6);
        grey.Canvas().Brush().SetColor(clBtnFace);
        grey.Canvas().FillRect({0, 0, 6, 6});
        list.Draw(grey.Canvas(), 0, 0, 0, false);
        QCOMPARE(grey.Canvas().Pixels(1, 1), ColorToRGB(clBtnShadow));
        QCOMPARE(grey.Canvas().Pixels(2, 2), ColorToRGB(clBtnShadow));
        QCOMPARE(grey.Canvas().Pixels(3, 3), ColorToRGB(clBtnHighlight));
        QCOMPARE(grey.Canvas().Pixels(0, 0), ColorToRGB(clBtnFace));
        // A light image has nothing dark to show.
        TBitmap light(6, 6);
        light.Canvas().Brush().SetColor(clBtnFace);
        light.Canvas().FillRect({0, 0, 6, 6});
        list.Draw(light.Canvas(), 0, 0, 1, false);
        QCOMPARE(light.Canvas().Pixels(2, 2), ColorToRGB(clBtnFace));

        // A mask bitmap: white mask pixels are left out.
        TBitmap mask(4, 4);
        mask.Canvas().Brush().SetColor(clBlack);
        mask.Canvas().FillRect({0, 0, 4, 4});
        mask.Canvas().SetPixels(0, 0, clWhite);
        TBitmap red(4, 4);
        red.Canvas().Brush().SetColor(clRed);
        red.Canvas().FillRect({0, 0, 4, 4});
        QCOMPARE(list.Add(red, &mask), 2);
        QCOMPARE(qAlpha(list.GetImage(2).pixel(0, 0)), 0);
        QCOMPARE(qAlpha(list.GetImage(2).pixel(1, 0)), 255);
    }

    void imageListChangeLinks()
    {
        auto list = std::make_unique<TCustomImageList>(2, 2);
        TChangeLink a;
        int changedA = 0;
        int destroyedA = 0;
        a.OnChange = [&](TCustomImageList* sender) {
            QCOMPARE(sender, list.get());
            ++changedA;
        };
        a.OnDestroy = [&](TCustomImageList*) { ++destroyedA; };
        list->RegisterChanges(&a);
        QCOMPARE(a.Sender(), list.get());
        {
            TChangeLink b;
            int changedB = 0;
            b.OnChange = [&](TCustomImageList*) { ++changedB; };
            list->RegisterChanges(&b);
            list->Add(TBitmap(2, 2));
            QCOMPARE(changedB, 1);
        }   // b unregisters itself on destruction
        list->Add(TBitmap(2, 2));
        QCOMPARE(changedA, 2);
        list->SetSize(3, 3);   // clears the list and tells the links
        QCOMPARE(list->Count(), 0);
        QCOMPARE(changedA, 3);
        list.reset();
        QCOMPARE(destroyedA, 1);
        QCOMPARE(a.Sender(), nullptr);   // a outlives the list safely
    }
};

RAVIK_TEST(TestGraphics)
#include "tst_graphics.moc"
