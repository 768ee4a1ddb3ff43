// Formatting for reading on one-line storefront fragments (Fragments.h:
// about 100 KB, 1 MB, 4 MB and, for the plain passes, 10 MB), and
// replace-all on the 1 MB one.
//
//   BreakIntoLines    the twelve line-breaking passes, plain C++
//   FindColourRuns    the seven whole-word scans over the broken text
//   FormatInPane      the whole "格式阅读" command on a shown code pane:
//                     read, break, set, colour, select all (which has the
//                     pane lay out the whole document before it returns)
//   ShowFormatted     the floor under FormatInPane: the already broken text
//                     set into the same pane and selected, which the pane
//                     costs whatever the formatting does
//   ReplaceAllInPane  "全部替换" of "</a>" by "</a> " on the 1 MB fragment in
//                     a shown pane, message box answered at once
//   ShowReplaced      its floor: the already replaced text set into the
//                     same pane
//   ReplaceEvery      the replacement alone, plain C++
//
// And the main window itself, on the 10 MB fragment:
//   FormatInWindow/1  "格式阅读" clicked on the pasted one-line fragment
//   FormatInWindow/2  clicked once more on the result: every blank line the
//                     first run made is kept, so twice the lines
//   PageSwitch        "实时预览" and back to the code after an edit, the
//                     formatted 10 MB in the pane: each switch composes the
//                     page, fills the page buffer, writes the cache page and
//                     has the browser load it
// Peak memory: run one of them alone under /usr/bin/time -v.
//
//   bench_format [--benchmark_filter=...]
#include "EditorCommands.h"
#include "FindReplace.h"
#include "Formatting.h"
#include "Fragments.h"
#include "PlainText.h"
#include "Startup.h"
#include "Unitravik.h"
#include "WorkingDir.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTextEdit>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// Message boxes answered at once, so the benchmark never waits.
class SilentDialogs : public TDialogs {
public:
    void ShowMessage(QWidget*, const QString&, const QString&, TMsgIcon) override {}
    bool ExecuteSave(QWidget*, const TSaveRequest&, QString&) override { return false; }
    bool ExecuteFont(QWidget*, TFontChoice&) override { return false; }
    bool ExecuteDialog(QDialog&) override { return false; }
};

const qsizetype kFragments[] = {Fragment100K, Fragment1M, Fragment4M, Fragment10M};

// The main window shown, working in a folder of its own that has the
// "files" folder the cache page goes into.
struct ShownWindow {
    WorkingDir folder;
    Tfrmravik window;

    ShownWindow()
    {
        window.show();
        if (!QTest::qWaitForWindowExposed(&window, 30000))
            qFatal("window not exposed");
    }
};

// A code pane the size the main window gives it, in its font.
std::unique_ptr<QTextEdit> MakePane()
{
    auto pane = std::make_unique<QTextEdit>();
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(16);
    SetCodePaneFont(*pane, font);
    pane->setLineWrapMode(QTextEdit::WidgetWidth);
    pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pane->resize(1027, 562);
    pane->show();
    return pane;
}

void BM_BreakIntoLines(benchmark::State& state)
{
    const QString& text = Fragment(kFragments[state.range(0)]);
    for (auto _ : state)
        benchmark::DoNotOptimize(BreakIntoLines(text));
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size() * 2);
}

void BM_FindColourRuns(benchmark::State& state)
{
    QString raw = BreakIntoLines(Fragment(kFragments[state.range(0)]));
    raw.replace(u'\r', QChar::ParagraphSeparator);
    qsizetype runs = 0;
    for (auto _ : state) {
        const QList<TColourRun> found = FindColourRuns(raw);
        runs = found.size();
        benchmark::DoNotOptimize(found.constData());
    }
    state.counters["runs"] = double(runs);
}

void BM_FormatInPane(benchmark::State& state)
{
    const QString& text = Fragment(kFragments[state.range(0)]);
    auto pane = MakePane();
    for (auto _ : state) {
        state.PauseTiming();
        pane->setPlainText(text);
        QApplication::processEvents();
        state.ResumeTiming();
        FormatForReading(*pane);
    }
    state.counters["lines"] = pane->document()->blockCount();
}

