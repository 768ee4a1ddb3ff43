// Typing into a 1 MB document: the cost of one keystroke in the code pane,
// with the scroll-bar rule wired to every text change as the main window
// has it, and the rule on its own.
//
//   Keystroke/Formatted   a letter typed in the middle of the 1 MB fragment
//                         after formatting (about 20,000 lines): the key
//                         event, the pane's insertion and relayout, the
//                         scroll-bar check, and the paint that follows
//   Keystroke/OneLine     the same in the unformatted fragment, one line of
//                         1 MB, which the pane lays out in runs of lines
//   SpaceKey/OneLine, Backspace/OneLine   those keys in the one line
//   SpaceKey/Formatted    the space key: four spaces, then the key's own
//   ScrollBarCheck/...    only UpdateCodePaneScrollBar
//
//   bench_editing [fragment folder] [--benchmark_filter=...]
#include "CodePane.h"
#include "CodePaneLayout.h"
#include "EditorCommands.h"
#include "Fragments.h"
#include "Formatting.h"
#include "ScrollBar.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTextEdit>
#include <QtTest/QTest>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

QString g_folder;

// The code pane as the main window has it: its size and font, the
// scroll-bar rule after every change, the space key handled on key-down.
class Pane : public QObject {
public:
    Pane(bool formatted)
    {
        QFile file(g_folder + QStringLiteral("/frag_1m.html"));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(file.fileName()));
        QFont font(QStringLiteral("宋体"));
        font.setPixelSize(16);
        SetCodePaneFont(edit, font);
        edit.setLineWrapMode(QTextEdit::WidgetWidth);
        edit.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        edit.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        edit.resize(1027, 562);
        edit.show();
        edit.setPlainText(QString::fromUtf8(file.readAll()));
        if (formatted)
            FormatForReading(edit);
        QObject::connect(&edit, &QTextEdit::textChanged, [this] { UpdateCodePaneScrollBar(edit); });
        edit.installEventFilter(this);
        UpdateCodePaneScrollBar(edit);
        QTextCursor middle(edit.document());
        middle.setPosition(edit.document()->characterCount() / 2);
        edit.setTextCursor(middle);
        edit.setFocus();
        Settle();
    }
    // Lets the pane finish its lazy layout and first paints.
    void Settle() { QTest::qWait(1000); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress)
            CodePaneKeyDown(edit, static_cast<QKeyEvent*>(event)->key());
        return false;
    }
    TCodePane edit;
};

void Keystroke(benchmark::State& state, bool formatted, Qt::Key key)
{
    Pane pane(formatted);
    for (auto _ : state) {
        QTest::keyClick(&pane.edit, key);
        QApplication::processEvents();   // the repaint the key asked for
    }
}

void BM_Keystroke_Formatted(benchmark::State& state) { Keystroke(state, true, Qt::Key_A); }
void BM_Keystroke_OneLine(benchmark::State& state) { Keystroke(state, false, Qt::Key_A); }
void BM_SpaceKey_Formatted(benchmark::State& state) { Keystroke(state, true, Qt::Key_Space); }
void BM_SpaceKey_OneLine(benchmark::State& state) { Keystroke(state, false, Qt::Key_Space); }
void BM_Backspace_OneLine(benchmark::State& state) { Keystroke(state, false, Qt::Key_Backspace); }

void ScrollBarCheck(benchmark::State& state, bool formatted)
{
    Pane pane(formatted);
    for (auto _ : state)
        UpdateCodePaneScrollBar(pane.edit);
}

void BM_ScrollBarCheck_Formatted(benchmark::State& state) { ScrollBarCheck(state, true); }
void BM_ScrollBarCheck_OneLine(benchmark::State& state) { ScrollBarCheck(state, false); }

} // namespace

BENCHMARK(BM_Keystroke_Formatted)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SpaceKey_Formatted)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Keystroke_OneLine)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SpaceKey_OneLine)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Backspace_OneLine)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ScrollBarCheck_Formatted)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScrollBarCheck_OneLine)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    g_folder = argc > 1 && argv[1][0] != '-' ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    if (!QFile::exists(g_folder + QStringLiteral("/frag_1m.html")) && !fragments::Make(g_folder)) {
        std::fprintf(stderr, "no fragments: pass their folder or install python3 and make-fragments.py\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
