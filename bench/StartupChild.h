#pragma once
// Process start-up timing shared by the start-up benchmarks. The benchmark
// starts itself as a child, either as the editor (process settings,
// application object, translations and fonts, the window with all its
// controls, shown and exposed) or as a bare QApplication with a QWidget of
// the same size; the child prints the monotonic time at which its window was
// exposed, so the parent measures from starting it to that moment.
#include "Application.h"
#include "Startup.h"
#include "Unitravik.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <ctime>

namespace startup_child {

inline qint64 MonotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Shows the window and returns as soon as the event that exposed it (and
// had it painted) has been handled; false after 30 s. QTest's waiting would
// add up to 10 ms of sleep to what is measured.
inline bool ShowAndWaitExposed(QWidget& window)
{
    window.show();
    QDeadlineTimer deadline(30000);
    QTimer wake;   // so the wait below returns even when nothing happens
    wake.start(100);
    while (!window.windowHandle() || !window.windowHandle()->isExposed()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

inline int ReportShown(QWidget& window)
{
    if (!ShowAndWaitExposed(window))
        return 2;
    std::printf("shown %lld\n", static_cast<long long>(MonotonicNs()));
    std::fflush(stdout);
    return 0;
}

// The child's whole life: `editor` picks the editor, otherwise the bare window.
inline int Child(int argc, char** argv, bool editor)
{
    if (editor) {
        PrepareProcess();
        TApplication app(argc, argv);
        InitialiseApplication(app);
        Tfrmravik window;
        return ReportShown(window);
    }
    QApplication app(argc, argv);
    QWidget window;
    window.resize(1116, 591);
    return ReportShown(window);
}

// Starts `program --child <mode>` and returns the milliseconds until its
// window was exposed, or -1 when the child failed or did not report.
inline double StartChildMs(const QString& program, const char* mode)
{
    QProcess child;
    const qint64 start = MonotonicNs();
    child.start(program, {QStringLiteral("--child"), QLatin1String(mode)});
    if (!child.waitForFinished(60000) || child.exitCode() != 0)
        return -1;
    const QByteArray out = child.readAllStandardOutput();
    const qsizetype at = out.indexOf("shown ");
    if (at < 0)
        return -1;
    return (out.mid(at + 6).trimmed().toLongLong() - start) / 1e6;
}

} // namespace startup_child
