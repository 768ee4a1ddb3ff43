#include "PageComposer.h"
#include "PageEval.h"
#include "PageScripts.h"
#include "PreviewBridge.h"
#include "PreviewBrowser.h"
#include "PreviewPage.h"
#include "PreviewWorkingDir.h"
#include "PublishCheck.h"
#include "PublishReportJson.h"
#include "TestMain.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QWebEngineView>

#include <optional>

namespace {
constexpr int kTimeout = 20000;

// The data-k of the start tag that holds code position `at`.
QString MarkAt(const QString& code, qsizetype at)
{
    const qsizetype open = code.lastIndexOf(u'<', at);
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^[^>]*data-k=\"(\\d+)\"")).match(code.mid(open));
    return m.hasMatch() ? m.captured(1) : QString();
}
}

class TestFindingsPanel : public QObject {
    Q_OBJECT
    std::optional<PreviewWorkingDir> dir_;

    // Navigates to the cache page around `code` and waits until the page
    // is on show and loaded.
    bool Show(TPreviewBrowser& browser, TShopVersion version, const QString& code)
    {
        QSignalSpy shown(&browser, &TPreviewBrowser::PageShown);
        QSignalSpy loaded(&browser, &TPreviewBrowser::PageLoaded);
        browser.Navigate(WriteCachePage(version, code), version);
        return QTest::qWaitFor([&] { return !shown.isEmpty() && !loaded.isEmpty(); }, kTimeout);
    }

    // A local preview as the window makes it: the cache page written, the
    // check's findings given to the bridge, the page loaded; then waits
    // until our script has had the findings.
    TPublishReport Preview(TPreviewBrowser& browser, TShopVersion version, const QString& code,
                           const QString& unfinished = {})
    {
        const TPageTemplate& page = PageTemplate(version);
        TPublishReport report =
            CheckPublish(BuiltInPublishRules(), {page.Head, code, page.Tail, ShopVersionName(version)});
        report.Unfinished = unfinished;
        browser.Bridge().SetFindings(PublishReportJson(report));
        if (!Show(browser, version, code))
            return {};
        // Channel calls are answered in order: once this one is, so is the
        // one our script made when the document was parsed.
        Eval(browser, QStringLiteral("ravikBridge.then(function (o) { o.Findings(function () {"
                                         " window.settled = true; }); }); 0"));
        if (!QTest::qWaitFor([&] { return Eval(browser, QStringLiteral("window.settled === true")).toBool(); }, kTimeout))
            return {};
        return report;
    }

    // Clicks the middle of what `selector` finds in the findings panel, as
    // the user does, with the mouse.
    bool ClickInPanel(TPreviewBrowser& browser, const QString& selector)
    {
        const QVariantList rect = Eval(browser, QStringLiteral(
            "(function () { var e = ravikFindings.panel.querySelector('%1'); e.scrollIntoView();"
            " var r = e.getBoundingClientRect(); return [r.left + r.width / 2, r.top + r.height / 2]; })()")
                                                      .arg(selector)).toList();
        if (rect.size() != 2)
            return false;
        QWidget* target = browser.View()->focusProxy();
        const QPoint at(qRound(rect[0].toDouble()), qRound(rect[1].toDouble()));
        QTest::mouseMove(target, at);
        QTest::mouseClick(target, Qt::LeftButton, {}, at);
        return true;
    }

private slots:
    void initTestCase() { dir_.emplace(); }
    void cleanupTestCase() { dir_.reset(); }

