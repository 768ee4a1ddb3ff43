// The finished window, inside a running application, against a bare Qt
// window of the same size: building, showing and exposing it, and one full
// repaint of everything it shows. (Start-up of the whole process is
// bench_startup.)
//
// Window start-up: the two windows built, shown and exposed inside this
// process, after the application's own start, so only the window differs.
//
// Full repaint: every control of the shown window invalidated (the tab
// strips' layout too) and the whole window repainted at once.
//
//   bench_window [--benchmark_filter=...]
#include "StartupChild.h"

#include <QTest>

#include <benchmark/benchmark.h>

namespace {

template <class Make>
void ShowAndClose(benchmark::State& state, Make make)
{
    for (auto _ : state) {
        auto window = make();
        if (!startup_child::ShowAndWaitExposed(*window)) {
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

BENCHMARK(BareWindowStartup)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(EditorWindowStartup)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BareWindowFullRepaint)->Unit(benchmark::kMillisecond);
BENCHMARK(EditorWindowFullRepaint)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    PrepareProcess();
    TApplication app(argc, argv);
    InitialiseApplication(app);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
