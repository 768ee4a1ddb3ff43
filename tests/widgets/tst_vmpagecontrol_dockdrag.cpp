// Dragging a docked control off its tab: onto another page control, back
// onto its own, out into a window of its own, cancelled with Escape; and the
// tab presses that must not start such a drag.
#include "DockDrag.h"
#include "TestMain.h"
#include "tst_vmtabpaint_support.h"

#include <QPointer>

using namespace tabpaint_test;

namespace {

// Two windows side by side, each with a page control that takes docked
// controls; the left one holds an ordinary page and a docked tool window.
struct DockWindows {
    PageForm left{{QStringLiteral("One")}, 300, 150};
    PageForm right{{QStringLiteral("Two")}, 300, 150};
    QPointer<TForm> tool{new TForm};
    TVmPageControl& pc1 = *left.pc;
    TVmPageControl& pc2 = *right.pc;
    int clicks = 0;

    DockWindows()
    {
        left.form.SetBounds(20, 20, 340, 190);
        right.form.SetBounds(420, 20, 340, 190);
        pc1.SetDockSite(true);
        pc2.SetDockSite(true);
        tool->SetCaption(QStringLiteral("Tools"));
        tool->SetBounds(0, 0, 120, 80);
        tool->Show();
        pc1.DockControl(tool);
        pc1.OnClick = [this](TObject*) { ++clicks; };
        left.form.Show();
        right.form.Show();
    }

    ~DockWindows()
    {
        TDockDrag::Cancel();
        // Docked, the tool goes with its page; floating, it is ours.
        if (tool && !tool->parentWidget())
            delete tool.data();
    }

    bool Ready()
    {
        return QTest::qWaitForWindowExposed(&left.form) && QTest::qWaitForWindowExposed(&right.form);
    }

    static QPoint TabCentre(TVmPageControl& pc, int index)
    {
        pc.UpdateLayout();
        const TRect r = pc.TabClientRect(index);
        return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
    }

    QPoint ToolTab() { return TabCentre(pc1, pc1.DockedPage(tool)->GetTabIndex()); }

    // The mouse stays with the control it was pressed on, as Qt's implicit
    // grab keeps it, wherever on the screen it goes.
    void Press(TVmPageControl& pc, QPoint local) { QTest::mousePress(&pc, Qt::LeftButton, {}, local); }
    void MoveTo(TVmPageControl& pressed, QPoint global)
    {
        QTest::mouseMove(&pressed, pressed.mapFromGlobal(global));
    }
    void Release(TVmPageControl& pressed, QPoint global)
    {
        QTest::mouseRelease(&pressed, Qt::LeftButton, {}, pressed.mapFromGlobal(global));
    }

    static QPoint Centre(TVmPageControl& pc) { return pc.mapToGlobal(QPoint(pc.Width() / 2, pc.Height() / 2)); }
};

QRect FeedbackRect()
{
    TDockDrag* drag = TDockDrag::Current();
    if (!drag || !drag->Feedback() || !drag->Feedback()->isVisible())
        return {};
    return drag->Feedback()->geometry();
}

} // namespace

class TestVmPageControlDockDrag : public QObject {
    Q_OBJECT
private slots:
    void pressWithinTheThresholdIsAPlainClick()
    {
        DockWindows w;
        QVERIFY(w.Ready());
        TVmTabSheet* page = w.pc1.DockedPage(w.tool);
        const QPoint tab = w.ToolTab();
        w.Press(w.pc1, tab);
        // The press selected the tab and armed the drag, nothing more yet.
        QCOMPARE(w.pc1.ActivePage(), page);
        QVERIFY(w.tool->Dragging());
        QVERIFY(!TDockDrag::Current()->Started());
        const QPoint start = w.pc1.mapToGlobal(tab);
        w.MoveTo(w.pc1, start + QPoint(4, -4));
        QVERIFY(!TDockDrag::Current()->Started());
        QVERIFY(!TDockDrag::Current()->Feedback());
        w.Release(w.pc1, start + QPoint(4, -4));
        QCOMPARE(TDockDrag::Current(), nullptr);
        QCOMPARE(w.pc1.DockedPage(w.tool), page);
        QCOMPARE(w.tool->Parent(), page);
        QCOMPARE(w.clicks, 1);

        // Five pixels along one axis are enough.
        w.Press(w.pc1, tab);
        w.MoveTo(w.pc1, start + QPoint(0, 5));
        QVERIFY(TDockDrag::Current() && TDockDrag::Current()->Started());
        QTest::keyClick(&w.pc1, Qt::Key_Escape);
        w.Release(w.pc1, start + QPoint(0, 5));
        QCOMPARE(w.pc1.DockedPage(w.tool), page);
    }

