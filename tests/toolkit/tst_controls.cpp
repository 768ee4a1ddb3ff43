#include "Controls.h"
#include "Forms.h"
#include "TestMain.h"

#include <QLabel>
#include <QTextEdit>
#include <QToolTip>

namespace {
// Records the notifications and input hooks it receives.
class Probe : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    QStringList log;
    int paints = 0;
    TColor fill = clNone;       // Paint fills the client area with this unless clNone
    TPoint dot{-1, -1};         // and sets this pixel to clRed
    TRect shrink{0, 0, 0, 0};   // AdjustClientRect insets

    void CMEnabledChanged() override { log << QStringLiteral("enabled:%1").arg(Enabled()); TCustomControl::CMEnabledChanged(); }
    void CMColorChanged() override { log << QStringLiteral("color"); TCustomControl::CMColorChanged(); }
    void CMFontChanged() override { log << QStringLiteral("font"); TCustomControl::CMFontChanged(); }
    void CMTextChanged() override { log << QStringLiteral("text:") + Caption(); }
    void CMMouseEnter() override { log << QStringLiteral("enter"); }
    void CMMouseLeave() override { log << QStringLiteral("leave"); }
    void Loaded() override { log << QStringLiteral("loaded:%1").arg(Align()); TCustomControl::Loaded(); }

protected:
    void AdjustClientRect(TRect& r) override
    {
        r = Rect(r.Left + shrink.Left, r.Top + shrink.Top, r.Right - shrink.Right, r.Bottom - shrink.Bottom);
    }
    void Paint() override
    {
        ++paints;
        if (fill != clNone) {
            Canvas().Brush().SetColor(fill);
            Canvas().FillRect(ClientRect());
        }
        if (dot.X >= 0)
            Canvas().SetPixels(dot.X, dot.Y, clRed);
    }
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override
    {
        log << QStringLiteral("down:%1:%2,%3%4").arg(b).arg(x).arg(y).arg(s & ssDouble ? ":dbl" : "");
        TCustomControl::MouseDown(b, s, x, y);
    }
    void MouseMove(TShiftState s, int x, int y) override
    {
        if (s & ssLeft)
            log << QStringLiteral("move:%1,%2").arg(x).arg(y);
        TCustomControl::MouseMove(s, x, y);
    }
    void MouseUp(TMouseButton b, TShiftState s, int x, int y) override
    {
        log << QStringLiteral("up:%1:%2,%3").arg(b).arg(x).arg(y);
        TCustomControl::MouseUp(b, s, x, y);
    }
    void Click() override { log << QStringLiteral("click"); TCustomControl::Click(); }
    void DblClick() override { log << QStringLiteral("dblclick"); TCustomControl::DblClick(); }
    void WMTimer(int id) override { log << QStringLiteral("timer:%1").arg(id); }
};

// Keeps its bottom edge when its height changes while bottom-aligned.
class BottomKeeper : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    void SetBounds(int l, int t, int w, int h) override
    {
        if (Align() == alBottom && h != Height())
            t = Top() + Height() - h;
        TCustomControl::SetBounds(l, t, w, h);
    }
};

class Referrer : public TComponent {
public:
    using TComponent::TComponent;
    TComponent* ref = nullptr;
    QStringList* order = nullptr;
    void Loaded() override
    {
        if (order)
            *order << Name();
        TComponent::Loaded();
    }

protected:
    void Notification(TComponent* c, TOperation op) override
    {
        TComponent::Notification(c, op);
        if (op == opRemove && c == ref)
            ref = nullptr;
    }
};

TRect Geo(QWidget* w)
{
    return TRect::FromQRect(w->geometry());
}

// What the platform delivers for a double click: press, release, double
// click, release.
void DoubleClick(QWidget* w)
{
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseDClick(w, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(5, 5));
}

QRgb Px(const QImage& img, int x, int y)
{
    return img.pixel(x, y) & 0xFFFFFF;
}
}

