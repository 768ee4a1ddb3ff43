#include "PageComposer.h"
#include "PageEval.h"
#include "PageScripts.h"
#include "PreviewBrowser.h"
#include "PreviewPage.h"
#include "PreviewWorkingDir.h"
#include "TestMain.h"

#include <QApplication>
#include <QBuffer>
#include <QDeadlineTimer>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QTcpServer>
#include <QTcpSocket>
#include <QMap>
#include <QPointer>
#include <QSet>
#include <QWebEngineProfile>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <optional>

namespace {
constexpr int kTimeout = 20000;
// What these tests read was mostly made by the page's own scripts.
constexpr quint32 kMainWorld = QWebEngineScript::MainWorld;

// A tiny HTTP server on 127.0.0.1 that answers every request with one PNG;
// requests whose path starts with a held prefix wait for its release.
class PictureServer : public QObject {
public:
    PictureServer()
    {
        QImage image(7, 5, QImage::Format_RGB32);
        image.fill(Qt::red);
        QBuffer buffer(&png_);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    const QByteArray request = socket->property("request").toByteArray() + socket->readAll();
                    socket->setProperty("request", request);
                    if (!request.contains("\r\n\r\n"))
                        return;
                    ++requests;
                    const QByteArray path = request.split(' ').value(1);
                    for (const QByteArray& prefix : held_.keys()) {
                        if (path.startsWith(prefix)) {
                            held_[prefix].append(socket);
                            return;
                        }
                    }
                    Answer(socket);
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    quint16 Port() const { return server_.serverPort(); }
    void Hold(const QByteArray& prefix) { held_.insert(prefix, {}); }
    void Release(const QByteArray& prefix)
    {
        for (const QPointer<QTcpSocket>& socket : held_.take(prefix)) {
            if (socket)
                Answer(socket);
        }
    }
    int requests = 0;

private:
    void Answer(QTcpSocket* socket)
    {
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Length: " +
                      QByteArray::number(png_.size()) + "\r\nConnection: close\r\n\r\n" + png_);
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    QByteArray png_;
    QMap<QByteArray, QList<QPointer<QTcpSocket>>> held_;
};

// True while the process exists and is not a zombie.
bool RendererRuns(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close < 0 || line.mid(close + 2, 1) != "Z";
}
}

class TestPreviewBrowser : public QObject {
    Q_OBJECT
    std::optional<PreviewWorkingDir> dir_;

    // Writes the cache page around `fragment`, navigates, and waits until
    // the page is on show and has loaded.
    bool Preview(TPreviewBrowser& browser, TShopVersion version, const QString& fragment)
    {
        QSignalSpy shown(&browser, &TPreviewBrowser::PageShown);
        QSignalSpy loaded(&browser, &TPreviewBrowser::PageLoaded);
        browser.Navigate(WriteCachePage(version, fragment), version);
        return QTest::qWaitFor([&] { return !shown.isEmpty() && !loaded.isEmpty(); }, kTimeout) &&
               loaded.first().first().toBool();
    }

private slots:
    void initTestCase() { dir_.emplace(); }
    void cleanupTestCase() { dir_.reset(); }