    // Every finding that has an element in the page outlines exactly that
    // element, through what moves elements about while the page is parsed
    // (a table fostering a div out, a misnested <b>, a stray </div> closing
    // the module) and a script of the page that adds an element first.
    void findingsOutlineTheirElements()
    {
        const QString code = QStringLiteral(
            "<p data-k=\"1\" id=\"p1\">a</p>"
            "<table><div data-k=\"2\" onclick=\"void 0\">fostered</div><tr><td data-k=\"3\" class=\"tb-cell\">c</td></tr></table>"
            "<b><p data-k=\"4\" id=\"p4\">x</b>y</p>"
            "<template><i data-k=\"5\" id=\"t5\"></i></template><noscript><u data-k=\"6\" id=\"n6\"></u></noscript>"
            "<script data-k=\"7\">var m = document.currentScript.parentNode;"
            " m.insertBefore(document.createElement('div'), m.firstChild);</script>"
            "<img data-k=\"8\" src=\"data:,\" style=\"width:2000px\"><a data-k=\"9\" href=\"javascript:void(0)\">j</a>"
            "</div></div><span data-k=\"10\" class=\"J_TBox\">after</span>");
        TPreviewBrowser browser;
        browser.resize(1000, 700);
        for (TShopVersion version : {TShopVersion::Professional, TShopVersion::Tmall, TShopVersion::Basic}) {
            const TPublishReport report = Preview(browser, version, code);
            QCOMPARE(report.Findings.size(), 10);
            // Each target with its place after the region: the check's count,
            // plus the element the page's script added and the panel itself.
            const QVariantList shown = Eval(browser, QStringLiteral(
                "(function () { var all = document.getElementsByTagName('*'), index = Array.prototype.indexOf;"
                " var base = index.call(all, ravikFindings.host.parentNode);"
                " return ravikFindings.targets.map(function (e) { return e ? [e.getAttribute('data-k'), e.style.outline,"
                " e.getAttribute('title'), index.call(all, e) - base - 2] : null; }); })()")).toList();
            QCOMPARE(shown.size(), report.Findings.size());
            for (int i = 0; i < shown.size(); ++i) {
                const TFinding& f = report.Findings[i];
                const QString mark = MarkAt(code, f.From);
                if (mark == QLatin1String("5") || mark == QLatin1String("6")) {
                    QVERIFY2(shown[i].isNull(), qPrintable(mark));   // no such element in the page
                    continue;
                }
                const QVariantList target = shown[i].toList();
                QVERIFY2(target.size() == 4, qPrintable(mark));
                QCOMPARE(target[0].toString(), mark);
                QCOMPARE(target[3].toInt(), f.Element);
                QVERIFY2(target[1].toString().contains(QLatin1String("2px")), qPrintable(target[1].toString()));
                QVERIFY(target[2].toString().contains(f.Message));
            }
            // The panel sits at the top of the module's region.
            QCOMPARE(Eval(browser, QStringLiteral("ravikFindings.host.parentNode.matches('.J_TModule, .skin-box-bd') &&"
                                                      " ravikFindings.host.parentNode.firstChild === ravikFindings.host"))
                         .toBool(),
                     true);
            QCOMPARE(Eval(browser, QStringLiteral("ravikFindings.panel.querySelectorAll('li').length")).toInt(), 10);
        }
    }

    void cleanCodeShowsNothing()
    {
        TPreviewBrowser browser;
        const QString code = QStringLiteral("<div class=\"J_TWidget\" style=\"width:950px\"><a href=\"https://example.com/\">"
                                            "<img src=\"data:,\"></a></div>");
        QVERIFY(Preview(browser, TShopVersion::Professional, code).Findings.isEmpty());
        QCOMPARE(Eval(browser, QStringLiteral("typeof ravikFindings")).toString(), QStringLiteral("undefined"));
        // Not a node more, not a style changed: the region holds the code alone.
        QCOMPARE(Eval(browser, QStringLiteral("document.querySelector('[data-componentid=\"5003\"]').innerHTML.trim()")).toString(),
                 code);
    }

    // A check that did not finish, and findings whose region the page's
    // script removed, are never shown as a clean page: the panel says the
    // check did not finish and why, at the top of the module or, with the
    // module gone, of the page. Its words are not found by the page's
    // window.find().
    void unfinishedChecksNeverLookClean()
    {
        TPreviewBrowser browser;
        const QString why = QStringLiteral("发布检查超过 5 秒还没有完成");
        Preview(browser, TShopVersion::Professional, QStringLiteral("<p>clean</p>"), why);
        const QString panel = QStringLiteral(
            "(function () { var p = ravikFindings.panel, host = ravikFindings.host;"
            " function text(s) { return Array.prototype.map.call(p.querySelectorAll(s), function (e) {"
            " return e.getAttribute('data-text'); }).join('|'); }"
            " return [text('.title'), text('.note'), p.querySelectorAll('li').length,"
            " host.parentNode === document.body, host.parentNode.firstChild === host]; })()");
        QCOMPARE(Eval(browser, panel).toList(), (QVariantList{QStringLiteral("发布检查没有完成"), why, 0, false, true}));
        QVERIFY(!Eval(browser, QStringLiteral("window.find('发布检查') || window.find('没有完成')"),
                      QWebEngineScript::MainWorld).toBool());

        const QString gone = QStringLiteral("<script>document.body.textContent = '';</script><a href=\"javascript:x()\">buy</a>");
        QCOMPARE(Preview(browser, TShopVersion::Professional, gone).Findings.size(), 2);
        const QVariantList shown = Eval(browser, panel).toList();
        QCOMPARE(shown.value(0).toString(), QStringLiteral("发布检查没有完成"));
        QVERIFY2(shown.value(1).toString().contains(QStringLiteral("找不到")), qPrintable(shown.value(1).toString()));
        QCOMPARE(shown.mid(2), (QVariantList{2, true, true}));
    }

