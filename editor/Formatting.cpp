#include "Formatting.h"

#include "FindReplace.h"
#include "PlainText.h"
#include "WordSearch.h"

#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <array>

std::span<const TLineBreakPass> LineBreakPasses()
{
    static const std::array<TLineBreakPass, 12> passes{{
        {QStringLiteral("<div"), QStringLiteral("\r<div")},
        {QStringLiteral("</div>"), QStringLiteral("\r</div>\r")},
        {QStringLiteral("<a"), QStringLiteral("\r    <a")},
        {QStringLiteral("</a>"), QStringLiteral("</a>\r")},
        {QStringLiteral("<table"), QStringLiteral("\r  <table")},
        {QStringLiteral("</table>"), QStringLiteral("  </table>\r")},
        {QStringLiteral("<img"), QStringLiteral("\r      <img")},
        {QStringLiteral("/>"), QStringLiteral("/>\r")},
        {QStringLiteral("<ul"), QStringLiteral("\r    <ul")},
        {QStringLiteral("</ul>"), QStringLiteral("\r    </ul>\r")},
        {QStringLiteral("<li"), QStringLiteral("\r      <li")},
        {QStringLiteral("</li>"), QStringLiteral("\r      </li>\r")},
    }};
    return passes;
}

std::span<const TColourPass> ColourPasses()
{
    static const std::array<TColourPass, 7> passes{{
        {QStringLiteral("<div"), QColor(255, 0, 0)},
        {QStringLiteral("</div>"), QColor(255, 0, 0)},
        {QStringLiteral("src="), QColor(255, 0, 255)},
        {QStringLiteral("style="), QColor(0, 200, 200)},
        {QStringLiteral("href="), QColor(0, 0, 255)},
        {QStringLiteral("<li"), QColor(255, 150, 0)},
        {QStringLiteral("</li>"), QColor(255, 150, 0)},
    }};
    return passes;
}

QString BreakIntoLines(QStringView text)
{
    QString result = text.toString();
    for (const TLineBreakPass& pass : LineBreakPasses())
        result = ReplaceEvery(result, pass.find, pass.replace);
    return result;
}

QList<TColourRun> FindColourRuns(QStringView rawText)
{
    QList<TColourRun> runs;
    for (const TColourPass& pass : ColourPasses()) {
        const qsizetype length = pass.token.size();
        for (qsizetype at = FindWholeWord(rawText, pass.token, 0); at >= 0;
             at = FindWholeWord(rawText, pass.token, at + length))
            runs.append({int(at), int(length), pass.colour});
    }
    return runs;
}

void ApplyColourRuns(QTextDocument& document, const QList<TColourRun>& runs)
{
    if (runs.isEmpty())
        return;
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    QTextCharFormat format;
    for (const TColourRun& run : runs) {
        cursor.setPosition(run.position);
        cursor.setPosition(run.position + run.length, QTextCursor::KeepAnchor);
        format.setForeground(run.colour);
        cursor.mergeCharFormat(format);
    }
    cursor.endEditBlock();
    document.setUndoRedoEnabled(undo);
}

void FormatForReading(QTextEdit& pane)
{
    SetCodePaneText(pane, BreakIntoLines(CodePaneText(*pane.document())), [](QTextDocument& document) {
        ApplyColourRuns(document, FindColourRuns(document.toRawText()));
    });
    pane.selectAll();
    pane.setFocus();
}
