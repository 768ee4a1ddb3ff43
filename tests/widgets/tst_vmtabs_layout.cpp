// Layout arithmetic and geometry of the tab control.
#include "TestFont.h"
#include "TestMain.h"
#include "VmTabRegionCache.h"
#include "VmTabScroller.h"
#include "tst_vmtabs_support.h"

#include "Exception.h"

#include <QRandomGenerator>

class TestVmTabsLayout : public QObject {
    Q_OBJECT
private slots:
    void captionMeasurementDropsTheFirstAmpersand()
    {
        RecordingTabs tabs;
        const auto width = [&](const QString& caption) { return tabs.CaptionExtent(caption, true, false).cx; };
        QCOMPARE(width(QStringLiteral("A&BD")), tabs.Measure(QStringLiteral("ABD")).cx);
        QCOMPARE(width(QStringLiteral("A&&B")), tabs.Measure(QStringLiteral("A&B")).cx);
        QCOMPARE(width(QStringLiteral("AB&")), tabs.Measure(QStringLiteral("AB&")).cx);
        // Only the first ampersand is special.
        QCOMPARE(width(QStringLiteral("&a&b")), tabs.Measure(QStringLiteral("a&b")).cx);

        // Lines: CR LF separates them, a trailing one adds nothing, an empty
        // line takes no room, an empty caption measures 0 x 0.
        const TSize x = tabs.Measure(QStringLiteral("X"));
        const TSize wide = tabs.Measure(QStringLiteral("Wide"));
        QCOMPARE(tabs.CaptionExtent(QStringLiteral("X\r\nWide"), true, false), (TSize{wide.cx, x.cy + wide.cy}));
        QCOMPARE(tabs.CaptionExtent(QStringLiteral("X\r\n"), true, false), x);
        QCOMPARE(tabs.CaptionExtent(QStringLiteral("X\r\n\r\nX"), true, false), (TSize{x.cx, 2 * x.cy}));
        QCOMPARE(tabs.CaptionExtent(QString(), true, false), (TSize{0, 0}));
        // Vertical text turns each line: heights add up across, the longest
        // line runs along.
        QCOMPARE(tabs.CaptionExtent(QStringLiteral("X\r\nWide"), false, false), (TSize{x.cy + wide.cy, wide.cx}));
    }

    void tabWidthsFollowTheMeasuredCaption()
    {
        // Cut corners of 10, 25 high: the caption's width plus 30.
        RecordingTabs tabs;
        tabs.SetTabStyle(tsCutCorner);
        tabs.SetCutCornerSize(10);
        tabs.SetTabHeight(25);
        tabs.SetBounds(0, 0, 1029, 591);
        tabs.AddTabs({QStringLiteral("代码编辑"), QStringLiteral("实时预览")});
        tabs.UpdateLayout();
        const int tw0 = tabs.Measure(QStringLiteral("代码编辑")).cx;
        const int tw1 = tabs.Measure(QStringLiteral("实时预览")).cx;
        QCOMPARE(tabs.Tabs()[0]->RawRect, (TRect{0, 0, tw0 + 30, 25}));
        QCOMPARE(tabs.Tabs()[1]->RawRect, (TRect{tw0 + 32, 0, tw0 + 32 + tw1 + 30, 25}));
        QCOMPARE(tabs.FixedDimension(), 25);
        QCOMPARE(tabs.TabAreaRect(), (TRect{0, 0, 1026, 25}));
        // The main page control's page area.
        QCOMPARE(tabs.CardRect(0), (TRect{0, 25, 1028, 590}));
        QCOMPARE(tabs.DisplayRect(), (TRect{1, 26, 1026, 588}));
        // Its outline: up the left side, across to 10 before the end, down
        // the cut, down the right side.
        const std::vector<TPoint> outline = tabs.TabPolygon(0);
        QCOMPARE(outline, (std::vector<TPoint>{{0, 25}, {0, 0}, {tw0 + 20, 0}, {tw0 + 30, 10}, {tw0 + 30, 25}}));

        // Single slants, 20 high, a caption of tw x 13: tw + 36 wide; the
        // next tab starts 9 pixels before the first one's right edge.
        RecordingTabs slant;
        slant.SetFont(TestCellsFont(13));
        slant.SetTabHeight(20);
        slant.AddTabs({QStringLiteral("查找"), QStringLiteral("替换")});
        slant.UpdateLayout();
        QCOMPARE(slant.Measure(QStringLiteral("查找")), (TSize{26, 13}));
        QCOMPARE(slant.Tabs()[0]->RawRect, (TRect{0, 0, 26 + 36, 20}));
        QCOMPARE(slant.Tabs()[1]->RawRect.Left, 26 + 36 - 9);
    }

