// One paint of a 75 x 25 hot-tracking push button with a caption, in each of
// its looks, against a QPushButton of the same size and caption painted by
// Qt's Fusion style. Both draw into a 32-bit image of the button's size.
//
// Ours: a full paint pass (the transparent button's erase, which replays the
// parent's background, then the face, caption and focus dots) into the
// button's off-screen image. Qt's: QWidget::render of the whole button (its
// paint event), and the style's push-button element drawn directly.
//
//   bench_button [--benchmark_filter=...]
#include "Forms.h"
#include "VmButton.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>

#include <benchmark/benchmark.h>

#include <memory>

namespace {
const QString kCaption = QStringLiteral("全部替换");

enum Look { Normal, Hot, Pressed, Disabled };

void VmButtonPaint(benchmark::State& state, Look look)
{
    TForm form;
    form.SetBounds(0, 0, 200, 100);
    TVmButton button(&form, &form);
    button.SetBounds(10, 10, 75, 25);
    button.SetHotTrack(true);
    button.SetCaption(kCaption);
    if (look == Hot)
        button.CMMouseEnter();
    if (look == Disabled)
        button.SetEnabled(false);
    if (look == Pressed) {
        // Space pressed: the pressed look without a mouse.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QApplication::sendEvent(&button, &press);
    }
    for (auto _ : state) {
        button.Invalidate();
        button.PaintToImage();
        benchmark::DoNotOptimize(button.Image().constBits());
    }
}

struct FusionButton {
    std::unique_ptr<QStyle> style{QStyleFactory::create(QStringLiteral("Fusion"))};
    QPushButton button{kCaption};
    QImage image{75, 25, QImage::Format_ARGB32_Premultiplied};
    FusionButton(bool hot)
    {
        button.setStyle(style.get());
        button.resize(75, 25);
        button.setAttribute(Qt::WA_UnderMouse, hot);
    }
};

void FusionRender(benchmark::State& state, bool hot)
{
    FusionButton b(hot);
    for (auto _ : state) {
        b.button.render(&b.image);
        benchmark::DoNotOptimize(b.image.constBits());
    }
}

void FusionDrawControl(benchmark::State& state, bool hot)
{
    FusionButton b(hot);
    QStyleOptionButton option;
    option.initFrom(&b.button);
    option.text = kCaption;
    option.rect = QRect(0, 0, 75, 25);
    if (hot)
        option.state |= QStyle::State_MouseOver;
    for (auto _ : state) {
        QPainter p(&b.image);
        b.style->drawControl(QStyle::CE_PushButton, &option, &p, &b.button);
        p.end();
        benchmark::DoNotOptimize(b.image.constBits());
    }
}

void BM_VmButton_Normal(benchmark::State& state) { VmButtonPaint(state, Normal); }
void BM_VmButton_Hot(benchmark::State& state) { VmButtonPaint(state, Hot); }
void BM_VmButton_Pressed(benchmark::State& state) { VmButtonPaint(state, Pressed); }
void BM_VmButton_Disabled(benchmark::State& state) { VmButtonPaint(state, Disabled); }
void BM_QPushButtonFusion_Render(benchmark::State& state) { FusionRender(state, false); }
void BM_QPushButtonFusion_RenderHot(benchmark::State& state) { FusionRender(state, true); }
void BM_QPushButtonFusion_DrawControl(benchmark::State& state) { FusionDrawControl(state, false); }
void BM_QPushButtonFusion_DrawControlHot(benchmark::State& state) { FusionDrawControl(state, true); }
} // namespace

BENCHMARK(BM_VmButton_Normal);
BENCHMARK(BM_VmButton_Hot);
BENCHMARK(BM_VmButton_Pressed);
BENCHMARK(BM_VmButton_Disabled);
BENCHMARK(BM_QPushButtonFusion_Render);
BENCHMARK(BM_QPushButtonFusion_RenderHot);
BENCHMARK(BM_QPushButtonFusion_DrawControl);
BENCHMARK(BM_QPushButtonFusion_DrawControlHot);

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
