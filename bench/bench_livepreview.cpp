// The preview torn off beside the code, on the finished window with the
// 100 KB and the 1 MB one-line fragments. Every remote request (the
// fragment's two hundred pictures among them) is served from 127.0.0.1
// (LocalPictures.h), so a refresh fetches and decodes the pictures as a
// user's does: uncached, as bench_preview serves them, and for the 100 KB
// fragment once more with pictures a browser may keep, as picture hosts
// send them.
//
//   keystroke        one letter typed in the middle of the fragment, key
//                    event and the repaint it asks for, with the preview
//                    docked behind the code page and with it floating (the
//                    live refresh waiting); each key on its own, so the
//                    slowest is known too
//   refresh          what the refresh runs on the window's thread: read
//                    the pane, compose, write the cache page, ask the
//                    browser to load it (a key pressed meanwhile waits);
//                    and keys typed while the page it asked for loads
//   key to shown     from the last keystroke to the preview showing the
//                    new page, built and drawn where the user had it (the
//                    pause included), and to that page loaded; with the
//                    steps between, each from the last keystroke: the load
//                    asked for, the page's own marks (navigation start,
//                    the file read, the document parsed, its first paint,
//                    its load event), placed by the scroll keeper, a frame
//                    drawn after that. At the top of the user's module,
//                    where a first preview opens, and for the 100 KB
//                    fragment also halfway down the page, where what
//                    stands at the user's place depends on the pictures
//                    above it
//
//   bench_livepreview [keystrokes] [rounds]
#include "Application.h"
#include "Fragments.h"
#include "LiveRefresh.h"
#include "LocalPictures.h"
#include "PreviewBridge.h"
#include "PreviewBrowser.h"
#include "PreviewPage.h"
#include "Startup.h"
#include "Unitravik.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {
struct Figures {
    double median = 0, p95 = 0, max = 0;
};

Figures Summary(std::vector<double> v)
{
    if (v.empty())
        return {};
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[std::min(v.size() - 1, v.size() * 95 / 100)], v.back()};
}

void Print(const std::string& what, const Figures& f)
{
    std::printf("  %-48s median %8.2f ms  p95 %8.2f  max %8.2f\n", what.c_str(), f.median, f.p95, f.max);
}

// Milliseconds since the epoch: the clock the page's own marks are on.
double EpochMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(system_clock::now().time_since_epoch()).count();
}

