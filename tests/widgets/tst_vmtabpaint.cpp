// Tab painting at the pixel: the program's two page controls, cards and
// their shadows, bars, captions and the paint hooks.
#include "Exception.h"
#include "TestMain.h"
#include "VmCommon.h"
#include "VmTabPaint.h"
#include "VmTabRegionCache.h"
#include "tst_vmtabpaint_support.h"

using namespace tabpaint_test;

namespace {

const TColor kFace = RGB(240, 240, 240);   // clBtnFace in the fixed colour table

} // namespace

class TestVmTabPaint : public QObject {
    Q_OBJECT
private slots:
    void mainControlTabsAndCard()
    {
        auto f = PageForm::Main();
        const QImage& img = f->Paint();
        const int W = 1029, H = 591;
        const TRect t0 = f->Tab(0), t1 = f->Tab(1);
        QCOMPARE(t0.Top, 0);
        QCOMPARE(t0.Bottom, 25);
        QCOMPARE(t1.Left, t0.Right + 2);
        const TColor green = clMoneyGreen;

        // The unselected tab's cut-corner outline: up the left side, along
        // the top to 10 before the end, down the cut, down the right side.
        const int L = t1.Left, R = t1.Right;
        for (int y = 0; y <= 24; ++y)
            QCOMPARE(Px(img, L, y), green);
        for (int x = L; x <= R - 10; ++x)
            QCOMPARE(Px(img, x, 0), green);
        for (int k = 0; k < 10; ++k)
            QCOMPARE(Px(img, R - 10 + k, k), green);
        for (int y = 10; y <= 24; ++y)
            QCOMPARE(Px(img, R, y), green);
        // Outside the cut the background shows; tabs keep a one-pixel gap.
        QCOMPARE(Px(img, R - 9, 0), kFace);
        QCOMPARE(Px(img, R, 9), kFace);
        QCOMPARE(Px(img, t0.Right + 1, 12), kFace);

        // The card frame stops at the selected tab's feet; its base is open.
        QCOMPARE(Px(img, 0, 25), green);
        for (int x = 1; x < t0.Right; ++x)
            QCOMPARE(Px(img, x, 25), kFace);
        for (int x = t0.Right; x <= W - 3; ++x)
            QCOMPARE(Px(img, x, 25), green);
        // The frame stands 2 pixels inside the card on the right and bottom.
        for (int y = 25; y <= H - 3; ++y) {
            QCOMPARE(Px(img, W - 3, y), green);
            QCOMPARE(Px(img, 0, y), green);
        }
        for (int x = 0; x <= W - 3; ++x)
            QCOMPARE(Px(img, x, H - 3), green);
        // Inside, the active page's colour; the selected tab's fill too.
        QCOMPARE(Px(img, 1, 26), kFace);
        QCOMPARE(Px(img, W - 4, H - 4), kFace);
        QCOMPARE(Px(img, 3, 10), kFace);
    }

    void cardShadowDarkensTheParentOnce_data()
    {
        QTest::addColumn<TColor>("parent");
        QTest::addColumn<TColor>("weight30");
        QTest::addColumn<TColor>("weight15");
        QTest::newRow("button face") << clBtnFace << RGB(212, 212, 212) << RGB(226, 226, 226);
        QTest::newRow("brown parent") << RGB(200, 100, 50) << RGB(176, 88, 44) << RGB(188, 94, 47);
    }

    void cardShadowDarkensTheParentOnce()
    {
        QFETCH(TColor, parent);
        QFETCH(TColor, weight30);
        QFETCH(TColor, weight15);
        auto f = PageForm::Main(parent);
        const QImage& img = f->Paint();
        const int W = 1029, H = 591;
        // Inner line (weight 30) just outside the frame, outer line (15)
        // along the card's own right and bottom edges.
        for (int y = 26; y <= H - 2; y += 37)
            QCOMPARE(Px(img, W - 2, y), weight30);
        for (int x = 1; x <= W - 2; x += 41)
            QCOMPARE(Px(img, x, H - 2), weight30);
        for (int y = 25; y <= H - 1; y += 37)
            QCOMPARE(Px(img, W - 1, y), weight15);
        for (int x = 0; x <= W - 1; x += 41)
            QCOMPARE(Px(img, x, H - 1), weight15);
        // Pixels two lines cover take the later weight, not both.
        QCOMPARE(Px(img, W - 2, 25), weight15);
        QCOMPARE(Px(img, 0, H - 2), weight15);
        QCOMPARE(Px(img, W - 2, H - 2), weight30);
        QCOMPARE(Px(img, W - 1, H - 1), weight15);
        // Beside the tabs the parent's colour shows, unshaded.
        QCOMPARE(Px(img, W - 1, 10), ColorToRGB(parent));
        QCOMPARE(Px(img, W - 40, 10), ColorToRGB(parent));
    }