    void emptyListHasNoTabsAndAFullCard()
    {
        RecordingTabs tabs;
        EventLog log;
        log.Attach(tabs);
        tabs.UpdateLayout();
        QCOMPARE(tabs.CardRect(0), (TRect{0, 0, 299, 99}));
        for (int y = 0; y < tabs.Height(); y += 7)
            for (int x = 0; x < tabs.Width(); x += 7)
                QCOMPARE(tabs.TabAtPos(x, y), -1);
        for (int v : {-3, -1, 0, 1, 5}) {
            tabs.SetTabIndex(v);
            QCOMPARE(tabs.TabIndex(), -1);
        }
        QVERIFY(log.events.isEmpty());
    }

    void buttonSizeAndCloseButtonPlace()
    {
        // 20 high with the close button on a 385-pixel control: the button is
        // max("A" height + 4, 18) and sits at the strip's right end.
        RecordingTabs tabs;
        tabs.SetFont(TestCellsFont(13));
        tabs.SetBounds(0, 0, 385, 100);
        tabs.SetTabHeight(20);
        tabs.SetShowCloseButton(true);
        tabs.AddTabs({QStringLiteral("查找")});
        tabs.UpdateLayout();
        tabs.PlaceButtons();
        QCOMPARE(tabs.Measure(QStringLiteral("A")).cy, 13);
        QCOMPARE(tabs.ButtonSize(), 18);
        QVERIFY(tabs.CloseButton());
        QCOMPARE(tabs.CloseButton()->BoundsRect(), Bounds(363, 0, 18, 18));
    }

    void mappingForEveryOrientationAndSequence()
    {
        // One cut-corner tab on each side: the cut corner lands where the
        // row's outer edge and its far end meet, never mirrored.
        struct Case {
            TVmTabOrientation orientation;
            TVmTabSequence sequence;
        };
        for (auto orientation : {toTop, toLeft, toBottom, toRight})
            for (auto sequence : {tsStandard, tsReverse}) {
                RecordingTabs tabs;
                tabs.SetTabStyle(tsCutCorner);
                tabs.SetCutCornerSize(4);
                tabs.SetTabOrientation(orientation);
                tabs.SetTabSequence(sequence);
                tabs.SetShowShadow(false);
                tabs.SetBounds(0, 0, 200, 160);
                tabs.AddTabs({QStringLiteral("One")});
                tabs.UpdateLayout();
                const TRect r = tabs.TabClientRect(0);
                const TRect area = tabs.TabAreaRect();
                const std::vector<TPoint> p = tabs.TabPolygon(0);
                // D2 and D3 are the two ends of the cut.
                const TPoint cut{(p[2].X + p[3].X) / 2, (p[2].Y + p[3].Y) / 2};
                const bool right = cut.X > (r.Left + r.Right) / 2;
                const bool bottom = cut.Y > (r.Top + r.Bottom) / 2;
                switch (orientation) {
                case toTop: QVERIFY(right && !bottom); break;
                case toBottom: QVERIFY(right && bottom); break;
                case toLeft: QVERIFY(!right && !bottom); break;
                case toRight: QVERIFY(right && bottom); break;
                }
                // The first tab starts at the strip's start: left for across
                // tabs in the standard sequence, bottom for toLeft, top for
                // toRight; the reverse sequence starts at the other end.
                const bool standard = sequence == tsStandard;
                switch (orientation) {
                case toTop:
                case toBottom:
                    QCOMPARE(standard ? r.Left : r.Right, standard ? area.Left : area.Right);
                    break;
                case toLeft: QCOMPARE(standard ? r.Bottom : r.Top, standard ? area.Bottom : area.Top); break;
                case toRight: QCOMPARE(standard ? r.Top : r.Bottom, standard ? area.Top : area.Bottom); break;
                }
                // The card lies beside the strip on the page side.
                const TRect card = tabs.CardRect(0);
                switch (orientation) {
                case toTop: QCOMPARE(card.Top, area.Bottom); break;
                case toBottom: QCOMPARE(card.Bottom, area.Top); break;
                case toLeft: QCOMPARE(card.Left, area.Right); break;
                case toRight: QCOMPARE(card.Right, area.Left); break;
                }
            }
    }

