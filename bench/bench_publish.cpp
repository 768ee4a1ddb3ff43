// The publish check: the check alone on one-line decoration code of 100 KB,
// 1 MB and 10 MB, for the professional storefront (clean code) and the
// basic one (its 950 px blocks are too wide there: hundreds of findings);
// on a megabyte of widget code (the test fragments over and over), whose
// options are read in a JavaScript engine, and that reader's own costs;
// the same check in its own process as the window runs it; and the local
// preview round trip through the main window with the check against the
// same preview without it (the page's script then finds nothing to show).
// Every remote request of the previews is served from 127.0.0.1
// (LocalPictures.h), so each round trip fetches and decodes the fragment's
// pictures as a user's preview does.
//
//   bench_publish [rounds]
// A round trip ends when the new page has loaded and is on show.
#include "Application.h"
#include "Fragments.h"
#include "LocalPictures.h"
#include "PageComposer.h"
#include "PageScripts.h"
#include "PreviewBridge.h"
#include "PreviewBrowser.h"
#include "PreviewPage.h"
#include "PublishCheck.h"
#include "PublishChecker.h"
#include "Startup.h"
#include "Unitravik.h"
#include "WidgetConfigReader.h"
#include "WorkingDir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTextEdit>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
struct TFigures {
    std::vector<double> ms;
    void Add(double v) { ms.push_back(v); }
    double Median() const
    {
        std::vector<double> v = ms;
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v[v.size() / 2];
    }
    double Min() const { return ms.empty() ? 0 : *std::min_element(ms.begin(), ms.end()); }
};

double Time(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

// Runs `start` and waits until the latest navigation's page has loaded
// and is on show.
bool WaitLoaded(TPreviewBrowser& browser, const std::function<void()>& start)
{
    bool loaded = false;
    bool shown = false;
    // An event loop of its own: QTest's waits sleep between their turns,
    // and every request of the page passes the window's thread.
    QEventLoop loop;
    const auto l = QObject::connect(&browser, &TPreviewBrowser::PageLoaded, &loop, [&](bool) {
        loaded = true;
        if (shown)
            loop.quit();
    });
    const auto s = QObject::connect(&browser, &TPreviewBrowser::PageShown, &loop, [&] {
        shown = true;
        if (loaded)
            loop.quit();
    });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    start();
    if (!loaded || !shown)
        loop.exec();
    QObject::disconnect(l);
    QObject::disconnect(s);
    return loaded && shown;
}

// True once the page's script has had its findings: the panel is there,
// or the findings were clean.
bool FindingsShown(TPreviewBrowser& browser)
{
    bool done = false;
    QVariant answer;
    browser.Page()->runJavaScript(QStringLiteral("window.ravikFindings !== undefined"), PageScriptWorld,
                                  [&](const QVariant& v) {
                                      answer = v;
                                      done = true;
                                  });
    return QTest::qWaitFor([&] { return done; }, 10000) && answer.toBool();
}
}

