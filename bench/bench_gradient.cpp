// The tab background gradient over a 1029 x 25 rectangle (a tab strip the
// width of the main window) against QPainter filling the same rectangle with
// a QLinearGradient. Both draw into a 32-bit image of the rectangle's size.
//
//   bench_gradient [--benchmark_filter=...]
#include "Canvas.h"
#include "Graphics.h"
#include "VmGrafx.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {
constexpr int kWidth = 1029;
constexpr int kHeight = 25;
const TColor kLight = RGB(240, 240, 240);
const TColor kDark = RGB(200, 200, 200);

void GradientFill(benchmark::State& state, int direction, TCopyMode mode = cmSrcCopy)
{
    TBitmap target(kWidth, kHeight);
    target.Canvas().SetCopyMode(mode);
    for (auto _ : state) {
        PaintGradientFill(target.Canvas(), {0, 0, kWidth, kHeight}, direction, kLight, kDark, 1);
        benchmark::DoNotOptimize(target.Image().constBits());
    }
}

void QtLinearGradient(benchmark::State& state, bool vertical)
{
    QImage target(kWidth, kHeight, QImage::Format_RGB32);
    QLinearGradient gradient(0, 0, vertical ? 0 : kWidth, vertical ? kHeight : 0);
    gradient.setColorAt(0, ToQColor(kLight));
    gradient.setColorAt(1, ToQColor(kDark));
    for (auto _ : state) {
        QPainter p(&target);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(QRect(0, 0, kWidth, kHeight), gradient);
        p.end();
        benchmark::DoNotOptimize(target.constBits());
    }
}

void BM_PaintGradientFill_Vertical(benchmark::State& state) { GradientFill(state, gdVertical); }
void BM_QLinearGradient_Vertical(benchmark::State& state) { QtLinearGradient(state, true); }
void BM_PaintGradientFill_Horizontal(benchmark::State& state) { GradientFill(state, gdHorizontal); }
void BM_QLinearGradient_Horizontal(benchmark::State& state) { QtLinearGradient(state, false); }
// A combining copy mode takes the work-bitmap route (strip, doubling copies, block copy).
void BM_PaintGradientFill_Vertical_WorkBitmap(benchmark::State& state) { GradientFill(state, gdVertical, cmSrcPaint); }
}

BENCHMARK(BM_PaintGradientFill_Vertical);
BENCHMARK(BM_QLinearGradient_Vertical);
BENCHMARK(BM_PaintGradientFill_Horizontal);
BENCHMARK(BM_QLinearGradient_Horizontal);
BENCHMARK(BM_PaintGradientFill_Vertical_WorkBitmap);
BENCHMARK_MAIN();