    void singleRowScrollsByOneVisibleTab()
    {
        RecordingTabs tabs;
        tabs.SetBounds(0, 0, 260, 100);
        tabs.SetTabStyle(tsCutCorner);
        QStringList captions;
        for (int i = 0; i < 8; ++i)
            captions << QStringLiteral("Tab %1").arg(i);
        tabs.AddTabs(captions);
        tabs.Tabs()[1]->Visible = false;
        tabs.UpdateLayout();
        QVERIFY(tabs.ScrollNeeded());
        QCOMPARE(tabs.FirstVisibleTab(), 0);
        QVERIFY(tabs.IsTabShown(0));
        QVERIFY(!tabs.IsTabShown(7));
        tabs.PlaceButtons();
        QVERIFY(tabs.Scroller() && tabs.Scroller()->isVisibleTo(&tabs));
        QCOMPARE(tabs.Scroller()->Width(), 2 * tabs.ButtonSize() - 1);

        // Forward skips the hidden tab 1 and stops one tab further on.
        tabs.ScrollTabs(true);
        QCOMPARE(tabs.FirstVisibleTab(), 2);
        QCOMPARE(tabs.TabClientRect(2).Left, 0);
        QVERIFY(!tabs.IsTabShown(0));
        tabs.ScrollTabs(false);
        QCOMPARE(tabs.FirstVisibleTab(), 0);
        tabs.ScrollTabs(false);
        QCOMPARE(tabs.FirstVisibleTab(), 0);

        // Scrolling ends once the last tab is shown.
        for (int i = 0; i < 10; ++i)
            tabs.ScrollTabs(true);
        QVERIFY(tabs.IsTabShown(7));
        const int last = tabs.FirstVisibleTab();
        tabs.ScrollTabs(true);
        QCOMPARE(tabs.FirstVisibleTab(), last);

        // Selecting a tab out of view brings it in, from either side.
        tabs.SetTabIndex(0);
        QCOMPARE(tabs.FirstVisibleTab(), 0);
        tabs.SetTabIndex(7);
        QVERIFY(tabs.IsTabShown(7));
        QCOMPARE(tabs.FirstVisibleTab(), last);

        // Room for everything: the scroller leaves the control.
        tabs.SetBounds(0, 0, 900, 100);
        tabs.UpdateLayout();
        tabs.PlaceButtons();
        QVERIFY(!tabs.ScrollNeeded());
        QCOMPARE(tabs.FirstVisibleTab(), 0);
        QCOMPARE(tabs.Scroller()->Left(), -1 - tabs.Scroller()->Width());
    }

