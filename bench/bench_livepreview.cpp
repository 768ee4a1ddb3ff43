// The preview torn off beside the code, on the finished window with the
// 100 KB and the 1 MB one-line fragments (only the loopback address is
// reached: this machine has no name service).
//
//   keystroke        one letter typed in the middle of the fragment, key
//                    event and the repaint it asks for, with the preview
//                    docked behind the code page and with it floating (the
//                    live refresh waiting); each key on its own, so the
//                    slowest is known too
//   refresh          what the refresh runs on the window's thread when the
//                    pause is over: read the pane, compose, write the cache
//                    page, ask the browser to load it
//   key to shown     from the last keystroke to the preview showing the
//                    new page, drawn where the user had it (the pause
//                    included), and to that page loaded
//
//   bench_livepreview [keystrokes] [rounds]
#include "Application.h"
#include "Fragments.h"
#include "LiveRefresh.h"
#include "LoopbackOnly.h"
#include "PreviewBrowser.h"
#include "Startup.h"
#include "Unitravik.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QWebEngineProfile>

#include <algorithm>
#include <cstdio>
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

void Print(const char* what, const Figures& f)
{
    std::printf("  %-34s median %8.2f ms  p95 %8.2f  max %8.2f\n", what, f.median, f.p95, f.max);
}

// When the browser was asked to load, when it showed the new page (placed
// and drawn under the old one, then swapped to the top), and when that page
// had finished loading.
class PageWatch : public QObject {
public:
    explicit PageWatch(TPreviewBrowser& browser) : browser_(browser) {}
    // Waits for the next page shown and loaded; false on a time-out. The
    // times are in milliseconds from `start`.
    bool Wait(const QElapsedTimer& start)
    {
        navigated_ = shown_ = loaded_ = -1;
        // An event loop of its own, not QTest's waiting, which sleeps
        // between its turns: the request filter runs on this thread, once
        // for each of the fragment's two hundred pictures.
        QEventLoop loop;
        const auto done = [&] {
            if (shown_ >= 0 && loaded_ >= 0)
                loop.quit();
        };
        const auto navigation = connect(&browser_, &TPreviewBrowser::NavigationRequested, this,
                                        [&] { navigated_ = start.nsecsElapsed() / 1e6; });
        const auto shown = connect(&browser_, &TPreviewBrowser::PageShown, this, [&] {
            shown_ = start.nsecsElapsed() / 1e6;
            done();
        });
        const auto loaded = connect(&browser_, &TPreviewBrowser::PageLoaded, this, [&] {
            loaded_ = start.nsecsElapsed() / 1e6;
            done();
        });
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
        disconnect(navigation);
        disconnect(shown);
        disconnect(loaded);
        return shown_ >= 0 && loaded_ >= 0;
    }
    bool Wait()
    {
        QElapsedTimer start;
        start.start();
        return Wait(start);
    }
    double Navigated() const { return navigated_; }
    double Shown() const { return shown_; }
    double Loaded() const { return loaded_; }

private:
    TPreviewBrowser& browser_;
    double navigated_ = -1, shown_ = -1, loaded_ = -1;
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

void Measure(Tfrmravik& w, const QString& name, const QString& fragment, int keystrokes, int rounds)
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
    std::printf("  %-34s %s\n", "", live.max < 16 ? "every keystroke under 16 ms" : "SOME KEYSTROKES OVER 16 ms");
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
    std::vector<double> navigated, shown, loaded;
    for (int i = 0; i < rounds; ++i) {
        timer.start();
        QTest::keyClick(w.redt1, Qt::Key_B);
        if (!watch.Wait(timer))
            std::printf("  no page within a minute\n");
        navigated.push_back(watch.Navigated());
        shown.push_back(watch.Shown());
        loaded.push_back(watch.Loaded());
        QTest::qWait(100);
    }
    Print("last keystroke to refresh", Summary(navigated));
    Print("last keystroke to new page shown", Summary(shown));
    Print("last keystroke to new page loaded", Summary(loaded));

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
    LoopbackOnly interceptor;
    QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(&interceptor);

    Tfrmravik window;
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    // The browser starts at the first preview, as it does for a user.
    window.vmpgcntrl1->SetActivePage(window.vmtbshtTabSheet2);
    PageWatch(*window.wb1).Wait();
    window.vmpgcntrl1->SetActivePage(window.vmtbshtTabSheet1);
    std::printf("platform %s, %d keystrokes and %d rounds each\n", qPrintable(QGuiApplication::platformName()),
                keystrokes, rounds);
    Measure(window, QStringLiteral("100 KB"), Fragment(Fragment100K),
            keystrokes, rounds);
    Measure(window, QStringLiteral("1 MB"), Fragment(Fragment1M),
            keystrokes, rounds);
    QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(nullptr);
    return 0;
}
