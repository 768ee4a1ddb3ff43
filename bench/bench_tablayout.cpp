// The tab control's layout pass and hit test, for 2 and for 50 tabs.
//
//   LayoutPass       the whole UpdateLayout: captions measured, tabs placed,
//                    region cache emptied, first tab and selection checked
//   LayoutArithmetic the placement alone, on extents measured beforehand
//   TabAtPos         one hit test at a tab's centre (tabs taken in turn),
//                    with the default region cache of one region
//   QTabBarTabAt     Qt's own tab bar answering the same question, for scale
//
// Single row in a 1029 x 591 control with cut-corner tabs (the main page
// control's configuration; 50 tabs make it scroll), and a multi-line variant.
//
//   bench_tablayout [--benchmark_filter=...]
#include "VmTabs.h"

#include <QApplication>
#include <QTabBar>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

std::unique_ptr<TVmCustomTabControl> MakeTabs(int count, bool multiLine)
{
    auto tabs = std::make_unique<TVmCustomTabControl>();
    tabs->SetBounds(0, 0, 1029, 591);
    tabs->SetTabStyle(tsCutCorner);
    tabs->SetCutCornerSize(10);
    tabs->SetTabHeight(25);
    tabs->SetMultiLine(multiLine);
    for (int i = 0; i < count; ++i)
        tabs->Tabs().Add()->Caption = i % 2 ? QStringLiteral("实时预览 %1").arg(i) : QStringLiteral("代码编辑 %1").arg(i);
    tabs->UpdateLayout();
    tabs->SetTabIndex(0);
    return tabs;
}

void LayoutPass(benchmark::State& state, bool multiLine)
{
    auto tabs = MakeTabs(int(state.range(0)), multiLine);
    for (auto _ : state) {
        tabs->RequestLayout();
        tabs->UpdateLayout();
        benchmark::DoNotOptimize(tabs->RowCount());
    }
}

void BM_LayoutPass(benchmark::State& state) { LayoutPass(state, false); }
void BM_LayoutPassMultiLine(benchmark::State& state) { LayoutPass(state, true); }

void BM_LayoutArithmetic(benchmark::State& state)
{
    auto tabs = MakeTabs(int(state.range(0)), false);
    TVmTabLayout layout = tabs->Layout();
    std::vector<TVmTabLayoutItem> items(size_t(tabs->Tabs().Count()));
    for (int i = 0; i < tabs->Tabs().Count(); ++i) {
        const TSize t = tabs->CaptionExtent(tabs->Tabs()[i]->Caption, true, false);
        items[size_t(i)].Content = TabContentExtent(ipLeft, tabs->ImageMargin(), {}, {t.cx, t.cy});
    }
    for (auto _ : state) {
        layout.Run(items);
        benchmark::DoNotOptimize(items.data());
    }
}

void BM_TabAtPos(benchmark::State& state)
{
    auto tabs = MakeTabs(int(state.range(0)), false);
    std::vector<TPoint> centres;
    for (int i = 0; i < tabs->Tabs().Count(); ++i)
        if (tabs->IsTabShown(i)) {
            const TRect r = tabs->TabClientRect(i);
            centres.push_back({(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
        }
    size_t k = 0;
    for (auto _ : state) {
        const TPoint p = centres[k++ % centres.size()];
        benchmark::DoNotOptimize(tabs->TabAtPos(p.X, p.Y));
    }
    state.counters["shown"] = double(centres.size());
}

void BM_QTabBarTabAt(benchmark::State& state)
{
    QTabBar bar;
    bar.resize(1029, 25);
    for (int i = 0; i < state.range(0); ++i)
        bar.addTab(i % 2 ? QStringLiteral("实时预览 %1").arg(i) : QStringLiteral("代码编辑 %1").arg(i));
    std::vector<QPoint> centres;
    for (int i = 0; i < bar.count(); ++i)
        if (bar.tabRect(i).intersects(bar.rect()))
            centres.push_back(bar.tabRect(i).center());
    size_t k = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(bar.tabAt(centres[k++ % centres.size()]));
}

} // namespace

BENCHMARK(BM_LayoutPass)->Arg(2)->Arg(50);
BENCHMARK(BM_LayoutPassMultiLine)->Arg(2)->Arg(50);
BENCHMARK(BM_LayoutArithmetic)->Arg(2)->Arg(50);
BENCHMARK(BM_TabAtPos)->Arg(2)->Arg(50);
BENCHMARK(BM_QTabBarTabAt)->Arg(2)->Arg(50);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