class TestControls : public QObject {
    Q_OBJECT
private slots:
    void alignmentPlacesEachSideInOrder()
    {
        Probe box;
        box.SetBounds(0, 0, 200, 100);
        box.shrink = Rect(5, 4, 3, 2);   // the container's own frame
        auto* top2 = new Probe(&box, &box);
        top2->SetBounds(0, 50, 10, 12);
        auto* top1 = new Probe(&box, &box);
        top1->SetBounds(0, 0, 10, 10);
        auto* bottom = new Probe(&box, &box);
        bottom->SetBounds(0, 0, 10, 20);
        auto* left = new Probe(&box, &box);
        left->SetBounds(0, 0, 30, 5);
        auto* right = new Probe(&box, &box);
        right->SetBounds(0, 0, 40, 5);
        auto* client = new QTextEdit(&box);   // a plain Qt widget fills the rest
        auto* fixed = new QLabel(QStringLiteral("x"), &box);
        fixed->setGeometry(7, 8, 20, 10);

        SetWidgetAlign(client, alClient);
        top2->SetAlign(alTop);
        top1->SetAlign(alTop);
        bottom->SetAlign(alBottom);
        left->SetAlign(alLeft);
        right->SetAlign(alRight);

        // Two top-aligned children keep their order on screen.
        QCOMPARE(Geo(top1), Rect(5, 4, 197, 14));
        QCOMPARE(Geo(top2), Rect(5, 14, 197, 26));
        QCOMPARE(Geo(bottom), Rect(5, 78, 197, 98));
        QCOMPARE(Geo(left), Rect(5, 26, 35, 78));
        QCOMPARE(Geo(right), Rect(157, 26, 197, 78));
        QCOMPARE(Geo(client), Rect(35, 26, 157, 78));
        QCOMPARE(Geo(fixed), Rect(7, 8, 27, 18));

        // Resizing the container realigns; a hidden child gives up its room.
        box.SetBounds(0, 0, 300, 120);
        QCOMPARE(Geo(right), Rect(257, 26, 297, 98));
        left->Hide();
        QCOMPARE(Geo(client), Rect(5, 26, 257, 98));
        left->Show();
        QCOMPARE(Geo(client), Rect(35, 26, 257, 98));
        client->hide();
        client->show();
        QCOMPARE(Geo(client), Rect(35, 26, 257, 98));

        // A plain widget moved by other code goes back into line.
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        client->setGeometry(0, 0, 5, 5);
        QCOMPARE(Geo(client), Rect(35, 26, 257, 98));

        // A taller top child pushes the rest down.
        top1->SetHeight(30);
        QCOMPARE(Geo(top2), Rect(5, 34, 297, 46));
        QCOMPARE(Geo(client).Top, 46);
    }

    void panelClientAreaShrinksByBorderAndBevels()
    {
        TCustomPanel panel;
        panel.SetBounds(0, 0, 100, 60);
        auto* child = new QWidget(&panel);
        SetWidgetAlign(child, alClient);
        QCOMPARE(Geo(child), Rect(1, 1, 99, 59));   // default raised outer bevel, width 1
        panel.SetBorderWidth(2);
        panel.SetBevelInner(bvLowered);
        panel.SetBevelWidth(3);
        QCOMPARE(Geo(child), Rect(8, 8, 92, 52));
        panel.SetBevelOuter(bvNone);
        panel.SetBevelInner(bvNone);
        QCOMPARE(Geo(child), Rect(2, 2, 98, 58));
    }

    void boundsHookRunsBeforeBoundsApply()
    {
        Probe box;
        box.SetBounds(0, 0, 100, 100);
        auto* bar = new BottomKeeper(&box, &box);
        bar->SetBounds(0, 0, 100, 20);
        bar->SetAlign(alBottom);
        QCOMPARE(Geo(bar), Rect(0, 80, 100, 100));
        bar->SetHeight(35);
        QCOMPARE(Geo(bar), Rect(0, 65, 100, 100));
        bar->SetBounds(0, 65, 100, -5);   // negative sizes become 0
        QCOMPARE(bar->Height(), 0);
        QCOMPARE(bar->Top(), 100);
    }

