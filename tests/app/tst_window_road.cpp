// The main road on the finished window, driven only by the mouse and the
// keyboard: type a fragment, pick the storefront, look at it in the live
// preview, come back, format it, find, replace, save it as rich text.
#include "FindReplace.h"
#include "Formatting.h"
#include "PageComposer.h"
#include "PageScripts.h"
#include "PlainText.h"
#include "PreviewBrowser.h"
#include "PreviewPage.h"
#include "WindowRoad.h"

#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextEdit>
#include <QWebEngineView>

using namespace window_test;

class TestWindowRoad : public QObject {
    Q_OBJECT
private slots:
    void fromTypingToSavedRichText()
    {
        Road r;
        Tfrmravik& w = r.w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));

        // Type a fragment into the code pane. A space comes out as five:
        // the pane's own space handling adds four.
        r.Click(w.redt1->viewport(), QPoint(40, 20));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.redt1));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("<div id=\"ravik\">hello<b>world</b></div>"));
        const QString code = QStringLiteral("<div     id=\"ravik\">hello<b>world</b></div>");
        QCOMPARE(CodePaneText(*w.redt1->document()), code);

        // Tmall, then the live preview by its tab.
        r.Click(w.rb2, QPoint(6, 8));
        QVERIFY(w.rb2->isChecked());
        QVERIFY(!w.rb3->isChecked());
        QVERIFY(r.CachePage().isEmpty());
        r.ClickTab(1);
        QCOMPARE(w.vmpgcntrl1->ActivePage(), w.vmtbshtTabSheet2);
        QVERIFY(w.vmtbshtTabSheet2->isVisible());
        QVERIFY(!w.vmtbshtTabSheet1->isVisible());
        const TPageTemplate& tmall = PageTemplate(TShopVersion::Tmall);
        QCOMPARE(r.CachePage(), EncodePage(tmall.Head + code + tmall.Tail));
        QVERIFY(w.wb1->isVisible());
        QTRY_VERIFY(w.wb1->View());   // once the button is up and no double click can follow
        QTRY_COMPARE_WITH_TIMEOUT(
            Eval(w.wb1->Page(), QStringLiteral("(function(){var e=document.getElementById('ravik');"
                                                    "return e ? e.textContent : '';})()"), QWebEngineScript::MainWorld)
                .toString(),
            QStringLiteral("helloworld"), kTimeout);

        // Back to the code: a second preview of the same page, the pane as it was.
        r.ClickTab(0);
        QCOMPARE(w.vmpgcntrl1->ActivePage(), w.vmtbshtTabSheet1);
        QVERIFY(w.redt1->isVisible());
        QCOMPARE(r.CachePage(), EncodePage(tmall.Head + code + tmall.Tail));

        // "格式阅读": the lines broken, the main tags coloured.
        r.ClickCentre(w.vmbtbtn6);
        QString broken = BreakIntoLines(code);
        broken.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        QCOMPARE(w.redt1->toPlainText(), broken);
        QVERIFY(broken.contains(QLatin1Char('\n')));
        const QList<TColourRun> runs = FindColourRuns(w.redt1->document()->toRawText());
        QVERIFY(!runs.isEmpty());
        QTextCursor probe(w.redt1->document());
        probe.setPosition(runs.last().position + 1);
        QCOMPARE(probe.charFormat().foreground().color(), runs.last().colour);

        // Find: the panel comes up, the word is selected in the pane.
        QVERIFY(w.vmpgcntrl2->isHidden());
        r.ClickCentre(w.vmbtbtn1);
        QVERIFY(w.vmpgcntrl2->isVisible());
        r.ClickCentre(w.edt1);
        QTest::keyClicks(w.edt1, QStringLiteral("world"));
        r.ClickCentre(w.btn5);
        QCOMPARE(w.redt1->textCursor().selectedText(), QStringLiteral("world"));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.redt1));
        QVERIFY(r.dialogs.messages.isEmpty());

        // Replace all.
        r.ClickCentre(w.edt2);
        QTest::keyClicks(w.edt2, QStringLiteral("Tmall"));
        r.ClickCentre(w.btn6);
        QCOMPARE(r.dialogs.messages.size(), 1);
        QCOMPARE(r.dialogs.messages[0].text, QStringLiteral("替换完毕！"));
        const QString replaced = CodePaneText(*w.redt1->document());
        QVERIFY(replaced.contains(QLatin1String("<b>Tmall</b>")));
        QVERIFY(!replaced.contains(QLatin1String("world")));

        // Save as rich text from the pane's context menu.
        r.dialogs.saveAnswer = r.dir.FilePath(QStringLiteral("decoration"));
        r.Click(w.redt1->viewport(), QPoint(60, 30), Qt::RightButton);
        QTRY_VERIFY(w.pm1->isVisible());
        QTest::mouseClick(w.pm1, Qt::LeftButton, {}, w.pm1->actionGeometry(w.N4).center());
        QTRY_VERIFY(!w.pm1->isVisible());
        QCOMPARE(r.dialogs.saveRequests.size(), 1);
        QFile saved(r.dir.FilePath(QStringLiteral("decoration.txt")));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray rtf = saved.readAll();
        QVERIFY(rtf.startsWith("{\\rtf1"));
        QVERIFY(rtf.trimmed().endsWith('}'));
        QVERIFY(rtf.contains("Tmall"));
        QVERIFY(rtf.contains("ravik"));
        QVERIFY(!rtf.contains("world"));
        QCOMPARE(r.dialogs.messages.size(), 1);
    }

    void keyboardSwitchesPagesAndPressesSideBarButtons()
    {
        Road r;
        Tfrmravik& w = r.w;
        QVERIFY(r.TypeCode(QStringLiteral("<p>x</p>")));

        // Ctrl+Tab in the code pane is the page control's, not the pane's.
        QTest::keyClick(w.redt1, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(w.vmpgcntrl1->ActivePage(), w.vmtbshtTabSheet2);
        QCOMPARE(CodePaneText(*w.redt1->document()), QStringLiteral("<p>x</p>"));
        const TPageTemplate& professional = PageTemplate(TShopVersion::Professional);
        QCOMPARE(r.CachePage(), EncodePage(professional.Head + QStringLiteral("<p>x</p>") + professional.Tail));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(w.vmpgcntrl1->ActivePage(), w.vmtbshtTabSheet1);

        // A focused side-bar button answers Space and Enter.
        w.vmbtbtn1->SetFocus();
        QTRY_VERIFY(w.vmbtbtn1->Focused());
        QTest::keyClick(w.vmbtbtn1, Qt::Key_Space);
        QVERIFY(w.vmpgcntrl2->isVisible());
        w.vmpgcntrl2->Hide();
        QTest::keyClick(w.vmbtbtn1, Qt::Key_Return);
        QVERIFY(w.vmpgcntrl2->isVisible());
        QVERIFY(r.dialogs.messages.isEmpty());
    }

    // The preview opens at the user's module, and going to the code and
    // back keeps the place the user scrolled to.
    void previewKeepsItsPlaceAcrossPageSwitches()
    {
        Road r;
        Tfrmravik& w = r.w;
        QVERIFY(r.TypeCode(QStringLiteral("<div style=\"height:3000px\">x</div>")));
        const auto scrollY = [&] { return Eval(w.wb1->Page(), QStringLiteral("scrollY"), QWebEngineScript::MainWorld).toInt(); };

        QSignalSpy shown(w.wb1, &TPreviewBrowser::PageShown);
        r.ClickTab(1);
        QVERIFY(shown.wait(kTimeout));
        const int moduleTop = Eval(w.wb1->Page(), QStringLiteral(
            "Math.round(document.querySelector('.J_TModule[data-title=\"自定义内容区\"]').getBoundingClientRect().top + scrollY)"), QWebEngineScript::MainWorld).toInt();
        QVERIFY(moduleTop > 100);
        QCOMPARE(scrollY(), moduleTop);

        Eval(w.wb1->Page(), QStringLiteral("scrollBy(0, 333)"), QWebEngineScript::MainWorld);
        QTRY_COMPARE_WITH_TIMEOUT(w.wb1->Page()->scrollPosition().y(), moduleTop + 333.0, kTimeout);
        r.ClickTab(0);
        shown.clear();
        r.ClickTab(1);
        QVERIFY(shown.wait(kTimeout));
        QTest::qWait(300);   // nothing moves it afterwards either
        QCOMPARE(scrollY(), moduleTop + 333);
    }

    // A finding of the publish check, clicked in the preview, is the text
    // selected in the code pane: the code page comes up, the text scrolled
    // into view, the keyboard in the pane. The cache page knows nothing of
    // the panel.
    void findingInThePreviewLeadsToItsCode()
    {
        Road r;
        Tfrmravik& w = r.w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QString code;
        for (int i = 0; i < 80; ++i)
            code += QStringLiteral("<p>第 %1 行</p>\r\n").arg(i);
        code += QStringLiteral("<div class=\"box\"><a href=\"javascript:void(0)\" id=\"far\">x</a></div><xmp>한</xmp>");
        SetCodePaneText(*w.redt1, code);

        QSignalSpy shown(w.wb1, &TPreviewBrowser::PageShown);
        r.ClickTab(1);
        QVERIFY(shown.wait(kTimeout));
        QWebEnginePage* page = w.wb1->Page();
        QTRY_COMPARE_WITH_TIMEOUT(
            Eval(page, QStringLiteral("window.ravikFindings ? ravikFindings.panel.querySelectorAll('li').length : 0")).toInt(),
            2, kTimeout);
        const TPageTemplate& professional = PageTemplate(TShopVersion::Professional);
        QCOMPARE(r.CachePage(), EncodePage(professional.Head + code + professional.Tail));
        // A character the cache page cannot hold where it stands is named
        // in the panel, with its place in the code.
        QVERIFY(Eval(page, QStringLiteral("ravikFindings.panel.querySelector('.note').getAttribute('data-text')")).toString().startsWith(QStringLiteral("第 81 行第 72 列：<xmp>")));

        QVERIFY(r.ClickFinding(1));

        QTRY_COMPARE_WITH_TIMEOUT(w.vmpgcntrl1->ActivePage(), w.vmtbshtTabSheet1, kTimeout);
        QCOMPARE(w.redt1->textCursor().selectedText(), QStringLiteral("id=\"far\""));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.redt1));
        QVERIFY(w.redt1->viewport()->rect().contains(w.redt1->cursorRect()));
        QVERIFY(w.redt1->verticalScrollBar()->value() > 0);

        // The code changed under the preview (the find panel floats over
        // it): the finding's range is no longer that text, and nothing is
        // selected.
        shown.clear();
        r.ClickTab(1);
        QVERIFY(shown.wait(kTimeout));
        page = w.wb1->Page();
        QTRY_COMPARE_WITH_TIMEOUT(
            Eval(page, QStringLiteral("window.ravikFindings ? ravikFindings.panel.querySelectorAll('li').length : 0")).toInt(),
            2, kTimeout);
        ReplaceAllInCodePane(*w.redt1, QStringLiteral("第 1 行"), QStringLiteral("1"));
        QCOMPARE(r.dialogs.messages.size(), 1);
        Eval(page, QStringLiteral("ravikFindings.panel.querySelectorAll('li')[1].click()"));
        QTRY_COMPARE_WITH_TIMEOUT(w.vmpgcntrl1->ActivePage(), w.vmtbshtTabSheet1, kTimeout);
        QVERIFY(!w.redt1->textCursor().hasSelection());
    }
};

RAVIK_TEST(TestWindowRoad)
#include "tst_window_road.moc"
