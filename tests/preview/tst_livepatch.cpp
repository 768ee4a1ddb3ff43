#include "Fragments.h"
#include "LivePatch.h"
#include "PageComposer.h"
#include "PageEval.h"
#include "PageScripts.h"
#include "PictureServer.h"
#include "PreviewBridge.h"
#include "PreviewBrowser.h"
#include "PreviewPage.h"
#include "PreviewWorkingDir.h"
#include "PublishCheck.h"
#include "PublishReportJson.h"
#include "PublishRules.h"
#include "TestMain.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QWebEngineProfile>
#include <QWebEngineScriptCollection>

#include <map>
#include <optional>

namespace {
constexpr int kTimeout = 20000;

// A page's module, serialised: its content, then every node after it up
// to the end of the document, and the attributes of the page's html and
// body elements (but those of the editor's own scripts).
const char* const kSerialised = R"(function (module) {
    function attributes(e) {
        return Array.prototype.filter.call(e.attributes, function (a) { return !/^data-ravik/.test(a.name); })
            .map(function (a) { return a.name + '=' + a.value; }).join(' ');
    }
    var out = module.innerHTML + '\n----\n';
    for (var n = module; n.parentNode; n = n.parentNode) {
        for (var s = n.nextSibling; s; s = s.nextSibling)
            out += s.nodeType === 1 ? s.outerHTML : s.nodeType === 8 ? '<!--' + s.data + '-->' : s.nodeValue;
    }
    var d = module.ownerDocument;
    return out + '\n----\n' + attributes(d.documentElement) + '\n' + attributes(d.body);
})";

// Runs the event loop until `condition` holds; false after `timeout`. Not
// QTest's waiting, which sleeps between its turns: a page's load passes
// the window's thread many times and would take seconds.
bool WaitFor(const std::function<bool()>& condition, int timeout = kTimeout)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    poll.start(2);
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    if (!condition())
        loop.exec();
    return condition();
}

// A browser whose page follows the code through the live patch, loading
// anew where the rule says so, as the floating preview does.
struct PatchRoad {
    TPreviewBrowser browser;
    TCachePageWriter writer;
    TLivePatcher patcher{browser, writer, [this](const QString& code, TShopVersion version) { Load(code, version); }};
    TShopVersion version = TShopVersion::Professional;
    std::map<std::string, int> reasons;

    PatchRoad()
    {
        browser.SetShowTimeout(kTimeout);   // a busy machine may take seconds to load a page
        browser.resize(800, 600);
        browser.show();
    }

    void Load(const QString& code, TShopVersion v)
    {
        writer.Write(EncodePage(ComposePage(PageTemplate(v), code)));
        patcher.Loading(code);
        browser.Navigate(CachePagePath(), v);
    }
    bool Open(const QString& code)
    {
        QSignalSpy shown(&browser, &TPreviewBrowser::PageShown);
        Load(code, version);
        return WaitFor([&] { return !shown.isEmpty(); });
    }
    // Refreshes to `code` and waits until the page shows it, patched or
    // loaded; the rule's decision.
    TRefreshDecision Refresh(const QString& code)
    {
        QSignalSpy decided(&patcher, &TLivePatcher::Decided);
        QSignalSpy patched(&patcher, &TLivePatcher::Patched);
        QSignalSpy shown(&browser, &TPreviewBrowser::PageShown);
        patcher.Refresh(code, version);
        if (!WaitFor([&] { return !patcher.Busy() && (!patched.isEmpty() || !shown.isEmpty()); }))
            return {false, TRefreshReason::NoAnswer};
        // The page a load replaced is cleared to be the next load's: a load
        // meanwhile would start a renderer of its own, seconds on a busy
        // machine.
        if (!shown.isEmpty()) {
            (void)WaitFor([&] {
                for (TPreviewPage* page : browser.findChildren<TPreviewPage*>()) {
                    if (page != browser.ShownPage() && page->url().scheme() != QLatin1String("about"))
                        return false;
                }
                return true;
            });
        }
        const auto decision = decided.last().at(0).value<TRefreshDecision>();
        ++reasons[RefreshReasonName(decision.Reason)];
        return {decision.Patch && !patched.isEmpty(), decision.Reason};
    }
    QByteArray CachePage() const
    {
        QFile file(QString::fromLatin1(CachePageName));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Where the module is in the page: its place among its parent's
    // children, and theirs, from the document down.
    QVariant Path()
    {
        return Eval(browser.ShownPage(), QStringLiteral(
            "(function () { var p = []; for (var n = ravikLivePatch.module(); n.parentNode; n = n.parentNode)"
            " p.unshift(Array.prototype.indexOf.call(n.parentNode.childNodes, n)); return p; })()"));
    }
    // The module's content, and what follows it in the page.
    QString Module()
    {
        return Eval(browser.ShownPage(), QStringLiteral("(%1)(ravikLivePatch.module())").arg(QLatin1String(kSerialised)))
            .toString();
    }
};
}

