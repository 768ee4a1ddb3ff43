// The window's widget-set controls as stored: the values that give the
// window its look, everything else at the class defaults, the loading pass,
// and what maximising does to them.
#include "FakeDialogs.h"
#include "TestMain.h"
#include "Unitravik.h"

#include <QTextEdit>

class TestWindowLayout : public QObject {
    Q_OBJECT
private slots:
    void storedValuesAndDefaults()
    {
        Tfrmravik w;
        const TVmPanel panel;
        const TVmGroupBox box;
        TVmBitBtn bit;
        const TVmButton button;
        const TVmPageControl pages;

        QCOMPARE(w.vmpnl1->Align(), alLeft);
        QCOMPARE(w.vmpnl1->BorderOuter(), fsGroove);
        QCOMPARE(w.vmpnl1->Width(), 87);
        QCOMPARE(w.vmpnl1->BorderInner(), panel.BorderInner());
        QCOMPARE(w.vmpnl1->Color(), panel.Color());

        QCOMPARE(w.vmgrpbx1->Align(), alCustom);
        QCOMPARE(w.vmgrpbx2->Align(), alCustom);
        QCOMPARE(w.vmgrpbx3->Align(), box.Align());
        for (TVmGroupBox* g : {w.vmgrpbx1, w.vmgrpbx2, w.vmgrpbx3}) {
            QCOMPARE(g->GroupStyle(), box.GroupStyle());
            QCOMPARE(g->BorderOuter(), box.BorderOuter());
            QCOMPARE(g->Font().Name(), QStringLiteral("Tahoma"));   // the window's, through the side bar
        }

        const struct {
            TVmBitBtn* button;
            QString caption;
            QSize size;
        } sideButtons[] = {
            {w.vmbtbtn1, QStringLiteral("查找替换"), QSize(65, bit.Height())},
            {w.vmbtbtn2, QStringLiteral("字体设置"), QSize(65, bit.Height())},
            {w.vmbtbtn6, QStringLiteral("格式阅读"), QSize(65, 43)},
        };
        for (const auto& s : sideButtons) {
            QCOMPARE(s.button->Caption(), s.caption);
            QCOMPARE(s.button->size(), s.size);
            QVERIFY(s.button->HotTrack());
            QVERIFY(s.button->Glyph().Empty());
            QCOMPARE(s.button->Kind(), bkCustom);
            QCOMPARE(s.button->HotTrackColor(), bit.HotTrackColor());
        }
        for (TVmButton* b : {w.btn5, w.btn6}) {
            QVERIFY(b->HotTrack());
            QCOMPARE(b->size(), QSize(button.Width(), button.Height()));
            QVERIFY(!b->Default() && !b->Cancel());
        }
        QCOMPARE(w.btn5->pos(), QPoint(286, 32));
        QCOMPARE(w.btn6->pos(), QPoint(286, 72));

        TVmPageControl* main = w.vmpgcntrl1;
        QCOMPARE(main->Align(), alClient);
        QCOMPARE(main->TabStyle(), tsCutCorner);
        QCOMPARE(main->CutCornerSize(), 10);
        QCOMPARE(main->FlatColor(), clMoneyGreen);
        QCOMPARE(main->HotTrackColor(), clMoneyGreen);
        QCOMPARE(main->TabHeight(), 25);
        QCOMPARE(main->TabIndex(), 0);
        QCOMPARE(main->ActivePage(), w.vmtbshtTabSheet1);
        QCOMPARE(main->PageCount(), 2);
        QCOMPARE(main->Pages(1), w.vmtbshtTabSheet2);
        QVERIFY(!main->ShowCloseButton());
        QCOMPARE(main->HotTrack(), pages.HotTrack());
        QCOMPARE(main->TabOrientation(), pages.TabOrientation());

        TVmPageControl* find = w.vmpgcntrl2;
        QCOMPARE(find->BoundsRect(), Bounds(720, 96, 385, 145));
        QVERIFY(find->ShowCloseButton());
        QCOMPARE(find->TabHeight(), 20);
        QCOMPARE(find->TabIndex(), 0);
        QCOMPARE(find->ActivePage(), w.vmtbshtTabSheet3);
        QCOMPARE(find->TabStyle(), pages.TabStyle());
        QCOMPARE(find->FlatColor(), pages.FlatColor());
        QCOMPARE(find->Align(), alNone);
    }

    void loadingEndsOnEveryComponentWithoutAPageChange()
    {
        FakeDialogs dialogs;
        Tfrmravik w;
        QVERIFY(!w.Loading());
        QVERIFY(w.ComponentCount() > 10);
        for (int i = 0; i < w.ComponentCount(); ++i)
            QVERIFY2(!w.Components(i)->Loading(), qPrintable(w.Components(i)->Name()));
        QVERIFY(!w.vmpgcntrl1->LoadingPages());
        // Only the active page shows; the preview page waits for its tab.
        QVERIFY(!w.vmtbshtTabSheet2->Visible());
        QCOMPARE(w.FindComponent(QStringLiteral("vmpgcntrl1")), static_cast<TComponent*>(w.vmpgcntrl1));

        // The events are live once loading is over.
        int changes = 0;
        w.vmpgcntrl1->OnChange = [&](TObject*) { ++changes; };
        w.vmpgcntrl1->SetActivePage(w.vmtbshtTabSheet2);
        QCOMPARE(changes, 1);
        QVERIFY(dialogs.messages.isEmpty());
    }

    void maximisedWindowGivesTheRoomToThePages()
    {
        Tfrmravik w;
        w.showMaximized();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_VERIFY(w.width() > 1116 || w.height() > 591);
        QTRY_COMPARE(w.vmpgcntrl1->geometry(), QRect(87, 0, w.width() - 87, w.height()));
        QCOMPARE(w.vmpnl1->geometry(), QRect(0, 0, 87, w.height()));
        const TRect display = w.vmpgcntrl1->DisplayRect();
        QCOMPARE(w.vmtbshtTabSheet1->BoundsRect(), display);
        QCOMPARE(w.redt1->size(), QSize(display.Width(), display.Height()));
        // The find panel keeps its place.
        QCOMPARE(w.vmpgcntrl2->geometry(), QRect(720, 96, 385, 145));
        w.showNormal();
        QTRY_COMPARE(w.vmpgcntrl1->width(), 1116 - 87);
        QCOMPARE(w.vmpnl1->width(), 87);
    }
};

RAVIK_TEST(TestWindowLayout)
#include "tst_window_layout.moc"
