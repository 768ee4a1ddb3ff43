// The tab scroller's arrows and the close button: looks and mouse handling.
#include "TestMain.h"
#include "VmTabScroller.h"
#include "tst_vmtabs_support.h"

namespace {

TColor Px(TCustomControl& control, int x, int y)
{
    control.Invalidate();
    control.PaintToImage();
    return FromQRgb(control.Image().pixel(x, y));
}

// A tab control whose single row needs the scroller, laid out.
struct ScrollingTabs {
    RecordingTabs tabs;
    TVmTabScroller* scroller = nullptr;
    QStringList log;

    ScrollingTabs()
    {
        tabs.SetBounds(0, 0, 260, 100);
        tabs.SetTabHeight(20);
        QStringList captions;
        for (int i = 0; i < 8; ++i)
            captions << QStringLiteral("Tab %1").arg(i);
        tabs.AddTabs(captions);
        tabs.UpdateLayout();
        tabs.PlaceButtons();
        scroller = tabs.Scroller();
        if (!scroller)
            return;
        // The arrows keep scrolling the control; the log records the clicks.
        auto left = scroller->OnDownLeftClick, right = scroller->OnUpRightClick;
        scroller->OnDownLeftClick = [this, left](TObject* s) { log << QStringLiteral("left"); left(s); };
        scroller->OnUpRightClick = [this, right](TObject* s) { log << QStringLiteral("right"); right(s); };
        scroller->SetBounds(scroller->Left(), scroller->Top(), 35, 18);
    }
};

// Points inside the left and right arrow triangles of a 35 x 18 scroller.
constexpr int LeftArrowX = 9, RightArrowX = 25, ArrowY = 8;

} // namespace

class TestVmTabScroller : public QObject {
    Q_OBJECT
private slots:
    void arrowsShowTheScrollState()
    {
        ScrollingTabs s;
        QVERIFY(s.scroller);
        QCOMPARE(s.scroller->Orientation(), orHorizontal);
        // At the start: left greyed, right black.
        QCOMPARE(Px(*s.scroller, LeftArrowX, ArrowY), GetSysColor(16));
        QCOMPARE(Px(*s.scroller, RightArrowX, ArrowY), clBlack);
        // One step along: both black.
        s.tabs.ScrollTabs(true);
        QCOMPARE(Px(*s.scroller, LeftArrowX, ArrowY), clBlack);
        QCOMPARE(Px(*s.scroller, RightArrowX, ArrowY), clBlack);
        // At the end: right greyed.
        for (int i = 0; i < 10; ++i)
            s.tabs.ScrollTabs(true);
        QVERIFY(s.tabs.IsTabShown(7));
        QCOMPARE(Px(*s.scroller, RightArrowX, ArrowY), GetSysColor(16));
        QCOMPARE(Px(*s.scroller, LeftArrowX, ArrowY), clBlack);

        // Two framed squares sharing the middle column.
        const TColor frame = ColorToRGB(s.scroller->FrameColor());
        for (int x : {0, 17, 34})
            QCOMPARE(Px(*s.scroller, x, 9), frame);
        for (int x : {1, 16, 18, 33})
            QCOMPARE(Px(*s.scroller, x, 0), frame);
        QVERIFY(Px(*s.scroller, 16, 9) != frame);
        QVERIFY(Px(*s.scroller, 18, 9) != frame);
    }

    void arrowsOfUprightTabsSwapWithTheSide()
    {
        // Right-hand tabs run top to bottom: the row's start is the upper arrow.
        RecordingTabs tabs;
        tabs.SetTabOrientation(toRight);
        tabs.SetBounds(0, 0, 100, 200);
        QStringList captions;
        for (int i = 0; i < 8; ++i)
            captions << QStringLiteral("Tab %1").arg(i);
        tabs.AddTabs(captions);
        tabs.UpdateLayout();
        tabs.PlaceButtons();
        QVERIFY(tabs.Scroller());
        QCOMPARE(tabs.Scroller()->Orientation(), orVertical);
        QCOMPARE(tabs.Scroller()->Height(), 2 * tabs.ButtonSize() - 1);
        QVERIFY(!tabs.Scroller()->UpRightEnabled());
        QVERIFY(tabs.Scroller()->DownLeftEnabled());
        tabs.ScrollTabs(true);
        QVERIFY(tabs.Scroller()->UpRightEnabled());
        // The tab control turns the down arrow into forward scrolling here.
        tabs.ScrollTabs(false);
        const int before = tabs.FirstVisibleTab();
        QTest::mouseClick(tabs.Scroller(), Qt::LeftButton, {}, QPoint(3, tabs.Scroller()->Height() - 3));
        QVERIFY(tabs.FirstVisibleTab() > before);
    }

