// Dragging a control to dock it: the threshold, what the drag offers and
// drops, cancelling, floating, and sites that must not or cannot take it.
#include "DockDrag.h"
#include "Exception.h"
#include "FakeDialogs.h"
#include "Forms.h"
#include "TestMain.h"

#include <QPointer>

namespace {

// A container taking any control that is not docked in it yet.
class Site : public TCustomControl {
public:
    explicit Site(QWidget* parent) : TCustomControl(nullptr, parent) {}

    bool IsDockSite() const override { return true; }
    bool GetSiteInfo(TControl* client, TPoint, TRect& influenceRect) override
    {
        if (client->HostDockSite() == this)
            return false;
        const QPoint origin = mapToGlobal(QPoint(0, 0));
        influenceRect = Bounds(origin.x(), origin.y(), Width(), Height());
        return true;
    }
    bool DockDrop(TControl* client, TPoint screenPos) override
    {
        if (TControl* host = client->HostDockSite())
            host->UndockControl(client, nullptr);
        if (failHalfWay)
            throw Exception(QStringLiteral("Cannot dock here"));
        client->SetParent(this);
        client->SetHostDockSite(this);
        drops.push_back(screenPos);
        return true;
    }

    bool failHalfWay = false;
    std::vector<TPoint> drops;
};

// A form with two sites side by side; a small control docked in the left
// one arms a drag of itself when pressed.
struct Bench {
    TForm form;
    Site* a = new Site(&form);
    Site* b = new Site(&form);
    QPointer<TCustomControl> client = new TCustomControl(nullptr, nullptr);
    int clicks = 0;
    int threshold = -1;

    Bench()
    {
        form.SetBounds(20, 20, 400, 200);
        a->SetBounds(0, 0, 180, 200);
        b->SetBounds(200, 0, 180, 200);
        client->SetBounds(20, 20, 60, 40);
        client->SetParent(a);
        client->SetHostDockSite(a);
        client->OnMouseDown = [this](TObject*, TMouseButton button, TShiftState, int, int) {
            if (button == mbLeft)
                client->BeginDrag(false, threshold);
        };
        client->OnClick = [this](TObject*) { ++clicks; };
        form.Show();
    }

    ~Bench()
    {
        TDockDrag::Cancel();
        if (client && !client->parentWidget())
            delete client.data();
    }

    bool Ready() { return QTest::qWaitForWindowExposed(&form); }

    // Mouse events all go to the pressed control, as Qt's implicit grab
    // sends them, wherever the cursor is.
    void Press(QPoint local = {10, 10}) { QTest::mousePress(client, Qt::LeftButton, {}, local); }
    void MoveTo(QPoint global) { QTest::mouseMove(client, client->mapFromGlobal(global)); }
    void Release(QPoint global) { QTest::mouseRelease(client, Qt::LeftButton, {}, client->mapFromGlobal(global)); }

    static QPoint Centre(QWidget* w) { return w->mapToGlobal(w->rect().center()); }
};

QRect FeedbackRect()
{
    TDockDrag* drag = TDockDrag::Current();
    if (!drag || !drag->Feedback() || !drag->Feedback()->isVisible())
        return {};
    return drag->Feedback()->geometry();
}

} // namespace

class TestDockDrag : public QObject {
    Q_OBJECT
private slots:
    void theThresholdComesFirst()
    {
        QVERIFY(!DragThresholdPassed({0, 0}, {4, -4}));
        QVERIFY(DragThresholdPassed({0, 0}, {0, -5}));
        QVERIFY(DragThresholdPassed({10, 10}, {15, 10}));
        QVERIFY(!DragThresholdPassed({0, 0}, {19, 19}, 20));

        Bench t;
        QVERIFY(t.Ready());
        const QPoint start = t.client->mapToGlobal(QPoint(10, 10));
        t.Press();
        QVERIFY(t.client->Dragging());
        t.MoveTo(start + QPoint(4, 4));
        QVERIFY(!TDockDrag::Current()->Started());
        t.Release(start + QPoint(4, 4));
        // Released within the threshold: a click, nothing moved.
        QCOMPARE(t.clicks, 1);
        QCOMPARE(TDockDrag::Current(), nullptr);
        QCOMPARE(t.client->Parent(), t.a);

        // A threshold of the caller's own.
        t.threshold = 20;
        t.Press();
        t.MoveTo(start + QPoint(19, 0));
        QVERIFY(!TDockDrag::Current()->Started());
        t.MoveTo(start + QPoint(20, 0));
        QVERIFY(TDockDrag::Current()->Started());
        QTest::keyClick(t.client, Qt::Key_Escape);
        t.Release(start + QPoint(20, 0));
        QCOMPARE(t.clicks, 1);
        QCOMPARE(t.client->Parent(), t.a);
    }