Q_DECLARE_METATYPE(TRefreshDecision)

namespace {
QWebEngineScript StubScript(const QString& source, quint32 world,
                            QWebEngineScript::InjectionPoint point = QWebEngineScript::DocumentCreation)
{
    QWebEngineScript script;
    script.setSourceCode(source);
    script.setWorldId(world);
    script.setInjectionPoint(point);
    return script;
}

// Edits as a decorator's hands make them, good and bad: text typed and
// deleted anywhere (characters the page's encoding lacks among it), tags
// opened, closed and retyped, attributes added and changed, end tags taken
// away and put back.
class RandomEdits {
public:
    RandomEdits(QString code, quint32 seed) : code_(std::move(code)), dice_(seed) {}
    const QString& Code() const { return code_; }

    bool Chance(int in, int of) { return dice_.bounded(of) < in; }
    // The code as it is now parses whole.
    void Good() { good_ = code_; }

    // Makes one edit and says which; or, `mend`, goes back to the code as
    // it was before the edits since the last Good().
    QString Step(bool mend = false)
    {
        if (mend) {
            code_ = good_;
            return QStringLiteral("mend");
        }
        static const QStringList typed{QStringLiteral("a"), QStringLiteral("中"), QStringLiteral("\U0001F600"),
                                       QStringLiteral("\u00A0"), QStringLiteral("\u0085"), QStringLiteral("&"),
                                       QStringLiteral("<"), QStringLiteral(">"), QStringLiteral("\""),
                                       QStringLiteral(" "), QStringLiteral("\r\n"), QStringLiteral("/")};
        static const QStringList pieces{
            QStringLiteral("<b>"), QStringLiteral("</b>"), QStringLiteral("<p>"), QStringLiteral("</p>"),
            QStringLiteral("<div>"), QStringLiteral("</div>"), QStringLiteral("<span class=\"s\">x</span>"),
            QStringLiteral("<br>"), QStringLiteral("<img src=\"https://img.example.com/n.jpg\">"),
            QStringLiteral("<table>"), QStringLiteral("</table>"), QStringLiteral("<td>"), QStringLiteral("<tr>"),
            QStringLiteral("<li>"), QStringLiteral("<ul>"), QStringLiteral("<!--"), QStringLiteral("-->"),
            QStringLiteral("<textarea>"), QStringLiteral("<style>p{color:red}</style>"), QStringLiteral("<svg>"),
            QStringLiteral("</svg>"), QStringLiteral("<a href=\"#\">"), QStringLiteral("</a>"),
            QStringLiteral("<select><option>1"), QStringLiteral("<form>"), QStringLiteral("<script>x=1</script>"),
            QStringLiteral("<font color=red>"), QStringLiteral("<nobr>"), QStringLiteral("<h3>"),
            QStringLiteral("</h3>"), QStringLiteral("<math><mi>x</mi></math>"), QStringLiteral("<title>"),
            QStringLiteral("<noscript><i>n</i></noscript>"), QStringLiteral("&amp;"), QStringLiteral("&nbsp"),
            QStringLiteral("</body>"), QStringLiteral("<body class=\"b\">"), QStringLiteral("<dd>"),
            QStringLiteral("<button>"), QStringLiteral("<marquee>"), QStringLiteral("<input value=\"v\">"),
            QStringLiteral("<p onclick=\"f()\">"), QStringLiteral("<div class=\"J_TModule\">"),
            QStringLiteral("<template><b>t</b></template>")};
        static const QStringList names{QStringLiteral("div"), QStringLiteral("span"), QStringLiteral("p"),
                                       QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("li"),
                                       QStringLiteral("td"), QStringLiteral("table"), QStringLiteral("section"),
                                       QStringLiteral("em"), QStringLiteral("ul"), QStringLiteral("h2")};
        const int op = dice_.bounded(100);
        if (op < 25)
            return Insert(typed[dice_.bounded(int(typed.size()))]);
        if (op < 45)
            return Insert(pieces[dice_.bounded(int(pieces.size()))]);
        if (op < 65 && !code_.isEmpty()) {
            const int at = dice_.bounded(int(code_.size()));
            const int length = 1 + dice_.bounded(12);
            code_.remove(at, length);
            return QStringLiteral("delete %1 at %2").arg(length).arg(at);
        }
        if (op < 75)
            return Retype(names[dice_.bounded(int(names.size()))]);
        if (op < 90)
            return Attribute();
        if (op < 95 || removed_.isEmpty())
            return RemoveEndTag();
        const auto [at, tag] = removed_.takeLast();
        code_.insert(qMin<qsizetype>(at, code_.size()), tag);
        return QStringLiteral("put back %1").arg(tag);
    }

private:
    QString Insert(const QString& text)
    {
        const int at = dice_.bounded(int(code_.size()) + 1);
        code_.insert(at, text);
        return QStringLiteral("insert %1 at %2").arg(text).arg(at);
    }
    // A random match of `pattern` in the code, or an invalid one.
    QRegularExpressionMatch Any(const QString& pattern)
    {
        QList<QRegularExpressionMatch> all;
        for (auto it = QRegularExpression(pattern).globalMatch(code_); it.hasNext();)
            all << it.next();
        return all.isEmpty() ? QRegularExpressionMatch() : all[dice_.bounded(int(all.size()))];
    }
    QString Retype(const QString& name)
    {
        const QRegularExpressionMatch m = Any(QStringLiteral("</?([a-zA-Z][a-zA-Z0-9]*)"));
        if (!m.hasMatch())
            return Insert(name);
        code_.replace(m.capturedStart(1), m.capturedLength(1), name);
        return QStringLiteral("retype %1 at %2 to %3").arg(m.captured(1)).arg(m.capturedStart(1)).arg(name);
    }
    QString Attribute()
    {
        if (dice_.bounded(2)) {
            const QRegularExpressionMatch m = Any(QStringLiteral("=\"[^\"]*\""));
            if (m.hasMatch()) {
                const int at = int(m.capturedStart() + 2 + dice_.bounded(int(m.capturedLength() - 2)));
                code_.insert(at, QString::number(dice_.bounded(10)));
                return QStringLiteral("digit in a value at %1").arg(at);
            }
        }
        static const QStringList attributes{QStringLiteral(" class=\"c\""), QStringLiteral(" style=\"margin:4px\""),
                                            QStringLiteral(" title=\"t\""), QStringLiteral(" data-x"),
                                            QStringLiteral(" width=\"950\"")};
        const QRegularExpressionMatch m = Any(QStringLiteral("<[a-zA-Z][a-zA-Z0-9]*"));
        const QString attribute = attributes[dice_.bounded(int(attributes.size()))];
        if (!m.hasMatch())
            return Insert(attribute);
        code_.insert(m.capturedEnd(), attribute);
        return QStringLiteral("attribute %1 at %2").arg(attribute).arg(m.capturedEnd());
    }
    QString RemoveEndTag()
    {
        const QRegularExpressionMatch m = Any(QStringLiteral("</[a-zA-Z][a-zA-Z0-9]*>"));
        if (!m.hasMatch())
            return Insert(QStringLiteral("</div>"));
        removed_.append({m.capturedStart(), m.captured()});
        code_.remove(m.capturedStart(), m.capturedLength());
        return QStringLiteral("take away %1 at %2").arg(m.captured()).arg(m.capturedStart());
    }