    void pressTracksOneArrowUntilRelease()
    {
        ScrollingTabs s;
        QVERIFY(s.scroller);
        TVmTabScroller& sc = *s.scroller;
        // A completed click on the right arrow scrolls by one tab.
        QTest::mouseClick(&sc, Qt::LeftButton, {}, QPoint(30, 9));
        QCOMPARE(s.log, QStringList{QStringLiteral("right")});
        QCOMPARE(s.tabs.FirstVisibleTab(), 1);

        // Right pressed, moved to the left arrow, released: nothing, and the
        // left arrow never shows pressed.
        s.log.clear();
        QTest::mousePress(&sc, Qt::LeftButton, {}, QPoint(30, 9));
        QVERIFY(sc.PressTracking() && sc.ShowPressed());
        QCOMPARE(sc.PressedHalf(), TVmTabScroller::UpRight);
        QTest::mouseMove(&sc, QPoint(5, 9));
        QVERIFY(!sc.ShowPressed());
        QCOMPARE(sc.PressedHalf(), TVmTabScroller::UpRight);
        QTest::mouseRelease(&sc, Qt::LeftButton, {}, QPoint(5, 9));
        QVERIFY(!sc.PressTracking());
        QVERIFY(s.log.isEmpty());

        // Off and back on before the release: one event.
        QTest::mousePress(&sc, Qt::LeftButton, {}, QPoint(5, 9));
        QTest::mouseMove(&sc, QPoint(5, 40));
        QVERIFY(!sc.ShowPressed());
        QTest::mouseMove(&sc, QPoint(6, 9));
        QVERIFY(sc.ShowPressed());
        // Held down, nothing repeats.
        QTest::qWait(120);
        QVERIFY(s.log.isEmpty());
        QTest::mouseRelease(&sc, Qt::LeftButton, {}, QPoint(6, 9));
        QCOMPARE(s.log, QStringList{QStringLiteral("left")});
        QCOMPARE(s.tabs.FirstVisibleTab(), 0);

        // Any button clicks; a disabled arrow still reports, and nothing
        // scrolls past the start.
        QTest::mouseClick(&sc, Qt::RightButton, {}, QPoint(5, 9));
        QCOMPARE(s.log, (QStringList{QStringLiteral("left"), QStringLiteral("left")}));
        QCOMPARE(s.tabs.FirstVisibleTab(), 0);
    }

    void closeButtonLooksAndClicks()
    {
        RecordingTabs tabs;
        tabs.SetBounds(0, 0, 385, 100);
        tabs.SetTabHeight(20);
        tabs.SetShowCloseButton(true);
        tabs.AddTabs({QStringLiteral("查找"), QStringLiteral("替换")});
        tabs.UpdateLayout();
        tabs.PlaceButtons();
        TVmTabCloseButton& close = *tabs.CloseButton();
        const int b = close.Width();
        QCOMPARE(close.Height(), b);

        // Greyed without a selected tab: no black in the cross.
        auto blackPixels = [&] {
            close.Invalidate();
            close.PaintToImage();
            int n = 0;
            for (int y = 0; y < b; ++y)
                for (int x = 0; x < b; ++x)
                    n += FromQRgb(close.Image().pixel(x, y)) == clBlack;
            return n;
        };
        QVERIFY(close.Inactive());
        QCOMPARE(blackPixels(), 0);
        tabs.SetTabIndex(0);
        QVERIFY(!close.Inactive());
        QVERIFY(blackPixels() > 0);
        // The frame colour outlines it on top.
        const TColor frame = ColorToRGB(close.FrameColor());
        QCOMPARE(Px(close, 0, 0), frame);
        QCOMPARE(Px(close, b - 1, b / 2), frame);
        QCOMPARE(Px(close, b / 2, b - 1), frame);

        // Pushed only while pressed and over it.
        const QImage released = (close.Invalidate(), close.PaintToImage(), close.Image().copy());
        QTest::mousePress(&close, Qt::LeftButton, {}, QPoint(b / 2, b / 2));
        close.Invalidate();
        close.PaintToImage();
        QVERIFY(close.ShowPressed());
        QVERIFY(close.Image() != released);
        QTest::mouseMove(&close, QPoint(b + 10, b / 2));
        QVERIFY(!close.ShowPressed());
        QTest::mouseRelease(&close, Qt::LeftButton, {}, QPoint(b + 10, b / 2));

        // A right-button click asks the tab control's OnClose like a left one.
        int asked = 0;
        tabs.OnClose = [&](TObject*, bool& allow) {
            ++asked;
            allow = true;
        };
        QCOMPARE(asked, 0);
        QTest::mouseClick(&close, Qt::RightButton, {}, QPoint(b / 2, b / 2));
        QCOMPARE(asked, 1);
        QCOMPARE(tabs.closeRequests, 1);
        // With no tab selected the button still clicks but nobody is asked.
        tabs.SetTabIndex(-1);
        QTest::mouseClick(&close, Qt::LeftButton, {}, QPoint(b / 2, b / 2));
        QCOMPARE(asked, 1);
    }
};

RAVIK_TEST(TestVmTabScroller)
#include "tst_vmtabscroller.moc"
