// Local preview round trip through the main window (read the code pane,
// compose, write the cache page, load it in a fresh page under the one on
// show, place it at the user's position and swap it in) with the
// professional template and the 100 KB fragment, against loading the same
// finished file into a bare QWebEngineView in the same profile that does
// none of that. Times until the page shows and until it has loaded as well
// (which waits for every picture), against the bare view's loadFinished.
// Then the preview laid out for a 1920-pixel screen against the same at
// the pane's width.
//
// Every remote request of both is served from 127.0.0.1 (LocalPictures.h),
// uncached: the figures include fetching and decoding the pictures on every
// load.
//
//   bench_preview [rounds]
#include "Application.h"
#include "Fragments.h"
#include "LocalPictures.h"
#include "PageComposer.h"
#include "PreviewBrowser.h"
#include "Startup.h"
#include "Unitravik.h"
#include "WorkingDir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTextEdit>
#include <QTimer>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <algorithm>
#include <cstdio>

namespace {

// Runs the event loop until the view has finished loading what `start`
// asked for. A plain event loop: QTest's waiting sleeps between rounds,
// and every request that passes through the interceptor would wait for it.
bool WaitLoaded(QWebEngineView* view, const std::function<void()>& start)
{
    QEventLoop loop;
    bool finished = false;
    QObject::connect(view, &QWebEngineView::loadFinished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    start();
    if (!finished)
        loop.exec();
    return finished;
}

// Runs `start` and returns how long until the browser shows the new page
// and until that page has loaded, in milliseconds; the same plain loop.
std::pair<double, double> WaitShownAndLoaded(TPreviewBrowser* browser, const std::function<void()>& start)
{
    QElapsedTimer timer;
    double shown = -1, loaded = -1;
    const auto c1 = QObject::connect(browser, &TPreviewBrowser::PageShown, [&] { shown = timer.nsecsElapsed() / 1e6; });
    const auto c2 = QObject::connect(browser, &TPreviewBrowser::PageLoaded, [&] { loaded = timer.nsecsElapsed() / 1e6; });
    const auto both = [&] { return shown >= 0 && loaded >= 0; };
    QEventLoop loop;
    const auto c3 = QObject::connect(browser, &TPreviewBrowser::PageShown, &loop, [&] { if (both()) loop.quit(); });
    const auto c4 = QObject::connect(browser, &TPreviewBrowser::PageLoaded, &loop, [&] { if (both()) loop.quit(); });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    timer.start();
    start();
    if (!both())
        loop.exec();
    for (const auto& c : {c1, c2, c3, c4})
        QObject::disconnect(c);
    if (!both())
        std::fprintf(stderr, "a preview did not arrive within a minute\n");
    return {shown, std::max(shown, loaded)};
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}
}

int main(int argc, char** argv)
{
    PrepareProcess();
    TApplication app(argc, argv);
    InitialiseApplication(app);
    const int rounds = argc > 1 ? std::max(3, atoi(argv[1])) : 15;

    const WorkingDir work;
    const QString& fragment = Fragment(Fragment100K);

    LocalPictureServer server;
    ToLocalPictures interceptor(server.Port());
    QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(&interceptor);

    Tfrmravik window;
    window.show();
    window.redt1->setPlainText(fragment);
    WaitShownAndLoaded(window.wb1, [&] { window.vmpgcntrl1->SetActivePage(window.vmtbshtTabSheet2); });   // the first preview
    QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();

    // The bare view: a plain page in the same profile, allowed to fetch
    // remote pictures from a local file the way the preview's page is.
    QWebEngineView bare;
    auto* barePage = new QWebEnginePage(profile, &bare);
    barePage->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    bare.setPage(barePage);
    bare.resize(window.wb1->size());
    bare.show();

    // The finished file for the bare view: the same bytes under another name.
    const QString finished = work.FilePath(QStringLiteral("files/finished.html"));
    WriteWholeFile(finished, EncodePage(ComposePage(PageTemplate(TShopVersion::Professional), fragment)));

    // Warm the bare view up once: the first load starts a renderer.
    WaitLoaded(&bare, [&] { bare.load(QUrl::fromLocalFile(finished)); });

    std::vector<double> shown, ours, base;
    int oursRequests = 0, bareRequests = 0;
    QElapsedTimer timer;
    for (int i = 0; i < rounds; ++i) {
        int before = server.Requests();
        const auto [toShow, toLoad] = WaitShownAndLoaded(window.wb1, [&] { window.btn4Click(window.btn4); });
        shown.push_back(toShow);
        ours.push_back(toLoad);
        oursRequests = server.Requests() - before;

        before = server.Requests();
        timer.start();
        WaitLoaded(&bare, [&] { bare.load(QUrl::fromLocalFile(finished)); });
        base.push_back(timer.nsecsElapsed() / 1e6);
        bareRequests = server.Requests() - before;
    }

    // The same preview laid out for a customer's 1920-pixel screen and
    // scaled into the pane, against the pane's own width; the two alternate
    // round by round so that both meet the machine in the same state.
    std::vector<double> fitShown, wideShown;
    for (int i = 0; i < rounds; ++i) {
        for (int width : {0, 1920}) {
            window.wb1->SetScreenWidth(width);
            const auto [toShow, toLoad] = WaitShownAndLoaded(window.wb1, [&] { window.btn4Click(window.btn4); });
            (width ? wideShown : fitShown).push_back(toShow);
        }
    }
    window.wb1->SetScreenWidth(0);

    // One character GBK lacks sends the whole page through the HTML parser
    // that finds script and style bodies.
    const QString lacking = fragment + QString::fromUtf8("\xF0\x9F\x98\x80");
    std::vector<double> composeWrite, composeWriteLacking, windowCompose;
    for (int i = 0; i < rounds; ++i) {
        timer.start();
        WriteCachePage(TShopVersion::Professional, fragment);
        composeWrite.push_back(timer.nsecsElapsed() / 1e6);
        timer.start();
        WriteCachePage(TShopVersion::Professional, lacking);
        composeWriteLacking.push_back(timer.nsecsElapsed() / 1e6);
        timer.start();
        window.ComposeAndWrite();
        windowCompose.push_back(timer.nsecsElapsed() / 1e6);
    }

    std::printf("fragment: %lld characters, one line; %d rounds; platform %s\n", static_cast<long long>(fragment.size()),
                rounds, qPrintable(QGuiApplication::platformName()));
    std::printf("requests served per load: %d (ours), %d (bare view)\n", oursRequests, bareRequests);
    std::printf("compose, encode and write alone: %.2f ms\n", Median(composeWrite));
    std::printf("the same with a character GBK lacks: %.2f ms\n", Median(composeWriteLacking));
    std::printf("compose and write from the window: %.2f ms\n", Median(windowCompose));
    std::printf("preview until shown and placed: %.2f ms\n", Median(shown));
    std::printf("preview round trip: %.2f ms\n", Median(ours));
    std::printf("bare view load: %.2f ms\n", Median(base));
    std::printf("preview at the pane's width, until shown: %.2f ms\n", Median(fitShown));
    std::printf("preview at a 1920-pixel screen, until shown: %.2f ms\n", Median(wideShown));
    profile->setUrlRequestInterceptor(nullptr);
    return 0;
}
