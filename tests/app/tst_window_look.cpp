// The finished window at the pixel: the whole window is grabbed as it shows
// on screen and read where the side bar, the group boxes, the side-bar
// buttons and both page controls draw.
#include "FakeDialogs.h"
#include "TestMain.h"
#include "Unitravik.h"
#include "VmCommon.h"
#include "VmTabScroller.h"

#include <QLineEdit>
#include <QTextEdit>
#include <QWindow>

namespace {

TColor Px(const QImage& image, const QPoint& p)
{
    return FromQRgb(image.pixel(p));
}

// The window as it shows now.
QImage Grab(Tfrmravik& w)
{
    return w.grab().toImage();
}

// A point of `widget` in window coordinates.
QPoint At(const Tfrmravik& w, const QWidget* widget, int x, int y)
{
    return widget->mapTo(&w, QPoint(x, y));
}

struct ShownWindow {
    FakeDialogs dialogs;
    Tfrmravik w;
    bool Show()
    {
        w.show();
        return QTest::qWaitForWindowActive(&w);
    }
    // Moves the mouse as a user would: through the window.
    void MoveTo(const QWidget* widget, int x, int y)
    {
        QTest::mouseMove(w.windowHandle(), At(w, widget, x, y));
        QCoreApplication::processEvents();
    }
    void Click(const QWidget* widget, int x, int y)
    {
        const QPoint p = At(w, widget, x, y);
        QTest::mouseMove(w.windowHandle(), p);
        QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {}, p);
        QCoreApplication::processEvents();
    }
};

const TColor kFace = RGB(240, 240, 240);

} // namespace

class TestWindowLook : public QObject {
    Q_OBJECT
private slots:
    void sideBarGrooveRunsRoundAllFourSides()
    {
        ShownWindow s;
        QVERIFY(s.Show());
        const QImage img = Grab(s.w);
        const TColor shadow = ColorToRGB(clBtnShadow);
        const TColor light = ColorToRGB(clBtnHighlight);
        const int h = s.w.height();
        QCOMPARE(s.w.vmpnl1->geometry(), QRect(0, 0, 87, h));
        for (int y = 2; y < h - 2; y += 17) {
            QCOMPARE(Px(img, {0, y}), shadow);
            QCOMPARE(Px(img, {1, y}), light);
            QCOMPARE(Px(img, {85, y}), shadow);
            QCOMPARE(Px(img, {86, y}), light);
        }
        for (int x = 2; x < 85; x += 7) {
            QCOMPARE(Px(img, {x, 0}), shadow);
            QCOMPARE(Px(img, {x, 1}), light);
            QCOMPARE(Px(img, {x, h - 2}), shadow);
            QCOMPARE(Px(img, {x, h - 1}), light);
        }
        // Inside the groove the panel's face.
        QCOMPARE(Px(img, {2, 10}), kFace);
        QCOMPARE(Px(img, {84, h - 3}), kFace);
    }

    void groupBoxesHaveFlatFramesOpenedForTheirCaptions()
    {
        ShownWindow s;
        QVERIFY(s.Show());
        const QImage img = Grab(s.w);
        const TColor frame = LightenColor(clBtnShadow, 30);
        for (TVmGroupBox* box : {s.w.vmgrpbx1, s.w.vmgrpbx2, s.w.vmgrpbx3}) {
            const QString name = box->Name();
            box->Canvas().SetFont(box->Font());
            const int half = box->Canvas().TextHeight(QStringLiteral("Pp")) / 2 - 1;
            const int bw = box->Width(), bh = box->Height();
            const TRect c = box->CaptionRect();
            QVERIFY2(c.Left == 8 && c.Width() > 0, qPrintable(name));
            // Sides and bottom in the flat frame colour, cut corners.
            for (int y = half + 2; y <= bh - 3; y += 5) {
                QVERIFY2(Px(img, At(s.w, box, 0, y)) == frame, qPrintable(name));
                QVERIFY2(Px(img, At(s.w, box, bw - 1, y)) == frame, qPrintable(name));
            }
            for (int x = 2; x <= bw - 3; x += 3)
                QVERIFY2(Px(img, At(s.w, box, x, bh - 1)) == frame, qPrintable(name));
            QVERIFY2(Px(img, At(s.w, box, 0, half)) != frame, qPrintable(name));
            // The top line stops on both sides of the caption.
            QVERIFY2(Px(img, At(s.w, box, 2, half)) == frame, qPrintable(name));
            QVERIFY2(Px(img, At(s.w, box, c.Left - 1, half)) == frame, qPrintable(name));
            QVERIFY2(Px(img, At(s.w, box, c.Right, half)) == frame, qPrintable(name));
            QVERIFY2(Px(img, At(s.w, box, bw - 3, half)) == frame, qPrintable(name));
            bool ink = false;
            for (int x = c.Left; x < c.Right; ++x) {
                QVERIFY2(Px(img, At(s.w, box, x, half)) != frame, qPrintable(name));
                for (int y = c.Top; y < c.Bottom; ++y)
                    ink = ink || Px(img, At(s.w, box, x, y)) == clBlack;
            }
            QVERIFY2(ink, qPrintable(name));
        }
    }