    void loadingDefersAlignmentAndLoadedRunsInCreationOrder()
    {
        TCustomForm form;
        form.SetBounds(0, 0, 200, 100);
        form.BeginLoading();
        auto* a = new Probe(&form, &form);
        auto* b = new Probe(&form, &form);
        QVERIFY(a->Loading());
        a->SetBounds(0, 0, 50, 50);
        a->SetAlign(alClient);
        b->SetBounds(0, 0, 30, 10);
        b->SetAlign(alLeft);
        // Nothing is placed while the layout is being read.
        QCOMPARE(Geo(a), Rect(0, 0, 50, 50));

        QStringList order;
        auto* c = new Referrer(&form);
        c->SetName(QStringLiteral("c"));
        c->order = &order;
        a->OnResize = [&](TObject*) { order << QStringLiteral("resize-a"); };
        a->log.clear();
        b->log.clear();
        form.EndLoading();
        QVERIFY(!form.Loading());
        QVERIFY(!a->Loading() && !b->Loading() && !c->Loading());
        QCOMPARE(a->log.first(), QStringLiteral("loaded:%1").arg(alClient));
        QCOMPARE(b->log.first(), QStringLiteral("loaded:%1").arg(alLeft));
        QCOMPARE(Geo(a), Rect(30, 0, 200, 100));
        QCOMPARE(Geo(b), Rect(0, 0, 30, 100));
        QCOMPARE(order, (QStringList{QStringLiteral("resize-a"), QStringLiteral("c")}));
        QCOMPARE(form.ComponentCount(), 3);
        QCOMPARE(c->ComponentIndex(), 2);
        QCOMPARE(form.FindComponent(QStringLiteral("C")), c);
        QVERIFY(!form.Designing());
    }

    void ownershipAndFreeNotification()
    {
        auto* owner = new TComponent;
        auto* target = new TComponent(owner);
        auto* sibling = new Referrer(owner);
        sibling->ref = target;
        // The owner tells everything it owns that one of its components left.
        delete target;
        QCOMPARE(sibling->ref, nullptr);
        QCOMPARE(owner->ComponentCount(), 1);

        auto* outside = new TComponent;
        auto* watcher = new Referrer;
        watcher->ref = outside;
        outside->FreeNotification(watcher);
        delete outside;
        QCOMPARE(watcher->ref, nullptr);

        // The link goes with either side: the referrer dies first here.
        auto* again = new TComponent;
        auto* gone = new Referrer;
        gone->ref = again;
        again->FreeNotification(gone);
        delete gone;
        delete again;   // must not tell the freed referrer

        // A control freed by its Qt parent leaves its owner's list.
        auto* form = new TCustomForm;
        auto* panel = new TCustomPanel(owner, form);
        QCOMPARE(owner->ComponentCount(), 2);
        delete form;
        QCOMPARE(owner->ComponentCount(), 1);
        Q_UNUSED(panel);
        delete owner;
        delete watcher;
    }

