// The page control: pages and their tabs, the order of events and focus
// moves on a page change, keys, closing, moving, loading, page colours.
#include "Exception.h"
#include "TestMain.h"
#include "VmCommon.h"
#include "tst_vmtabpaint_support.h"

#include <QLineEdit>
#include <QPointer>

using namespace tabpaint_test;

namespace {

// Records the change events of a page control with what they find.
struct PageLog {
    QStringList events;

    void Attach(TVmPageControl& pc)
    {
        pc.OnChanging = [this, &pc](TObject*, int index, bool&) {
            events << QStringLiteral("changing %1 (active %2, tab %3)")
                          .arg(index)
                          .arg(pc.ActivePageIndex())
                          .arg(pc.TabIndex());
        };
        pc.OnChange = [this, &pc](TObject*) {
            events << QStringLiteral("change %1 (active %2)").arg(pc.TabIndex()).arg(pc.ActivePageIndex());
        };
        pc.OnTabClick = [this](TObject*) { events << QStringLiteral("click"); };
    }
};

QString MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QString();
}

} // namespace

class TestVmPageControl : public QObject {
    Q_OBJECT
private slots:
    void defaults()
    {
        TVmPageControl pc;
        QCOMPARE(pc.Width(), 300);
        QCOMPARE(pc.Height(), 150);
        QVERIFY(!pc.UseColoredTabs());
        QVERIFY(!pc.SaveResources());
        QCOMPARE(pc.ActivePage(), nullptr);
        QCOMPARE(pc.ActivePageIndex(), -1);
        QVERIFY(!(pc.ControlStyle() & csAcceptsControls));
        QVERIFY(pc.ControlStyle() & csOpaque);

        TVmTabSheet page;
        QCOMPARE(page.ImageIndex(), -1);
        QCOMPARE(page.DisabledIndex(), -1);
        QVERIFY(page.TabEnabled() && page.TabVisible());
        QCOMPARE(page.Color(), clBtnFace);
        QCOMPARE(page.Align(), alClient);
        QVERIFY(!page.Visible());
        QCOMPARE(page.PageIndex(), -1);
        QCOMPARE(page.GetTabIndex(), -1);
        QVERIFY(page.ControlStyle() & csAcceptsControls);
        // Without page control a page index is simply not there to change.
        page.SetPageIndex(3);
        QCOMPARE(page.PageIndex(), -1);
    }

