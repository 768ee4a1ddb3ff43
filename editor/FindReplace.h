#pragma once
// Find and replace over the code pane's plain text.
#include <QString>
#include <QStringView>

class QTextEdit;

// Every occurrence of `find` replaced by `replacement`, scanning left to
// right and going on after each replacement, so inserted text is never
// searched again. Case-sensitive. An empty `find` changes nothing. One pass:
// the cost grows with the text, not with the number of occurrences.
// `count`, when given, receives the number of replacements.
QString ReplaceEvery(QStringView text, QStringView find, QStringView replacement,
                     qsizetype* count = nullptr);

// Selects the first case-sensitive occurrence of `findText` in the pane,
// counting from the start of the text, and gives the pane the focus;
// otherwise shows "找不到". An empty find text is never found. A line break
// in the find text, of whatever kind, stands for one line break of the pane,
// here and in replace-all alike.
void FindInCodePane(QTextEdit& pane, const QString& findText);

// Replaces every occurrence and sets the result as the pane's whole text
// (plain: colours go, the caret goes to the start), then shows "替换完毕！";
// "木有要替换的" when there is nothing to replace.
void ReplaceAllInCodePane(QTextEdit& pane, const QString& findText, const QString& replacement);