    void aDropOnAnotherSiteDocksThere()
    {
        Bench t;
        QVERIFY(t.Ready());
        const QPoint start = t.client->mapToGlobal(QPoint(10, 10));
        t.Press();
        t.MoveTo(start + QPoint(0, 5));
        // Over its own site, which holds it already: nothing is offered.
        QCOMPARE(TDockDrag::Current()->Target(), t.a);
        QVERIFY(!TDockDrag::Current()->TargetAccepts());
        QCOMPARE(FeedbackRect(), QRect());
        const QPoint over = Bench::Centre(t.b);
        t.MoveTo(over);
        QCOMPARE(TDockDrag::Current()->Target(), t.b);
        QCOMPARE(FeedbackRect(), QRect(t.b->mapToGlobal(QPoint(0, 0)), t.b->size()));
        t.Release(over);

        QCOMPARE(t.client->Parent(), t.b);
        QCOMPARE(t.client->HostDockSite(), t.b);
        QCOMPARE(t.b->drops.size(), size_t(1));
        QCOMPARE(t.b->drops[0], (TPoint{over.x(), over.y()}));
        QCOMPARE(t.clicks, 0);   // a drag is no click
        QCOMPARE(TDockDrag::Current(), nullptr);
    }

    void losingTheFocusEndsADragUnlessTheButtonIsHeld()
    {
        Bench t;
        QVERIFY(t.Ready());
        TPointerState pointer{{0, 0}, true};
        SetPointerQuery([&pointer] { return pointer; });
        const struct Restore {
            ~Restore() { SetPointerQuery({}); }
        } restore;
        t.Press();
        t.MoveTo(t.client->mapToGlobal(QPoint(10, 30)));
        QEvent deactivate(QEvent::ApplicationDeactivate);
        QCoreApplication::sendEvent(qApp, &deactivate);
        QVERIFY(TDockDrag::Current() && TDockDrag::Current()->Started());
        pointer.LeftDown = false;
        QCoreApplication::sendEvent(qApp, &deactivate);
        QCOMPARE(TDockDrag::Current(), nullptr);
    }

    void aSiteInsideTheDraggedControlIsPassedOver()
    {
        Bench t;
        auto* inner = new Site(t.client);
        inner->SetBounds(0, 0, 60, 40);
        QVERIFY(t.Ready());
        const QPoint start = t.client->mapToGlobal(QPoint(10, 10));
        t.Press();
        t.MoveTo(start + QPoint(30, 10));   // still over the control itself
        QCOMPARE(TDockDrag::Current()->Target(), t.a);
        QVERIFY(!TDockDrag::Current()->TargetAccepts());
        t.Release(start + QPoint(30, 10));
        QCOMPARE(t.client->Parent(), t.a);
        QVERIFY(inner->drops.empty());
    }

    void aDropWhereNoSiteIsFloatsTheControl()
    {
        Bench t;
        QVERIFY(t.Ready());
        const QPoint start = t.client->mapToGlobal(QPoint(10, 10));
        const QPoint drop(500, 400);   // outside the form
        t.Press();
        t.MoveTo(start + QPoint(-6, 0));
        t.MoveTo(drop);
        // The outline keeps the pressed point under the cursor.
        QCOMPARE(TDockDrag::Current()->Target(), nullptr);
        QCOMPARE(FeedbackRect(), QRect(drop - QPoint(10, 10), QSize(60, 40)));
        t.Release(drop);

        QVERIFY(t.client->isWindow());
        QCOMPARE(t.client->Parent(), nullptr);
        QCOMPARE(t.client->HostDockSite(), nullptr);
        QTRY_VERIFY(t.client->isVisible());
        QCOMPARE(t.client->geometry(), QRect(drop - QPoint(10, 10), QSize(60, 40)));
        QCOMPARE(t.clicks, 0);
    }

