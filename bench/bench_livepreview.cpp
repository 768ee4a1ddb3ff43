// The preview torn off beside the code, on the finished window with the
// 100 KB and the 1 MB one-line fragments. Every remote request (the
// fragment's two hundred pictures among them) is served from 127.0.0.1
// (LocalPictures.h), uncached, as a picture host serves them, so that a
// refresh that fetched pictures again would pay for it and show in the
// count of requests.
//
//   keystroke        one letter typed in the middle of the fragment, key
//                    event and the repaint it asks for, with the preview
//                    docked behind the code page and with it floating (the
//                    live refresh waiting); each key on its own, so the
//                    slowest is known too; and keys typed while a patch is
//                    under way
//   key to painted   from the last keystroke to the new content painted in
//                    the view (the pause included), the page patched in
//                    place: a letter typed into a caption, and a margin
//                    nudged (a digit typed into it, then taken out); with
//                    the steps between, each from the last keystroke: the
//                    page's answer and the rule's decision, the patch
//                    taken, a frame with it committed, the view's paint;
//                    and how many pictures each refresh fetched
//   load             what a refresh that cannot patch (and a tab switch)
//                    costs: compose, write, load and show the page, on the
//                    window's thread and to the page shown
//
//   bench_livepreview [keystrokes] [rounds]
#include "Application.h"
#include "Fragments.h"
#include "LivePatch.h"
#include "LiveRefresh.h"
#include "LocalPictures.h"
#include "PageScripts.h"
#include "PreviewBridge.h"
#include "PreviewBrowser.h"
#include "PreviewPage.h"
#include "Startup.h"
#include "Unitravik.h"
#include "WorkingDir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QRegularExpression>
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
QVariant Run(QWebEnginePage* page, const QString& script, quint32 world = QWebEngineScript::MainWorld)
{
    QEventLoop loop;
    QVariant result;
    page->runJavaScript(script, world, [&](const QVariant& v) {
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

// Watches the next live refresh, each step in milliseconds from a start:
// the page's answer and the rule's decision, the patch taken, a frame with
// it committed, and the view's next paint after that; where the rule loads
// the page instead, until it is shown.
class PatchWatch : public QObject {
public:
    explicit PatchWatch(Tfrmravik& w) : w_(w) {}
    // False on a time-out.
    bool Wait(const QElapsedTimer& start)
    {
        steps_.clear();
        reason_ = TRefreshReason::Patch;
        bool done = false;
        QEventLoop loop;
        const auto mark = [&](const char* step) {
            if (!steps_.count(step))
                steps_[step] = start.nsecsElapsed() / 1e6;
        };
        const auto finish = [&] {
            done = true;
            loop.quit();
        };
        QList<QMetaObject::Connection> connections;
        connections << connect(&w_.LivePatch(), &TLivePatcher::Decided, this, [&](TRefreshDecision decision) {
            mark("decided");
            reason_ = decision.Reason;
        });
        // The view may paint the new frame before the page's word that it
        // committed one comes through the channel: the first paint after
        // the patch is the one with it.
        connections << connect(&w_.LivePatch(), &TLivePatcher::Patched, this, [&] {
            mark("patched");
            drawer_ = w_.wb1->View()->focusProxy();
            drawn_ = [&] {
                mark("painted");
                if (steps_.count("frame committed"))
                    finish();
            };
            if (drawer_)
                drawer_->installEventFilter(this);
        });
        connections << connect(&w_.LivePatch(), &TLivePatcher::PatchPainted, this, [&] {
            mark("frame committed");
            if (steps_.count("painted"))
                finish();
            // A change out of sight is never painted.
            QTimer::singleShot(1000, &loop, finish);
        });
        connections << connect(w_.wb1, &TPreviewBrowser::PageShown, this, [&] {
            mark("shown (a load)");
            finish();
        });
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
        for (const auto& c : connections)
            disconnect(c);
        if (drawer_)
            drawer_->removeEventFilter(this);
        drawer_ = nullptr;
        drawn_ = nullptr;
        return done;
    }
    const std::map<std::string, double>& Steps() const { return steps_; }
    TRefreshReason Reason() const { return reason_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == drawer_ && event->type() == QEvent::Paint && drawn_)
            std::exchange(drawn_, nullptr)();
        return false;
    }

private:
    Tfrmravik& w_;
    std::map<std::string, double> steps_;
    TRefreshReason reason_ = TRefreshReason::Patch;
    QPointer<QWidget> drawer_;
    std::function<void()> drawn_;
};

// Keys typed while a patch is under way: a letter, and once the refresh it
// brings has begun, five more 10 ms apart, each timed on its own.
std::vector<double> KeystrokesWhilePatching(Tfrmravik& w, PatchWatch& watch, int rounds)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        QTest::keyClick(w.redt1, Qt::Key_C);
        QElapsedTimer waited;
        waited.start();
        while (!w.LivePatch().Busy() && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QElapsedTimer timer;
        for (int k = 0; k < 5; ++k) {
            Spin(10);
            timer.start();
            QTest::keyClick(w.redt1, Qt::Key_C);
            QCoreApplication::processEvents();
            times.push_back(timer.nsecsElapsed() / 1e6);
        }
        QElapsedTimer start;
        start.start();
        watch.Wait(start);   // the refresh after the last of them
        Spin(100);
    }
    return times;
}

// Places the code pane's caret in the middle of the fragment, after the
// first `pattern` match there; returns how many matches come before it.
int PlaceCaret(Tfrmravik& w, const QRegularExpression& pattern)
{
    const QString text = w.redt1->toPlainText();
    const QRegularExpressionMatch m = pattern.match(text, text.size() / 2);
    QTextCursor cursor(w.redt1->document());
    cursor.setPosition(int(m.hasMatch() ? m.capturedEnd() : text.size() / 2));
    w.redt1->setTextCursor(cursor);
    int before = 0;
    for (auto it = pattern.globalMatch(text); it.hasNext() && it.next().capturedStart() < m.capturedStart();)
        ++before;
    return before;
}

// Scrolls the floating preview to what the keys will change, as a decorator
// keeps the place in sight: the `index`-th node of the module that `test`
// (a script function of a node) takes.
void ShowEditedPlace(Tfrmravik& w, const QString& test, int index)
{
    Run(w.wb1->Page(), QStringLiteral(
        "(function () { var test = %1, found = 0, walker = document.createTreeWalker(ravikLivePatch.module(),"
        " NodeFilter.SHOW_ALL); while (walker.nextNode()) { if (test(walker.currentNode) && found++ === %2) {"
        " var e = walker.currentNode; (e.nodeType === 1 ? e : e.parentNode).scrollIntoView({block: 'center'});"
        " return; } } })()").arg(test).arg(index), PageScriptWorld);
    Spin(300);
}

// `rounds` edits, each of one key (`keys` in turn), each followed by the
// refresh it brings. Prints `steps` of them, how many refreshes loaded
// instead of patching (and why), and how many requests the server had per
// refresh.
void KeyToPainted(Tfrmravik& w, PatchWatch& watch, LocalPictureServer& server, int rounds, const std::string& label,
                  const std::vector<int>& keys)
{
    std::map<std::string, std::vector<double>> times;
    std::vector<double> requests;
    std::map<std::string, int> loads;
    for (int i = 0; i < rounds; ++i) {
        const int before = server.Requests();
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(w.redt1, Qt::Key(keys[size_t(i) % keys.size()]));
        if (!watch.Wait(timer)) {
            std::printf("  nothing painted within a minute\n");
            continue;
        }
        if (watch.Reason() != TRefreshReason::Patch)
            ++loads[RefreshReasonName(watch.Reason())];
        for (const auto& [step, at] : watch.Steps())
            times[step].push_back(at);
        Spin(200);   // pictures a patch asked for, if any, come in
        requests.push_back(server.Requests() - before);
    }
    for (const char* step : {"decided", "patched", "frame committed", "painted", "shown (a load)"}) {
        if (times.count(step))
            Print(label + "to " + step + (times[step].size() < size_t(rounds) ? " (" +
                  std::to_string(times[step].size()) + " of the rounds)" : ""), Summary(times[step]));
    }
    for (const auto& [reason, n] : loads)
        std::printf("  %-48s %d (%s)\n", (label + "loaded instead").c_str(), n, reason.c_str());
    std::printf("  %-48s median %.0f, max %.0f\n", (label + "requests per refresh").c_str(), Summary(requests).median,
                Summary(requests).max);
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
    // Into a caption's text, as a decorator retypes a word.
    const QRegularExpression caption(QStringLiteral(">(?=[\\x{4e00}-\\x{9fff}])"));
    const int captionIndex = PlaceCaret(w, caption);
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
    PatchWatch patches(w);
    const Figures live = Summary(Keystrokes(w, keystrokes));
    Print("keystroke, preview floating", live);
    std::printf("  %-48s %s\n", "", live.max < 16 ? "every keystroke under 16 ms" : "SOME KEYSTROKES OVER 16 ms");
    QElapsedTimer settle;
    settle.start();
    patches.Wait(settle);   // the refresh after the last of them
    Print("keystroke while a patch is under way", Summary(KeystrokesWhilePatching(w, patches, rounds)));

    const double atModule = w.wb1->Page()->scrollPosition().y();
    ShowEditedPlace(w, QStringLiteral("function (n) { return n.nodeType === 3 && /^[\\u4e00-\\u9fff]/.test(n.data); }"),
                    captionIndex);
    KeyToPainted(w, patches, server, rounds, "letter in a caption, ", {Qt::Key_B});
    if (allVariants) {
        // "margin:0 5px 10px" of a list item: 5 px, 15 px, 5 px, ...
        const int itemIndex = PlaceCaret(w, QRegularExpression(QStringLiteral("margin:0 (?=5px)")));
        ShowEditedPlace(w, QStringLiteral("function (n) { return n.nodeType === 1 &&"
                                          " (n.getAttribute('style') || '').indexOf('margin:0 5px') >= 0; }"),
                        itemIndex);
        KeyToPainted(w, patches, server, rounds, "margin nudged, ", {Qt::Key_1, Qt::Key_Backspace});
    }
    // The next fragment's first preview opens where this one's did.
    ScrollShownPage(*w.wb1, QString::number(atModule));

    std::vector<double> refresh, shown;
    QElapsedTimer timer;
    for (int i = 0; i < rounds; ++i) {
        timer.start();
        const double epoch = EpochMs();
        w.LocalPreview();
        refresh.push_back(timer.nsecsElapsed() / 1e6);
        if (watch.Wait(timer, epoch) && watch.Steps().count("shown"))
            shown.push_back(watch.Steps().at("shown"));
    }
    Print("load: on the window's thread", Summary(refresh));
    Print("load: to the page shown", Summary(shown));

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

    const WorkingDir work;
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
