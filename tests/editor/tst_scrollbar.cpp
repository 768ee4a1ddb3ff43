#include "CodePaneLayout.h"
#include "EditorTestSupport.h"
#include "ScrollBar.h"
#include "TestMain.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetrics>
#include <QTextLayout>

#include <cmath>

using namespace editor_test;

namespace {

// Lines as the pane itself shows them.
int PaneLines(QTextEdit& pane)
{
    const auto* layout = qobject_cast<const TCodePaneLayout*>(pane.document()->documentLayout());
    int lines = 0;
    for (QTextBlock block = pane.document()->begin(); block.isValid(); block = block.next()) {
        if (!block.next().isValid() && block.length() <= 1)
            break;
        if (!layout) {
            pane.document()->documentLayout()->blockBoundingRect(block);   // lays the block out
            lines += block.layout()->lineCount();
            continue;
        }
        for (int position = block.position();;) {
            TCodePaneLayout::TLine line;
            if (!layout->LineAt(position, line))
                break;
            ++lines;
            if (line.LastOfBlock || line.End <= position)
                break;
            position = line.End;
        }
    }
    return lines;
}

int Height(const QTextEdit& pane)
{
    return QFontMetrics(pane.font()).size(0, QStringLiteral("好")).height();
}

QString Lines(int n)
{
    QStringList lines;
    for (int i = 0; i < n; ++i)
        lines << QStringLiteral("<p>%1</p>").arg(i);
    return lines.join(u'\n');
}

} // namespace

class TestScrollBar : public QObject {
    Q_OBJECT
private slots:
    void countsLinesAsThePaneShowsThem()
    {
        auto pane = MakePane(420, 300);
        pane->show();
        QVERIFY(QTest::qWaitForWindowExposed(pane.get()));
        const QStringList texts{
            QString(),
            QStringLiteral("one"),
            QStringLiteral("one\n"),
            QStringLiteral("one\n\n"),
            QStringLiteral("\n\nthree"),
            QStringLiteral("a\u2028b"),
            MakeFragment(3000, 7),                                // one long wrapped line
            MakeFragment(9000, 8) + "\n" + Lines(20),             // a block longer than one prefix
            QStringLiteral("新品上市包邮限时折扣").repeated(60),  // Chinese wraps anywhere
            QString(9000, u'x'),                                  // one word longer than many lines
        };
        for (const QString& text : texts) {
            pane->setPlainText(text);
            const int expected = PaneLines(*pane);
            QCOMPARE(CountDisplayedLines(*pane->document(), CodePaneLineWidth(*pane), 100000), expected);
        }
    }

    void countStopsAtTheLimit()
    {
        auto pane = MakePane(420, 300);
        pane->setPlainText(MakeFragment(200000, 9));   // one line, thousands of displayed lines
        QCOMPARE(CountDisplayedLines(*pane->document(), CodePaneLineWidth(*pane), 25), 25);
        pane->setPlainText(Lines(5000));
        QCOMPARE(CountDisplayedLines(*pane->document(), CodePaneLineWidth(*pane), 25), 25);
        QCOMPARE(CountDisplayedLines(*pane->document(), CodePaneLineWidth(*pane), 0), 0);
        // No wrapping: only hard line breaks count.
        pane->setLineWrapMode(QTextEdit::NoWrap);
        pane->setPlainText(QString(5000, u'x') + QChar(QChar::LineSeparator) + "y\nz");
        QCOMPARE(CountDisplayedLines(*pane->document(), CodePaneLineWidth(*pane), 100), 3);
    }

    void scrollBarComesAndGoesAtTheThreshold()
    {
        auto pane = MakePane(600, 300);
        pane->show();
        QVERIFY(QTest::qWaitForWindowExposed(pane.get()));
        const int h = Height(*pane);
        // The largest n with h * (n + 1) < height.
        const int fits = int(std::ceil(double(pane->height()) / h)) - 2;
        QVERIFY(fits > 2);

        pane->setPlainText(Lines(fits));
        UpdateCodePaneScrollBar(*pane);
        QCOMPARE(pane->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

        pane->setPlainText(Lines(fits) + "\n");   // an empty last line does not count
        UpdateCodePaneScrollBar(*pane);
        QCOMPARE(pane->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

        pane->setPlainText(Lines(fits + 1));
        UpdateCodePaneScrollBar(*pane);
        QCOMPARE(pane->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

        pane->setPlainText(Lines(fits));
        UpdateCodePaneScrollBar(*pane);
        QCOMPARE(pane->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

        // Wrapped lines count: one hard line long enough to wrap past the limit.
        pane->setPlainText(QStringLiteral("word ").repeated(2000));
        UpdateCodePaneScrollBar(*pane);
        QCOMPARE(pane->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

        pane->clear();
        UpdateCodePaneScrollBar(*pane);
        QCOMPARE(pane->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    }

    void largerFontMeansFewerLinesFit()
    {
        auto pane = MakePane(600, 300);
        const int fits = int(std::ceil(double(pane->height()) / Height(*pane))) - 2;
        pane->setPlainText(Lines(fits));
        UpdateCodePaneScrollBar(*pane);
        QCOMPARE(pane->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QFont big = pane->font();
        big.setPixelSize(32);
        pane->setFont(big);
        UpdateCodePaneScrollBar(*pane);
        QCOMPARE(pane->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    }
};

RAVIK_TEST(TestScrollBar)
#include "tst_scrollbar.moc"