    void multiLineRotationMovesTheSelectedRowToThePage()
    {
        RecordingTabs tabs;
        tabs.SetBounds(0, 0, 240, 200);
        tabs.SetMultiLine(true);
        QStringList captions;
        for (int i = 0; i < 9; ++i)
            captions << QStringLiteral("Page %1").arg(i);
        tabs.AddTabs(captions);
        tabs.UpdateLayout();
        QVERIFY(tabs.RowCount() >= 3);
        const int rows = tabs.RowCount();
        std::vector<int> rowsBefore;
        for (int i = 0; i < 9; ++i)
            rowsBefore.push_back(tabs.Tabs()[i]->Row);
        const int outer = 8;
        const int outerRow = rowsBefore[size_t(outer)];
        QVERIFY(outerRow > 0);
        const int frontTop = tabs.Tabs()[0]->RawRect.Top;

        EventLog log;
        log.Attach(tabs);
        tabs.SetTabIndex(outer);
        QCOMPARE(log.events, (QStringList{QStringLiteral("changing 8"), QStringLiteral("change 8")}));
        QCOMPARE(tabs.Tabs()[outer]->Row, 0);
        QCOMPARE(tabs.Tabs()[outer]->RawRect.Top, frontTop);
        // The other rows keep their cyclic order.
        const int k = (rows - 1 - outerRow + 1) % rows;
        for (int i = 0; i < 9; ++i)
            QCOMPARE(tabs.Tabs()[i]->Row, (rowsBefore[size_t(i)] + k) % rows);

        // A relayout keeps the selected row at the page.
        tabs.SetBounds(0, 0, 241, 200);
        tabs.UpdateLayout();
        QCOMPARE(tabs.Tabs()[outer]->Row, 0);
        QCOMPARE(tabs.Tabs()[outer]->RawRect.Top, frontTop);
        QCOMPARE(log.events.size(), 2);
    }

    void regionCacheKeepsTheNewestUpToItsCapacity()
    {
        TVmTabRegionCache cache;
        QCOMPARE(cache.Capacity(), 1);
        const TRect a{0, 0, 10, 10}, b{10, 0, 20, 10}, c{20, 0, 30, 10};
        cache.Add(a, std::make_unique<TRegion>(a));
        cache.Add(b, std::make_unique<TRegion>(b));
        QCOMPARE(cache.Count(), 1);
        QVERIFY(!cache.Lookup(a));
        QVERIFY(cache.Lookup(b)->PtInRegion(15, 5));

        cache.SetCapacity(-1);
        cache.Add(a, std::make_unique<TRegion>(a));
        cache.Add(c, std::make_unique<TRegion>(c));
        QCOMPARE(cache.Count(), 3);
        QCOMPARE(cache.Item(0).Rect, c);
        cache.SetCapacity(2);
        QCOMPARE(cache.Count(), 2);
        QVERIFY(!cache.Lookup(b));   // the oldest went

        for (int bad : {0, -2}) {
            try {
                cache.SetCapacity(bad);
                QFAIL("a bad capacity was accepted");
            } catch (const Exception& e) {
                QCOMPARE(e.Message(), QStringLiteral("Capacity must be -1 (to cache all regions) or > 0"));
            }
            QCOMPARE(cache.Capacity(), 2);
        }

        // The control ignores what the cache would refuse.
        RecordingTabs tabs;
        tabs.SetRegionCacheCapacity(0);
        QCOMPARE(tabs.RegionCacheCapacity(), 1);
        tabs.SetRegionCacheCapacity(-1);
        QCOMPARE(tabs.RegionCache().Capacity(), -1);
    }