    QString code_;
    QString good_ = code_;
    QRandomGenerator dice_;
    QList<std::pair<qsizetype, QString>> removed_;
};

// The module of each code, serialised, as a fresh load of its cache page
// gives it: the pages are loaded together, each in a frame of one page, and
// the module is found where the patched page has it, at `path`.
QStringList LoadedModules(TShopVersion version, const QVariant& path, const QStringList& codes)
{
    if (codes.isEmpty())
        return {};
    // Served from one origin (the pages' encoding left to their own meta
    // element), so that the frames' documents can be read.
    PictureServer server;
    QString frames;
    for (int i = 0; i < codes.size(); ++i) {
        frames += QStringLiteral("<iframe src=\"%1\"></iframe>")
                      .arg(server.Add(QStringLiteral("/loaded-%1.html").arg(i),
                                      EncodePage(ComposePage(PageTemplate(version), codes[i])), "text/html", false));
    }
    TPreviewPage page;
    QSignalSpy loaded(&page, &QWebEnginePage::loadFinished);
    page.load(QUrl(server.Add(QStringLiteral("/loaded.html"), frames.toUtf8(), "text/html", false)));
    if (!WaitFor([&] { return !loaded.isEmpty(); }, kTimeout * 3))
        return {};
    const QString json = QString::fromUtf8(QJsonDocument::fromVariant(path).toJson(QJsonDocument::Compact));
    return Eval(&page, QStringLiteral("Array.prototype.map.call(document.querySelectorAll('iframe'), function (f) {"
                                      " var n = f.contentDocument; %1.forEach(function (i) { n = n.childNodes[i]; });"
                                      " return (%2)(n); })").arg(json, QLatin1String(kSerialised)),
                QWebEngineScript::MainWorld)
        .toStringList();
}
}