    void enabledColorFontAndCaptionNotifications()
    {
        Probe parent;
        auto* child = new Probe(nullptr, &parent);
        auto* grandchild = new Probe(nullptr, child);

        parent.SetEnabled(false);
        QCOMPARE(parent.log, QStringList{QStringLiteral("enabled:0")});
        // The children keep their own flag; only their input is blocked.
        QVERIFY(child->Enabled());
        QVERIFY(!child->isEnabled());
        parent.SetEnabled(false);
        QCOMPARE(parent.log.size(), 1);
        parent.SetEnabled(true);
        QVERIFY(child->isEnabled());

        parent.log.clear();
        parent.SetColor(clMoneyGreen);
        QCOMPARE(child->Color(), clMoneyGreen);
        QCOMPARE(grandchild->Color(), clMoneyGreen);
        QVERIFY(child->ParentColor());
        child->SetColor(clRed);
        QVERIFY(!child->ParentColor());
        parent.SetColor(clBlue);
        QCOMPARE(child->Color(), clRed);
        QCOMPARE(grandchild->Color(), clRed);
        child->SetParentColor(true);
        QCOMPARE(child->Color(), clBlue);
        QCOMPARE(grandchild->Color(), clBlue);

        child->log.clear();
        TFont f = parent.Font();
        f.SetHeight(-20);
        parent.SetFont(f);
        QCOMPARE(child->Font().Height(), -20);
        QCOMPARE(grandchild->Font().Height(), -20);
        QVERIFY(child->ParentFont());
        QVERIFY(child->log.contains(QStringLiteral("font")));
        child->Font().SetHeight(-9);
        QVERIFY(!child->ParentFont());
        QCOMPARE(grandchild->Font().Height(), -9);

        child->log.clear();
        child->SetCaption(QStringLiteral("A"));
        child->SetCaption(QStringLiteral("A"));
        QCOMPARE(child->log, QStringList{QStringLiteral("text:A")});

        // The caption follows the name while it equals it.
        child->SetCaption(QString());
        child->SetName(QStringLiteral("grp1"));
        QCOMPARE(child->Caption(), QStringLiteral("grp1"));
        child->SetCaption(QStringLiteral("选项"));
        child->SetName(QStringLiteral("grp2"));
        QCOMPARE(child->Caption(), QStringLiteral("选项"));
        child->SetControlStyle(child->ControlStyle() & ~csSetCaption);
        child->SetCaption(QStringLiteral("grp2"));
        child->SetName(QStringLiteral("grp3"));
        QCOMPARE(child->Caption(), QStringLiteral("grp2"));

        // A derived class's own parent-colour handler hears of the parent
        // given to the constructor once the event loop runs.
        struct ColourFollower : Probe {
            using Probe::Probe;
            TColor seen = clNone;
            void CMParentColorChanged() override
            {
                Probe::CMParentColorChanged();
                if (TControl* p = ParentControl())
                    seen = p->Color();
            }
        };
        auto* follower = new ColourFollower(nullptr, &parent);
        QCOMPARE(follower->Color(), clBlue);
        QTRY_COMPARE(follower->seen, clBlue);

        // A control parented later takes the parent's colour and font.
        auto* late = new Probe;
        late->SetParent(&parent);
        QCOMPARE(late->Color(), clBlue);
        QCOMPARE(late->Font().Height(), -20);
    }

    void timersTickUntilKilled()
    {
        Probe p;
        QVERIFY(p.SetTimer(7, 5));
        QVERIFY(p.SetTimer(9, 5));
        QTRY_VERIFY(p.log.count(QStringLiteral("timer:7")) >= 2);
        QTRY_VERIFY(p.log.contains(QStringLiteral("timer:9")));
        QVERIFY(p.KillTimer(7));
        QVERIFY(!p.KillTimer(7));
        QVERIFY(!p.TimerRunning(7));
        QVERIFY(p.TimerRunning(9));
        p.log.clear();
        QTest::qWait(40);
        QVERIFY(!p.log.contains(QStringLiteral("timer:7")));
        QVERIFY(p.log.contains(QStringLiteral("timer:9")));
    }