    void droppedWhereNoSiteIsItFloats()
    {
        DockWindows w;
        QVERIFY(w.Ready());
        QPointer<TVmTabSheet> page = w.pc1.DockedPage(w.tool);
        const QPoint tab = w.ToolTab();
        const QPoint start = w.pc1.mapToGlobal(tab);
        const QPoint toolOrigin = w.tool->mapToGlobal(QPoint(0, 0));
        // The tool was a window before it docked: it floats at that size.
        const QSize size(120, 80);
        QVERIFY(w.tool->size() != size);
        const QPoint drop(300, 420);   // below both windows

        w.Press(w.pc1, tab);
        w.MoveTo(w.pc1, start + QPoint(10, 10));
        w.MoveTo(w.pc1, drop);
        // The outline at the tool's size: the pressed point stays under the
        // cursor across, and the tab above the tool puts its top edge there.
        const QPoint expected(drop.x() - (start.x() - toolOrigin.x()), drop.y());
        QCOMPARE(TDockDrag::Current()->Target(), nullptr);
        QCOMPARE(FeedbackRect(), QRect(expected, size));
        w.Release(w.pc1, drop);

        QCOMPARE(TDockDrag::Current(), nullptr);
        QVERIFY(w.tool->isWindow());
        QCOMPARE(w.tool->Parent(), nullptr);
        QTRY_VERIFY(w.tool->isVisible());
        QCOMPARE(w.tool->geometry(), QRect(expected, size));
        QCOMPARE(w.tool->Align(), alNone);
        QCOMPARE(w.tool->HostDockSite(), nullptr);
        QVERIFY(!page);
        QCOMPARE(w.pc1.PageCount(), 1);
        QCOMPARE(w.pc1.ActivePage(), w.left.pages[0]);
        QCOMPARE(w.pc1.TabIndex(), 0);
        // A drag is no click, and the page control forgot the press.
        QCOMPARE(w.clicks, 0);
        QTest::mouseClick(&w.pc1, Qt::LeftButton, {}, DockWindows::TabCentre(w.pc1, 0));
        QCOMPARE(w.clicks, 1);
    }

    void droppedOnAnotherPageControlItDocksThere()
    {
        DockWindows w;
        QVERIFY(w.Ready());
        QPointer<TVmTabSheet> oldPage = w.pc1.DockedPage(w.tool);
        const QPoint start = w.pc1.mapToGlobal(w.ToolTab());
        const QPoint target = DockWindows::Centre(w.pc2);

        w.Press(w.pc1, w.ToolTab());
        w.MoveTo(w.pc1, start + QPoint(20, 0));
        w.MoveTo(w.pc1, target);
        QCOMPARE(TDockDrag::Current()->Target(), &w.pc2);
        QVERIFY(TDockDrag::Current()->TargetAccepts());
        QCOMPARE(TRect::FromQRect(FeedbackRect()), w.pc2.DockDropRect());
        w.Release(w.pc1, target);

        TVmTabSheet* page = w.pc2.DockedPage(w.tool);
        QVERIFY(page);
        QCOMPARE(page->Caption(), QStringLiteral("Tools"));
        QCOMPARE(w.pc2.PageCount(), 2);
        QCOMPARE(w.pc2.ActivePage(), page);
        QCOMPARE(w.tool->Parent(), page);
        QCOMPARE(w.tool->Align(), alClient);
        QCOMPARE(w.tool->HostDockSite(), &w.pc2);
        QTRY_VERIFY(w.tool->isVisible());
        QVERIFY(!w.pc1.DockedPage(w.tool));
        QVERIFY(!oldPage);
        QCOMPARE(w.pc1.PageCount(), 1);
        QCOMPARE(w.pc1.ActivePage(), w.left.pages[0]);

        // And from there back again, pressed on the other control's tab.
        const QPoint tab2 = DockWindows::TabCentre(w.pc2, page->GetTabIndex());
        w.Press(w.pc2, tab2);
        w.MoveTo(w.pc2, w.pc2.mapToGlobal(tab2) + QPoint(0, 30));
        w.MoveTo(w.pc2, DockWindows::Centre(w.pc1));
        w.Release(w.pc2, DockWindows::Centre(w.pc1));
        QVERIFY(w.pc1.DockedPage(w.tool));
        QCOMPARE(w.tool->HostDockSite(), &w.pc1);
        QCOMPARE(w.pc2.PageCount(), 1);
    }