class TestLivePatch : public QObject {
    Q_OBJECT
    std::optional<PreviewWorkingDir> dir_;

private slots:
    void initTestCase()
    {
        qRegisterMetaType<TRefreshDecision>();
        dir_.emplace();
    }

    void cleanupTestCase() { dir_.reset(); }

    // The rule: a patch only where the page on show is the cache page of
    // the same storefront, answers, and neither the code on show nor the
    // new code holds anything a patch cannot give as a load would; the
    // page's state is asked before the code.
    void ruleLoadsWhereAPatchWouldNotDo()
    {
        using R = TRefreshReason;
        TRefreshFacts clean;
        clean.PageShown = true;
        clean.Code = TCodeFacts{};
        clean.Code->Known = true;
        clean.Code->Shown.SelfContained = clean.Code->Next.SelfContained = true;
        QCOMPARE(DecideRefresh(clean).Patch, true);
        QCOMPARE(DecideRefresh(clean).Reason, R::Patch);

        const std::vector<std::pair<std::function<void(TRefreshFacts&)>, R>> cases{
            {[](TRefreshFacts& f) { f.PageShown = false; f.LoadUnderWay = true; }, R::NoPage},
            {[](TRefreshFacts& f) { f.LoadUnderWay = true; f.Code.reset(); }, R::LoadUnderWay},
            {[](TRefreshFacts& f) { f.NavigatedAway = true; }, R::NavigatedAway},
            {[](TRefreshFacts& f) { f.Version = TShopVersion::Tmall; f.Code->Next.Scripts = true; }, R::StorefrontChanged},
            {[](TRefreshFacts& f) { f.Code.reset(); }, R::NoAnswer},
            {[](TRefreshFacts& f) { f.Code->Known = false; }, R::Unknown},
            {[](TRefreshFacts& f) { f.Code->Shown.SelfContained = false; }, R::NotSelfContained},
            {[](TRefreshFacts& f) { f.Code->Next.SelfContained = false; f.Code->Next.Scripts = true; }, R::NotSelfContained},
            {[](TRefreshFacts& f) { f.Code->Shown.Scripts = true; }, R::Scripts},
            {[](TRefreshFacts& f) { f.Code->Next.Handlers = true; }, R::Handlers},
            {[](TRefreshFacts& f) { f.Code->Next.FrameScript = true; }, R::FrameScript},
            {[](TRefreshFacts& f) { f.Code->Shown.PageHooks = true; }, R::PageHooks},
            {[](TRefreshFacts& f) { f.Code->Next.PageWide = true; }, R::PageWide},
            {[](TRefreshFacts& f) { f.Code->Next.NoScript = true; }, R::NoScript},
            {[](TRefreshFacts& f) { f.Code->Next.Template = true; }, R::Template},
            {[](TRefreshFacts& f) { f.Code->Next.Widgets = true; f.Code->Stale = true; }, R::WidgetsCannotRestart},
            {[](TRefreshFacts& f) { f.Code->Stale = true; }, R::Stale},
        };
        for (const auto& [change, reason] : cases) {
            TRefreshFacts facts = clean;
            change(facts);
            const TRefreshDecision decision = DecideRefresh(facts);
            QVERIFY2(!decision.Patch && decision.Reason == reason, RefreshReasonName(reason));
        }
        TRefreshFacts widgets = clean;
        widgets.Code->Shown.Widgets = widgets.Code->WidgetRestart = true;
        QCOMPARE(DecideRefresh(widgets).Patch, true);
    }

