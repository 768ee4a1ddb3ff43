// The finished window: start-up until it is shown, against a bare Qt window
// of the same size, and one full repaint of everything it shows.
//
// Process start-up: this program starts itself as a child, either as the
// editor (process settings, application object, translations and fonts, the
// window with every control and the loading pass, shown and exposed) or as
// a bare QApplication with a QWidget of 1116 x 591; the time runs from
// starting the child until it reports its window exposed.
//
// Window start-up: the same two windows built, shown and exposed inside
// this process, after the application's own start, so only the window
// differs.
//
// Full repaint: every control of the shown window invalidated (the tab
// strips' layout too) and the whole window repainted at once.
//
//   bench_window [--benchmark_filter=...]
#include "StartupChild.h"
#include "Unitravik.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <cstdio>
#include <cstring>
#include <ctime>

#include <benchmark/benchmark.h>

namespace {

using startup_child::Child;

QString g_program;

void ProcessStartup(benchmark::State& state, const char* mode)
{
    for (auto _ : state) {
        QProcess child;
        const qint64 start = startup_child::MonotonicNs();
        child.start(g_program, {QStringLiteral("--child"), QLatin1String(mode)});
        if (!child.waitForFinished(60000) || child.exitCode() != 0) {
            state.SkipWithError("child failed");
            break;
        }
        const QByteArray out = child.readAllStandardOutput();
        const qsizetype at = out.indexOf("shown ");
        if (at < 0) {
            state.SkipWithError("child did not report");
            break;
        }
        state.SetIterationTime((out.mid(at + 6).trimmed().toLongLong() - start) / 1e9);
    }
}

void BareProcessStartup(benchmark::State& state) { ProcessStartup(state, "bare"); }
void EditorProcessStartup(benchmark::State& state) { ProcessStartup(state, "editor"); }

template <class Make>
void ShowAndClose(benchmark::State& state, Make make)
{
    for (auto _ : state) {
        auto window = make();
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get(), 30000)) {
            state.SkipWithError("window not exposed");
            break;
        }
        state.PauseTiming();
        window.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}

void BareWindowStartup(benchmark::State& state)
{
    ShowAndClose(state, [] {
        auto w = std::make_unique<QWidget>();
        w->resize(1116, 591);
        return w;
    });
}

void EditorWindowStartup(benchmark::State& state)
{
    ShowAndClose(state, [] { return std::make_unique<Tfrmravik>(); });
}

void InvalidateEverything(QWidget& window)
{
    for (TControl* c : window.findChildren<TControl*>()) {
        if (auto* tabs = qobject_cast<TVmCustomTabControl*>(c))
            tabs->InvalidateTabs();
        else
            c->Invalidate();
    }
}

void EditorWindowFullRepaint(benchmark::State& state)
{
    Tfrmravik w;
    w.show();
    w.vmpgcntrl2->Show();   // the find panel too
    if (!QTest::qWaitForWindowExposed(&w, 30000)) {
        state.SkipWithError("window not exposed");
        return;
    }
    for (auto _ : state) {
        InvalidateEverything(w);
        w.repaint();
    }
}

void BareWindowFullRepaint(benchmark::State& state)
{
    QWidget w;
    w.resize(1116, 591);
    w.show();
    if (!QTest::qWaitForWindowExposed(&w, 30000)) {
        state.SkipWithError("window not exposed");
        return;
    }
    for (auto _ : state)
        w.repaint();
}

} // namespace

BENCHMARK(BareProcessStartup)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(EditorProcessStartup)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BareWindowStartup)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(EditorWindowStartup)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BareWindowFullRepaint)->Unit(benchmark::kMillisecond);
BENCHMARK(EditorWindowFullRepaint)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0)
        return Child(argc, argv, std::strcmp(argv[2], "editor") == 0);
    g_program = QString::fromLocal8Bit(argv[0]);
    PrepareProcess();
    TApplication app(argc, argv);
    InitialiseApplication(app);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