    void barsAndGradient()
    {
        auto f = PageForm::Main();
        f->form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f->form));
        const TRect t0 = f->Tab(0), t1 = f->Tab(1);
        const QImage& img = f->Paint();

        // The highlight bar: three rows inside the selected tab's top edge.
        for (int y = 1; y <= 3; ++y)
            QCOMPARE(Px(img, t0.Left + 5, y), ColorToRGB(clHighlight));
        QCOMPARE(Px(img, t0.Left + 5, 0), clMoneyGreen);
        QCOMPARE(Px(img, t0.Left + 5, 4), kFace);

        // The unselected tab: clWindow at the outer edge fading to
        // clBtnFace next to the card, every row its own colour.
        for (int y = 1; y <= 24; ++y)
            QCOMPARE(Px(img, t1.Left + 2, y), GradientRow(clWindow, clBtnFace, 25, y));
        QCOMPARE(Px(img, t1.Left + 2, 24), kFace);

        // Under the mouse the unselected tab gets the hot bar in the
        // complement of money green (hue 80 turned to 200).
        QCOMPARE(int(HueOfColor(clMoneyGreen)), 80);
        QTest::mouseMove(f->pc, QPoint(t1.Left + 8, 12));
        QCOMPARE(f->pc->HotTabIndex(), 1);
        f->pc->PaintToImage();
        const QImage& hot = f->pc->Image();
        for (int y = 1; y <= 3; ++y)
            QCOMPARE(Px(hot, t1.Left + 5, y), ColorFromHsl(200, 240, 140));
        QCOMPARE(Px(hot, t1.Left + 5, 4), GradientRow(clWindow, clBtnFace, 25, 4));

        // Over the selected tab the hot colour wins over the highlight bar.
        QTest::mouseMove(f->pc, QPoint(t0.Left + 8, 12));
        QCOMPARE(f->pc->HotTabIndex(), 0);
        f->pc->PaintToImage();
        QCOMPARE(Px(f->pc->Image(), t0.Left + 5, 2), ColorFromHsl(200, 240, 140));
        QCOMPARE(Px(f->pc->Image(), t1.Left + 5, 2), GradientRow(clWindow, clBtnFace, 25, 2));

        // htctActual takes the colour itself.
        f->pc->SetHotTrackColorType(htctActual);
        f->pc->PaintToImage();
        QCOMPARE(Px(f->pc->Image(), t0.Left + 5, 2), clMoneyGreen);
    }

    void hotTrackRepaintLeavesOutTheShadow()
    {
        auto f = PageForm::Main(RGB(200, 100, 50));
        f->form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f->form));
        f->Paint();
        const QImage full = f->pc->Image();
        QCOMPARE(Px(full, 1027, 300), RGB(176, 88, 44));

        QTest::mouseMove(f->pc, QPoint(f->Tab(1).Left + 8, 12));
        QVERIFY(f->pc->HotOnlyRepaint());
        // A pass that draws everything now leaves the shadow out...
        const QImage hotPass = f->PaintInto();
        QCOMPARE(Px(hotPass, 1027, 300), kFace);
        QCOMPARE(Px(hotPass, 1028, 300), kFace);
        // ...while the repaint of the strip keeps the shadow drawn before.
        f->pc->PaintToImage();
        const QImage& strip = f->pc->Image();
        QCOMPARE(Px(strip, 1027, 300), RGB(176, 88, 44));
        QCOMPARE(Px(strip, f->Tab(1).Left + 5, 2), ColorFromHsl(200, 240, 140));
        // Any other repaint brings the shadow back.
        f->pc->InvalidateTabs();
        QVERIFY(!f->pc->HotOnlyRepaint());
        QCOMPARE(Px(f->PaintInto(), 1027, 300), RGB(176, 88, 44));
    }

    void contentRectanglesOfBothControls()
    {
        const TRect tab = Rect(40, 0, 140, 25);
        QCOMPARE(TabContentRect(tab, tsCutCorner, toTop, orHorizontal, 10), Rect(54, 5, 126, 23));
        const TRect slant = Rect(40, 0, 140, 20);
        QCOMPARE(TabContentRect(slant, tsSingleSlant, toTop, orHorizontal, 6), Rect(45, 4, 119, 18));

        // The captions' ink lies inside those rectangles on screen.
        auto main = PageForm::Main();
        const QImage& img = main->Paint();
        for (int i = 0; i < 2; ++i) {
            const TRect t = main->Tab(i);
            const Ink ink = InkOf(img, t, clBlack);
            QVERIFY(!ink.Empty());
            QVERIFY(ink.bounds.Left >= t.Left + 14 && ink.bounds.Right <= t.Right - 14);
            QVERIFY(ink.bounds.Top >= t.Top + 5 && ink.bounds.Bottom <= t.Bottom - 2);
        }
        auto find = PageForm::Find();
        const QImage& fimg = find->Paint();
        const TRect t = find->Tab(0);
        const Ink ink = InkOf(fimg, t, clBlack);
        QVERIFY(!ink.Empty());
        QVERIFY(ink.bounds.Left >= t.Left + 5 && ink.bounds.Right <= t.Right - 21);
        QVERIFY(ink.bounds.Top >= t.Top + 4 && ink.bounds.Bottom <= t.Bottom - 2);
    }

    void findControlSlantedTab()
    {
        auto f = PageForm::Find();
        const QImage& img = f->Paint();
        const TRect t = f->Tab(0);
        QCOMPARE(t.Bottom - t.Top, 20);
        const TColor frame = ColorToRGB(clBtnShadow);
        // Up the left side, the 2-pixel corner, along the top, the slant
        // over the full height.
        for (int y = 2; y <= 19; ++y)
            QCOMPARE(Px(img, t.Left, y), frame);
        QCOMPARE(Px(img, t.Left + 1, 1), frame);
        for (int x = t.Left + 2; x <= t.Right - 20; ++x)
            QCOMPARE(Px(img, x, 0), frame);
        for (int k = 0; k < 20; ++k)
            QCOMPARE(Px(img, t.Right - 20 + k, k), frame);
        // The corner pixel itself stays background; so does the area
        // beyond the slant.
        QCOMPARE(Px(img, t.Left, 0), kFace);
        QCOMPARE(Px(img, t.Right - 5, 10), kFace);
        // Open base into the page, frame from the right foot on.
        QCOMPARE(Px(img, t.Left + 10, 20), kFace);
        QCOMPARE(Px(img, t.Right, 20), frame);
        QCOMPARE(Px(img, t.Right + 30, 20), frame);
    }

    void noSelectionClosesTheCard()
    {
        auto f = PageForm::Main();
        f->pc->SetActivePage(nullptr);
        QCOMPARE(f->pc->TabIndex(), -1);
        const QImage& img = f->Paint();
        const TRect t0 = f->Tab(0);
        for (int x = 0; x <= 1026; x += 3)
            QCOMPARE(Px(img, x, 25), clMoneyGreen);
        // No highlight bar, and no tab with the selected fill.
        QCOMPARE(Px(img, t0.Left + 5, 2), GradientRow(clWindow, clBtnFace, 25, 2));
        QCOMPARE(Px(img, t0.Left + 5, 12), GradientRow(clWindow, clBtnFace, 25, 12));

        // A selected tab scrolled out of view closes the card as well.
        PageForm narrow({QStringLiteral("First tab"), QStringLiteral("Second tab"), QStringLiteral("Third tab")}, 160,
                        100);
        narrow.Paint();
        QVERIFY(narrow.pc->ScrollNeeded());
        narrow.pc->ScrollTabs(true);
        QCOMPARE(narrow.pc->FirstVisibleTab(), 1);
        QVERIFY(!narrow.pc->IsTabShown(0));
        const QImage& scrolled = narrow.Paint();
        const TRect card = narrow.pc->CardRect(0);
        QVERIFY(narrow.Tab(0).Right > 1);   // its foot would still be on screen
        for (int x = 0; x <= card.Right - 2; ++x)
            QCOMPARE(Px(scrolled, x, card.Top), ColorToRGB(clBtnShadow));
    }

    void cutCornerOfZeroIsARectangle()
    {
        auto f = PageForm::Main();
        f->pc->SetCutCornerSize(0);
        const QImage& img = f->Paint();
        const TRect t1 = f->Tab(1);
        for (int x = t1.Left; x <= t1.Right; ++x)
            QCOMPARE(Px(img, x, 0), clMoneyGreen);
        for (int y = 0; y <= 24; ++y)
            QCOMPARE(Px(img, t1.Right, y), clMoneyGreen);
        // A negative size is ignored.
        f->pc->SetCutCornerSize(-3);
        QCOMPARE(f->pc->CutCornerSize(), 0);
    }

    void captionsWithAccelerators()
    {
        // Automatic height, so that two lines fit; tabs that do not overlap,
        // so that no neighbour covers part of a caption.
        PageForm f({QStringLiteral("A&BD"), QStringLiteral("ABD"), QStringLiteral("A&&B"), QStringLiteral("X\r\nY"),
                    QStringLiteral("X\r\n\r\nY")},
                   600, 120);
        f.pc->SetTabStyle(tsCutCorner);
        f.pc->SetActivePage(nullptr);
        const QImage& img = f.Paint();
        const auto caption = [&](int i) { return InkOf(img, f.Tab(i), clBlack); };
        const Ink amp = caption(0);
        const Ink plain = caption(1);
        const Ink doubled = caption(2);

        // Reference drawings in the caption font.
        const auto draw = [](const std::function<void(TCanvas&)>& paint) {
            QImage ref(200, 60, QImage::Format_RGB32);
            ref.fill(Qt::white);
            TCanvas canvas(&ref);
            canvas.SetFont(CaptionFont());
            canvas.SetBkMode(TRANSPARENT);
            paint(canvas);
            return InkOf(ref, Rect(0, 0, 200, 60), clBlack);
        };
        // "A&BD": ABD with the B underlined, no "&".
        const Ink underlined = draw([](TCanvas& c) {
            c.TextOut(10, 10, QStringLiteral("A"));
            const int a = c.TextExtent(QStringLiteral("A")).cx;
            TFont u = CaptionFont();
            u.SetStyle(TFontStyles(fsUnderline));
            c.SetFont(u);
            c.TextOut(10 + a, 10, QStringLiteral("B"));
            const int b = c.TextExtent(QStringLiteral("B")).cx;
            c.SetFont(CaptionFont());
            c.TextOut(10 + a + b, 10, QStringLiteral("D"));
        });
        QVERIFY(amp == underlined);
        QVERIFY(plain == draw([](TCanvas& c) { c.TextOut(10, 10, QStringLiteral("ABD")); }));
        QVERIFY(!(amp == plain));
        // "A&&B": A&B, nothing underlined.
        QVERIFY(doubled == draw([](TCanvas& c) {
            c.TextOut(10, 10, QStringLiteral("A&"));
            c.TextOut(10 + c.TextExtent(QStringLiteral("A&")).cx, 10, QStringLiteral("B"));
        }));

        // Two lines, each centred on its own; a blank line takes no room.
        const Ink lines = caption(3);
        const Ink blank = caption(4);
        QVERIFY(lines == blank);
        const int lineHeight = f.pc->CaptionExtent(QStringLiteral("X"), true, false).cy;
        QVERIFY(lines == draw([&](TCanvas& c) {
            const int wx = c.TextExtent(QStringLiteral("X")).cx, wy = c.TextExtent(QStringLiteral("Y")).cx;
            const int w = std::max(wx, wy);
            c.TextOut(10 + (w - wx) / 2, 10, QStringLiteral("X"));
            c.TextOut(10 + (w - wy) / 2, 10 + lineHeight, QStringLiteral("Y"));
        }));
    }

    void disabledTabIsEmbossed()
    {
        PageForm f({QStringLiteral("Enabled"), QStringLiteral("Disabled")}, 300, 100);
        f.pc->SetTabStyle(tsCutCorner);   // no neighbour's outline across the caption
        f.pages[1]->SetTabEnabled(false);
        QStringList asked;
        f.pc->OnGetTextColor = [&](TObject*, int index, TVmTextStyle style, TColor&, bool&) {
            asked << QStringLiteral("%1:%2").arg(index).arg(int(style));
        };
        const QImage& img = f.Paint();
        // Unselected tabs first, the selected one last.
        QCOMPARE(asked, (QStringList{QStringLiteral("1:%1").arg(int(tsDisabledHighlight)),
                                     QStringLiteral("1:%1").arg(int(tsDisabledShadow)),
                                     QStringLiteral("0:%1").arg(int(tsSelected))}));
        // The shadow-coloured caption has its highlight copy one pixel
        // right and down, wherever the shadow does not cover it.
        const TRect t = f.Tab(1);
        const TRect content = TabContentRect(t, tsCutCorner, toTop, orHorizontal, 6);
        const Ink shadow = InkOf(img, content, clBtnShadow);
        const Ink light = InkOf(img, content, clBtnHighlight);
        QVERIFY(!shadow.Empty());
        QVERIFY(!light.Empty());
        QCOMPARE(light.bounds.Right, shadow.bounds.Right + 1);
        QCOMPARE(light.bounds.Bottom, shadow.bounds.Bottom + 1);
        int copied = 0;
        for (int y = shadow.bounds.Top; y < shadow.bounds.Bottom; ++y)
            for (int x = shadow.bounds.Left; x < shadow.bounds.Right; ++x)
                if (Px(img, x, y) == ColorToRGB(clBtnShadow)) {
                    const TColor below = Px(img, x + 1, y + 1);
                    QVERIFY(below == ColorToRGB(clBtnShadow) || below == ColorToRGB(clBtnHighlight));
                    copied += below == ColorToRGB(clBtnHighlight);
                }
        QVERIFY(copied > 0);
        // No bar on a disabled tab, even under the mouse; the enabled one
        // shows the pointer is tracked.
        const TColor unhovered = GradientRow(clWindow, clBtnFace, t.Height(), 2);
        QCOMPARE(Px(img, t.Left + 5, 2), unhovered);
        const TRect t0 = f.Tab(0);
        const TColor selectedBar = Px(img, t0.Left + 5, 2);
        f.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.form));
        QTest::mouseMove(f.pc, QPoint(t0.Left + 8, 12));
        QVERIFY(Px(f.Paint(), t0.Left + 5, 2) != selectedBar);
        QTest::mouseMove(f.pc, QPoint(t.Left + 8, 12));
        QCOMPARE(Px(f.Paint(), t.Left + 5, 2), unhovered);
    }

    void handlersThatSetHandled()
    {
        auto f = PageForm::Main();
        TVmPageControl& pc = *f->pc;
        pc.OnPaintBackground = [](TObject*, TCanvas& c, const TRect& r, bool& handled) {
            c.Brush().SetColor(clYellow);
            c.FillRect(r);
            handled = true;
        };
        pc.OnPaintTabBackground = [](TObject*, TCanvas& c, int index, const TRect& r, bool& handled) {
            if (index == 1) {
                c.Brush().SetColor(clRed);
                c.FillRect(r);
                handled = true;
            }
        };
        std::vector<TRect> cards;
        pc.OnPaintCardBackground = [&](TObject*, TCanvas& c, int row, const TRect& r, bool& handled) {
            cards.push_back(r);
            if (row == 0) {
                c.Brush().SetColor(clAqua);
                c.FillRect(r);
                handled = true;
            }
        };
        pc.OnGetTextColor = [](TObject*, int index, TVmTextStyle, TColor& color, bool& handled) {
            if (index == 1) {
                color = clBlue;
                handled = true;
            }
        };
        const QImage& img = f->Paint();
        QCOMPARE(Px(img, 1020, 10), clYellow);
        const TRect t1 = f->Tab(1);
        QCOMPARE(Px(img, t1.Left + 3, 12), clRed);
        QCOMPARE(Px(img, t1.Left, 12), clMoneyGreen);      // outline still drawn
        QVERIFY(!InkOf(img, t1, clBlue).Empty());           // caption still drawn, in the handler's colour
        QCOMPARE(cards, (std::vector<TRect>{Rect(0, 25, 1029, 591)}));
        QCOMPARE(Px(img, 500, 300), clAqua);                // not the page's colour
        QCOMPARE(Px(img, 1026, 300), clMoneyGreen);         // frame on top
    }

    void focusRectangleAroundTheCaption()
    {
        auto f = PageForm::Main();
        f->form.show();
        QVERIFY(QTest::qWaitForWindowActive(&f->form));
        f->pc->SetFocus();
        QVERIFY(f->pc->Focused());
        const QImage focused = f->Paint().copy();
        f->pc->clearFocus();
        QVERIFY(!f->pc->Focused());
        const QImage& unfocused = f->Paint();
        const TRect t = f->Tab(0);
        const TRect content = TabContentRect(t, tsCutCorner, toTop, orHorizontal, 10);
        const TSize text = f->pc->CaptionExtent(f->pages[0]->Caption(), true, false);
        const int shift = (content.Height() - text.cy) / 2;
        const TRect expected = Rect(content.Left - 1, content.Top + shift, content.Right + 1, content.Bottom - shift);
        int changed = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < t.Right + 5; ++x)
                if (focused.pixel(x, y) != unfocused.pixel(x, y)) {
                    ++changed;
                    const bool onEdge = (x == expected.Left || x == expected.Right - 1 || y == expected.Top ||
                                         y == expected.Bottom - 1) &&
                                        x >= expected.Left && x < expected.Right && y >= expected.Top &&
                                        y < expected.Bottom;
                    QVERIFY2(onEdge, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
                }
        QVERIFY(changed > 10);
    }

    void imagesByIndexAndState()
    {
        TCustomImageList images(8, 8);
        TBitmap red(8, 8), blue(8, 8);
        red.Canvas().Brush().SetColor(clRed);
        red.Canvas().FillRect(Rect(0, 0, 8, 8));
        blue.Canvas().Brush().SetColor(clBlue);
        blue.Canvas().FillRect(Rect(0, 0, 8, 8));
        images.Add(red);
        images.Add(blue);

        PageForm f({QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")}, 400, 100);
        f.pc->SetImages(&images);
        f.pages[0]->SetImageIndex(0);
        f.pages[1]->SetImageIndex(0);
        f.pages[1]->SetDisabledIndex(1);
        f.pages[1]->SetTabEnabled(false);
        f.pages[2]->SetImageIndex(0);
        f.pages[2]->SetTabEnabled(false);
        const QImage& img = f.Paint();

        // Left of the caption, centred down the content rectangle.
        const TRect t0 = f.Tab(0);
        const TRect c0 = TabContentRect(t0, tsSingleSlant, toTop, orHorizontal, 6);
        const Ink r0 = InkOf(img, t0, clRed);
        QCOMPARE(r0.bounds, Bounds(c0.Left, c0.Top + (c0.Height() - 8) / 2, 8, 8));
        // A disabled tab with a disabled image shows that one as it is; one
        // without shows its image greyed.
        QVERIFY(InkOf(img, f.Tab(1), clRed).Empty());
        QCOMPARE(InkOf(img, f.Tab(1), clBlue).bounds.Width(), 8);
        QVERIFY(InkOf(img, f.Tab(2), clRed).Empty());
        QVERIFY(InkOf(img, f.Tab(2), clBlue).Empty());
    }

    void regionCacheKeepsTheSelectedTab()
    {
        auto f = PageForm::Main();
        f->pc->SetActivePage(f->pages[1]);
        f->Paint();
        QCOMPARE(f->pc->RegionCache().Count(), 1);
        QCOMPARE(f->pc->RegionCache().Item(0).Rect, f->Tab(1));
    }

    void dragMarkerInvertsAndComesBack()
    {
        auto f = PageForm::Main();
        const QImage before = f->Paint().copy();
        const TRect marker = Rect(100, 2, 116, 11);
        f->pc->DrawTabDragMarker(marker);
        const QImage& once = f->pc->Image();
        // Grey parts of the marker invert the screen; its black triangles
        // and everything outside leave it.
        QCOMPARE(once.pixel(108, 3) & 0xFFFFFF, (before.pixel(108, 3) ^ ToQRgb(clBtnShadow)) & 0xFFFFFF);
        QCOMPARE(once.pixel(101, 8), before.pixel(101, 8));
        QCOMPARE(once.pixel(99, 5), before.pixel(99, 5));
        QCOMPARE(once.pixel(116, 5), before.pixel(116, 5));
        f->pc->DrawTabDragMarker(marker);
        QCOMPARE(f->pc->Image(), before);
    }
};

RAVIK_TEST(TestVmTabPaint)
#include "tst_vmtabpaint.moc"
