// Local preview round trip through the main window (read the code pane,
// compose, write the cache page, load it in a fresh page under the one on
// show, place it at the user's position and swap it in) with the
// professional template and a 100 KB fragment, against loading the same
// finished file into a bare QWebEngineView that does none of that. Times
// until the page shows and until it has loaded as well, against the bare
// view's loadFinished. Remote hosts are blocked in both (this machine has
// no name service; each lookup would add seconds of waiting to either side).
//
//   bench_preview [fragment.html] [rounds]
// Without a fragment file the 100 KB fragment is made with make-fragments.py.
#include "Application.h"
#include "Fragments.h"
#include "LoopbackOnly.h"
#include "PageComposer.h"
#include "PreviewBrowser.h"
#include "Startup.h"
#include "Unitravik.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <algorithm>
#include <cstdio>

namespace {
// Runs `start` and returns how long until the browser shows the new page
// and until that page has loaded, in milliseconds.
std::pair<double, double> WaitShownAndLoaded(TPreviewBrowser* browser, const std::function<void()>& start)
{
    QElapsedTimer timer;
    double shown = -1, loaded = -1;
    const auto c1 = QObject::connect(browser, &TPreviewBrowser::PageShown, [&] { shown = timer.nsecsElapsed() / 1e6; });
    const auto c2 = QObject::connect(browser, &TPreviewBrowser::PageLoaded, [&] { loaded = timer.nsecsElapsed() / 1e6; });
    timer.start();
    start();
    const bool arrived = QTest::qWaitFor([&] { return shown >= 0 && loaded >= 0; }, 60000);
    QObject::disconnect(c1);
    QObject::disconnect(c2);
    if (!arrived)
        std::fprintf(stderr, "a preview did not arrive within a minute\n");
    return {shown, std::max(shown, loaded)};
}

bool WaitLoaded(QWebEngineView* view, const std::function<void()>& start)
{
    bool finished = false;
    const auto c = QObject::connect(view, &QWebEngineView::loadFinished, [&](bool) { finished = true; });
    start();
    const bool ok = QTest::qWaitFor([&] { return finished; }, 60000);
    QObject::disconnect(c);
    return ok;
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

    QTemporaryDir work;
    QDir(work.path()).mkdir(QStringLiteral("files"));
    QString fragmentFile = argc > 1 && argv[1][0] ? QString::fromLocal8Bit(argv[1])
                         : fragments::Make(work.path()) ? work.filePath(QStringLiteral("frag_100k.html"))
                                                        : QString();
    const int rounds = argc > 2 ? std::max(3, atoi(argv[2])) : 15;
    QFile file(fragmentFile);
    if (fragmentFile.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "no fragment: pass a file or install python3 and make-fragments.py\n");
        return 1;
    }
    const QString fragment = QString::fromUtf8(file.readAll());
    QDir::setCurrent(work.path());

    LoopbackOnly interceptor;
    QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(&interceptor);

    Tfrmravik window;
    window.show();
    window.redt1->setPlainText(fragment);
    WaitShownAndLoaded(window.wb1, [&] { window.vmpgcntrl1->SetActivePage(window.vmtbshtTabSheet2); });   // the first preview
    QWebEngineView bare;
    bare.resize(window.wb1->size());
    bare.show();

    // The finished file for the bare view: the same bytes under another name.
    const QString finished = work.filePath(QStringLiteral("files/finished.html"));
    WriteWholeFile(finished, EncodePage(ComposePage(PageTemplate(TShopVersion::Professional), fragment)));

    // Warm both up once: the first load starts a renderer.
    WaitLoaded(&bare, [&] { bare.load(QUrl::fromLocalFile(finished)); });

    std::vector<double> shown, ours, base;
    QElapsedTimer timer;
    for (int i = 0; i < rounds; ++i) {
        const auto [toShow, toLoad] = WaitShownAndLoaded(window.wb1, [&] { window.btn4Click(window.btn4); });
        shown.push_back(toShow);
        ours.push_back(toLoad);

        timer.start();
        WaitLoaded(&bare, [&] { bare.load(QUrl::fromLocalFile(finished)); });
        base.push_back(timer.nsecsElapsed() / 1e6);
    }

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

    const double m = Median(ours), b = Median(base);
    std::printf("fragment: %s (%lld characters), %d rounds, platform %s\n", qPrintable(fragmentFile),
                static_cast<long long>(fragment.size()), rounds, qPrintable(QGuiApplication::platformName()));
    std::printf("compose + encode + write alone:        median %8.2f ms\n", Median(composeWrite));
    std::printf("the same with a character GBK lacks:   median %8.2f ms\n", Median(composeWriteLacking));
    std::printf("the same from the window's code pane:  median %8.2f ms\n", Median(windowCompose));
    std::printf("local preview until shown and placed:  median %8.2f ms  min %8.2f\n", Median(shown),
                *std::min_element(shown.begin(), shown.end()));
    std::printf("local preview until shown and loaded:  median %8.2f ms  min %8.2f\n", m,
                *std::min_element(ours.begin(), ours.end()));
    std::printf("same finished file, bare view:         median %8.2f ms  min %8.2f\n", b,
                *std::min_element(base.begin(), base.end()));
    std::printf("ratio ours / bare:                     %.2f (target <= 1.1)\n", b > 0 ? m / b : 0.0);
    QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(nullptr);
    return 0;
}