    void sideBarButtonLightsUpUnderTheMouse()
    {
        ShownWindow s;
        QVERIFY(s.Show());
        TVmBitBtn* b = s.w.vmbtbtn2;
        QCOMPARE(b->size(), QSize(65, 25));
        QVERIFY(b->HotTrack());
        QVERIFY(b->Glyph().Empty());
        const int w = b->Width(), h = b->Height();
        s.MoveTo(s.w.vmgrpbx3, 2, 2);
        QVERIFY(!b->PointerOver());

        // Normal: the flat two-line frame, the parent's face in the corners.
        const QImage normal = Grab(s.w);
        QCOMPARE(Px(normal, At(s.w, b, 0, 10)), RGB(219, 219, 219));
        QCOMPARE(Px(normal, At(s.w, b, 1, 10)), ColorToRGB(cl3DDkShadow));
        QCOMPARE(Px(normal, At(s.w, b, w - 1, 10)), RGB(255, 255, 255));
        QCOMPARE(Px(normal, At(s.w, b, w - 2, 10)), ColorToRGB(cl3DDkShadow));
        QCOMPARE(Px(normal, At(s.w, b, 0, 0)), kFace);
        QCOMPARE(Px(normal, At(s.w, b, 10, 2)), RGB(255, 255, 255));
        QCOMPARE(Px(normal, At(s.w, b, 2, 10)), kFace);
        QCOMPARE(Px(normal, At(s.w, b, 10, h - 4)), RGB(219, 219, 219));

        // Hot: two rings in the complement of the highlight colour.
        s.MoveTo(b, 30, 12);
        QTRY_VERIFY(b->PointerOver());
        const QImage hot = Grab(s.w);
        QCOMPARE(Px(hot, At(s.w, b, 2, 10)), RGB(250, 186, 133));
        QCOMPARE(Px(hot, At(s.w, b, 10, 2)), RGB(250, 186, 133));
        QCOMPARE(Px(hot, At(s.w, b, w - 3, 10)), RGB(247, 151, 71));
        QCOMPARE(Px(hot, At(s.w, b, 3, 10)), RGB(249, 174, 112));
        QCOMPARE(Px(hot, At(s.w, b, w - 4, 10)), RGB(248, 163, 92));
        // Only the button under the mouse lights up.
        QCOMPARE(Px(hot, At(s.w, s.w.vmbtbtn6, 2, 10)), kFace);

        // Away again: the normal look comes back.
        s.MoveTo(s.w.vmgrpbx3, 2, 2);
        QTRY_VERIFY(!b->PointerOver());
        QCOMPARE(Px(Grab(s.w), At(s.w, b, 2, 10)), kFace);
    }