    // What the page finds parsing the code as a load does, on either side
    // of a refresh: the new code's, then, loaded, the code on show's.
    void pageTellsWhatAPatchCannotGive()
    {
        using R = TRefreshReason;
        const QString good = QStringLiteral("<div class=\"a\"><p>x</p></div>");
        const std::vector<std::pair<QString, R>> cases{
            {QStringLiteral("<p>x</p></div>"), R::NotSelfContained},   // closes the module
            {QStringLiteral("<div><p>x</p>"), R::NotSelfContained},    // leaves an element open
            {QStringLiteral("<b>x"), R::NotSelfContained},             // bold again in the tail
            {QStringLiteral("<p>x<textarea>"), R::NotSelfContained},   // swallows the tail
            {QStringLiteral("<p>x<!--"), R::NotSelfContained},
            {QStringLiteral("<body class=\"b\">"), R::NotSelfContained},
            {QStringLiteral("<svg><script>x()</script></svg>"), R::Scripts},
            {QStringLiteral("<p onclick=\"f()\">x</p>"), R::Handlers},
            {QStringLiteral("<iframe src=\" javascript:f()\"></iframe>"), R::FrameScript},
            {QStringLiteral("<img data-ks-lazyload=\"https://img.example.com/a.jpg\">"), R::PageHooks},
            {QStringLiteral("<div class=\"x J_TModule\"></div>"), R::PageHooks},
            {QStringLiteral("<base href=\"https://example.com/\">"), R::PageWide},
            {QStringLiteral("<noscript><p>n</p></noscript>"), R::NoScript},
            {QStringLiteral("<template><p>t</p></template>"), R::Template},
        };
        PatchRoad road;
        QVERIFY(road.Open(good));
        for (const auto& [code, reason] : cases) {
            QCOMPARE(RefreshReasonName(road.Refresh(code).Reason), RefreshReasonName(reason));
            QCOMPARE(RefreshReasonName(road.Refresh(good).Reason), RefreshReasonName(reason));
        }
        QCOMPARE(road.Refresh(good + QStringLiteral("<p>y</p>")).Patch, true);
    }

