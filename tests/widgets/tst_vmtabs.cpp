// Selection, events, mouse, keyboard, hot tracking and properties of the
// tab control.
#include "Forms.h"
#include "TestMain.h"
#include "VmTabScroller.h"
#include "tst_vmtabs_support.h"

namespace {

// A shown, active form holding a tab control with three tabs.
struct Window {
    TForm form;
    RecordingTabs* tabs;
    TControl* other;   // somewhere else for the focus to be
    EventLog log;

    explicit Window(const QStringList& captions = {QStringLiteral("&One"), QStringLiteral("&Two"),
                                                    QStringLiteral("T&hree")})
    {
        form.SetBounds(50, 50, 420, 260);
        tabs = new RecordingTabs(&form);
        tabs->SetBounds(10, 10, 400, 200);
        other = new TCustomControl(&form, &form);
        other->SetBounds(10, 220, 40, 20);
        other->SetTabStop(true);
        tabs->AddTabs(captions);
        form.Show();
        form.activateWindow();
    }

    bool Ready()
    {
        if (!QTest::qWaitForWindowActive(&form))
            return false;
        other->SetFocus();
        tabs->UpdateLayout();
        log.Attach(*tabs);
        return other->Focused();
    }

    void Click(int index, Qt::MouseButton button = Qt::LeftButton)
    {
        const TPoint c = tabs->Centre(index);
        QTest::mouseClick(tabs, button, {}, QPoint(c.X, c.Y));
    }

    void Key(int key) { QTest::keyClick(tabs, Qt::Key(key)); }
};

} // namespace

class TestVmTabs : public QObject {
    Q_OBJECT
private slots:
    void defaultsAndLinkedProperties()
    {
        RecordingTabs tabs;
        QCOMPARE(tabs.Width(), 300);
        QCOMPARE(tabs.Height(), 100);
        QVERIFY(tabs.TabStop());
        QCOMPARE(tabs.TabIndex(), -1);
        QCOMPARE(tabs.TabStyle(), tsSingleSlant);
        QCOMPARE(tabs.CutCornerSize(), 6);
        QCOMPARE(tabs.RowOverlap(), 5);
        QCOMPARE(tabs.RowIndent(), 5);
        QCOMPARE(tabs.ImageMargin(), 2);
        QCOMPARE(tabs.FlatColor(), clBtnShadow);
        QCOMPARE(tabs.HotTrackColor(), clHighlight);
        QCOMPARE(tabs.TabColors().Unselected(), clWindow);
        QCOMPARE(tabs.TextColors().DisabledShadow(), clBtnShadow);
        QVERIFY(tabs.HotTrack() && tabs.ShowShadow() && tabs.ShowFullFrame() && tabs.ShowCard());
        QVERIFY(tabs.LayoutPending());

        // Negative sizes are ignored: every size keeps its value.
        tabs.SetTabHeight(22);
        tabs.SetTabWidth(40);
        tabs.SetMargin(3);
        for (auto set : {&TVmCustomTabControl::SetTabHeight, &TVmCustomTabControl::SetTabWidth,
                         &TVmCustomTabControl::SetCutCornerSize, &TVmCustomTabControl::SetMargin,
                         &TVmCustomTabControl::SetImageMargin, &TVmCustomTabControl::SetRowIndent,
                         &TVmCustomTabControl::SetRowOverlap})
            (tabs.*set)(-4);
        QCOMPARE(tabs.TabHeight(), 22);
        QCOMPARE(tabs.TabWidth(), 40);
        QCOMPARE(tabs.CutCornerSize(), 6);
        QCOMPARE(tabs.Margin(), 3);
        QCOMPARE(tabs.ImageMargin(), 2);
        QCOMPARE(tabs.RowIndent(), 5);
        QCOMPARE(tabs.RowOverlap(), 5);

        // The shadow needs the full frame, and the other way round.
        tabs.SetShowFullFrame(false);
        QVERIFY(!tabs.ShowShadow());
        tabs.SetShowShadow(true);
        QVERIFY(tabs.ShowFullFrame());

        // An own background colour ends following the parent.
        QVERIFY(tabs.ParentBackgroundColor());
        tabs.SetBackgroundColor(clWhite);
        QVERIFY(!tabs.ParentBackgroundColor());

        // Layout waits for the next paint; setters only mark it.
        tabs.UpdateLayout();
        QVERIFY(!tabs.LayoutPending());
        tabs.SetTabStyle(tsCutCorner);
        QVERIFY(tabs.LayoutPending());
        tabs.UpdateLayout();
        tabs.SetHotTrackColor(clRed);   // a colour only repaints
        QVERIFY(!tabs.LayoutPending());

        // The frame colour reaches the little buttons, adjusted.
        tabs.SetShowCloseButton(true);
        tabs.SetFlatColor(clMoneyGreen);
        QCOMPARE(tabs.CloseButton()->FrameColor(), clMoneyGreen);
        tabs.SetFlatColorAdjustment(-20);
        QCOMPARE(tabs.CloseButton()->FrameColor(), DarkenColor(clMoneyGreen, 20));
        tabs.SetShowCloseButton(false);
        QVERIFY(tabs.CloseButton()->isHidden());
    }