    void mainPageControlCutCornersCardAndHotBar()
    {
        ShownWindow s;
        QVERIFY(s.Show());
        TVmPageControl* pc = s.w.vmpgcntrl1;
        const int W = pc->Width(), H = pc->Height();
        QCOMPARE(pc->geometry(), QRect(87, 0, 1116 - 87, 591));
        const QImage img = Grab(s.w);
        const auto P = [&](const QImage& i, int x, int y) { return Px(i, At(s.w, pc, x, y)); };
        const TRect t0 = pc->TabClientRect(0), t1 = pc->TabClientRect(1);
        QCOMPARE(t0.Bottom - t0.Top, 25);
        const TColor green = clMoneyGreen;

        // The second tab's outline with the cut corner of 10 at the top right.
        for (int y = 0; y <= 24; ++y)
            QCOMPARE(P(img, t1.Left, y), green);
        for (int x = t1.Left; x <= t1.Right - 10; ++x)
            QCOMPARE(P(img, x, 0), green);
        for (int k = 0; k < 10; ++k)
            QCOMPARE(P(img, t1.Right - 10 + k, k), green);
        for (int y = 10; y <= 24; ++y)
            QCOMPARE(P(img, t1.Right, y), green);
        QCOMPARE(P(img, t1.Right - 9, 0), kFace);
        QCOMPARE(P(img, t1.Right, 9), kFace);
        // The first (selected) tab: same outline, its base open into the card.
        for (int k = 0; k < 10; ++k)
            QCOMPARE(P(img, t0.Right - 10 + k, k), green);
        for (int x = 1; x < t0.Right; ++x)
            QCOMPARE(P(img, x, 25), kFace);
        for (int x = t0.Right; x <= W - 3; x += 5)
            QCOMPARE(P(img, x, 25), green);
        // The card frame, 2 pixels in from the right and bottom, and the
        // shadow outside it.
        for (int y = 26; y <= H - 3; y += 11) {
            QCOMPARE(P(img, 0, y), green);
            QCOMPARE(P(img, W - 3, y), green);
            QCOMPARE(P(img, W - 2, y), RGB(212, 212, 212));
            QCOMPARE(P(img, W - 1, y), RGB(226, 226, 226));
        }
        for (int x = 1; x <= W - 3; x += 13) {
            QCOMPARE(P(img, x, H - 3), green);
            QCOMPARE(P(img, x, H - 2), RGB(212, 212, 212));
            QCOMPARE(P(img, x, H - 1), RGB(226, 226, 226));
        }
        // The highlight bar of the selected tab.
        for (int y = 1; y <= 3; ++y)
            QCOMPARE(P(img, t0.Left + 5, y), ColorToRGB(clHighlight));

        // The mouse over the second tab: the hot bar in money green's
        // complement, the first tab keeps its highlight bar.
        s.MoveTo(pc, t1.Left + 8, 12);
        QTRY_COMPARE(pc->HotTabIndex(), 1);
        const QImage hot = Grab(s.w);
        const TColor hotBar = ColorFromHsl(200, 240, 140);
        for (int y = 1; y <= 3; ++y)
            QCOMPARE(P(hot, t1.Left + 5, y), hotBar);
        QCOMPARE(P(hot, t0.Left + 5, 2), ColorToRGB(clHighlight));
        QCOMPARE(P(hot, W - 2, 300), RGB(212, 212, 212));
        s.MoveTo(s.w.redt1, 50, 50);
        QTRY_COMPARE(pc->HotTabIndex(), -1);
        QVERIFY(P(Grab(s.w), t1.Left + 5, 2) != hotBar);
    }

