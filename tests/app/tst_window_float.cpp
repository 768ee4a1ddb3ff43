// The live preview torn off beside the code: floated by a double-click or a
// drag of its tab, following the code by itself while it floats, docked
// back when its window closes or is let go on the tab row.
#include "DockDrag.h"
#include "LivePatch.h"
#include "LiveRefresh.h"
#include "PageScripts.h"
#include "PageComposer.h"
#include "PlainText.h"
#include "PreviewBrowser.h"
#include "PreviewPage.h"
#include "WindowRoad.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTextEdit>
#include <QWebEngineView>

using namespace window_test;

namespace {
struct FloatRoad : Road {
    const QPoint cursor = QCursor::pos();
    FloatRoad()
    {
        w.show();
        (void)QTest::qWaitForWindowActive(&w);
    }
    // Hot tracking in the next window asks where the cursor is.
    ~FloatRoad() { QCursor::setPos(cursor); }
    QPoint PreviewTab() const
    {
        w.vmpgcntrl1->UpdateLayout();
        const TRect t = w.vmpgcntrl1->TabClientRect(1);
        return At(w.vmpgcntrl1, QPoint((t.Left + t.Right) / 2, (t.Top + t.Bottom) / 2));
    }
    void DoubleClickPreviewTab()
    {
        const QPoint tab = PreviewTab();
        // The page control asks the cursor where the double-click was.
        QCursor::setPos(w.mapToGlobal(tab));
        QTest::mouseMove(w.windowHandle(), tab);
        QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {}, tab);
        QTest::mouseDClick(w.windowHandle(), Qt::LeftButton, {}, tab);
        QTest::mouseRelease(w.windowHandle(), Qt::LeftButton, {}, tab);
    }
    bool Floating() const
    {
        return w.frmPreview->isWindow() && w.frmPreview->isVisible() && !w.vmtbshtTabSheet2 &&
               w.vmpgcntrl1->PageCount() == 1 && w.vmpgcntrl1->ActivePage() == w.vmtbshtTabSheet1 &&
               w.redt1->isVisible();
    }
    // As a tab switch shows it: the checked storefront around the pane's code.
    QByteArray Composed() const
    {
        const TPageTemplate& page = PageTemplate(w.ShopVersion());
        return EncodePage(page.Head + CodePaneText(*w.redt1->document()) + page.Tail);
    }
    // Once a command has been handled, its refresh comes at the next turn
    // of the event loop, not after the typing pause, and leaves the cache
    // page as a tab switch would.
    bool RefreshedRightAfter()
    {
        QCoreApplication::processEvents();
        if (w.LiveRefresh().Pending())
            return false;
        return QTest::qWaitFor([&] { return !w.LivePatch().Busy() && CachePage() == Composed(); }, kTimeout);
    }
};
}

