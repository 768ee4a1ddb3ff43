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

void SelectCodePaneText(QTextEdit& pane, QStringView codePaneText, qsizetype from, qsizetype to)
{
    QTextCursor cursor(pane.document());
    cursor.setPosition(DocumentPosition(codePaneText, from));
    cursor.setPosition(DocumentPosition(codePaneText, to), QTextCursor::KeepAnchor);
    pane.setTextCursor(cursor);
    pane.setFocus();
}

void ClearInsertionFormat(QTextEdit& pane)
{
    // With a selection, setCurrentCharFormat() would reformat every selected
    // character (seconds on a large document, and an undo step); at the
    // start with nothing selected it only sets what the next text takes.
    pane.moveCursor(QTextCursor::Start);
    pane.setCurrentCharFormat(QTextCharFormat());
}

namespace {
constexpr char16_t FrameStart = 0xfdd0;
constexpr char16_t FrameEnd = 0xfdd1;
}

bool HoldsFrameMarker(QStringView text)
{
    return text.contains(QChar(FrameStart)) || text.contains(QChar(FrameEnd));
}

QString PaneSafeText(QString text)
{
    if (HoldsFrameMarker(text)) {
        text.replace(QChar(FrameStart), QChar::ReplacementCharacter);
        text.replace(QChar(FrameEnd), QChar::ReplacementCharacter);
    }
    return text;
}

QString WithCrLfBreaks(QStringView text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            result.append(u"\r\n");
        } else {
            result.append(c);
        }
    }
    return result;
}

void EditCodePane(QTextEdit& pane, QStringView codePaneText, const QList<TPaneEdit>& edits)
{
    if (edits.isEmpty())
        return;
    QTextCursor cursor(pane.document());
    cursor.beginEditBlock();
    // From the last: the positions of the earlier ones stay where they were.
    for (qsizetype i = edits.size(); i-- > 0;) {
        const TPaneEdit& e = edits[i];
        cursor.setPosition(DocumentPosition(codePaneText, e.From));
        cursor.setPosition(DocumentPosition(codePaneText, e.To), QTextCursor::KeepAnchor);
        cursor.insertText(PaneSafeText(e.Text), QTextCharFormat());
    }
    cursor.endEditBlock();
    pane.setTextCursor(cursor);
}

void SetCodePaneText(QTextEdit& pane, const QString& text, const std::function<void(QTextDocument&)>& decorate)
{
    ClearInsertionFormat(pane);
    if (!decorate) {
        // Qt's own way lets go of the old text before building the new.
        pane.setPlainText(PaneSafeText(text));
        pane.moveCursor(QTextCursor::Start);
        return;
    }
    QTextDocument& document = *pane.document();
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.insertText(PaneSafeText(text), QTextCharFormat());
    decorate(document);
    cursor.endEditBlock();
    document.setUndoRedoEnabled(undo);
    pane.moveCursor(QTextCursor::Start);
}
