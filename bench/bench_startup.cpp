// Start-up until the main window is shown, against a bare Qt window of the
// same size, in the same run.
//
//   bench_startup [rounds]
// 1. Whole start-up: this program starts itself as a child, once as the
//    editor (process settings, application object, translations and fonts,
//    the window with all its controls, shown and exposed) and once as a bare
//    QWidget of 1116 x 591; the time runs from starting the child to the
//    child's window being exposed. Both children are this same executable,
//    so both load the same libraries.
// 2. The window alone, in this process: building and showing Tfrmravik
//    against building and showing a bare QWidget (the first of each is the
//    cold one).
#include "StartupChild.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {
using startup_child::Child;

double StartChild(const QString& program, const char* mode)
{
    return startup_child::StartChildMs(program, mode);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

template <class Make>
double ShowWindow(Make make)
{
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<QWidget> w = make();
    if (!startup_child::ShowAndWaitExposed(*w))
        return -1;
    const double ms = timer.nsecsElapsed() / 1e6;
    w.reset();
    QCoreApplication::processEvents();
    return ms;
}
}

int main(int argc, char** argv)
{
    if (argc >= 3 && qstrcmp(argv[1], "--child") == 0)
        return Child(argc, argv, qstrcmp(argv[2], "editor") == 0);

    const int rounds = argc > 1 ? std::max(3, atoi(argv[1])) : 31;
    PrepareProcess();
    TApplication app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();

    std::vector<double> editor, bare;
    for (int i = 0; i < rounds; ++i) {
        // Alternate which goes first so neither always finds warmer caches.
        if (i % 2) {
            bare.push_back(StartChild(self, "bare"));
            editor.push_back(StartChild(self, "editor"));
        } else {
            editor.push_back(StartChild(self, "editor"));
            bare.push_back(StartChild(self, "bare"));
        }
    }

    QElapsedTimer init;
    init.start();
    InitialiseApplication(app);
    const double initMs = init.nsecsElapsed() / 1e6;

    std::vector<double> window, plain;
    for (int i = 0; i < rounds; ++i) {
        window.push_back(ShowWindow([] { return std::make_unique<Tfrmravik>(); }));
        plain.push_back(ShowWindow([] {
            auto w = std::make_unique<QWidget>();
            w->resize(1116, 591);
            return w;
        }));
    }

    std::printf("platform %s, %d rounds, medians\n", qPrintable(QGuiApplication::platformName()), rounds);
    // Each round's two runs follow each other, so their ratio is the least
    // touched by load that comes and goes over the rounds.
    std::vector<double> ratios;
    for (size_t i = 0; i < editor.size(); ++i)
        if (editor[i] > 0 && bare[i] > 0)
            ratios.push_back(editor[i] / bare[i]);
    std::printf("editor start-up: %.2f ms\n", Median(editor));
    std::printf("bare window start-up: %.2f ms\n", Median(bare));
    std::printf("editor / bare, median of the rounds' ratios: %.3f\n", Median(ratios));
    std::printf("translations, fonts, formats (once): %.2f ms\n", initMs);
    std::printf("editor window, first: %.2f ms\n", window.front());
    std::printf("editor window, again: %.2f ms\n", Median({window.begin() + 1, window.end()}));
    std::printf("bare window, first: %.2f ms\n", plain.front());
    std::printf("bare window, again: %.2f ms\n", Median({plain.begin() + 1, plain.end()}));
    return 0;
}