class TestWindowFloat : public QObject {
    Q_OBJECT
private slots:
    void doubleClickFloatsThePreviewAndClosingDocksItBackAsItWas()
    {
        FloatRoad r;
        Tfrmravik& w = r.w;
        QSignalSpy navigations(w.wb1, &TPreviewBrowser::NavigationRequested);
        // Its first place: beside the window, as far as the screen allows.
        const QRect beside = w.frmPreview->FloatingBounds().ToQRect();
        QVERIFY(w.screen()->availableGeometry().contains(beside));
        QCOMPARE(beside.height(), w.vmpgcntrl1->DisplayRect().Height());

        r.DoubleClickPreviewTab();
        QVERIFY(r.Floating());
        QCOMPARE(w.frmPreview->windowTitle(), QStringLiteral("实时预览"));
        QCOMPARE(w.frmPreview->size(), beside.size());
        QVERIFY(w.LiveRefresh().Active());
        // The page control showing the code page again previewed once more.
        QCOMPARE(r.CachePage(), r.Composed());
        QCOMPARE(navigations.last().at(0).toUrl(), QUrl::fromLocalFile(CachePagePath()));
        QTRY_VERIFY_WITH_TIMEOUT(w.wb1->ShownPage() && !w.wb1->Loading(), kTimeout);
        const int shown = navigations.size();

        // Typing refreshes nothing at once; after the pause the page is
        // patched, not loaded again, and the cache page written.
        w.redt1->setFocus();
        QTest::keyClicks(w.redt1, QStringLiteral("<p>live</p>"));
        QVERIFY(w.LiveRefresh().Pending());
        QVERIFY(!r.RefreshedRightAfter());
        QTRY_COMPARE(r.CachePage(), r.Composed());

        // The window it floats in still keeps the place the user scrolled to.
        QTRY_VERIFY_WITH_TIMEOUT(
            Eval(w.wb1->Page(), QStringLiteral("document.body.innerHTML.indexOf('<p>live</p>') >= 0"), QWebEngineScript::MainWorld).toBool(),
            kTimeout);
        QSignalSpy pages(w.wb1, &TPreviewBrowser::PageShown);
        const int place = Eval(w.wb1->Page(), QStringLiteral("scrollBy(0, 333); scrollY"), QWebEngineScript::MainWorld).toInt();
        QVERIFY(place >= 333);
        QTRY_COMPARE_WITH_TIMEOUT(w.wb1->Page()->scrollPosition().y(), double(place), kTimeout);
        // Typed on, the page is patched in place once, when the pause after
        // the last key is over, where the user was.
        QSignalSpy patched(&w.LivePatch(), &TLivePatcher::Patched);
        QTest::keyClicks(w.redt1, QStringLiteral("<p>on</p"));
        QElapsedTimer sinceLastKey;
        sinceLastKey.start();
        QTest::keyClick(w.redt1, '>');
        QVERIFY(patched.wait(kTimeout));
        QVERIFY(sinceLastKey.elapsed() >= w.LiveRefresh().Pause());
        QTest::qWait(w.LiveRefresh().Pause() * 2);
        QCOMPARE(patched.size(), 1);
        QVERIFY(pages.isEmpty());
        QVERIFY(Eval(w.wb1->Page(), QStringLiteral("document.body.innerHTML.indexOf('<p>live</p><p>on</p>') >= 0"), QWebEngineScript::MainWorld).toBool());
        QCOMPARE(Eval(w.wb1->Page(), QStringLiteral("scrollY"), QWebEngineScript::MainWorld).toInt(), place);
        QTRY_COMPARE(r.CachePage(), r.Composed());

        // Closing the window docks it back as the page it was, selected.
        w.frmPreview->setGeometry(QRect(40, 50, 500, 400));
        w.frmPreview->close();
        QTRY_VERIFY(w.vmtbshtTabSheet2);
        QCOMPARE(w.vmpgcntrl1->PageCount(), 2);
        QCOMPARE(w.vmpgcntrl1->Pages(1), w.vmtbshtTabSheet2);
        QCOMPARE(w.vmtbshtTabSheet2->objectName(), QStringLiteral("vmtbshtTabSheet2"));
        QCOMPARE(w.vmpgcntrl1->Tabs()[1]->Caption, QStringLiteral("实时预览"));
        QCOMPARE(w.vmpgcntrl1->ActivePage(), w.vmtbshtTabSheet2);
        QCOMPARE(w.frmPreview->Parent(), w.vmtbshtTabSheet2);
        QVERIFY(w.wb1->isVisible());
        QCOMPARE(navigations.size(), shown + 1);
        // Docked, the preview waits for its tab again.
        QVERIFY(!w.LiveRefresh().Active());
        w.vmpgcntrl1->SetActivePage(w.vmtbshtTabSheet1);
        const int docked = navigations.size();
        QTest::keyClicks(w.redt1, QStringLiteral("x"));
        QTest::qWait(w.LiveRefresh().Pause() + 100);
        QCOMPARE(navigations.size(), docked);

        // Floated again, it comes back where it was.
        r.DoubleClickPreviewTab();
        QVERIFY(r.Floating());
        QCOMPARE(w.frmPreview->geometry(), QRect(40, 50, 500, 400));
        QVERIFY(r.dialogs.messages.isEmpty());

        // The program ending after the main window closed asks every window
        // to close: a preview that docked back instead would keep it running.
        w.close();
        QVERIFY(w.frmPreview->close());
        QCoreApplication::processEvents();
        QVERIFY(w.frmPreview->isWindow() && !w.frmPreview->isVisible());
    }