// Runs `script` in the page and returns its value; a plain event loop.
QVariant Run(QWebEnginePage* page, const QString& script)
{
    QEventLoop loop;
    QVariant result;
    page->runJavaScript(script, [&](const QVariant& v) {
        result = v;
        loop.quit();
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    return result;
}

// The page's own marks, read from the page on show: when its navigation
// started, its file was read, its document parsed and its load event came,
// and its first paint (in the page's renderer, which may be before the
// view draws it).
const char* const kPageMarks = R"(
(function () {
    var n = performance.getEntriesByType('navigation')[0] || {};
    var paint = performance.getEntriesByType('paint').filter(function (e) { return e.name === 'first-paint'; })[0];
    return JSON.stringify({origin: performance.timeOrigin, response: n.responseEnd, parsed: n.domInteractive,
        paint: paint ? paint.startTime : -1, load: n.loadEventStart});
})()
)";

// Watches the next page through the browser: asked for, placed, drawn,
// shown, loaded; each step in milliseconds from a start.
class PageWatch : public QObject {
public:
    explicit PageWatch(TPreviewBrowser& browser) : browser_(browser) {}
    // Waits for the next page shown and loaded; false on a time-out. The
    // times are from `start`, which was `startEpoch` on the page's clock.
    bool Wait(const QElapsedTimer& start, double startEpoch)
    {
        steps_.clear();
        bool shown = false, loaded = false;
        const auto mark = [&](const char* step) {
            if (!steps_.count(step))
                steps_[step] = start.nsecsElapsed() / 1e6;
        };
        // An event loop of its own, not QTest's waiting, which sleeps
        // between its turns.
        QEventLoop loop;
        const auto done = [&] {
            if (shown && loaded)
                loop.quit();
        };
        QList<QMetaObject::Connection> connections;
        connections << connect(&browser_, &TPreviewBrowser::NavigationRequested, this, [&](const QUrl& url) {
            mark("load asked for");
            // The page is made and given the load after this signal.
            QTimer::singleShot(0, this, [&, url] {
                for (TPreviewPage* page : browser_.findChildren<TPreviewPage*>()) {
                    if (page == browser_.Page() || page->requestedUrl() != url)
                        continue;
                    const auto drawn = [&] {
                        if (steps_.count("placed"))
                            mark("frame drawn, placed");
                    };
                    connections << connect(page, &QWebEnginePage::scrollPositionChanged, this, drawn);
                    connections << connect(page, &QWebEnginePage::contentsSizeChanged, this, drawn);
                }
            });
        });
        connections << connect(&browser_.Bridge(), &TPreviewBridge::PagePlaced, this, [&] { mark("placed"); });
        connections << connect(&browser_, &TPreviewBrowser::PageShown, this, [&] {
            mark("shown");
            shown = true;
            done();
        });
        connections << connect(&browser_, &TPreviewBrowser::PageLoaded, this, [&] {
            mark("loaded");
            loaded = true;
            done();
        });
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
        for (const auto& c : connections)
            disconnect(c);
        if (!shown || !loaded)
            return false;
        ReadPageMarks(startEpoch);
        return true;
    }
    bool Wait()
    {
        QElapsedTimer start;
        start.start();
        return Wait(start, EpochMs());
    }
    const std::map<std::string, double>& Steps() const { return steps_; }

private:
    void ReadPageMarks(double startEpoch)
    {
        const QJsonObject marks =
            QJsonDocument::fromJson(Run(browser_.Page(), QString::fromLatin1(kPageMarks)).toString().toUtf8()).object();
        const double origin = marks.value(QStringLiteral("origin")).toDouble() - startEpoch;
        steps_["page: navigation start"] = origin;
        for (const auto& [key, step] : {std::pair{"response", "page: file read"}, {"parsed", "page: document parsed"},
                                        {"paint", "page: first paint"}, {"load", "page: load event"}}) {
            const double t = marks.value(QLatin1String(key)).toDouble(-1);
            if (t > 0)
                steps_[step] = origin + t;
        }
    }

    TPreviewBrowser& browser_;
    std::map<std::string, double> steps_;
};

std::vector<double> Keystrokes(Tfrmravik& w, int count)
{
    std::vector<double> times;
    QElapsedTimer timer;
    for (int i = 0; i < count; ++i) {
        timer.start();
        QTest::keyClick(w.redt1, Qt::Key_A);
        QCoreApplication::processEvents();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    return times;
}

// Runs the event loop for `milliseconds`, without QTest's sleeping.
void Spin(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// Keys typed while a refresh's page loads: a letter, and once its refresh
// has asked for the page, five more 30 ms apart, each timed on its own.
std::vector<double> KeystrokesWhileLoading(Tfrmravik& w, PageWatch& watch, int rounds)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        QEventLoop asked;
        const auto c = QObject::connect(w.wb1, &TPreviewBrowser::NavigationRequested, &asked, &QEventLoop::quit);
        QTimer::singleShot(5000, &asked, &QEventLoop::quit);
        QTest::keyClick(w.redt1, Qt::Key_C);
        asked.exec();
        QObject::disconnect(c);
        QElapsedTimer timer;
        for (int k = 0; k < 5; ++k) {
            Spin(30);
            timer.start();
            QTest::keyClick(w.redt1, Qt::Key_C);
            QCoreApplication::processEvents();
            times.push_back(timer.nsecsElapsed() / 1e6);
        }
        watch.Wait();   // the refresh after the last of them
    }
    return times;
}

// Types one letter, then waits for the refresh it brings; `rounds` times.
// Prints `steps` of them, and how many requests the server had per round.
void KeyToShown(Tfrmravik& w, PageWatch& watch, LocalPictureServer& server, int rounds, const std::string& label,
                const std::vector<const char*>& steps)
{
    std::map<std::string, std::vector<double>> times;
    std::vector<double> requests;
    for (int i = 0; i < rounds; ++i) {
        const int before = server.Requests();
        QElapsedTimer timer;
        timer.start();
        const double epoch = EpochMs();
        QTest::keyClick(w.redt1, Qt::Key_B);
        if (!watch.Wait(timer, epoch)) {
            std::printf("  no page within a minute\n");
            continue;
        }
        for (const auto& [step, at] : watch.Steps())
            times[step].push_back(at);
        requests.push_back(server.Requests() - before);
        QTest::qWait(100);
    }
    for (const char* step : steps) {
        if (times.count(step))
            Print(label + "to " + step, Summary(times[step]));
    }
    std::printf("  %-48s %.0f\n", (label + "requests served per refresh").c_str(), Summary(requests).median);
}

// Scrolls the page on show to the height `y` (a script) gives and waits
// until the browser knows it.
void ScrollShownPage(TPreviewBrowser& browser, const QString& y)
{
    const int at = Run(browser.Page(), QStringLiteral("scrollTo(0, %1); scrollY").arg(y)).toInt();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (qAbs(browser.Page()->scrollPosition().y() - at) < 1)
            loop.quit();
    });
    poll.start(10);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
}