void BM_ShowFormatted(benchmark::State& state)
{
    const QString broken = BreakIntoLines(Fragment(kFragments[state.range(0)]));
    auto pane = MakePane();
    for (auto _ : state) {
        state.PauseTiming();
        pane->clear();
        QApplication::processEvents();
        state.ResumeTiming();
        SetCodePaneText(*pane, broken);
        pane->selectAll();
    }
}

void BM_ReplaceAllInPane(benchmark::State& state)
{
    SilentDialogs dialogs;
    TDialogs::SetInstance(&dialogs);
    const QString& text = Fragment(Fragment1M);
    auto pane = MakePane();
    qsizetype count = 0;
    ReplaceEvery(text, u"</a>", u"</a> ", &count);
    for (auto _ : state) {
        state.PauseTiming();
        pane->setPlainText(text);
        QApplication::processEvents();
        state.ResumeTiming();
        ReplaceAllInCodePane(*pane, QStringLiteral("</a>"), QStringLiteral("</a> "));
        QApplication::processEvents();   // the pane lays out and paints what shows
    }
    state.counters["replaced"] = double(count);
    TDialogs::SetInstance(nullptr);
}

void BM_ShowReplaced(benchmark::State& state)
{
    const QString replaced = ReplaceEvery(Fragment(Fragment1M), u"</a>", u"</a> ");
    auto pane = MakePane();
    for (auto _ : state) {
        state.PauseTiming();
        pane->clear();
        QApplication::processEvents();
        state.ResumeTiming();
        SetCodePaneText(*pane, replaced);
        QApplication::processEvents();   // the pane lays out and paints what shows
    }
}

void BM_ReplaceEvery(benchmark::State& state)
{
    const QString& text = Fragment(Fragment1M);
    for (auto _ : state)
        benchmark::DoNotOptimize(ReplaceEvery(text, u"</a>", u"</a> "));
}

void BM_FormatInWindow(benchmark::State& state)
{
    SilentDialogs dialogs;
    TDialogs::SetInstance(&dialogs);
    ShownWindow shown;
    Tfrmravik& w = shown.window;
    for (auto _ : state) {
        state.PauseTiming();
        SetCodePaneText(*w.redt1, Fragment(Fragment10M));
        for (int run = 1; run < state.range(0); ++run)
            w.vmbtbtn6->Click();
        QApplication::processEvents();
        state.ResumeTiming();
        w.vmbtbtn6->Click();
        QApplication::processEvents();   // the pane paints what shows
    }
    state.counters["lines"] = w.redt1->document()->blockCount();
    TDialogs::SetInstance(nullptr);
}

void BM_PageSwitch(benchmark::State& state)
{
    SilentDialogs dialogs;
    TDialogs::SetInstance(&dialogs);
    ShownWindow shown;
    Tfrmravik& w = shown.window;
    SetCodePaneText(*w.redt1, Fragment(Fragment10M));
    w.vmbtbtn6->Click();
    // The first switch starts the embedded browser: not what is measured.
    w.vmpgcntrl1->SetActivePage(w.vmtbshtTabSheet2);
    w.vmpgcntrl1->SetActivePage(w.vmtbshtTabSheet1);
    QApplication::processEvents();
    for (auto _ : state) {
        state.PauseTiming();
        QTextCursor end(w.redt1->document());   // an edit since the last look
        end.movePosition(QTextCursor::End);
        end.insertText(QStringLiteral(" "));
        state.ResumeTiming();
        w.vmpgcntrl1->SetActivePage(w.vmtbshtTabSheet2);
        QApplication::processEvents();
        w.vmpgcntrl1->SetActivePage(w.vmtbshtTabSheet1);
        QApplication::processEvents();
    }
    TDialogs::SetInstance(nullptr);
}

} // namespace

BENCHMARK(BM_BreakIntoLines)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindColourRuns)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormatInPane)->DenseRange(0, 2)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowFormatted)->DenseRange(0, 2)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplaceEvery)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplaceAllInPane)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowReplaced)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormatInWindow)->DenseRange(1, 2)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PageSwitch)->Iterations(3)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    PrepareProcess();
    QApplication app(argc, argv);
    RegisterFontSubstitutions();   // the window's fonts, as the program has them
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