    void draggedOutItFollowsEveryCommandAndLetGoOnTheTabRowItDocks()
    {
        FloatRoad r;
        Tfrmravik& w = r.w;
        // Dragged by its tab to where no window is.
        const QPoint tab = r.PreviewTab();
        const QPoint away = w.mapFromGlobal(QPoint(w.frameGeometry().right() + 60, w.y() + 100));
        QTest::mousePress(w.windowHandle(), Qt::LeftButton, {}, tab);
        QTest::mouseMove(w.windowHandle(), tab + QPoint(0, 20));
        QTest::mouseMove(w.windowHandle(), away);
        QTest::mouseRelease(w.windowHandle(), Qt::LeftButton, {}, away);
        QVERIFY(r.Floating());
        QCOMPARE(w.frmPreview->geometry().top(), w.mapToGlobal(away).y());

        // Each command refreshes the floating preview as soon as it is done.
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.redt1->setFocus();
        QGuiApplication::clipboard()->setText(QStringLiteral("<div id=\"a\">one two</div>"));
        QTest::keyClick(w.redt1, Qt::Key_V, Qt::ControlModifier);
        QVERIFY(r.RefreshedRightAfter());
        QGuiApplication::clipboard()->setText(QStringLiteral("<b>two</b>"));
        w.N1->trigger();
        QVERIFY(r.RefreshedRightAfter());
        r.ClickCentre(w.vmbtbtn6);
        QVERIFY(w.redt1->toPlainText().contains(QLatin1Char('\n')));
        QVERIFY(r.RefreshedRightAfter());
        w.edt1->setText(QStringLiteral("two"));
        w.edt2->setText(QStringLiteral("three"));
        w.btn6Click(w.btn6);
        QVERIFY(CodePaneText(*w.redt1->document()).contains(QLatin1String("three")));
        QVERIFY(r.RefreshedRightAfter());
        r.Click(w.rb2, QPoint(6, 8));
        QCOMPARE(w.ShopVersion(), TShopVersion::Tmall);
        QVERIFY(r.RefreshedRightAfter());

        // Its window let go with the cursor on the tab row (the window
        // manager told of the move once it was over) docks it back.
        SetPointerQuery([&] {
            const QPoint row = w.vmpgcntrl1->mapToGlobal(QPoint(w.vmpgcntrl1->Width() - 30, 10));
            return TPointerState{{row.x(), row.y()}, false};
        });
        const struct Restore {
            ~Restore() { SetPointerQuery({}); }
        } restore;
        w.frmPreview->move(w.vmpgcntrl1->mapToGlobal(QPoint(w.vmpgcntrl1->Width() - 300, 30)));
        QTRY_VERIFY(w.vmtbshtTabSheet2);
        QCOMPARE(w.frmPreview->Parent(), w.vmtbshtTabSheet2);
        QCOMPARE(w.vmpgcntrl1->ActivePage(), w.vmtbshtTabSheet2);
        QCOMPARE(r.dialogs.messages.size(), 1);   // replace-all's own message
    }

    // A finding clicked in the floating preview is selected in the code pane,
    // and the keyboard comes back to the main window for it.
    void aFindingClickedInTheFloatingPreviewTakesTheKeyboardToItsCode()
    {
        FloatRoad r;
        Tfrmravik& w = r.w;
        r.DoubleClickPreviewTab();
        QVERIFY(r.Floating());
        QSignalSpy shown(w.wb1, &TPreviewBrowser::PageShown);
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.redt1->setFocus();
        QGuiApplication::clipboard()->setText(QStringLiteral("<p>x</p><span onclick=\"go()\">y</span>"));
        QTest::keyClick(w.redt1, Qt::Key_V, Qt::ControlModifier);
        QVERIFY(QTest::qWaitFor([&] {
            return !shown.isEmpty() &&
                   Eval(w.wb1->Page(), QStringLiteral("window.ravikFindings ? ravikFindings.panel.querySelectorAll('li')"
                                                           ".length : 0")).toInt() == 1;
        }, kTimeout));

        w.frmPreview->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.frmPreview));
        QVERIFY(r.ClickFinding(0));

        QTRY_COMPARE_WITH_TIMEOUT(w.redt1->textCursor().selectedText(), QStringLiteral("onclick=\"go()\""), kTimeout);
        QTRY_VERIFY(w.isActiveWindow());
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.redt1));
        QVERIFY(r.Floating());
    }

    void aRefreshThatCannotWriteTheCachePageSaysSoOnce()
    {
        FloatRoad r;
        Tfrmravik& w = r.w;
        r.DoubleClickPreviewTab();
        QVERIFY(r.Floating());
        QDir dir(r.dir.Path());
        const auto typeAndRest = [&](const QString& text) {
            QTest::keyClicks(w.redt1, text);
            QTest::qWait(w.LiveRefresh().Pause() + 200);
        };
        // Without its folder the cache page cannot be written: the first
        // refresh says why, the next ones wait for one that succeeds.
        QVERIFY(dir.rename(QStringLiteral("files"), QStringLiteral("gone")));
        w.redt1->setFocus();
        typeAndRest(QStringLiteral("a"));
        QCOMPARE(r.dialogs.messages.size(), 1);
        QVERIFY(r.dialogs.messages[0].text.startsWith(QLatin1String("Cannot create file")));
        typeAndRest(QStringLiteral("b"));
        QCOMPARE(r.dialogs.messages.size(), 1);
        QVERIFY(dir.rename(QStringLiteral("gone"), QStringLiteral("files")));
        typeAndRest(QStringLiteral("c"));
        QCOMPARE(r.CachePage(), r.Composed());
        QVERIFY(dir.rename(QStringLiteral("files"), QStringLiteral("gone")));
        typeAndRest(QStringLiteral("d"));
        QCOMPARE(r.dialogs.messages.size(), 2);
    }
};

RAVIK_TEST(TestWindowFloat)
#include "tst_window_float.moc"