    void tabListFollowsThePages()
    {
        PageForm f({QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")});
        TVmPageControl& pc = *f.pc;
        QCOMPARE(pc.Tabs().Count(), 3);
        f.pages[1]->SetCaption(QStringLiteral("Deux"));
        f.pages[1]->SetImageIndex(4);
        f.pages[1]->SetHint(QStringLiteral("second"));
        f.pages[1]->SetCaption(QStringLiteral("Deux"));
        f.pages[2]->SetTabEnabled(false);
        QCOMPARE(pc.Tabs()[1]->Caption, QStringLiteral("Deux"));
        QCOMPARE(pc.Tabs()[1]->ImageIndex, 4);
        QCOMPARE(pc.Tabs()[1]->Hint, QStringLiteral("second"));
        QVERIFY(!pc.Tabs()[2]->Enabled);

        // A page without tab has no tab record; later tabs move up.
        f.pages[1]->SetTabVisible(false);
        QCOMPARE(pc.Tabs().Count(), 2);
        QCOMPARE(pc.Tabs()[1]->Caption, QStringLiteral("Three"));
        QCOMPARE(f.pages[1]->GetTabIndex(), -1);
        QCOMPARE(f.pages[2]->GetTabIndex(), 1);
        QCOMPARE(pc.PageForTab(1), f.pages[2]);
        QCOMPARE(pc.PageForTab(2), nullptr);
        QCOMPARE(pc.PageForTab(-1), nullptr);
        pc.HideAllTabs();
        QCOMPARE(pc.Tabs().Count(), 0);
        pc.ShowAllTabs();
        QCOMPARE(pc.Tabs().Count(), 3);
    }

    void clickOnTheSecondTabMovesTheFocusAlong()
    {
        PageForm f({QStringLiteral("Code"), QStringLiteral("Preview")}, 400, 200);
        auto* edit1 = new QLineEdit(f.pages[0]);
        auto* edit2 = new QLineEdit(f.pages[1]);
        f.form.show();
        QVERIFY(QTest::qWaitForWindowActive(&f.form));
        edit1->setFocus();
        QCOMPARE(QApplication::focusWidget(), edit1);
        f.Paint();

        QStringList events;
        TVmPageControl& pc = *f.pc;
        pc.OnChanging = [&](TObject*, int index, bool&) {
            events << QStringLiteral("changing %1").arg(index);
            QVERIFY(f.pages[0]->Visible() && !f.pages[1]->Visible());
            QCOMPARE(QApplication::focusWidget(), edit1);
            QCOMPARE(pc.TabIndex(), 0);
        };
        pc.OnChange = [&](TObject*) {
            events << QStringLiteral("change %1").arg(pc.TabIndex());
            // By now the new page is shown and has the focus.
            QVERIFY(!f.pages[0]->Visible() && f.pages[1]->Visible());
            QCOMPARE(pc.ActivePage(), f.pages[1]);
            QCOMPARE(QApplication::focusWidget(), edit2);
        };
        pc.OnTabClick = [&](TObject*) { events << QStringLiteral("click"); };
        const TRect t = f.Tab(1);
        QTest::mouseClick(f.pc, Qt::LeftButton, {}, QPoint((t.Left + t.Right) / 2, (t.Top + t.Bottom) / 2));
        QCOMPARE(events, (QStringList{"changing 1", "change 1", "click"}));
        QCOMPARE(QApplication::focusWidget(), edit2);
        QCOMPARE(f.form.ActiveControl(), edit2);
        QVERIFY(!f.pc->Focused());
        // The page fills the display rectangle.
        const TRect d = pc.DisplayRect();
        QCOMPARE(f.pages[1]->BoundsRect(), d);
    }

    void focusOutsideTheOldPageStaysWhereItIs()
    {
        PageForm f({QStringLiteral("Code"), QStringLiteral("Preview")}, 400, 200);
        new QLineEdit(f.pages[1]);
        auto* outside = new QLineEdit(&f.form);
        outside->setGeometry(0, 210, 100, 20);
        f.form.show();
        QVERIFY(QTest::qWaitForWindowActive(&f.form));
        outside->setFocus();
        f.pc->SetActivePage(f.pages[1]);
        QCOMPARE(QApplication::focusWidget(), outside);
    }

    void activePageFromCodeIsAClickWithoutTabClick()
    {
        PageForm f({QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")});
        PageLog log;
        log.Attach(*f.pc);
        f.pc->SetActivePage(f.pages[2]);
        QCOMPARE(log.events, (QStringList{"changing 2 (active 0, tab 0)", "change 2 (active 2)"}));
        QVERIFY(f.pages[2]->Visible() && !f.pages[0]->Visible());

        // A refused change leaves page and index alone.
        log.events.clear();
        f.pc->OnChanging = [&](TObject*, int, bool& allow) { allow = false; };
        f.pc->SetActivePage(f.pages[1]);
        QCOMPARE(f.pc->ActivePage(), f.pages[2]);
        QCOMPARE(f.pc->TabIndex(), 2);
        QVERIFY(f.pages[2]->Visible() && !f.pages[1]->Visible());
        QVERIFY(log.events.isEmpty());

        // A page of another control is ignored.
        PageForm other({QStringLiteral("Else")});
        f.pc->SetActivePage(other.pages[0]);
        QCOMPARE(f.pc->ActivePage(), f.pages[2]);
        // ActivePageIndex picks by position.
        f.pc->OnChanging = nullptr;
        f.pc->SetActivePageIndex(0);
        QCOMPARE(f.pc->ActivePage(), f.pages[0]);
        // An index outside the list is the list's error; the page stays.
        QCOMPARE(MessageOf([&] { f.pc->SetActivePageIndex(3); }), QStringLiteral("List index out of bounds (3)"));
        QCOMPARE(MessageOf([&] { f.pc->SetActivePageIndex(-1); }), QStringLiteral("List index out of bounds (-1)"));
        QCOMPARE(f.pc->ActivePage(), f.pages[0]);
    }

    void saveResourcesGivesBackHiddenPagesImages()
    {
        PageForm f({QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")}, 300, 150);
        f.pages[1]->SetColor(RGB(10, 20, 30));   // coloured tabs: each page fills with its own colour
        f.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.form));
        for (int i : {1, 2, 0}) {
            f.pc->SetActivePage(f.pages[i]);
            f.pages[i]->PaintToImage();
        }
        QVERIFY(!f.pages[1]->Image().isNull() && !f.pages[2]->Image().isNull());

        // Switching it on frees every page but the active one.
        f.pc->SetSaveResources(true);
        QVERIFY(!f.pages[0]->Image().isNull());
        QVERIFY(f.pages[1]->Image().isNull());
        QVERIFY(f.pages[2]->Image().isNull());

        // While on, a page that stops being active loses its image; shown
        // again, it paints itself whole from a fresh one.
        f.pc->SetActivePage(f.pages[1]);
        QVERIFY(f.pages[0]->Image().isNull());
        f.pages[1]->PaintToImage();
        const QImage image = f.pages[1]->Image();
        QCOMPARE(image.size(), f.pages[1]->size());
        QCOMPARE(QColor(image.pixel(image.width() / 2, image.height() / 2)), QColor(10, 20, 30));
    }

    void loadingShowsTheStoredPageSilently()
    {
        for (bool withDefault : {false, true}) {
            TForm form;
            form.BeginLoading();
            auto* pc = new TVmPageControl(&form, &form);
            PageLog log;
            log.Attach(*pc);
            pc->SetFont(CaptionFont());
            pc->SetBounds(0, 0, 300, 150);
            auto* p1 = new TVmTabSheet(&form);
            p1->SetPageControl(pc);
            p1->SetCaption(QStringLiteral("One"));
            auto* p2 = new TVmTabSheet(&form);
            p2->SetPageControl(pc);
            p2->SetCaption(QStringLiteral("Two"));
            pc->SetTabIndex(1);
            pc->SetActivePage(p2);
            if (withDefault)
                pc->SetActivePageDefault(p1);
            QVERIFY(!p1->Visible() && !p2->Visible());
            form.EndLoading();

            TVmTabSheet* shown = withDefault ? p1 : p2;
            TVmTabSheet* hidden = withDefault ? p2 : p1;
            QCOMPARE(pc->ActivePage(), shown);
            QCOMPARE(pc->TabIndex(), shown->GetTabIndex());
            QVERIFY(shown->Visible() && !hidden->Visible());
            QVERIFY2(log.events.isEmpty(), qPrintable(log.events.join(QStringLiteral("; "))));
            QVERIFY(!pc->LoadingPages());
            // Afterwards the events run again.
            pc->SetActivePage(hidden);
            QCOMPARE(log.events.size(), 2);
        }
    }

    void ctrlTabWrapsAtBothEnds()
    {
        PageForm f({QStringLiteral("One"), QStringLiteral("Hidden"), QStringLiteral("Two"), QStringLiteral("Three")},
                   400, 200);
        std::vector<QLineEdit*> edits;
        for (TVmTabSheet* page : f.pages)
            edits.push_back(new QLineEdit(page));
        auto* outside = new QLineEdit(&f.form);
        outside->setGeometry(0, 210, 100, 20);
        f.pages[1]->SetTabVisible(false);
        f.pc->SetActivePage(f.pages[3]);
        f.form.show();
        QVERIFY(QTest::qWaitForWindowActive(&f.form));
        edits[3]->setFocus();

        // Forward from the last page: the first page with a tab.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(f.pc->ActivePage(), f.pages[0]);
        QCOMPARE(QApplication::focusWidget(), edits[0]);
        // Backward from the first: the last; the page without tab is skipped.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(f.pc->ActivePage(), f.pages[3]);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(f.pc->ActivePage(), f.pages[2]);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(f.pc->ActivePage(), f.pages[0]);
        QCOMPARE(f.pc->FindNextPage(f.pages[0], false, false), f.pages[3]);
        QCOMPARE(f.pc->FindNextPage(nullptr, true, true), f.pages[0]);
        QCOMPARE(f.pc->FindNextPage(nullptr, false, true), f.pages[3]);

        // With the focus outside the control the key is not its business.
        outside->setFocus();
        QTest::keyClick(outside, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(f.pc->ActivePage(), f.pages[0]);
    }

    void closingPages()
    {
        PageForm f({QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")});
        TVmPageControl& pc = *f.pc;
        pc.SetActivePage(f.pages[1]);
        PageLog log;
        log.Attach(pc);
        QPointer<TVmTabSheet> second = f.pages[1];

        // Left refused (the flag's first value), nothing changes.
        pc.CloseRequest();
        QVERIFY(second);
        pc.OnClose = [](TObject*, bool& allow) { allow = true; };
        pc.CloseRequest();
        QVERIFY(!second);
        QCOMPARE(pc.PageCount(), 2);
        QCOMPARE(pc.ActivePage(), f.pages[0]);
        QCOMPARE(pc.TabIndex(), 0);
        QVERIFY(f.pages[0]->Visible());
        QCOMPARE(log.events, (QStringList{"changing 0 (active -1, tab -1)", "change 0 (active 0)"}));

        // Closing the first of the remaining two selects the new first.
        log.events.clear();
        pc.CloseRequest();
        QCOMPARE(pc.ActivePage(), f.pages[2]);
        QCOMPARE(log.events.size(), 2);

        // The only page: an empty control, no tab, no event.
        log.events.clear();
        pc.CloseRequest();
        QCOMPARE(pc.PageCount(), 0);
        QCOMPARE(pc.TabIndex(), -1);
        QCOMPARE(pc.ActivePage(), nullptr);
        QVERIFY(log.events.isEmpty());
        // A close request without selection asks nobody.
        pc.OnClose = [](TObject*, bool&) { QFAIL("asked without a selected tab"); };
        pc.CloseRequest();
        f.Paint();
    }

    void hidingInsteadOfClosingKeepsThePage()
    {
        auto f = PageForm::Find();
        f->form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f->form));
        TVmPageControl& pc = *f->pc;
        pc.OnClose = [&](TObject* sender, bool&) { static_cast<TVmPageControl*>(sender)->Hide(); };
        pc.CloseRequest();
        QVERIFY(!pc.Visible());
        QCOMPARE(pc.PageCount(), 1);
        QCOMPARE(pc.ActivePage(), f->pages[0]);
        QCOMPARE(pc.TabIndex(), 0);
        pc.Show();
        QVERIFY(f->pages[0]->isVisible());
    }

    void hidingTheActiveTabKeepsThePageShown()
    {
        PageForm f({QStringLiteral("One"), QStringLiteral("Two")});
        PageLog log;
        log.Attach(*f.pc);
        f.pages[0]->SetTabVisible(false);
        QCOMPARE(f.pc->TabIndex(), -1);
        QCOMPARE(f.pc->ActivePage(), f.pages[0]);
        QVERIFY(f.pages[0]->Visible());
        f.Paint();
        QCOMPARE(f.pc->TabIndex(), -1);
        QVERIFY(log.events.isEmpty());

        // A disabled active tab hands the selection on at the next paint.
        PageForm g({QStringLiteral("One"), QStringLiteral("Two")});
        log.Attach(*g.pc);
        g.pages[0]->SetTabEnabled(false);
        g.Paint();
        QCOMPARE(g.pc->ActivePage(), g.pages[1]);
        QCOMPARE(log.events, (QStringList{"changing 1 (active 0, tab 0)", "change 1 (active 1)"}));
    }

    void removingTheActivePageSelectsNothing()
    {
        PageForm f({QStringLiteral("One"), QStringLiteral("Two")});
        PageForm other({QStringLiteral("Else")});
        PageLog log;
        log.Attach(*f.pc);
        TVmTabSheet* moved = f.pages[0];
        moved->SetPageControl(other.pc);
        QCOMPARE(f.pc->ActivePage(), nullptr);
        QCOMPARE(f.pc->TabIndex(), -1);
        QCOMPARE(f.pc->PageCount(), 1);
        QCOMPARE(other.pc->Pages(1), moved);
        QCOMPARE(moved->Parent(), other.pc);
        QVERIFY(!moved->Visible());
        QVERIFY(log.events.isEmpty());
        delete f.pages[1];
        QCOMPARE(f.pc->PageCount(), 0);
    }

    void pageColourTurnsOnColouredTabs()
    {
        PageForm f({QStringLiteral("One"), QStringLiteral("Two")}, 300, 120);
        TVmPageControl& pc = *f.pc;
        pc.SetTabStyle(tsCutCorner);   // tabs side by side, none over another
        f.pages[1]->SetColor(clRed);
        QVERIFY(pc.UseColoredTabs());
        QCOMPARE(pc.Tabs()[1]->Color, clRed);
        const QImage& img = f.Paint();
        const TRect t1 = f.Tab(1);
        // The red tab shades from its own colour to its darker self.
        const TColor dark = DarkenColor(clRed, 30);
        QCOMPARE(Px(img, t1.Left + 3, t1.Bottom - 1), dark);
        for (int y = 1; y < t1.Bottom; y += 4)
            QCOMPARE(Px(img, t1.Left + 3, y), GradientRow(clRed, dark, t1.Height(), y));
        // The card takes the active page's colour.
        QCOMPARE(Px(img, 150, 80), RGB(240, 240, 240));
        f.pc->SetActivePage(f.pages[1]);
        const QImage& red = f.Paint();
        QCOMPARE(Px(red, 150, 80), clRed);
        QCOMPARE(Px(red, f.Tab(1).Left + 8, 12), clRed);

        // Back to plain tabs: every page takes the control's colour again.
        pc.SetUseColoredTabs(false);
        QCOMPARE(f.pages[1]->Color(), clBtnFace);
        // A colour change of the control reaches the pages while plain.
        pc.SetColor(clAqua);
        QCOMPARE(f.pages[0]->Color(), clAqua);
        QCOMPARE(f.pages[1]->Color(), clAqua);
        QVERIFY(!pc.UseColoredTabs());
    }

    void movingPages()
    {
        PageForm f({QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")});
        PageLog log;
        log.Attach(*f.pc);
        f.pages[0]->SetPageIndex(2);
        QCOMPARE(f.pages[0]->PageIndex(), 2);
        QCOMPARE(f.pc->Pages(0), f.pages[1]);
        QCOMPARE(f.pc->Tabs()[2]->Caption, QStringLiteral("One"));
        QCOMPARE(log.events, (QStringList{"changing 2 (active 2, tab 0)", "change 2 (active 2)"}));
        QCOMPARE(f.pc->ActivePage(), f.pages[0]);

        QCOMPARE(MessageOf([&] { f.pages[1]->SetPageIndex(3); }),
                 QStringLiteral("3 is an invalid PageIndex value. PageIndex must be between 0 and 2"));
        QCOMPARE(MessageOf([&] { f.pages[1]->SetPageIndex(-1); }), QStringLiteral("List index out of bounds (-1)"));
        QCOMPARE(f.pages[1]->PageIndex(), 0);
        QCOMPARE(MessageOf([&] { f.pages[1]->SetVisible(true); }),
                 QStringLiteral("You cannot change the Visible property of a page"));
        QVERIFY(!f.pages[1]->Visible());

        // A dropped tab moves the active page to the tab's place.
        log.events.clear();
        f.pc->MoveActiveTab(0);
        QCOMPARE(f.pc->Pages(0), f.pages[0]);
        QCOMPARE(f.pc->TabIndex(), 0);
    }

    void lifetimes()
    {
        auto* form = new TForm;
        auto* pc = new TVmPageControl(form, form);
        auto* page = new TVmTabSheet(form);
        page->SetPageControl(pc);
        pc->SetActivePage(page);
        auto* spare = new TVmTabSheet(form);
        spare->SetPageControl(pc);
        QPointer<TVmTabSheet> gone = page;
        // A page removed by its own destruction leaves the control with
        // no active page.
        delete spare;
        QCOMPARE(pc->PageCount(), 1);
        // Child windows go with the control, its pages included; they must
        // not call back into it on the way.
        delete pc;
        QVERIFY(!gone);
        delete form;
    }

    void dockedControlsGetPagesOfTheirOwn()
    {
        PageForm f({QStringLiteral("One")}, 400, 200);
        TVmPageControl& pc = *f.pc;
        auto* tool = new TForm;
        tool->SetCaption(QStringLiteral("Tools\r\nmore"));
        tool->Show();
        QCOMPARE(pc.DockControl(tool), nullptr);   // not a dock site
        pc.SetDockSite(true);
        TVmTabSheet* page = pc.DockControl(tool);
        QVERIFY(page);
        QCOMPARE(pc.DockControl(tool), nullptr);   // docked here already
        QCOMPARE(page->Caption(), QStringLiteral("Tools"));
        QCOMPARE(tool->Parent(), page);
        QCOMPARE(tool->Align(), alClient);
        QCOMPARE(pc.ActivePage(), page);
        QCOMPARE(pc.DockedPage(tool), page);

        tool->SetCaption(QStringLiteral("Palette"));
        QCOMPARE(page->Caption(), QStringLiteral("Palette"));
        tool->Hide();
        QVERIFY(!page->TabVisible());
        tool->Show();
        QVERIFY(page->TabVisible());

        QPointer<TVmTabSheet> emptied = page;
        pc.UndockControl(tool, &f.form);
        QVERIFY(!emptied);
        QCOMPARE(tool->Parent(), &f.form);
        QCOMPARE(tool->Align(), alNone);
        QCOMPARE(pc.ActivePage(), f.pages[0]);
        QCOMPARE(pc.PageCount(), 1);
        const TRect drop = pc.DockDropRect();
        QCOMPARE(drop.Width(), pc.Width());
        QCOMPARE(drop.Height(), pc.Height());
    }
};

RAVIK_TEST(TestVmPageControl)
#include "tst_vmpagecontrol.moc"