    void browserStartsAtTheFirstNavigation()
    {
        TPreviewBrowser browser;
        QVERIFY(!browser.View());
        QVERIFY(!browser.Page());
        QSignalSpy requested(&browser, &TPreviewBrowser::NavigationRequested);
        QVERIFY(Preview(browser, TShopVersion::Professional, QString()));
        QVERIFY(browser.View());
        QCOMPARE(requested.size(), 1);
        QCOMPARE(requested.at(0).at(0).toUrl(), QUrl::fromLocalFile(CachePagePath()));
        QCOMPARE(browser.View()->url(), QUrl::fromLocalFile(CachePagePath()));
        const QWebEngineSettings* s = browser.Page()->settings();
        QVERIFY(s->testAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls));
        QVERIFY(!s->testAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls));
    }

    void fragmentSitsInsideTheCustomModule()
    {
        TPreviewBrowser browser;
        const QString fragment = QStringLiteral("<div id=\"ravik-fragment\">片段 ☃ ") + QString::fromUtf8("\xF0\x9F\x98\x80") +
                                 QStringLiteral("</div>");
        for (TShopVersion version : {TShopVersion::Professional, TShopVersion::Tmall, TShopVersion::Basic}) {
            QVERIFY(Preview(browser, version, fragment));
            QCOMPARE(Eval(browser, QStringLiteral("document.characterSet"), kMainWorld).toString(), QStringLiteral("GBK"));
            const QString where = Eval(browser, QStringLiteral(
                "(function(){var e=document.getElementById('ravik-fragment');"
                "var m=e&&e.closest('.J_TModule');"
                "return m?m.getAttribute('data-componentid')+'|'+m.getAttribute('data-title')+'|'+"
                "(e.closest('.main-wrap.J_TRegion')!==null)+'|'+(e.closest('#bd')!==null):'outside';})()"), kMainWorld).toString();
            QCOMPARE(where, QStringLiteral("5003|自定义内容区|true|true"));
            // GBK bytes and character references both read back as the text.
            QCOMPARE(Eval(browser, QStringLiteral("document.getElementById('ravik-fragment').textContent"), kMainWorld).toString(),
                     QStringLiteral("片段 ☃ ") + QString::fromUtf8("\xF0\x9F\x98\x80"));
            // The frame's own script ran and knows the module.
            QVERIFY(Eval(browser, QStringLiteral("TShop.ModUtil.initedCount()"), kMainWorld).toInt() > 0);
        }
    }

    // Text, attributes, scripts and style sheets all read what was typed
    // (in a script: names, raw templates, regular expressions, white space
    // and line ends too; a template's text once put in as HTML); only a C1
    // control that HTML cannot give in text shows as U+FFFD.
    void charactersArriveAsTypedInEveryContext()
    {
        TPreviewBrowser browser;
        const QString e = QString::fromUtf8("\xF0\x9F\x98\x80");
        const QString g = QString::fromUtf8("\xF0\xA0\xAE\xB7");
        QVERIFY(Preview(browser, TShopVersion::Professional, QStringLiteral(
            "<p id=\"t\" title=\"%1\u0081\">%1\u0081\u0080</p><style>#t::after{content:'%1\u0080'}</style>"
            "<script>window.s='%1\u0080\u00A0好';</script>"
            "<script>var %2\u00A0= '%2'; window.r = String.raw`a%2\\n` + /^%2$/u.test(%2) + /^.{2}$/.test(%2) // c\u2028"
            " + `${%2}`;</script><script type=\"text/template\" id=\"tpl\"><b>%2</b></script>").arg(e, g)));
        QCOMPARE(Eval(browser, QStringLiteral("window.r"), kMainWorld).toString(), QStringLiteral("a%1\\ntruetrue%1").arg(g));
        QCOMPARE(Eval(browser, QStringLiteral("(function () { var d = document.createElement('div');"
                                              " d.innerHTML = document.getElementById('tpl').textContent; return d.textContent; })()"), kMainWorld)
                     .toString(),
                 g);
        QCOMPARE(Eval(browser, QStringLiteral("document.getElementById('t').title"), kMainWorld).toString(), e + QChar(0x81));
        QCOMPARE(Eval(browser, QStringLiteral("document.getElementById('t').textContent"), kMainWorld).toString(),
                 e + QChar(0x81) + QChar(0xFFFD));
        QCOMPARE(Eval(browser, QStringLiteral("getComputedStyle(document.getElementById('t'), '::after').content"), kMainWorld)
                     .toString(), QStringLiteral("\"%1\u0080\"").arg(e));
        QCOMPARE(Eval(browser, QStringLiteral("window.s"), kMainWorld).toString(), e + QStringLiteral("\u0080\u00A0好"));
    }

    // Our scripts reach the editor's object; the page's own scripts see
    // neither it nor our scripts' globals.
    void pageScriptsReachTheBridgeApartFromThePage()
    {
        TPreviewBrowser browser;
        QWebEngineScript probe;
        probe.setWorldId(PageScriptWorld);
        probe.setInjectionPoint(QWebEngineScript::DocumentReady);
        probe.setSourceCode(QStringLiteral(
            "ravikBridge.then(function (o) { document.title = 'bridge:' + o.objectName; });"));
        QWebEngineScriptCollection& everyPage = *QWebEngineProfile::defaultProfile()->scripts();
        everyPage.insert(probe);
        const bool shown = Preview(browser, TShopVersion::Professional,
                                   QStringLiteral("<script>window.__seen = typeof ravikBridge + typeof qt;</script>"));
        everyPage.remove(probe);
        QVERIFY(shown);
        QTRY_COMPARE_WITH_TIMEOUT(browser.Page()->title(), QStringLiteral("bridge:ravik"), kTimeout);
        QCOMPARE(Eval(browser, QStringLiteral("window.__seen"), kMainWorld).toString(), QStringLiteral("undefinedundefined"));
    }

    // A script's pop-ups are refused in the page, at once, however many it
    // asks for; a link to a new window, clicked, reaches the editor and is
    // refused there. Nothing opens.
    void newWindowsAreRefused()
    {
        TPreviewBrowser browser;
        browser.resize(800, 600);
        browser.show();
        QVERIFY(QTest::qWaitForWindowExposed(&browser));
        const int windowsBefore = QApplication::topLevelWidgets().size();
        QVERIFY(Preview(browser, TShopVersion::Professional, QStringLiteral(
            "<a id=\"away\" href=\"http://127.0.0.1:9/x.htm\" target=\"_blank\" style=\"position:fixed;left:0;top:0;"
            "width:100px;height:100px;z-index:99999\">away</a><script>for (var i = 0; i < 300; ++i)"
            " window.__opened = window.__opened || window.open('about:blank', '_blank');</script>")));
        QCOMPARE(Eval(browser, QStringLiteral("window.__opened"), kMainWorld), QVariant());
        QCOMPARE(browser.Page()->RefusedWindows(), 0);
        QWidget* target = browser.View()->focusProxy();
        QTest::mouseMove(target, QPoint(50, 50));
        QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(50, 50));
        QTRY_COMPARE_WITH_TIMEOUT(browser.Page()->RefusedWindows(), 1, kTimeout);
        QCOMPARE(QApplication::topLevelWidgets().size(), windowsBefore);
    }

    void scriptDialogsNeitherShowNorBlock()
    {
        TPreviewBrowser browser;
        QVERIFY(Preview(browser, TShopVersion::Tmall, QStringLiteral(
            "<script>alert('a'); var c = confirm('b'); var p = prompt('c', 'd');"
            "window.onbeforeunload = function () { return 'stay'; };"
            "document.title = 'after:' + c + ':' + p;</script>")));
        QCOMPARE(browser.Page()->title(), QStringLiteral("after:true:d"));
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        // The leave-page handler does not keep the next preview out.
        QVERIFY(Preview(browser, TShopVersion::Tmall, QStringLiteral("<p id=\"next\">next</p>")));
        QCOMPARE(Eval(browser, QStringLiteral("document.getElementById('next') !== null"), kMainWorld).toBool(), true);
    }

    void otherLocalFilesCannotBeRead()
    {
        QFile secret(QStringLiteral("files/secret.txt"));
        QVERIFY(secret.open(QIODevice::WriteOnly));
        secret.write("secret");
        secret.close();
        const QString fragment = QStringLiteral(
            "<script>var x = new XMLHttpRequest();"
            "x.onload = function () { document.title = 'read:' + x.responseText; };"
            "x.onerror = function () { document.title = 'refused'; };"
            "try { x.open('GET', 'secret.txt'); x.send(); } catch (e) { document.title = 'refused'; }</script>");

        TPreviewBrowser browser;
        QVERIFY(Preview(browser, TShopVersion::Basic, fragment));
        QTRY_VERIFY_WITH_TIMEOUT(browser.Page()->title() == QLatin1String("refused") ||
                                     browser.Page()->title().startsWith(QLatin1String("read:")), kTimeout);
        QCOMPARE(browser.Page()->title(), QStringLiteral("refused"));

        // The same request succeeds once file access is allowed: the refusal
        // above is the page's setting at work, not a broken request.
        browser.Page()->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
        browser.Page()->triggerAction(QWebEnginePage::Reload);
        QTRY_COMPARE_WITH_TIMEOUT(browser.Page()->title(), QStringLiteral("read:secret"), kTimeout);
        QFile::remove(QStringLiteral("files/secret.txt"));
    }

    void remotePicturesLoad()
    {
        PictureServer server;
        TPreviewBrowser browser;
        QVERIFY(Preview(browser, TShopVersion::Professional,
                        QStringLiteral("<img id=\"remote\" src=\"http://127.0.0.1:%1/shop.png\">").arg(server.Port())));
        QCOMPARE(Eval(browser, QStringLiteral("document.getElementById('remote').naturalWidth"), kMainWorld).toInt(), 7);
        QCOMPARE(Eval(browser, QStringLiteral("document.getElementById('remote').naturalHeight"), kMainWorld).toInt(), 5);
        QVERIFY(server.requests >= 1);
    }

    // The first page, and the first of another storefront, open at the top
    // of the user's module; the next keep where the user scrolled to; and
    // no blank page shows between the old page and the new.
    void previewOpensAtTheModuleAndKeepsItsPlace()
    {
        TPreviewBrowser browser;
        browser.SetShowTimeout(kTimeout);   // a busy machine may take seconds to draw a page
        browser.resize(600, 400);
        browser.show();
        const QString tall = QStringLiteral("<div style=\"width:2000px;height:3000px;background:%1\"></div>");
        const QString moduleTop = QStringLiteral(
            "Math.round(document.querySelector('.J_TModule[data-title=\"自定义内容区\"]').getBoundingClientRect().top)");
        QVERIFY(Preview(browser, TShopVersion::Professional, tall.arg(QLatin1String("#f00"))));
        QVERIFY(Eval(browser, QStringLiteral("scrollY"), kMainWorld).toInt() > 100);
        QCOMPARE(Eval(browser, moduleTop, kMainWorld).toInt(), 0);

        Eval(browser, QStringLiteral("scrollTo(123, scrollY + 456)"), kMainWorld);
        const QPoint left(123, Eval(browser, QStringLiteral("scrollY"), kMainWorld).toInt());
        QTRY_COMPARE_WITH_TIMEOUT(browser.Page()->scrollPosition().toPoint(), left, kTimeout);
        // What the browser shows from here on: the old page or the new,
        // never anything else.
        QSet<QRgb> seen;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, this, [&] {
            if (browser.isVisible())
                seen.insert(browser.grab().toImage().pixel(300, 200));
        });
        sampler.start(0);
        // Leaving the preview for the code previews in the hidden browser,
        // where pages draw nothing: that page comes up once the browser
        // shows again and it has drawn.
        browser.hide();
        QSignalSpy shown(&browser, &TPreviewBrowser::PageShown);
        QSignalSpy loaded(&browser, &TPreviewBrowser::PageLoaded);
        browser.Navigate(WriteCachePage(TShopVersion::Professional, tall.arg(QLatin1String("#f00"))),
                         TShopVersion::Professional);
        QVERIFY(loaded.wait(kTimeout));
        QVERIFY(shown.isEmpty());
        browser.show();
        QVERIFY(shown.wait(kTimeout));
        QVERIFY(Preview(browser, TShopVersion::Professional, tall.arg(QLatin1String("#00f"))));
        QTest::qWait(200);
        sampler.stop();
        QCOMPARE(Eval(browser, QStringLiteral("[scrollX, scrollY]"), kMainWorld).toList(), QVariantList({left.x(), left.y()}));
        QCOMPARE(seen, QSet<QRgb>({qRgb(255, 0, 0), qRgb(0, 0, 255)}));

        QVERIFY(Preview(browser, TShopVersion::Tmall, tall.arg(QLatin1String("#00f"))));
        QCOMPARE(Eval(browser, moduleTop, kMainWorld).toInt(), 0);
        QCOMPARE(Eval(browser, QStringLiteral("scrollX"), kMainWorld).toInt(), 0);
    }

    // A new page comes up only once the pictures that decide what stands at
    // the user's place have come: those above it that take their size from
    // the picture. One far below the view does not hold it up.
    void previewWaitsForThePicturesThatPlaceIt()
    {
        PictureServer server;
        TPreviewBrowser browser;
        browser.SetShowTimeout(kTimeout);
        browser.resize(600, 400);
        browser.show();
        QString fragment;
        for (int i = 0; i < 4; ++i) {
            fragment += QStringLiteral("<img src=\"http://127.0.0.1:%1/above/%2.png\" style=\"display:block;width:600px\">")
                            .arg(server.Port())
                            .arg(i);
        }
        fragment += QStringLiteral("<div id=\"here\" style=\"height:3000px\"></div><img src=\"http://127.0.0.1:%1/below.png\">")
                        .arg(server.Port());
        QVERIFY(Preview(browser, TShopVersion::Professional, fragment));
        const QString hereTop = QStringLiteral("Math.round(document.getElementById('here').getBoundingClientRect().top)");
        const int place = Eval(browser, QStringLiteral("scrollTo(0, scrollY + %1); scrollY").arg(hereTop), kMainWorld).toInt();
        QTRY_COMPARE_WITH_TIMEOUT(browser.Page()->scrollPosition().y(), double(place), kTimeout);

        server.Hold("/above");
        server.Hold("/below");
        QSignalSpy shown(&browser, &TPreviewBrowser::PageShown);
        browser.Navigate(WriteCachePage(TShopVersion::Professional, fragment), TShopVersion::Professional);
        QTest::qWait(600);
        QVERIFY(shown.isEmpty());
        server.Release("/above");
        QVERIFY(shown.wait(kTimeout));
        QCOMPARE(Eval(browser, hereTop, kMainWorld).toInt(), 0);
        server.Release("/below");
    }

    // A page ready before the time it is meant for waits out of sight until
    // then; the time is asked when the page is ready, and again, as it may
    // have moved on meanwhile.
    void previewWaitsForItsTime()
    {
        QDeadlineTimer notBefore(0);
        int asked = 0;
        TPreviewBrowser browser;
        browser.resize(600, 400);
        browser.show();
        QVERIFY(Preview(browser, TShopVersion::Professional, QStringLiteral("<p>first</p>")));
        browser.SetShowNotBefore([&] {
            if (asked++ == 0)
                notBefore = QDeadlineTimer(800);   // as when the user types on
            return notBefore;
        });
        QSignalSpy shown(&browser, &TPreviewBrowser::PageShown);
        browser.Navigate(WriteCachePage(TShopVersion::Professional, QStringLiteral("<p id=\"next\">next</p>")),
                         TShopVersion::Professional);
        QVERIFY(shown.wait(kTimeout));
        QVERIFY(notBefore.hasExpired());
        QVERIFY(asked >= 2);
        QCOMPARE(Eval(browser, QStringLiteral("document.getElementById('next') !== null"), kMainWorld).toBool(), true);
    }

    // A chosen screen width lays the page out at that many CSS pixels beside
    // its vertical scroll bar and shows it scaled down to the view: a banner
    // as wide as the screen needs no horizontal scroll bar, clicks land where
    // they are drawn, and the width holds for the pages after. The menu that
    // chooses it comes after the page's own items, which learn the point
    // clicked in the page's pixels.
    void screenWidthScalesThePageDownToTheView()
    {
        QWebEngineScript probe;
        probe.setWorldId(PageScriptWorld);
        probe.setInjectionPoint(QWebEngineScript::DocumentReady);
        // Unchangeable, so the preview's own hit test, which comes after it,
        // leaves it in place.
        probe.setSourceCode(QStringLiteral("Object.defineProperty(window, 'ravikHitTest',"
                                           " {value: function (x, y) { return [x, y]; }, writable: false});"));
        QWebEngineScriptCollection& everyPage = *QWebEngineProfile::defaultProfile()->scripts();
        everyPage.insert(probe);
        TPreviewBrowser browser;
        QVariant hit;
        browser.SetContextMenuExtender([&](QMenu& menu, const QVariant& at) {
            hit = at;
            menu.addAction(QStringLiteral("page item"));
        });
        QSignalSpy chosen(&browser, &TPreviewBrowser::ScreenWidthChosen);
        browser.resize(975, 400);   // 960 pixels beside the scroll bar: half of 1920
        browser.show();
        const QString fragment = QStringLiteral(
            "<div style=\"position:fixed;left:960px;top:0;width:960px;height:100px;background:#00f;z-index:9\""
            " onclick=\"document.title = 'x' + event.clientX\"></div>"
            "<div class=\"footer-more-trigger\" style=\"left:50%;width:0;height:20px;padding:0;border:0\">"
            "<div class=\"footer-more-trigger\" style=\"left:-960px;top:0;width:1920px;height:20px;padding:0;border:0\">"
            "</div></div>");
        QVERIFY(Preview(browser, TShopVersion::Professional, fragment));
        const auto openMenu = [&] {
            QTest::mouseClick(browser.View()->focusProxy(), Qt::RightButton, {}, QPoint(300, 200));
            return QTest::qWaitFor([&] { return browser.ContextMenu() && browser.ContextMenu()->isVisible(); }, kTimeout);
        };
        QVERIFY(openMenu());
        QStringList items;
        for (QAction* item : browser.ContextMenu()->actions())
            items << item->text();
        QCOMPARE(items.mid(0, 3), QStringList({QStringLiteral("page item"), QString(), QStringLiteral("屏幕宽度")}));
        QVERIFY(!items.contains(QStringLiteral("后退")) && !items.contains(QStringLiteral("Back")));
        QCOMPARE(hit.toList(), QVariantList({300, 200}));
        const QList<QAction*> widths = browser.ContextMenu()->actions().at(2)->menu()->actions();
        QStringList captions;
        for (QAction* item : widths)
            captions << item->text() + (item->isChecked() ? QStringLiteral("*") : QString());
        QCOMPARE(captions, QStringList({QStringLiteral("适应窗口*"), QStringLiteral("1920"), QStringLiteral("1440"),
                                        QStringLiteral("1366"), QStringLiteral("1280")}));
        widths.at(1)->trigger();
        browser.ContextMenu()->close();
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.first().first().toInt(), 1920);
        const QString laidOut = QStringLiteral("[document.documentElement.clientWidth, document.documentElement.scrollWidth]");
        QTRY_COMPARE_WITH_TIMEOUT(Eval(browser, laidOut, kMainWorld).toList(), QVariantList({1920, 1920}), kTimeout);

        QVERIFY(Preview(browser, TShopVersion::Professional, fragment));
        QCOMPARE(Eval(browser, laidOut, kMainWorld).toList(), QVariantList({1920, 1920}));
        QTRY_VERIFY_WITH_TIMEOUT(browser.grab().toImage().pixel(482, 20) == qRgb(0, 0, 255), kTimeout);
        QVERIFY(browser.grab().toImage().pixel(477, 20) != qRgb(0, 0, 255));
        QTest::mouseClick(browser.View()->focusProxy(), Qt::LeftButton, {}, QPoint(720, 20));
        QTRY_COMPARE_WITH_TIMEOUT(browser.Page()->title(), QStringLiteral("x1440"), kTimeout);
        QVERIFY(openMenu());
        QCOMPARE(hit.toList(), QVariantList({600, 400}));
        QVERIFY(browser.ContextMenu()->actions().at(2)->menu()->actions().at(1)->isChecked());
        browser.ContextMenu()->close();
        everyPage.remove(probe);

        // A view with room for the width shows the page at its size.
        browser.resize(1000, 400);
        browser.SetScreenWidth(800);
        QCOMPARE(browser.ZoomFactor(), 1.0);
        QTRY_COMPARE_WITH_TIMEOUT(Eval(browser, QStringLiteral("innerWidth"), kMainWorld).toInt(), 1000, kTimeout);
    }

    // Nothing a page does holds the next preview up: neither its script
    // hanging while it loads nor one looping as the page is left. The next
    // preview shows, in its place, and the spinning renderer ends.
    void hungPagesGiveWayToTheNextPreview()
    {
        TPreviewBrowser browser;
        browser.SetShowTimeout(2000);
        const QString loop = QStringLiteral("<p>ARMED</p><script>addEventListener('%1', function () { while (true) {} })</script>");
        // The first hangs as it loads: it shows as it stands, the editor
        // going on meanwhile.
        for (const QString& trap : {QStringLiteral("<script>while (true) {}</script>"), loop.arg(QLatin1String("pagehide")),
                                    loop.arg(QLatin1String("unload")), loop.arg(QLatin1String("beforeunload"))}) {
            QSignalSpy shown(&browser, &TPreviewBrowser::PageShown);
            browser.Navigate(WriteCachePage(TShopVersion::Professional, trap), TShopVersion::Professional);
            QVERIFY(shown.wait(kTimeout));
            const qint64 renderer = browser.Page()->renderProcessPid();
            QVERIFY(renderer > 0);
            QVERIFY2(Preview(browser, TShopVersion::Professional, QStringLiteral("<p id=\"next\">next</p>")), qPrintable(trap));
            QCOMPARE(Eval(browser, QStringLiteral("document.getElementById('next').textContent"), kMainWorld).toString(),
                     QStringLiteral("next"));
            // Where the page before was to open, the next opens, though that
            // page hung before it could say where it stood.
            QCOMPARE(Eval(browser, QStringLiteral("Math.round(document.querySelector("
                                                  "'.J_TModule[data-title=\"自定义内容区\"]').getBoundingClientRect().top)"), kMainWorld)
                         .toInt(),
                     0);
            QTRY_VERIFY_WITH_TIMEOUT(!RendererRuns(renderer), kTimeout);
        }
    }
};

RAVIK_TEST(TestPreviewBrowser)
#include "tst_previewbrowser.moc"