    void recordsAndLists()
    {
        TVmTabData a;
        a.Caption = QStringLiteral("A");
        a.Color = clRed;
        a.Enabled = false;
        a.Hint = QStringLiteral("h");
        a.ImageIndex = 3;
        a.DisabledIndex = 4;
        a.Visible = false;
        a.RawRect = {1, 2, 3, 4};
        a.Row = 2;
        TVmTabData b;
        b.Assign(a);
        QCOMPARE(b.Caption, a.Caption);
        QCOMPARE(b.Color, clRed);
        QVERIFY(!b.Enabled && !b.Visible);
        QCOMPARE(b.Hint, a.Hint);
        QCOMPARE(b.ImageIndex, 3);
        QCOMPARE(b.DisabledIndex, 4);
        // Layout results are not copied.
        QCOMPARE(b.RawRect, TRect());
        QCOMPARE(b.Row, 0);

        TVmTabDataList list, copy;
        list.Add()->Caption = QStringLiteral("x");
        list.Add()->Caption = QStringLiteral("y");
        copy.Add();
        copy.Assign(list);
        QCOMPARE(copy.Count(), 2);
        QCOMPARE(copy[1]->Caption, QStringLiteral("y"));
        QVERIFY(copy[1] != list[1]);
        auto replacement = std::make_unique<TVmTabData>();
        replacement->Caption = QStringLiteral("z");
        list.Replace(0, std::move(replacement));
        QCOMPARE(list[0]->Caption, QStringLiteral("z"));
    }

