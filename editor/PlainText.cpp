#include "PlainText.h"

#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

QString PlainFromRaw(QStringView raw, QStringView lineBreak)
{
    QString text;
    text.reserve(raw.size() + raw.size() / 16);
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) {
            text.append(raw.mid(runStart, i - runStart));
            text.append(lineBreak);
            runStart = i + 1;
        }
    }
    text.append(raw.mid(runStart));
    return text;
}

QString CodePaneText(const QTextDocument& document)
{
    return PlainFromRaw(document.toRawText(), u"\r\n");
}

int DocumentPosition(QStringView codePaneText, qsizetype position)
{
    position = qBound<qsizetype>(0, position, codePaneText.size());
    // Every LF in the pane's text is the second half of a line break: the
    // document cannot hold a bare CR or LF (inserting one makes a break).
    qsizetype extra = codePaneText.first(position).count(u'\n');
    if (position < codePaneText.size() && codePaneText[position] == u'\n')
        ++extra;
    return int(position - extra);
}

void ClearInsertionFormat(QTextEdit& pane)
{
    // With a selection, setCurrentCharFormat() would reformat every selected
    // character (seconds on a large document, and an undo step); at the
    // start with nothing selected it only sets what the next text takes.
    pane.moveCursor(QTextCursor::Start);
    pane.setCurrentCharFormat(QTextCharFormat());
}

void SetCodePaneText(QTextEdit& pane, const QString& text)
{
    ClearInsertionFormat(pane);
    pane.setPlainText(text);
    pane.moveCursor(QTextCursor::Start);
}