    // A patch changes only what the code changed: a picture whose element
    // stayed is not fetched again, a widget that stayed keeps its state, a
    // changed one starts afresh from its new markup, the page stays where
    // it was to the pixel, and the cache page follows the code.
    void patchKeepsWhatDidNotChange()
    {
        QImage red(40, 30, QImage::Format_RGB32);
        red.fill(Qt::red);
        PictureServer pictures;
        const QString picture = pictures.Add(QStringLiteral("/picture.png"), red, false);
        PatchRoad road;
        const QString tabs = QStringLiteral(
            "<div class=\"J_TWidget\" id=\"%1\" data-widget-type=\"Tabs\" data-widget-config=\"{'triggerType':'click'}\">"
            "<ul class=\"ks-switchable-nav\"><li>1</li><li>2</li></ul>"
            "<div class=\"ks-switchable-content\"><div>one</div><div>%2</div></div></div>");
        const QString code = QStringLiteral("<p id=\"word\" style=\"height:40px\">%1</p><img id=\"pic\" src=\"%2\">")
                                 .arg(QStringLiteral("%1"), picture) +
                             tabs.arg(QStringLiteral("kept"), QStringLiteral("two")) +
                             QStringLiteral("<div style=\"height:3000px\"></div>") + tabs.arg(QStringLiteral("changed"), QStringLiteral("%2"));
        // The changed widget shows its tall panel until it starts afresh,
        // just below the top of the view.
        QVERIFY(road.Open(code.arg(QStringLiteral("word"), QStringLiteral("<p style=\"height:600px\">two</p>"))));
        QTRY_COMPARE_WITH_TIMEOUT(Eval(road.browser.ShownPage(), QStringLiteral("document.getElementById('pic').complete")).toBool(),
                                  true, kTimeout);
        const int fetched = pictures.Requests(QStringLiteral("/picture.png"));
        QCOMPARE(fetched, 1);
        // Both widgets on their second panel; the page scrolled down; the
        // picture's element marked; restarts noted.
        const QString second = QStringLiteral("document.querySelector('#%1 li:nth-child(2)').click()");
        Eval(road.browser.ShownPage(), second.arg(QLatin1String("kept")) + QLatin1Char(';') + second.arg(QLatin1String("changed")) +
             QStringLiteral("; document.getElementById('pic').mark = 1; window.restarted = [];"
                            " var restart = ravikWidgets.restart; ravikWidgets.restart = function (list) {"
                            " list.forEach(function (e) { restarted.push(e.id); }); return restart(list); };"
                            " scrollTo(0, document.getElementById('changed').offsetTop - 10); 0"));
        const QString panel = QStringLiteral("getComputedStyle(document.querySelector('#%1 .ks-switchable-content').children[%2])"
                                             ".display !== 'none'");
        QVERIFY(Eval(road.browser.ShownPage(), panel.arg(QLatin1String("kept")).arg(1)).toBool());
        const QVariant place = Eval(road.browser.ShownPage(), QStringLiteral("[scrollX, scrollY]"));
        QVERIFY(place.toList().value(1).toInt() > 1000);

        const QString edited = code.arg(QStringLiteral("ward"), QStringLiteral("zwei"));
        QCOMPARE(road.Refresh(edited).Patch, true);
        QVERIFY(WaitFor([&] { return road.CachePage() == EncodePage(ComposePage(PageTemplate(road.version), edited)); }));
        QTest::qWait(200);   // frames after the patch, pictures fetched if they were to be
        QWebEnginePage* page = road.browser.ShownPage();
        QCOMPARE(Eval(page, QStringLiteral("document.getElementById('word').textContent")).toString(), QStringLiteral("ward"));
        QCOMPARE(Eval(page, QStringLiteral("document.getElementById('pic').mark")).toInt(), 1);
        QCOMPARE(pictures.Requests(QStringLiteral("/picture.png")), fetched);
        QCOMPARE(Eval(page, QStringLiteral("restarted")).toStringList(), QStringList{QStringLiteral("changed")});
        QVERIFY(Eval(page, panel.arg(QLatin1String("kept")).arg(1)).toBool());
        QVERIFY(Eval(page, panel.arg(QLatin1String("changed")).arg(0)).toBool());
        QCOMPARE(Eval(page, QStringLiteral("document.querySelector('#changed .ks-switchable-content').children[1].textContent"))
                     .toString(),
                 QStringLiteral("zwei"));
        QCOMPARE(Eval(page, QStringLiteral("[scrollX, scrollY]")), place);
        QCOMPARE(page->scrollPosition().toPoint(), QPoint(place.toList()[0].toInt(), place.toList()[1].toInt()));
    }