    // Many generated tab sets in every orientation, sequence and style.
    void generatedLayoutsKeepTabsApartInsideTheStripAndHittable()
    {
        QRandomGenerator rng(20240611);
        const QStringList words{QStringLiteral("代码"), QStringLiteral("A"), QStringLiteral("预览页面"),
                                QStringLiteral("&Find"), QStringLiteral("Replace all"), QStringLiteral("x\r\ny"),
                                QString(), QStringLiteral("W")};
        int checkedTabs = 0;
        for (auto style : {tsSingleSlant, tsDoubleSlant, tsCutCorner, tsRoundCorners})
            for (auto orientation : {toTop, toLeft, toBottom, toRight})
                for (auto sequence : {tsStandard, tsReverse})
                    for (bool multiLine : {false, true})
                        for (int round = 0; round < 6; ++round) {
                            RecordingTabs tabs;
                            tabs.SetTabStyle(style);
                            tabs.SetTabOrientation(orientation);
                            tabs.SetTabSequence(sequence);
                            tabs.SetMultiLine(multiLine);
                            tabs.SetAlignTabs(rng.bounded(2) == 0);
                            tabs.SetTextOrientation(rng.bounded(3) == 0 ? orVertical : orHorizontal);
                            tabs.SetShowShadow(rng.bounded(2) == 0);
                            tabs.SetShowCloseButton(rng.bounded(3) == 0);
                            tabs.SetMargin(rng.bounded(5));
                            tabs.SetCutCornerSize(rng.bounded(9));
                            tabs.SetRowIndent(rng.bounded(8));
                            tabs.SetRowOverlap(rng.bounded(6));
                            // A fixed depth: TabHeight across, TabWidth upright
                            // (the other one would fix the length). Upright
                            // slants take their length from the content, so a
                            // depth beyond it would make the slant cross over.
                            const bool slanted = style == tsSingleSlant || style == tsDoubleSlant;
                            if (rng.bounded(3) == 0) {
                                if (orientation == toTop || orientation == toBottom)
                                    tabs.SetTabHeight(18 + rng.bounded(20));
                                else if (!slanted)
                                    tabs.SetTabWidth(18 + rng.bounded(40));
                            }
                            tabs.SetBounds(0, 0, 220 + rng.bounded(500), 220 + rng.bounded(400));
                            const int n = rng.bounded(12);
                            for (int i = 0; i < n; ++i) {
                                TVmTabData* t = tabs.Tabs().Add();
                                t->Caption = words[rng.bounded(words.size())];
                                t->Visible = rng.bounded(6) != 0;
                            }
                            tabs.UpdateLayout();
                            CheckLayout(tabs, style, checkedTabs);
                            if (QTest::currentTestFailed())
                                return;
                        }
        QVERIFY(checkedTabs > 1000);
    }

private:
    // Adds the number of shown tabs checked to `checked`.
    static void CheckLayout(RecordingTabs& tabs, TVmTabStyle style, int& checked)
    {
        const QString what = QStringLiteral("style %1 orientation %2 sequence %3 multi %4 size %5x%6")
                                 .arg(style)
                                 .arg(tabs.TabOrientation())
                                 .arg(tabs.TabSequence())
                                 .arg(tabs.MultiLine())
                                 .arg(tabs.Width())
                                 .arg(tabs.Height());
        const TRect area = tabs.TabAreaRect();
        const bool across = tabs.TabOrientation() == toTop || tabs.TabOrientation() == toBottom;
        const int fd = tabs.FixedDimension();
        const int allowed = style == tsSingleSlant ? fd / 2 - 1 : style == tsDoubleSlant ? fd - 1 : -2;
        std::vector<int> shown;
        for (int i = 0; i < tabs.Tabs().Count(); ++i)
            if (tabs.IsTabShown(i))
                shown.push_back(i);
        for (int i : shown) {
            const TRect r = tabs.TabClientRect(i);
            if (!(r.Left >= area.Left && r.Top >= area.Top && r.Right <= area.Right && r.Bottom <= area.Bottom))
                qWarning() << what << "tab" << i << "outside the strip";
            QVERIFY(r.Left >= area.Left && r.Top >= area.Top && r.Right <= area.Right && r.Bottom <= area.Bottom);
            QVERIFY(tabs.Tabs()[i]->Row >= 0 && tabs.Tabs()[i]->Row < tabs.RowCount());
            const TPoint c = tabs.Centre(i);
            if (tabs.TabAtPos(c.X, c.Y) != i)
                qWarning() << what << "centre of tab" << i << "hits" << tabs.TabAtPos(c.X, c.Y);
            QCOMPARE(tabs.TabAtPos(c.X, c.Y), i);
            for (int j : shown) {
                if (j <= i || tabs.Tabs()[j]->Row != tabs.Tabs()[i]->Row)
                    continue;
                const TRect q = tabs.TabClientRect(j);
                const int overlap = across ? std::min(r.Right, q.Right) - std::max(r.Left, q.Left)
                                           : std::min(r.Bottom, q.Bottom) - std::max(r.Top, q.Top);
                if (overlap > allowed)
                    qWarning() << what << "tabs" << i << j << "overlap" << overlap;
                QVERIFY(overlap <= allowed);
            }
        }
        checked += int(shown.size());
    }
};

RAVIK_TEST(TestVmTabsLayout)
#include "tst_vmtabs_layout.moc"