    void anImmediateDragFromCodeAndEscape()
    {
        Bench t;
        QVERIFY(t.Ready());
        // Begun from code, the drag starts from the cursor at once; over
        // the control's own site it shows nothing.
        QCursor::setPos(t.client->mapToGlobal(QPoint(-15, -15)));
        t.client->BeginDrag(true);
        QVERIFY(TDockDrag::Current()->Started());
        QPointer<QWidget> frame = TDockDrag::Current()->Feedback();
        QVERIFY(frame && !frame->isVisible());
        QCOMPARE(TDockDrag::Current()->Target(), t.a);
        QTest::keyClick(&t.form, Qt::Key_Escape);
        QCOMPARE(TDockDrag::Current(), nullptr);
        QVERIFY(!frame);
        QCOMPARE(t.client->Parent(), t.a);

        // Begun below and right of the control, over nothing: the outline
        // keeps the control's far corner under the cursor.
        QCursor::setPos(QPoint(500, 400));
        t.client->BeginDrag(true);
        QCOMPARE(FeedbackRect(), QRect(QPoint(500 - 59, 400 - 39), QSize(60, 40)));
        TDockDrag::Cancel();
        QCOMPARE(t.client->Parent(), t.a);
    }

    void postedMouseEventsDriveTheDrag()
    {
        Bench t;
        QVERIFY(t.Ready());
        // One at a time, as a window system delivers them: Qt 6.4's mouse
        // events made together share their point, the last one's position.
        const auto post = [&](QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
            const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
            QCoreApplication::postEvent(t.client, new QMouseEvent(type, t.client->mapFromGlobal(global), global,
                                                                  button, buttons, Qt::NoModifier));
            QCoreApplication::processEvents();
        };
        const QPoint start = t.client->mapToGlobal(QPoint(10, 10));
        const QPoint over = Bench::Centre(t.b);
        post(QEvent::MouseButtonPress, start, Qt::LeftButton);
        post(QEvent::MouseMove, start + QPoint(8, 0), Qt::LeftButton);
        post(QEvent::MouseMove, over, Qt::LeftButton);
        post(QEvent::MouseButtonRelease, over, Qt::NoButton);
        QCOMPARE(t.client->Parent(), t.b);
        QCOMPARE(t.clicks, 0);
        QCOMPARE(TDockDrag::Current(), nullptr);
    }

    void aSiteFailingHalfWayLeavesTheControlFloating()
    {
        FakeDialogs dialogs;
        Bench t;
        t.b->failHalfWay = true;
        QVERIFY(t.Ready());
        const QPoint over = Bench::Centre(t.b);
        t.Press();
        t.MoveTo(over);
        t.Release(over);
        // The failure is shown, and the control it took off is not lost.
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].text, QStringLiteral("Cannot dock here"));
        QCOMPARE(TDockDrag::Current(), nullptr);
        QVERIFY(t.client->isWindow());
        QTRY_VERIFY(t.client->isVisible());
        QCOMPARE(t.client->HostDockSite(), nullptr);

        // A form counts itself hidden once taken off its parent; it still
        // comes back as a window of its own.
        QPointer<TForm> tool = new TForm;
        tool->SetBounds(5, 5, 50, 30);
        tool->SetParent(t.a);
        tool->SetHostDockSite(t.a);
        tool->SetVisible(true);
        QVERIFY(tool->isVisible());
        QCursor::setPos(over);
        tool->BeginDrag(true);
        QTest::mouseRelease(t.b, Qt::LeftButton, {}, t.b->mapFromGlobal(over));
        QCOMPARE(dialogs.messages.size(), 2);
        QVERIFY(tool->isWindow());
        QTRY_VERIFY(tool->isVisible());
        delete tool.data();
    }
};

RAVIK_TEST(TestDockDrag)
#include "tst_dockdrag.moc"