    // The new code's findings take the place of the panel and outlines on
    // show; the panel stays till they come. An element no longer outlined
    // has its attributes back as written.
    void patchRenewsTheFindings()
    {
        PatchRoad road;
        const QString before = QStringLiteral("<p style=\"color:red\" class=\"tb-one\">one</p><p>two</p>");
        const QString after = QStringLiteral("<p style=\"color:red\" class=\"one\">one</p><p class=\"tb-two\">two</p>");
        const auto check = [&](const QString& code) {
            const TPageTemplate& page = PageTemplate(road.version);
            road.browser.Bridge().SetFindings(PublishReportJson(
                CheckPublish(BuiltInPublishRules(), {page.Head, code, page.Tail, ShopVersionName(road.version)})));
        };
        const QString outlined = QStringLiteral(
            "ravikFindings.targets.map(function (e) { return e.textContent + ' ' + !!e.style.outline; }).join()");
        check(before);
        QVERIFY(road.Open(before));
        QVERIFY(WaitFor([&] { return Eval(road.browser.ShownPage(), outlined).toString() == QLatin1String("one true"); }));

        road.browser.Bridge().ClearFindings();
        QCOMPARE(road.Refresh(after).Patch, true);
        QVERIFY(Eval(road.browser.ShownPage(), QStringLiteral("ravikFindings.host.isConnected")).toBool());
        check(after);
        QVERIFY(WaitFor([&] { return Eval(road.browser.ShownPage(), outlined).toString() == QLatin1String("two true"); }));
        QCOMPARE(Eval(road.browser.ShownPage(), QStringLiteral("ravikLivePatch.module().querySelector('p').outerHTML")).toString(),
                 after.left(after.indexOf(QLatin1String("<p class"))));
    }

    // A patch's cache page is written in the background: a write asked for
    // later (a tab switch, the desktop's browser) is never overwritten by it.
    void cachePageWritesLandInOrder()
    {
        TCachePageWriter writer;
        const quint64 patch = writer.Claim();
        writer.Write("switched");
        QVERIFY(!writer.WriteClaimed(patch, "patched"));
        QFile page(QString::fromLatin1(CachePageName));
        QVERIFY(page.open(QIODevice::ReadOnly));
        QCOMPARE(page.readAll(), QByteArray("switched"));
    }

    // The preview's context menu finds a picture in the code by its place
    // among the elements as the code made them: after a patch, the new
    // code's places, with what our scripts added (the findings panel, a
    // widget's own triggers) passed over.
    void hitTestCountsThePatchedElements()
    {
        PatchRoad road;
        const TPageTemplate& page = PageTemplate(road.version);
        const QString tabs = QStringLiteral("<div class=\"J_TWidget\" data-widget-type=\"Tabs\"><div class=\"ks-switchable-content\">"
                                            "<div>1</div><div>2</div></div></div>");
        const QString code = QStringLiteral("<p class=\"tb-x\">a</p>") + tabs +
                             QStringLiteral("<img src=\"data:,\" style=\"display:block;width:50px;height:50px\">");
        road.browser.Bridge().SetFindings(PublishReportJson(
            CheckPublish(BuiltInPublishRules(), {page.Head, code, page.Tail, ShopVersionName(road.version)})));
        QVERIFY(road.Open(code));
        QVERIFY(WaitFor([&] { return Eval(road.browser.ShownPage(), QStringLiteral("!!window.ravikFindings")).toBool(); }));
        const QString inserted = QStringLiteral("<p>b</p><p>c</p>") + code;
        QCOMPARE(road.Refresh(inserted).Patch, true);
        // As the code parses, every element in order: the picture's place.
        const int place = Eval(road.browser.ShownPage(), QStringLiteral(
            "(function () { var d = new DOMParser().parseFromString(%1, 'text/html');"
            " return Array.prototype.indexOf.call(d.getElementsByTagName('*'), d.querySelector('img')); })()")
            .arg(QString::fromUtf8(QJsonDocument(QJsonArray{ComposePage(page, inserted)}).toJson(QJsonDocument::Compact)).mid(1).chopped(1)))
            .toInt();
        QVERIFY(place > 0);
        const QString hit = QStringLiteral("(function () { var r = ravikLivePatch.module().querySelector('img').getBoundingClientRect();"
                                           " scrollTo(0, scrollY + r.top); r = ravikLivePatch.module().querySelector('img')"
                                           ".getBoundingClientRect(); var h = ravikHitTest(r.left + 5, r.top + 5);"
                                           " return h ? h.element : -1; })()");
        QVERIFY(WaitFor([&] { return Eval(road.browser.ShownPage(), hit).toInt() == place; }));
    }