int main(int argc, char** argv)
{
    PrepareProcess();
    TApplication app(argc, argv);
    InitialiseApplication(app);
    const int rounds = argc > 1 ? std::max(3, atoi(argv[1])) : 9;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    std::printf("the check alone, in this process (median / min of %d):\n", rounds);
    const TPublishRules& rules = BuiltInPublishRules();
    for (const qsizetype size : {Fragment100K, Fragment1M, Fragment10M}) {
        const QString& code = Fragment(size);
        for (const TShopVersion version : {TShopVersion::Professional, TShopVersion::Basic}) {
            const TPageTemplate& page = PageTemplate(version);
            const TPublishInput input{page.Head, code, page.Tail, ShopVersionName(version)};
            TFigures figures;
            qsizetype findings = 0;
            for (int i = 0; i < (size > 2 * 1024 * 1024 ? 3 : rounds); ++i)
                figures.Add(Time([&] { findings = CheckPublish(rules, input).Findings.size(); }));
            std::printf("  %5lld KB %-13s %6lld findings  %8.2f ms  %8.2f ms\n", static_cast<long long>(size / 1024),
                        qPrintable(ShopVersionName(version)), static_cast<long long>(findings), figures.Median(),
                        figures.Min());
        }
    }

    {
        // Every widget of the fragments, each with its options: a page far
        // richer in widgets than any shop's.
        QString fragments;
        for (const QString& name : StoredFragmentNames())
            fragments += StoredFragment(name);
        QString code;
        while (!fragments.isEmpty() && code.toUtf8().size() + fragments.toUtf8().size() <= Fragment1M)
            code += fragments;
        const TPageTemplate& page = PageTemplate(TShopVersion::Professional);
        const TPublishInput input{page.Head, code, page.Tail, QStringLiteral("professional")};
        TFigures figures;
        qsizetype findings = 0;
        for (int i = 0; i < rounds; ++i)
            figures.Add(Time([&] { findings = CheckPublish(rules, input).Findings.size(); }));
        std::printf("  %5lld KB of widget code (%lld widgets), professional, %lld findings  %8.2f ms  %8.2f ms\n",
                    static_cast<long long>(code.toUtf8().size() / 1024),
                    static_cast<long long>(code.count(QLatin1String("data-widget-config"))),
                    static_cast<long long>(findings), figures.Median(), figures.Min());

        TFigures start, each;
        const QString config = QStringLiteral("{'navCls':'fs-thumbs','contentCls':'fs-slides','effect':'scrollx',"
                                              "'steps':1,'viewSize':[1920],'circular':true,'interval':'5'}");
        for (int i = 0; i < rounds; ++i) {
            TWidgetConfigReader reader;
            start.Add(Time([&] { reader.Read(config); }));
            each.Add(Time([&] {
                for (int k = 0; k < 1000; ++k)
                    reader.Read(config);
            }));
        }
        std::printf("the widget option reader: started with its first config %6.2f ms (min %6.2f), a config after that "
                    "%6.1f us (min %6.1f)\n",
                    start.Median(), start.Min(), each.Median(), each.Min());
    }

    {
        // Hostile input: time that grows faster than the input would end
        // in the time limit. Each tenfold larger should cost about ten times.
        std::printf("pathological input (median of 3):\n");
        for (const int count : {10000, 100000}) {
            QByteArray json = "{\"rules\": [";
            for (int i = 0; i < count; ++i) {
                json += (i ? ",{\"id\": \"r" : "{\"id\": \"r") + QByteArray::number(i) +
                        "\", \"severity\": \"removed\", \"message\": \"m\", \"elements\": [\"x" + QByteArray::number(i) + "\"]}";
            }
            json += "]}";
            TFigures figures;
            for (int i = 0; i < 3; ++i) {
                figures.Add(Time([&] {
                    TPublishRules read;
                    ParsePublishRules(json, &read, nullptr);
                }));
            }
            std::printf("  a rule file of %6d rules read in    %8.2f ms\n", count, figures.Median());
        }
        const TPageTemplate& page = PageTemplate(TShopVersion::Professional);
        for (const int count : {6000, 60000}) {
            QString code = QStringLiteral("<span");
            for (int i = 0; i < count; ++i)
                code += QStringLiteral(" a%1").arg(i);
            code += QStringLiteral("></span>");
            TFigures figures;
            for (int i = 0; i < 3; ++i)
                figures.Add(Time([&] { CheckPublish(rules, {page.Head, code, page.Tail, QStringLiteral("professional")}); }));
            std::printf("  a tag of %6d attributes checked in %8.2f ms\n", count, figures.Median());
        }
    }

    {
        const QString& code = Fragment(Fragment1M);
        const TPageTemplate& page = PageTemplate(TShopVersion::Basic);
        TPublishChecker checker;
        TFigures figures;
        // An event loop of its own, as the window's: QTest's waits sleep
        // between looks, which would be timed too.
        QEventLoop loop;
        QObject::connect(&checker, &TPublishChecker::Finished, &loop, &QEventLoop::quit);
        for (int i = 0; i < rounds; ++i) {
            figures.Add(Time([&] {
                checker.Start({page.Head, code, page.Tail, QStringLiteral("basic")});
                loop.exec();
            }));
        }
        std::printf("the check in its own process, 1 MB basic, start to report:  median %8.2f ms  min %8.2f ms\n",
                    figures.Median(), figures.Min());
    }

    const WorkingDir work;
    LocalPictureServer server;
    ToLocalPictures interceptor(server.Port());
    QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(&interceptor);
    Tfrmravik window;
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    window.rb1->setChecked(true);   // basic: the fragment's 950 px blocks are findings there
    // The preview is on show, as the user looks at it (a page out of sight
    // loads at the engine's background pace); this starts the browser.
    WaitLoaded(*window.wb1, [&] { window.vmpgcntrl1->SetActivePage(window.vmtbshtTabSheet2); });
    std::printf("local preview round trip, basic storefront (median / min of %d, 3 for 1 MB; interleaved):\n", rounds);
    for (const qsizetype size : {Fragment100K, Fragment1M}) {
        window.redt1->setPlainText(Fragment(size));
        // The first load of each fragment warms up.
        WaitLoaded(*window.wb1, [&] { window.btn4Click(window.btn4); });
        TFigures with, withShown, without;
        for (int i = 0; i < (size > 512 * 1024 ? 3 : rounds); ++i) {
            QElapsedTimer timer;
            timer.start();
            WaitLoaded(*window.wb1, [&] { window.btn4Click(window.btn4); });
            with.Add(timer.nsecsElapsed() / 1e6);
            if (!QTest::qWaitFor([&] { return FindingsShown(*window.wb1); }, 60000))
                std::printf("  (no findings shown in a minute)\n");
            withShown.Add(timer.nsecsElapsed() / 1e6);

            const double ms = Time([&] {
                WaitLoaded(*window.wb1, [&] {
                    window.ComposeAndWrite();
                    window.wb1->Bridge().SetFindings({});
                    window.wb1->Navigate(CachePagePath(), TShopVersion::Basic);
                });
            });
            without.Add(ms);
        }
        std::printf("  %5lld KB  with the check: loaded, shown %8.2f ms (min %8.2f), panel shown %8.2f ms\n",
                    static_cast<long long>(size / 1024), with.Median(), with.Min(), withShown.Median());
        std::printf("            without it:     loaded, shown %8.2f ms (min %8.2f)\n", without.Median(), without.Min());
        std::printf("            ratio with / without (loaded, shown): %.2f   (panel shown): %.2f   (target <= 1.1)\n",
                    with.Median() / without.Median(), withShown.Median() / without.Median());
    }
    QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(nullptr);
    return 0;
}