    void findPanelSlantedTabCloseButtonAndFrame()
    {
        ShownWindow s;
        QVERIFY(s.Show());
        TVmPageControl* pc = s.w.vmpgcntrl2;
        QVERIFY(pc->isHidden());
        s.Click(s.w.vmbtbtn1, 30, 12);
        QVERIFY(pc->isVisible());
        QCOMPARE(pc->geometry(), QRect(720, 96, 385, 145));
        const QImage img = Grab(s.w);
        const auto P = [&](int x, int y) { return Px(img, At(s.w, pc, x, y)); };
        const TRect t = pc->TabClientRect(0);
        QCOMPARE(t.Bottom - t.Top, 20);
        const TColor frame = ColorToRGB(clBtnShadow);
        // Single slant: up the left side, a 2-pixel corner, along the top,
        // then the slant over the full height.
        for (int y = 2; y <= 19; ++y)
            QCOMPARE(P(t.Left, y), frame);
        QCOMPARE(P(t.Left + 1, 1), frame);
        for (int x = t.Left + 2; x <= t.Right - 20; ++x)
            QCOMPARE(P(x, 0), frame);
        for (int k = 0; k < 20; ++k)
            QCOMPARE(P(t.Right - 20 + k, k), frame);
        QCOMPARE(P(t.Left, 0), kFace);
        // The card frame: open under the tab, closed from its right foot on
        // and down both sides of the page.
        QCOMPARE(P(t.Left + 10, 20), kFace);
        for (int x = t.Right; x < pc->Width() - 20; x += 9)
            QCOMPARE(P(x, 20), frame);
        for (int y = 21; y < pc->Height() - 4; y += 9)
            QCOMPARE(P(0, y), frame);

        // The close button: framed square with the black cross inside.
        TVmTabCloseButton* close = pc->CloseButton();
        QVERIFY(close && close->isVisible());
        QCOMPARE(close->parentWidget(), static_cast<QWidget*>(pc));
        const int b = close->Width();
        QCOMPARE(close->Height(), b);
        QVERIFY(close->x() >= t.Right);
        QCOMPARE(Px(img, At(s.w, close, 0, 0)), ColorToRGB(close->FrameColor()));
        QCOMPARE(Px(img, At(s.w, close, b - 1, b / 2)), ColorToRGB(close->FrameColor()));
        int black = 0;
        for (int y = 1; y < b - 1; ++y)
            for (int x = 1; x < b - 1; ++x)
                black += Px(img, At(s.w, close, x, y)) == clBlack;
        QVERIFY(black >= 8);

        // The panel's buttons track the mouse like the side bar's.
        QCOMPARE(Px(img, At(s.w, s.w.btn5, 2, 10)), kFace);
        s.MoveTo(s.w.btn5, 20, 12);
        QTRY_VERIFY(s.w.btn5->PointerOver());
        const QImage hot = Grab(s.w);
        QCOMPARE(Px(hot, At(s.w, s.w.btn5, 2, 10)), RGB(250, 186, 133));
        QCOMPARE(Px(hot, At(s.w, s.w.btn6, 2, 10)), kFace);
    }

    void closingTheFindPanelKeepsItsPageForNextTime()
    {
        ShownWindow s;
        QVERIFY(s.Show());
        TVmPageControl* pc = s.w.vmpgcntrl2;
        int closes = 0;
        bool allowSeen = true;
        const TVmTabCloseEvent wired = pc->OnClose;
        pc->OnClose = [&](TObject* sender, bool& allow) {
            ++closes;
            allowSeen = allow;
            wired(sender, allow);
        };
        s.Click(s.w.vmbtbtn1, 30, 12);
        QVERIFY(pc->isVisible());
        s.Click(s.w.edt1, 5, 5);
        QTest::keyClicks(s.w.edt1, QStringLiteral("div"));

        TVmTabCloseButton* close = pc->CloseButton();
        s.Click(close, close->Width() / 2, close->Height() / 2);
        QCOMPARE(closes, 1);
        QVERIFY(!allowSeen);   // the handler leaves the page where it is
        QVERIFY(pc->isHidden());
        QVERIFY(!pc->Visible());
        QCOMPARE(pc->PageCount(), 1);
        QCOMPARE(pc->ActivePage(), s.w.vmtbshtTabSheet3);
        // Whatever lay below shows again.
        const QImage hidden = Grab(s.w);
        QCOMPARE(Px(hidden, At(s.w, s.w.vmpgcntrl1, 713, 150)), ColorToRGB(clWindow));

        // "查找替换" brings it back as it was.
        s.Click(s.w.vmbtbtn1, 30, 12);
        QVERIFY(pc->isVisible());
        QCOMPARE(pc->ActivePage(), s.w.vmtbshtTabSheet3);
        QVERIFY(s.w.vmtbshtTabSheet3->isVisible());
        QCOMPARE(s.w.edt1->text(), QStringLiteral("div"));
        const QImage again = Grab(s.w);
        QCOMPARE(Px(again, At(s.w, pc, pc->TabClientRect(0).Left, 10)), ColorToRGB(clBtnShadow));
        QVERIFY(s.dialogs.messages.isEmpty());
    }
};

RAVIK_TEST(TestWindowLook)
#include "tst_window_look.moc"