    void droppedBackOnItsOwnControlNothingChanges()
    {
        DockWindows w;
        QVERIFY(w.Ready());
        w.pc1.SetActivePage(w.left.pages[0]);
        TVmTabSheet* page = w.pc1.DockedPage(w.tool);
        const QPoint start = w.pc1.mapToGlobal(w.ToolTab());
        const QPoint over = w.pc1.mapToGlobal(QPoint(150, 100));

        w.Press(w.pc1, w.ToolTab());
        w.MoveTo(w.pc1, start + QPoint(30, 30));
        w.MoveTo(w.pc1, over);
        // A control docked here is not offered to dock here again.
        QCOMPARE(TDockDrag::Current()->Target(), &w.pc1);
        QVERIFY(!TDockDrag::Current()->TargetAccepts());
        QCOMPARE(FeedbackRect(), QRect());
        w.Release(w.pc1, over);

        QCOMPARE(TDockDrag::Current(), nullptr);
        QCOMPARE(w.pc1.DockedPage(w.tool), page);
        QCOMPARE(w.tool->Parent(), page);
        QCOMPARE(page->PageIndex(), 1);
        QCOMPARE(w.pc1.PageCount(), 2);
        QCOMPARE(w.pc1.ActivePage(), page);   // selected by the press
        QCOMPARE(w.pc2.PageCount(), 1);
        QCOMPARE(w.clicks, 0);
    }

    void escapeCancelsTheDrag()
    {
        DockWindows w;
        QVERIFY(w.Ready());
        TVmTabSheet* page = w.pc1.DockedPage(w.tool);
        const QPoint start = w.pc1.mapToGlobal(w.ToolTab());
        const QPoint target = DockWindows::Centre(w.pc2);
        bool formSawEscape = false;
        w.left.form.OnKeyDown = [&](TObject*, TKey& key, TShiftState) { formSawEscape |= key == Qt::Key_Escape; };

        w.Press(w.pc1, w.ToolTab());
        w.MoveTo(w.pc1, start + QPoint(-10, 10));
        w.MoveTo(w.pc1, target);
        QPointer<QWidget> frame = TDockDrag::Current()->Feedback();
        QVERIFY(frame && frame->isVisible());
        QTest::keyClick(&w.pc1, Qt::Key_Escape);
        QCOMPARE(TDockDrag::Current(), nullptr);
        QVERIFY(!frame);
        QVERIFY(!formSawEscape);
        // Moving on and releasing over the other site does nothing now.
        w.MoveTo(w.pc1, target + QPoint(5, 5));
        w.Release(w.pc1, target + QPoint(5, 5));
        QCOMPARE(w.pc1.DockedPage(w.tool), page);
        QCOMPARE(w.tool->Parent(), page);
        QCOMPARE(w.pc2.PageCount(), 1);
        QCOMPARE(w.clicks, 0);
    }