    void mouseClickCaptureAndEnterLeave()
    {
        TCustomForm form;
        form.SetBounds(100, 100, 200, 100);
        auto* a = new Probe(&form, &form);
        a->SetBounds(10, 10, 50, 30);
        auto* b = new Probe(&form, &form);
        b->SetBounds(100, 10, 50, 30);
        form.Show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        QTest::mouseMove(&form, QPoint(5, 5));
        QTest::mouseMove(a, QPoint(5, 5));
        QTRY_COMPARE(a->log.count(QStringLiteral("enter")), 1);
        QTest::mouseMove(b, QPoint(5, 5));
        QTRY_COMPARE(a->log.count(QStringLiteral("leave")), 1);
        QCOMPARE(b->log.count(QStringLiteral("enter")), 1);

        // A press captures: moves and the release outside still reach the
        // pressed control, in its own coordinates, and give no click.
        a->log.clear();
        b->log.clear();
        QTest::mousePress(a, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(a->MouseCapture());
        QTest::mouseMove(a, QPoint(120, 5));
        QTest::mouseRelease(a, Qt::LeftButton, {}, QPoint(120, 5));
        QVERIFY(a->log.contains(QStringLiteral("move:120,5")));
        QCOMPARE(a->log.count(QStringLiteral("click")), 0);
        QVERIFY(!a->MouseCapture());

        // Released inside: the click comes before the mouse-up.
        a->log.clear();
        QTest::mouseClick(a, Qt::LeftButton, {}, QPoint(49, 29));
        QCOMPARE(a->log, (QStringList{QStringLiteral("down:0:49,29"), QStringLiteral("click"), QStringLiteral("up:0:49,29")}));

        // The right button gives no click.
        a->log.clear();
        QTest::mouseClick(a, Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(a->log, (QStringList{QStringLiteral("down:1:5,5"), QStringLiteral("up:1:5,5")}));

        // Double click: with csDoubleClicks the second press is a double click.
        a->log.clear();
        DoubleClick(a);
        QCOMPARE(a->log.count(QStringLiteral("dblclick")), 1);
        QCOMPARE(a->log.count(QStringLiteral("down:0:5,5:dbl")), 1);
        QCOMPARE(a->log.count(QStringLiteral("click")), 1);
        // Without it, the second press is a press: two clicks.
        a->SetControlStyle(a->ControlStyle() & ~csDoubleClicks);
        a->log.clear();
        DoubleClick(a);
        QCOMPARE(a->log.count(QStringLiteral("click")), 2);
        QCOMPARE(a->log.count(QStringLiteral("dblclick")), 0);
    }

    void doubleBufferedPaintReachesTheScreen()
    {
        TCustomForm form;
        form.SetBounds(100, 100, 120, 80);
        auto* p = new Probe(&form, &form);
        p->SetBounds(10, 10, 40, 30);
        p->fill = clMoneyGreen;
        form.Show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_VERIFY(p->paints > 0);
        QCOMPARE(Px(p->Image(), 0, 0), ToQRgb(clMoneyGreen) & 0xFFFFFF);
        const QImage shot = p->grab().toImage();
        QCOMPARE(Px(shot, 39, 29), ToQRgb(clMoneyGreen) & 0xFFFFFF);
        // The form around it is erased in its colour.
        QCOMPARE(Px(form.grab().toImage(), 5, 5), ToQRgb(clBtnFace) & 0xFFFFFF);
    }

    void invalidateWithoutEraseKeepsTheImage()
    {
        Probe p;
        p.SetBounds(0, 0, 20, 20);
        p.SetColor(clWhite);
        p.dot = {3, 3};
        p.PaintToImage();   // first pass: erased everywhere
        QCOMPARE(Px(p.Image(), 0, 0), 0xFFFFFFu);
        QCOMPARE(Px(p.Image(), 3, 3), ToQRgb(clRed) & 0xFFFFFF);

        // Without erase the next pass draws over what was there.
        p.dot = {5, 5};
        p.InvalidateRect(nullptr, false);
        p.PaintToImage();
        QCOMPARE(Px(p.Image(), 3, 3), ToQRgb(clRed) & 0xFFFFFF);
        QCOMPARE(Px(p.Image(), 5, 5), ToQRgb(clRed) & 0xFFFFFF);

        // An erase of one rectangle clears only that rectangle.
        p.dot = {-1, -1};
        const TRect part = Rect(4, 4, 10, 10);
        p.InvalidateRect(&part, true);
        p.PaintToImage();
        QCOMPARE(Px(p.Image(), 3, 3), ToQRgb(clRed) & 0xFFFFFF);
        QCOMPARE(Px(p.Image(), 5, 5), 0xFFFFFFu);

        // A larger control keeps its old pixels and erases only the new area.
        p.SetColor(clBlue);
        p.dot = {3, 3};
        p.PaintToImage();
        p.dot = {-1, -1};
        p.SetBounds(0, 0, 30, 20);
        p.PaintToImage();
        QCOMPARE(Px(p.Image(), 3, 3), ToQRgb(clRed) & 0xFFFFFF);
        QCOMPARE(Px(p.Image(), 25, 5), ToQRgb(clBlue) & 0xFFFFFF);
    }

    void paintToReplaysIntoAnotherCanvas()
    {
        Probe p;
        p.SetBounds(0, 0, 10, 10);
        p.SetColor(clYellow);
        p.dot = {2, 2};
        QImage target(30, 30, QImage::Format_RGB32);
        target.fill(Qt::black);
        TCanvas canvas(&target);
        canvas.SetViewportOrg(5, 6);
        p.PaintTo(canvas, true);
        QCOMPARE(Px(target, 5, 6), ToQRgb(clYellow) & 0xFFFFFF);
        QCOMPARE(Px(target, 14, 15), ToQRgb(clYellow) & 0xFFFFFF);
        QCOMPARE(Px(target, 15, 16), 0u);
        QCOMPARE(Px(target, 7, 8), ToQRgb(clRed) & 0xFFFFFF);
        // The control's own image was not touched.
        QVERIFY(p.Image().isNull() || Px(p.Image(), 2, 2) != (ToQRgb(clRed) & 0xFFFFFF));
        // Without erase only Paint runs.
        target.fill(Qt::black);
        p.PaintTo(canvas, false);
        QCOMPARE(Px(target, 5, 6), 0u);
        QCOMPARE(Px(target, 7, 8), ToQRgb(clRed) & 0xFFFFFF);
    }

    void panelPaintsBevelsAndFace()
    {
        TCustomPanel panel;
        panel.SetBounds(0, 0, 20, 10);
        panel.SetBevelInner(bvLowered);
        panel.PaintToImage();
        const QImage& img = panel.Image();
        const QRgb hi = ToQRgb(clBtnHighlight) & 0xFFFFFF, sh = ToQRgb(clBtnShadow) & 0xFFFFFF,
                   face = ToQRgb(clBtnFace) & 0xFFFFFF;
        QCOMPARE(Px(img, 0, 0), hi);
        QCOMPARE(Px(img, 19, 0), sh);   // the top-right corner belongs to the dark side
        QCOMPARE(Px(img, 0, 9), sh);
        QCOMPARE(Px(img, 19, 9), sh);
        QCOMPARE(Px(img, 1, 1), sh);    // lowered inner bevel
        QCOMPARE(Px(img, 18, 8), hi);
        QCOMPARE(Px(img, 5, 5), face);
    }

    void hintsFollowShowHint()
    {
        TCustomForm form;
        form.SetBounds(100, 100, 100, 100);
        auto* p = new Probe(&form, &form);
        p->SetBounds(0, 0, 50, 50);
        p->SetHint(QStringLiteral("提示|long text"));
        form.Show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QHelpEvent off(QEvent::ToolTip, QPoint(5, 5), p->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(p, &off);
        QVERIFY(!QToolTip::isVisible());
        form.SetShowHint(true);   // the child follows its parent's ShowHint
        QVERIFY(p->ShowHint());
        QHelpEvent on(QEvent::ToolTip, QPoint(5, 5), p->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(p, &on);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("提示"));
        TControl::CancelHint();
        QTRY_VERIFY(!QToolTip::isVisible());
    }
};

RAVIK_TEST(TestControls)
#include "tst_controls.moc"
