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
//   Keystroke/ShortLine   the same in a line of 2 KB, the comparison for both
//   SpaceKey/OneLine, Backspace/OneLine   those keys in the one line
//   SpaceKey/Formatted    the space key: four spaces, then the key's own
//   ScrollBarCheck/...    only UpdateCodePaneScrollBar
//
//   bench_editing [--benchmark_filter=...]
#include "CodePane.h"
#include "CodePaneLayout.h"
#include "EditorCommands.h"
#include "Formatting.h"
#include "Fragments.h"
#include "ScrollBar.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTextEdit>
#include <QtTest/QTest>

#include <benchmark/benchmark.h>

namespace {

// The code pane as the main window has it: its size and font, the
// scroll-bar rule after every change, the space key handled on key-down.
class Pane : public QObject {
public:
    Pane(const QString& text, bool formatted)
    {
        QFont font(QStringLiteral("宋体"));
        font.setPixelSize(16);
        SetCodePaneFont(edit, font);
        edit.setLineWrapMode(QTextEdit::WidgetWidth);
        edit.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        edit.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        edit.resize(1027, 562);
        edit.show();
        edit.setPlainText(text);
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

// The start of the 1 MB fragment, a line as short as a small module's.
QString ShortLine() { return Fragment(Fragment1M).left(2048); }

void Keystroke(benchmark::State& state, bool formatted, Qt::Key key, const QString& text = Fragment(Fragment1M))
{
    Pane pane(text, formatted);
    for (auto _ : state) {
        QTest::keyClick(&pane.edit, key);
        QApplication::processEvents();   // the repaint the key asked for
    }
}

void BM_Keystroke_Formatted(benchmark::State& state) { Keystroke(state, true, Qt::Key_A); }
void BM_Keystroke_OneLine(benchmark::State& state) { Keystroke(state, false, Qt::Key_A); }
void BM_Keystroke_ShortLine(benchmark::State& state) { Keystroke(state, false, Qt::Key_A, ShortLine()); }
void BM_SpaceKey_Formatted(benchmark::State& state) { Keystroke(state, true, Qt::Key_Space); }
void BM_SpaceKey_OneLine(benchmark::State& state) { Keystroke(state, false, Qt::Key_Space); }
void BM_Backspace_OneLine(benchmark::State& state) { Keystroke(state, false, Qt::Key_Backspace); }

void ScrollBarCheck(benchmark::State& state, bool formatted)
{
    Pane pane(Fragment(Fragment1M), formatted);
    for (auto _ : state)
        UpdateCodePaneScrollBar(pane.edit);
}

void BM_ScrollBarCheck_Formatted(benchmark::State& state) { ScrollBarCheck(state, true); }
void BM_ScrollBarCheck_OneLine(benchmark::State& state) { ScrollBarCheck(state, false); }

} // namespace

BENCHMARK(BM_Keystroke_Formatted)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SpaceKey_Formatted)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Keystroke_OneLine)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Keystroke_ShortLine)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SpaceKey_OneLine)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Backspace_OneLine)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ScrollBarCheck_Formatted)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScrollBarCheck_OneLine)->Unit(benchmark::kMicrosecond);

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