    void ordinaryTabsKeepTheirOwnDragging()
    {
        DockWindows w;
        QVERIFY(w.Ready());
        TVmTabSheet* one = w.left.pages[0];
        const QPoint tab0 = DockWindows::TabCentre(w.pc1, 0);
        w.Press(w.pc1, tab0);
        QCOMPARE(TDockDrag::Current(), nullptr);
        w.MoveTo(w.pc1, DockWindows::Centre(w.pc2));
        w.Release(w.pc1, DockWindows::Centre(w.pc2));
        QCOMPARE(one->PageControl(), &w.pc1);
        QCOMPARE(w.pc2.PageCount(), 1);

        // With tab dragging, an ordinary page's tab still moves along the
        // strip (a press on the selected tab needs the focus to go on).
        w.pc1.SetAllowTabDragging(true);
        w.left.form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.left.form));
        const QPoint tab1 = w.ToolTab();
        w.Press(w.pc1, tab0);
        QCOMPARE(TDockDrag::Current(), nullptr);
        QTest::mouseMove(&w.pc1, tab1);
        w.Release(w.pc1, w.pc1.mapToGlobal(tab1));
        QCOMPARE(one->PageIndex(), 1);

        // The docked tool's tab drags the tool, not the tab: dropped on the
        // strip of its own control nothing moves, and the tab drag it would
        // have armed is gone, not left waiting for the next press.
        TVmTabSheet* toolPage = w.pc1.DockedPage(w.tool);
        QCOMPARE(toolPage->PageIndex(), 0);
        const QPoint toolTab = w.ToolTab(), oneTab = DockWindows::TabCentre(w.pc1, 1);
        w.Press(w.pc1, toolTab);
        QTest::mouseMove(&w.pc1, oneTab);
        w.Release(w.pc1, w.pc1.mapToGlobal(oneTab));
        QCOMPARE(toolPage->PageIndex(), 0);
        QCOMPARE(w.pc1.DockedPage(w.tool), toolPage);
        QTest::mousePress(&w.pc1, Qt::LeftButton, {}, QPoint(150, 120));   // on the page, no tab
        QTest::mouseMove(&w.pc1, oneTab);
        QTest::mouseRelease(&w.pc1, Qt::LeftButton, {}, oneTab);
        QCOMPARE(toolPage->PageIndex(), 0);
    }

    void doubleClickFloatsTheToolAsTheWindowItWasLast()
    {
        DockWindows w;
        QVERIFY(w.Ready());
        const auto doubleClickTab = [&w] {
            const QPoint tab = w.ToolTab();
            QTest::mouseMove(&w.pc1, tab);   // the cursor is where the tab is hit
            QTest::mouseClick(&w.pc1, Qt::LeftButton, {}, tab);
            QTest::mouseDClick(&w.pc1, Qt::LeftButton, {}, tab);
            QTest::mouseRelease(&w.pc1, Qt::LeftButton, {}, tab);
        };
        // The tool was a window before it docked: it floats back there.
        QPointer<TVmTabSheet> page = w.pc1.DockedPage(w.tool);
        const QRect before = w.tool->FloatingBounds().ToQRect();
        QCOMPARE(before.size(), QSize(120, 80));
        doubleClickTab();
        QCOMPARE(TDockDrag::Current(), nullptr);
        QVERIFY(!page);
        QVERIFY(w.tool->isWindow());
        QTRY_VERIFY(w.tool->isVisible());
        QCOMPARE(w.tool->geometry(), before);
        QCOMPARE(w.tool->HostDockSite(), nullptr);
        QCOMPARE(w.pc1.ActivePage(), w.left.pages[0]);

        // Moved, sized and maximised, then docked: it comes back the same.
        w.tool->setGeometry(400, 300, 200, 150);
        w.tool->showMaximized();
        QTRY_VERIFY(w.tool->isMaximized());
        w.pc1.DockControl(w.tool);
        QVERIFY(!w.tool->isMaximized());
        doubleClickTab();
        QVERIFY(w.tool->isWindow());
        QTRY_VERIFY(w.tool->isMaximized());
        w.tool->showNormal();
        QTRY_COMPARE(w.tool->geometry(), QRect(400, 300, 200, 150));
    }

    void aToolWindowDraggedByItsTitleBarDocksOnATabRowOnly()
    {
        DockWindows w;
        QVERIFY(w.Ready());
        // The window manager keeps the mouse while it moves a window: the
        // drag learns of the pointer only by asking.
        TPointerState pointer{{300, 420}, true};
        SetPointerQuery([&pointer] { return pointer; });
        const struct Restore {
            ~Restore() { SetPointerQuery({}); }
        } restore;
        const auto moveTo = [&](QPoint cursor) {
            pointer.Pos = {cursor.x(), cursor.y()};
            // The title bar above the window's client area is under the cursor.
            w.tool->move(cursor + QPoint(-40, 12));
        };
        const QPoint row2 = w.pc2.mapToGlobal(QPoint(w.pc2.Width() - 20, 10));   // right of the tab

        // Floated by a press still held (a double-click on its tab): moves
        // of its window do not drag it until that button has come up.
        w.tool->ManualFloat(Bounds(250, 400, 120, 80));
        QTRY_VERIFY(w.tool->isVisible());
        moveTo(row2);
        QTest::qWait(50);
        QCOMPARE(TDockDrag::Current(), nullptr);
        pointer.LeftDown = false;
        QTest::qWait(100);
        QVERIFY(!w.pc2.DockedPage(w.tool));

        // A window manager that tells of every move: across the other
        // control's pages no site is offered, nor anything drawn; over its
        // tab row it is, and letting go there docks the tool.
        pointer.LeftDown = true;
        moveTo(DockWindows::Centre(w.pc2));
        QTRY_VERIFY(TDockDrag::Current());
        QVERIFY(TDockDrag::Current()->FollowsWindow());
        QCOMPARE(TDockDrag::Current()->Target(), nullptr);
        QCOMPARE(FeedbackRect(), QRect());
        pointer.Pos = {row2.x(), row2.y()};
        QTRY_COMPARE(TDockDrag::Current()->Target(), &w.pc2);
        QCOMPARE(TRect::FromQRect(FeedbackRect()), w.pc2.DockDropRect());
        pointer.LeftDown = false;
        QTRY_VERIFY(w.pc2.DockedPage(w.tool));
        QCOMPARE(TDockDrag::Current(), nullptr);
        QCOMPARE(w.pc2.ActivePage(), w.pc2.DockedPage(w.tool));
        QVERIFY(!w.tool->Floating());

        // One that tells only once the button is up: let go across the
        // pages the window stays where it was moved, on the tab row it docks.
        // (Out of sight with its page, the tool is still meant to show.)
        w.pc2.SetActivePage(w.right.pages[0]);
        QVERIFY(w.tool->Visible());
        w.tool->ManualFloat(Bounds(250, 400, 120, 80));
        moveTo(DockWindows::Centre(w.pc1));
        QTest::qWait(50);
        QCOMPARE(TDockDrag::Current(), nullptr);
        QVERIFY(w.tool->isWindow());
        QCOMPARE(w.tool->pos(), DockWindows::Centre(w.pc1) + QPoint(-40, 12));
        moveTo(row2);
        QTRY_VERIFY(w.pc2.DockedPage(w.tool));
    }

    void aToolFreedWhileDockedOrDraggedLeavesNothingBehind()
    {
        DockWindows w;
        QVERIFY(w.Ready());
        QPointer<TVmTabSheet> page = w.pc1.DockedPage(w.tool);
        w.Press(w.pc1, w.ToolTab());
        w.MoveTo(w.pc1, DockWindows::Centre(w.pc2));
        QPointer<QWidget> frame = TDockDrag::Current()->Feedback();
        delete w.tool.data();
        QCOMPARE(TDockDrag::Current(), nullptr);
        QVERIFY(!frame);
        w.Release(w.pc1, DockWindows::Centre(w.pc2));
        // Its emptied page goes from the event loop.
        QTRY_VERIFY(!page);
        QCOMPARE(w.pc1.PageCount(), 1);
        QCOMPARE(w.pc2.PageCount(), 1);
    }
};

RAVIK_TEST(TestVmPageControlDockDrag)
#include "tst_vmpagecontrol_dockdrag.moc"
