// Painting the main page control (1029 x 591, cut corners of 10 in money
// green, 25-pixel tabs, two pages) against a QTabWidget of the same size and
// tabs drawn by Qt's Fusion style.
//
//   FullPass          one paint pass of the control into its off-screen
//                     image: background, tabs, card, card shadow (which
//                     replays the parent's background)
//   HotTrackRepaint   the mouse moving onto the other tab (alternately) and
//                     the repaint that follows: only the tab strip, no shadow
//   RenderWithPage    QWidget::render of the page control with its active
//                     page, the way Qt renders the QTabWidget below
//   QTabWidgetRender  QWidget::render of the QTabWidget (tab bar, frame, page)
//   QTabWidgetHover   the mouse moving onto the other tab of the QTabWidget
//                     and the render that follows
//
//   bench_tabpaint [--benchmark_filter=...]
#include "Forms.h"
#include "VmPageControl.h"

#include <QApplication>
#include <QMouseEvent>
#include <QStyleFactory>
#include <QTabBar>
#include <QTabWidget>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kWidth = 1029;
constexpr int kHeight = 591;
const QString kCaption0 = QStringLiteral("  自定义代码  ");
const QString kCaption1 = QStringLiteral("实时预览");

struct MainPageControl {
    TForm form;
    TVmPageControl* pc;

    MainPageControl()
    {
        form.SetBounds(0, 0, kWidth + 87, kHeight);
        pc = new TVmPageControl(&form, &form);
        pc->SetBounds(87, 0, kWidth, kHeight);
        pc->SetTabStyle(tsCutCorner);
        pc->SetCutCornerSize(10);
        pc->SetFlatColor(clMoneyGreen);
        pc->SetHotTrackColor(clMoneyGreen);
        pc->SetTabHeight(25);
        for (const QString& caption : {kCaption0, kCaption1}) {
            auto* page = new TVmTabSheet(&form);
            page->SetPageControl(pc);
            page->SetCaption(caption);
        }
        pc->SetActivePage(pc->Pages(0));
        form.show();
        pc->PaintToImage();
    }

    QPoint TabCentre(int index) const
    {
        const TRect r = pc->TabClientRect(index);
        return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    }
};

void Move(QWidget* target, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(at), target->mapToGlobal(QPointF(at)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
}

void BM_FullPass(benchmark::State& state)
{
    MainPageControl m;
    for (auto _ : state) {
        m.pc->InvalidateTabs();
        m.pc->PaintToImage();
        benchmark::DoNotOptimize(m.pc->Image().constBits());
    }
}

void BM_HotTrackRepaint(benchmark::State& state)
{
    MainPageControl m;
    const QPoint centres[2] = {m.TabCentre(0), m.TabCentre(1)};
    int k = 0;
    for (auto _ : state) {
        Move(m.pc, centres[++k % 2]);
        m.pc->PaintToImage();
        benchmark::DoNotOptimize(m.pc->Image().constBits());
    }
    state.counters["hotOnly"] = m.pc->HotOnlyRepaint() ? 1 : 0;
}

void BM_RenderWithPage(benchmark::State& state)
{
    MainPageControl m;
    QImage target(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        m.pc->InvalidateTabs();
        m.pc->render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}

struct QtTabs {
    QWidget window;
    QTabWidget* tabs;

    QtTabs()
    {
        window.resize(kWidth + 87, kHeight);
        tabs = new QTabWidget(&window);
        tabs->setGeometry(87, 0, kWidth, kHeight);
        tabs->addTab(new QWidget, kCaption0);
        tabs->addTab(new QWidget, kCaption1);
        window.show();
    }
};

void BM_QTabWidgetRender(benchmark::State& state)
{
    QtTabs q;
    QImage target(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        q.tabs->render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}

void BM_QTabWidgetHover(benchmark::State& state)
{
    QtTabs q;
    QTabBar* bar = q.tabs->tabBar();
    const QPoint centres[2] = {bar->tabRect(0).center(), bar->tabRect(1).center()};
    QImage target(kWidth, kHeight, QImage::Format_RGB32);
    int k = 0;
    for (auto _ : state) {
        Move(bar, centres[++k % 2]);
        q.tabs->render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}

} // namespace

BENCHMARK(BM_FullPass)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HotTrackRepaint)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RenderWithPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QTabWidgetRender)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QTabWidgetHover)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