void Measure(Tfrmravik& w, LocalPictureServer& server, const QString& name, const QString& fragment, int keystrokes,
             int rounds, bool allVariants)
{
    std::printf("%s (%lld characters, one line)\n", qPrintable(name), static_cast<long long>(fragment.size()));
    w.redt1->setPlainText(fragment);
    QTextCursor middle(w.redt1->document());
    middle.setPosition(w.redt1->document()->characterCount() / 2);
    w.redt1->setTextCursor(middle);
    w.redt1->setFocus();
    QTest::qWait(500);   // the pane's lazy layout and first paints
    Print("keystroke, preview docked", Summary(Keystrokes(w, keystrokes)));

    // Floated beside the window as a user does it, from its own tab; it
    // shows the page once, then the keys come.
    PageWatch watch(*w.wb1);
    w.vmpgcntrl1->SetActivePage(w.vmtbshtTabSheet2);
    watch.Wait();
    w.frmPreview->ManualFloat(w.frmPreview->FloatingBounds());
    watch.Wait();
    w.activateWindow();
    w.redt1->setFocus();
    QTest::qWait(200);
    const Figures live = Summary(Keystrokes(w, keystrokes));
    Print("keystroke, preview floating", live);
    std::printf("  %-48s %s\n", "", live.max < 16 ? "every keystroke under 16 ms" : "SOME KEYSTROKES OVER 16 ms");
    watch.Wait();   // the refresh after the last of them

    std::vector<double> refresh;
    QElapsedTimer timer;
    for (int i = 0; i < rounds; ++i) {
        timer.start();
        w.LocalPreview();
        refresh.push_back(timer.nsecsElapsed() / 1e6);
        watch.Wait();
    }
    Print("refresh on the window's thread", Summary(refresh));
    Print("keystroke while a refresh loads", Summary(KeystrokesWhileLoading(w, watch, rounds)));
    KeyToShown(w, watch, server, rounds, "",
               {"load asked for", "page: navigation start", "page: file read", "page: document parsed",
                "page: first paint", "placed", "frame drawn, placed", "shown", "page: load event", "loaded"});
    if (allVariants) {
        const double atModule = w.wb1->Page()->scrollPosition().y();
        ScrollShownPage(*w.wb1, QStringLiteral("Math.round((document.documentElement.scrollHeight - innerHeight) / 2)"));
        KeyToShown(w, watch, server, rounds, "halfway down, ", {"placed", "shown", "loaded"});
        // Each refresh may take what the one before fetched.
        server.SetMaxAge(86400);
        w.LocalPreview();
        watch.Wait();
        KeyToShown(w, watch, server, rounds, "halfway down, pictures cacheable, ", {"placed", "shown", "loaded"});
        server.SetMaxAge(0);
        // The next fragment's first preview opens where this one was left.
        ScrollShownPage(*w.wb1, QString::number(atModule));
    }

    w.frmPreview->Close();
    (void)QTest::qWaitFor([&] { return w.vmtbshtTabSheet2 != nullptr; }, 5000);
    w.vmpgcntrl1->SetActivePage(w.vmtbshtTabSheet1);
}
}

int main(int argc, char** argv)
{
    PrepareProcess();
    TApplication app(argc, argv);
    InitialiseApplication(app);
    const int keystrokes = argc > 1 ? std::max(10, atoi(argv[1])) : 200;
    const int rounds = argc > 2 ? std::max(3, atoi(argv[2])) : 15;

    QTemporaryDir work;
    QDir(work.path()).mkdir(QStringLiteral("files"));
    QDir::setCurrent(work.path());
    LocalPictureServer server;
    ToLocalPictures interceptor(server.Port());
    QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(&interceptor);

    Tfrmravik window;
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    // The browser starts at the first preview, as it does for a user.
    window.vmpgcntrl1->SetActivePage(window.vmtbshtTabSheet2);
    PageWatch(*window.wb1).Wait();
    window.vmpgcntrl1->SetActivePage(window.vmtbshtTabSheet1);
    std::printf("platform %s, views drawn %s; %d keystrokes and %d rounds each; pause %d ms\n",
                qPrintable(QGuiApplication::platformName()),
                TPreviewBrowser::DrawsInSoftware() ? "in software" : "through OpenGL",
                keystrokes, rounds, window.LiveRefresh().Pause());
    Measure(window, server, QStringLiteral("100 KB"), Fragment(Fragment100K), keystrokes, rounds, true);
    Measure(window, server, QStringLiteral("1 MB"), Fragment(Fragment1M), keystrokes, rounds, false);
    QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(nullptr);
    return 0;
}