    void settingTabIndexFromCode()
    {
        RecordingTabs tabs;
        tabs.AddTabs({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        tabs.UpdateLayout();
        EventLog log;
        log.Attach(tabs);
        tabs.SetTabIndex(1);
        // Like a choice of the user, but never a tab click.
        QCOMPARE(log.events, (QStringList{QStringLiteral("changing 1"), QStringLiteral("change 1")}));
        log.events.clear();
        tabs.SetTabIndex(1);
        QVERIFY(log.events.isEmpty());
        // Out of range: no tab and no event, even from a selection.
        tabs.SetTabIndex(5);
        QCOMPARE(tabs.TabIndex(), -1);
        QVERIFY(log.events.isEmpty());
        // A refusal keeps the old tab.
        tabs.SetTabIndex(0);
        tabs.OnChanging = [&](TObject*, int index, bool& allow) {
            log.events << QStringLiteral("changing %1").arg(index);
            allow = false;
        };
        log.events.clear();
        tabs.SetTabIndex(2);
        QCOMPARE(tabs.TabIndex(), 0);
        QCOMPARE(log.events, QStringList{QStringLiteral("changing 2")});
        // Hidden or disabled tabs cannot be chosen.
        tabs.OnChanging = nullptr;
        tabs.Tabs()[1]->Enabled = false;
        tabs.Tabs()[2]->Visible = false;
        tabs.SetTabIndex(1);
        tabs.SetTabIndex(2);
        QCOMPARE(tabs.TabIndex(), 0);
    }

    void clicksSelectAndRefusalsHold()
    {
        Window w;
        QVERIFY(w.Ready());
        w.Click(1);
        QCOMPARE(w.tabs->TabIndex(), 1);
        QCOMPARE(w.log.events,
                 (QStringList{QStringLiteral("changing 1"), QStringLiteral("change 1"), QStringLiteral("click")}));
        // Choosing another tab leaves the focus where it was.
        QVERIFY(w.other->Focused());

        // A refusing OnChanging: no change, no tab click.
        w.log.events.clear();
        w.tabs->OnChanging = [&](TObject*, int, bool& allow) { allow = false; };
        w.Click(2);
        QCOMPARE(w.tabs->TabIndex(), 1);
        QVERIFY(w.log.events.isEmpty());

        // The selected tab again: the strip takes the focus, only a tab click.
        w.Click(1);
        QVERIFY(w.tabs->Focused());
        QCOMPARE(w.log.events, QStringList{QStringLiteral("click")});

        // Only the left button chooses.
        w.log.Attach(*w.tabs);
        w.log.events.clear();
        w.Click(0, Qt::RightButton);
        QCOMPARE(w.tabs->TabIndex(), 1);
        QVERIFY(w.log.events.isEmpty());
    }

    void disabledTabsAreSkippedEverywhere()
    {
        Window w({QStringLiteral("&Alpha"), QStringLiteral("&Beta"), QStringLiteral("&Gamma"), QStringLiteral("&Delta")});
        QVERIFY(w.Ready());
        w.tabs->Tabs()[0]->Enabled = false;
        w.tabs->Tabs()[2]->Enabled = false;
        w.tabs->SetTabIndex(1);
        w.log.events.clear();

        w.Click(0);
        w.Click(2);
        QCOMPARE(w.tabs->TabIndex(), 1);
        QVERIFY(w.log.events.isEmpty());

        w.tabs->SetFocus();
        w.Key(Qt::Key_Right);   // over the disabled 2 to 3
        QCOMPARE(w.tabs->TabIndex(), 3);
        w.Key(Qt::Key_Right);   // wraps over the disabled 0 to 1
        QCOMPARE(w.tabs->TabIndex(), 1);
        w.Key(Qt::Key_Left);    // back over 0 to the end
        QCOMPARE(w.tabs->TabIndex(), 3);
        w.Key(Qt::Key_Home);    // the first enabled one
        QCOMPARE(w.tabs->TabIndex(), 1);
        w.Key(Qt::Key_End);
        QCOMPARE(w.tabs->TabIndex(), 3);
        w.Key(Qt::Key_Up);      // Up steps back like Left
        QCOMPARE(w.tabs->TabIndex(), 1);
        QCOMPARE(w.log.events.count(QStringLiteral("click")), 6);
        QCOMPARE(w.log.events.count(QStringLiteral("change 3")), 3);
        // The candidates on the way were refused without asking OnChanging.
        QVERIFY(!w.log.events.contains(QStringLiteral("changing 0")));
        QVERIFY(!w.log.events.contains(QStringLiteral("changing 2")));

        // Accelerators: a disabled tab's does nothing; an enabled one selects.
        w.log.events.clear();
        QVERIFY(!w.tabs->CMDialogChar(QLatin1Char('g'), ssAlt));
        QCOMPARE(w.tabs->TabIndex(), 1);
        QVERIFY(w.tabs->CMDialogChar(QLatin1Char('d'), ssAlt));
        QCOMPARE(w.tabs->TabIndex(), 3);
        QCOMPARE(w.log.events,
                 (QStringList{QStringLiteral("changing 3"), QStringLiteral("change 3"), QStringLiteral("click")}));

        // The first single '&' is the accelerator, the one drawn underlined.
        w.tabs->Tabs()[1]->Caption = QStringLiteral("&x&y");
        w.tabs->Tabs()[2]->Caption = QStringLiteral("a&&b&z");
        w.tabs->Tabs()[2]->Enabled = true;
        QVERIFY(!w.tabs->CMDialogChar(QLatin1Char('y'), ssAlt));
        QVERIFY(!w.tabs->CMDialogChar(QLatin1Char('z'), ssAlt));
        QVERIFY(w.tabs->CMDialogChar(QLatin1Char('X'), ssAlt));
        QCOMPARE(w.tabs->TabIndex(), 1);
    }

    void keysFollowTheSequence()
    {
        Window w;
        QVERIFY(w.Ready());
        w.tabs->SetTabSequence(tsReverse);
        w.tabs->UpdateLayout();
        w.tabs->SetFocus();
        w.tabs->SetTabIndex(0);
        // Reverse runs from the right: Left moves forward.
        w.Key(Qt::Key_Left);
        QCOMPARE(w.tabs->TabIndex(), 1);
        w.Key(Qt::Key_Right);
        QCOMPARE(w.tabs->TabIndex(), 0);
        w.Key(Qt::Key_Right);   // back from the first is the last
        QCOMPARE(w.tabs->TabIndex(), 2);
        // Other keys do nothing.
        w.Key(Qt::Key_A);
        QCOMPARE(w.tabs->TabIndex(), 2);
        QCOMPARE(w.tabs->GetDlgCode() & DLGC_WANTARROWS, unsigned(DLGC_WANTARROWS));

        // Every candidate refused: the selection stays and nothing loops,
        // also when no tab was selected to come back to.
        w.tabs->OnChanging = [](TObject*, int, bool& allow) { allow = false; };
        w.Key(Qt::Key_Down);
        w.Key(Qt::Key_Home);
        QCOMPARE(w.tabs->TabIndex(), 2);
        w.tabs->SetTabIndex(-1);
        w.Key(Qt::Key_Right);
        w.Key(Qt::Key_Left);
        w.Key(Qt::Key_End);
        QCOMPARE(w.tabs->TabIndex(), -1);
    }

    void emptyListIgnoresEveryKey()
    {
        Window w{QStringList()};
        QVERIFY(w.Ready());
        w.tabs->SetFocus();
        QVERIFY(w.tabs->Focused());
        for (int key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_Home, Qt::Key_End})
            w.Key(key);
        QTest::keyClick(w.tabs, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(w.tabs->TabIndex(), -1);
        QVERIFY(w.log.events.isEmpty());
    }

    void imagesAreMeasuredAndFollowed()
    {
        RecordingTabs tabs;
        tabs.SetTabStyle(tsCutCorner);   // its width does not follow the depth
        tabs.AddTabs({QStringLiteral("Images")});
        tabs.UpdateLayout();
        const int plain = tabs.Tabs()[0]->RawRect.Width();
        auto images = std::make_unique<TCustomImageList>(16, 16);
        tabs.SetImages(images.get());
        tabs.Tabs()[0]->ImageIndex = 0;
        tabs.UpdateLayout();
        QCOMPARE(tabs.Tabs()[0]->RawRect.Width(), plain + 16);
        // The list going away leaves no dangling reference behind.
        images.reset();
        QCOMPARE(tabs.Images(), nullptr);
        QVERIFY(tabs.LayoutPending());
        tabs.UpdateLayout();
        QCOMPARE(tabs.Tabs()[0]->RawRect.Width(), plain);
    }

    void backgroundFollowsTheParentColour()
    {
        TForm form;
        form.SetColor(clMoneyGreen);
        RecordingTabs* tabs = new RecordingTabs(&form);
        QCOMPARE(tabs->BackgroundColor(), clMoneyGreen);
        form.SetColor(clCream);
        QCOMPARE(tabs->BackgroundColor(), clCream);
        QVERIFY(tabs->ParentBackgroundColor());
        tabs->SetBackgroundColor(clWhite);
        form.SetColor(clMoneyGreen);
        QCOMPARE(tabs->BackgroundColor(), clWhite);
        tabs->SetParentBackgroundColor(true);
        QCOMPARE(tabs->BackgroundColor(), clMoneyGreen);
    }

    void tooSmallAControlStillLaysOutSanely()
    {
        // Narrower than any tab and its buttons: empty tabs, never inverted
        // ones, and no negative button size on an empty strip.
        for (auto style : {tsSingleSlant, tsCutCorner, tsRoundCorners}) {
            RecordingTabs tabs;
            tabs.SetTabStyle(style);
            tabs.SetShowCloseButton(true);
            tabs.SetBounds(0, 0, 30, 60);
            tabs.UpdateLayout();
            QVERIFY(tabs.ButtonSize() >= 0);
            tabs.AddTabs({QStringLiteral("代码编辑"), QStringLiteral("实时预览")});
            tabs.UpdateLayout();
            for (int i = 0; i < 2; ++i)
                QVERIFY(tabs.Tabs()[i]->RawRect.Right >= tabs.Tabs()[i]->RawRect.Left);
            tabs.PaintToImage();
        }
    }

    void selectionIsRepairedAtTheNextPaint()
    {
        RecordingTabs tabs;
        tabs.AddTabs({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")});
        tabs.UpdateLayout();
        tabs.SetTabIndex(1);
        EventLog log;
        log.Attach(tabs);

        // Hidden: the next tab to the right takes over.
        tabs.Tabs()[1]->Visible = false;
        tabs.RequestLayout();
        tabs.PaintToImage();
        QCOMPARE(tabs.TabIndex(), 2);
        QCOMPARE(log.events, (QStringList{QStringLiteral("changing 2"), QStringLiteral("change 2")}));

        // Disabled with nothing selectable to the right: to the left.
        tabs.SetTabIndex(3);
        log.events.clear();
        tabs.Tabs()[3]->Enabled = false;
        tabs.RequestLayout();
        tabs.PaintToImage();
        QCOMPARE(tabs.TabIndex(), 2);
        QCOMPARE(log.events, (QStringList{QStringLiteral("changing 2"), QStringLiteral("change 2")}));

        // Tabs removed under the selection.
        tabs.Tabs().Clear();
        tabs.AddTabs({QStringLiteral("x")});
        tabs.PaintToImage();
        QCOMPARE(tabs.TabIndex(), 0);

        // Nothing visible: no selection, without an event.
        log.events.clear();
        tabs.Tabs()[0]->Visible = false;
        tabs.RequestLayout();
        tabs.PaintToImage();
        QCOMPARE(tabs.TabIndex(), -1);
        QVERIFY(log.events.isEmpty());
    }

    void closeRequestNeedsPermission()
    {
        RecordingTabs tabs;
        tabs.AddTabs({QStringLiteral("a"), QStringLiteral("b")});
        tabs.UpdateLayout();
        tabs.SetShowCloseButton(true);
        tabs.SetTabIndex(0);
        tabs.CloseRequest();   // no handler
        QCOMPARE(tabs.closeRequests, 0);
        int asked = 0;
        bool grant = false;
        tabs.OnClose = [&](TObject* sender, bool& allow) {
            QCOMPARE(sender, static_cast<TObject*>(&tabs));
            QVERIFY(!allow);   // arrives refused
            ++asked;
            allow = grant;
        };
        tabs.CloseRequest();
        QCOMPARE(asked, 1);
        QCOMPARE(tabs.closeRequests, 0);
        grant = true;
        tabs.CloseRequest();
        QCOMPARE(tabs.closeRequests, 1);
        // Without a selected tab nobody is asked.
        tabs.SetTabIndex(-1);
        tabs.CloseRequest();
        QCOMPARE(asked, 2);
        QCOMPARE(tabs.closeRequests, 1);
    }

    void hotTrackingFollowsThePointer()
    {
        Window w;
        QVERIFY(w.Ready());
        TRect area = w.tabs->TabAreaRect();
        const TPoint c1 = w.tabs->Centre(1);
        QTest::mouseMove(w.tabs, QPoint(c1.X, c1.Y));
        QTRY_COMPARE(w.tabs->HotTabIndex(), 1);
        QVERIFY(w.tabs->HotOnlyRepaint());
        // Leaving by the card ends it at once.
        QTest::mouseMove(w.tabs, QPoint(200, area.Bottom + 40));
        QTRY_COMPARE(w.tabs->HotTabIndex(), -1);
        // Leaving the control altogether: the 60 ms timer notices.
        QTest::mouseMove(w.tabs, QPoint(c1.X, c1.Y));
        QTRY_COMPARE(w.tabs->HotTabIndex(), 1);
        QTest::mouseMove(w.other, QPoint(5, 5));
        QTRY_COMPARE(w.tabs->HotTabIndex(), -1);
        // A full repaint clears the hot-only mark.
        w.tabs->InvalidateTabs();
        QVERIFY(!w.tabs->HotOnlyRepaint());

        // Neither hot tracking nor hints: the pointer is not followed.
        w.tabs->SetHotTrack(false);
        QTest::mouseMove(w.tabs, QPoint(c1.X, c1.Y));
        QTest::qWait(80);
        QCOMPARE(w.tabs->HotTabIndex(), -1);
    }

    void tabHintsShowAndTheControlKeepsItsOwn()
    {
        Window w;
        QVERIFY(w.Ready());
        w.tabs->SetHint(QStringLiteral("strip"));
        w.tabs->SetTabHints(true);
        w.tabs->SetHotTrack(false);
        w.tabs->Tabs()[0]->Hint = QStringLiteral("first");
        const TPoint c0 = w.tabs->Centre(0), c1 = w.tabs->Centre(1);
        QTest::mouseMove(w.tabs, QPoint(c0.X, c0.Y));
        QTRY_COMPARE(w.tabs->Hint(), QStringLiteral("first"));
        // A tab without a hint shows the control's own, not its neighbour's.
        QTest::mouseMove(w.tabs, QPoint(c1.X, c1.Y));
        QTRY_COMPARE(w.tabs->HotTabIndex(), 1);
        QCOMPARE(w.tabs->Hint(), QStringLiteral("strip"));
        // Off the tabs, over the page: the control's own hint is back.
        QTest::mouseMove(w.tabs, QPoint(c0.X, c0.Y));
        QTRY_COMPARE(w.tabs->Hint(), QStringLiteral("first"));
        QTest::mouseMove(w.tabs, QPoint(200, 150));
        QTRY_COMPARE(w.tabs->Hint(), QStringLiteral("strip"));
        // The gap in the strip beyond the last tab shows none.
        const TRect area = w.tabs->TabAreaRect();
        QTest::mouseMove(w.tabs, QPoint(area.Right - 3, area.Top + 2));
        QTRY_COMPARE(w.tabs->Hint(), QString());
        QTest::mouseMove(w.tabs, QPoint(200, 150));
        QTRY_COMPARE(w.tabs->Hint(), QStringLiteral("strip"));
        // A hint set in code while no tab hint shows is kept.
        w.tabs->SetHint(QStringLiteral("changed"));
        QTest::mouseMove(w.tabs, QPoint(c0.X, c0.Y));
        QTRY_COMPARE(w.tabs->Hint(), QStringLiteral("first"));
        QTest::mouseMove(w.tabs, QPoint(200, 150));
        QTRY_COMPARE(w.tabs->Hint(), QStringLiteral("changed"));
    }

    void draggingATabDropsItOnAnother()
    {
        Window w({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        QVERIFY(w.Ready());
        w.tabs->SetTabIndex(0);
        const TPoint c0 = w.tabs->Centre(0), c2 = w.tabs->Centre(2);
        // Without AllowTabDragging nothing moves.
        QTest::mousePress(w.tabs, Qt::LeftButton, {}, QPoint(c0.X, c0.Y));
        QTest::mouseMove(w.tabs, QPoint(c2.X, c2.Y));
        QTest::mouseRelease(w.tabs, Qt::LeftButton, {}, QPoint(c2.X, c2.Y));
        QVERIFY(w.tabs->moves.empty());

        w.tabs->SetAllowTabDragging(true);
        QTest::mousePress(w.tabs, Qt::LeftButton, {}, QPoint(c0.X, c0.Y));
        QTest::mouseMove(w.tabs, QPoint(c0.X + 1, c0.Y));   // within the threshold
        QTest::mouseMove(w.tabs, QPoint(c2.X, c2.Y));
        QTest::mouseRelease(w.tabs, Qt::LeftButton, {}, QPoint(c2.X, c2.Y));
        QCOMPARE(w.tabs->moves, std::vector<int>{2});

        // Dropped on the dragged tab itself, or off the tabs: no move.
        QTest::mousePress(w.tabs, Qt::LeftButton, {}, QPoint(c0.X, c0.Y));
        QTest::mouseMove(w.tabs, QPoint(c2.X, c2.Y));
        QTest::mouseMove(w.tabs, QPoint(c0.X, c0.Y));
        QTest::mouseRelease(w.tabs, Qt::LeftButton, {}, QPoint(c0.X, c0.Y));
        QTest::mousePress(w.tabs, Qt::LeftButton, {}, QPoint(c0.X, c0.Y));
        QTest::mouseMove(w.tabs, QPoint(200, 150));
        QTest::mouseRelease(w.tabs, Qt::LeftButton, {}, QPoint(200, 150));
        QCOMPARE(w.tabs->moves, std::vector<int>{2});
    }

    void loadingSelectsThroughTheSelectionRule()
    {
        RecordingTabs tabs;
        tabs.BeginLoading();
        tabs.AddTabs({QStringLiteral("a"), QStringLiteral("b")});
        tabs.SetHint(QStringLiteral("loaded hint"));
        tabs.SetTabIndex(1);
        QCOMPARE(tabs.TabIndex(), 1);   // only stored while loading
        EventLog log;
        log.Attach(tabs);
        tabs.EndLoading();
        QCOMPARE(tabs.TabIndex(), 1);
        QCOMPARE(log.events, (QStringList{QStringLiteral("changing 1"), QStringLiteral("change 1")}));
        QVERIFY(tabs.LayoutPending());
    }
};

RAVIK_TEST(TestVmTabs)
#include "tst_vmtabs.moc"