    // The report lists what the panel shows; the panel counts the rest.
    void longReportsAreCountedNotListed()
    {
        TPreviewBrowser browser;
        Preview(browser, TShopVersion::Basic, QStringLiteral("<p id=\"x\">a</p>").repeated(400));
        QCOMPARE(Eval(browser, QStringLiteral("[ravikFindings.panel.querySelectorAll('li').length,"
                                                  " ravikFindings.panel.querySelector('.more').getAttribute('data-text')]"))
                     .toList(),
                 (QVariantList{300, QStringLiteral("另有 100 处未列出")}));
    }

    // The findings arrive while the page loads or after: either way the
    // panel shows them, and after a page with a panel the next is not
    // placed (nor shown placed) before they are in, as the panel moves what
    // follows it. A click on a line names the finding's text; a click on the
    // head folds the panel, outlines and all, and it stays folded.
    void panelWaitsForFindingsFoldsAndAnswersClicks()
    {
        TPreviewBrowser browser;
        browser.resize(1000, 700);
        browser.show();
        QVERIFY(QTest::qWaitForWindowExposed(&browser));
        const QString code = QStringLiteral("<p>x</p><div id=\"a\">one</div><p onclick=\"b()\">two</p>");
        const TPageTemplate& page = PageTemplate(TShopVersion::Tmall);
        const TPublishReport report = CheckPublish(BuiltInPublishRules(), {page.Head, code, page.Tail, QStringLiteral("tmall")});
        browser.Bridge().ClearFindings();
        QVERIFY(Show(browser, TShopVersion::Tmall, code));
        QCOMPARE(Eval(browser, QStringLiteral("typeof ravikFindings")).toString(), QStringLiteral("undefined"));
        browser.Bridge().SetFindings(PublishReportJson(report));
        QTRY_COMPARE_WITH_TIMEOUT(Eval(browser, QStringLiteral("ravikFindings.panel.querySelectorAll('li').length")).toInt(),
                                  2, kTimeout);

        QSignalSpy chosen(&browser.Bridge(), &TPreviewBridge::FindingChosen);
        QVERIFY(ClickInPanel(browser, QStringLiteral("li:nth-child(2)")));
        QTRY_COMPARE_WITH_TIMEOUT(chosen.size(), 1, kTimeout);
        QCOMPARE(code.mid(chosen[0][0].toLongLong(), chosen[0][1].toLongLong() - chosen[0][0].toLongLong()),
                 QStringLiteral("onclick=\"b()\""));

        QVERIFY(ClickInPanel(browser, QStringLiteral(".head")));
        QTRY_VERIFY_WITH_TIMEOUT(browser.Bridge().FindingsFolded(), kTimeout);
        QCOMPARE(Eval(browser, QStringLiteral("getComputedStyle(ravikFindings.panel.querySelector('.body')).display"))
                     .toString(),
                 QStringLiteral("none"));
        QCOMPARE(Eval(browser, QStringLiteral("ravikFindings.targets.filter(function (e) { return e.style.outline"
                                                  " || e.hasAttribute('title'); }).length")).toInt(),
                 0);
        // The next page opens folded; a click on an old page's finding is
        // not taken for one of the new page's.
        const int oldSerial = browser.Bridge().Findings().value(QStringLiteral("serial")).toInt();
        Preview(browser, TShopVersion::Tmall, code);
        QCOMPARE(Eval(browser, QStringLiteral("ravikFindings.panel.classList.contains('folded')")).toBool(), true);
        browser.Bridge().ChooseFinding(oldSerial, 0);
        QCOMPARE(chosen.size(), 1);

        // After a page with a panel, the next is not placed while its check
        // runs: it shows when the wait for the findings is over.
        browser.Bridge().ClearFindings();
        QSignalSpy placed(&browser.Bridge(), &TPreviewBridge::PagePlaced);
        qsizetype placedOnShow = -1;
        // Read once the signal that showed it, if any, has reached the spy.
        const auto onShow = connect(&browser, &TPreviewBrowser::PageShown, this, [&] {
            QMetaObject::invokeMethod(this, [&] { placedOnShow = placed.size(); }, Qt::QueuedConnection);
        });
        QVERIFY(Show(browser, TShopVersion::Tmall, code));
        QTRY_VERIFY_WITH_TIMEOUT(placedOnShow >= 0, kTimeout);
        disconnect(onShow);
        QCOMPARE(placedOnShow, 0);
    }
};

RAVIK_TEST(TestFindingsPanel)
#include "tst_findingspanel.moc"