    // Hundreds of random edits of decoration code, each patched into the
    // page (or loaded anew where the rule says so): every patched module is
    // the module a fresh load of the same code gives, element for element,
    // attribute for attribute, in order.
    void patchGivesWhatALoadGives()
    {
        // Our widgets sit out (as they do for a page with its own runtime),
        // taking what the patch hands them: the comparison is of what the
        // page parsed.
        const QWebEngineScript noWidgets = StubScript(QStringLiteral("window.KISSY = {};"), QWebEngineScript::MainWorld);
        const QWebEngineScript restart = StubScript(QStringLiteral("window.ravikWidgets = {restart: function () {}};"),
                                                    PageScriptWorld);
        QWebEngineScriptCollection& everyPage = *QWebEngineProfile::defaultProfile()->scripts();
        everyPage.insert(noWidgets);
        everyPage.insert(restart);
        const struct Remove {
            QWebEngineScriptCollection& from;
            QWebEngineScript a, b;
            ~Remove() { from.remove(a); from.remove(b); }
        } remove{everyPage, noWidgets, restart};

        QList<QString> fragments;
        for (quint32 seed = 1; seed <= 4; ++seed)
            fragments << MakeFragment(4000, seed);
        for (const QString& name : StoredFragmentNames())
            fragments << StoredFragment(name);
        QVERIFY(fragments.size() >= 4);

        constexpr int kSteps = 25;
        const TShopVersion versions[] = {TShopVersion::Professional, TShopVersion::Basic, TShopVersion::Tmall};
        int patches = 0, steps = 0;
        PatchRoad road;
        for (int f = 0; f < fragments.size(); ++f) {
            RandomEdits edits(fragments[f], quint32(1000 + f));
            road.version = versions[f % 3];
            QVERIFY(road.Open(edits.Code()));
            QStringList codes, modules, what, edit;
            QVariant path;
            bool broken = false;
            for (int step = 0; step < kSteps; ++step, ++steps) {
                // A hand that broke the code mends it, mostly, as it sees
                // the page load instead of following.
                what << edits.Step(broken && edits.Chance(3, 4));
                const TRefreshDecision decision = road.Refresh(edits.Code());
                broken = decision.Reason == TRefreshReason::NotSelfContained;
                if (!broken)
                    edits.Good();
                if (!decision.Patch)
                    continue;
                ++patches;
                if (path.isNull())
                    path = road.Path();
                codes << edits.Code();
                modules << road.Module();
                edit << what.last();
            }
            const QStringList loaded = LoadedModules(road.version, path, codes);
            QCOMPARE(loaded.size(), codes.size());
            for (int i = 0; i < codes.size(); ++i) {
                if (loaded[i] == modules[i])
                    continue;
                qsizetype at = 0;
                while (at < loaded[i].size() && at < modules[i].size() && loaded[i][at] == modules[i][at])
                    ++at;
                QFAIL(qPrintable(QStringLiteral("fragment %1, patch %2 (%6) differs from a load at %3:\n patched: %4\n loaded:  %5")
                                     .arg(f).arg(i).arg(at)
                                     .arg(modules[i].mid(qMax<qsizetype>(0, at - 60), 160),
                                          loaded[i].mid(qMax<qsizetype>(0, at - 60), 160), edit[i])));
            }
        }
        QString counts;
        for (const auto& [reason, n] : road.reasons)
            counts += QStringLiteral("%1 %2; ").arg(QString::fromStdString(reason)).arg(n);
        qInfo("%d edits: %s", steps, qPrintable(counts));
        // Most edits leave the code self-contained: the proof is not one of loads.
        QVERIFY2(patches * 2 > steps, qPrintable(counts));
    }
};

RAVIK_TEST(TestLivePatch)
#include "tst_livepatch.moc"
