#include "ScrollBar.h"

#include <QFontMetrics>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QTextLayout>

#include <cmath>
#include <limits>

namespace {

// Lines that `text` wraps into, stopping once `limit` is reached.
int LinesOf(const QString& text, const QFont& font, const QTextOption& option, qreal width, int limit)
{
    QTextLayout layout(text, font);
    layout.setTextOption(option);
    layout.setCacheEnabled(false);
    int lines = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (++lines >= limit)
            break;
    }
    layout.endLayout();
    return lines;
}

// Lines of one block, up to `limit`. A long block is laid out by growing
// prefixes: once a prefix gives two lines more than needed, the lines before
// its last two cannot change with the rest of the text, so the limit is
// known to be reached.
int LinesOfBlock(const QTextBlock& block, const QFont& font, const QTextOption& option, qreal width,
                 int limit)
{
    const QString text = block.text();
    if (width <= 0) {
        // No wrapping: only forced line breaks inside the block add lines.
        return qMin<int>(limit, 1 + int(text.count(QChar::LineSeparator)));
    }
    qsizetype prefix = 4096;
    while (prefix < text.size()) {
        const int lines = LinesOf(text.first(prefix), font, option, width, limit + 2);
        if (lines >= limit + 2)
            return limit;
        prefix *= 4;
    }
    return qMax(1, LinesOf(text, font, option, width, limit));
}

} // namespace

int CountDisplayedLines(const QTextDocument& document, qreal lineWidth, int limit)
{
    if (limit <= 0)
        return 0;
    const QFont font = document.defaultFont();
    QTextOption option = document.defaultTextOption();
    int lines = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const bool emptyLast = !block.next().isValid() && block.length() <= 1;
        if (emptyLast)
            break;
        lines += LinesOfBlock(block, font, option, lineWidth, limit - lines);
        if (lines >= limit)
            return limit;
    }
    return lines;
}

qreal CodePaneLineWidth(const QTextEdit& pane)
{
    if (pane.lineWrapMode() == QTextEdit::NoWrap)
        return 0;
    const QTextDocument& document = *pane.document();
    qreal width = document.textWidth();
    if (width <= 0)
        width = pane.viewport()->width();
    const QTextFrameFormat root = document.rootFrame()->frameFormat();
    width -= root.leftMargin() + root.rightMargin() + 2 * (root.border() + root.padding());
    return qMax<qreal>(1, width);
}

bool CodePaneNeedsScrollBar(const QTextEdit& pane)
{
    const int h = QFontMetrics(pane.font()).size(0, QStringLiteral("好")).height();
    const int height = pane.height();
    if (h <= 0)
        return false;
    // h * (n + 1) < height  <=>  n < ceil(height / h) - 1
    const int limit = int(std::ceil(double(height) / h)) - 1;
    if (limit <= 0)
        return true;
    return CountDisplayedLines(*pane.document(), CodePaneLineWidth(pane), limit) >= limit;
}

void UpdateCodePaneScrollBar(QTextEdit& pane)
{
    const Qt::ScrollBarPolicy wanted =
        CodePaneNeedsScrollBar(pane) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    if (pane.verticalScrollBarPolicy() != wanted)
        pane.setVerticalScrollBarPolicy(wanted);
}
