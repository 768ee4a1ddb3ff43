#pragma once
// The code pane's vertical scroll bar: shown only when the text would not fit.
//
// With h the height of "好" in the pane's font and n the lines the pane shows
// (a wrapped line counts once per displayed line, an empty last line not at
// all), the pane has no scroll bar while h * (n + 1) is less than its height.
// This runs after every keystroke, so the count stops as soon as the answer
// is known: only the lines that fit into the pane's height are ever laid out,
// however long the document is.
#include <QtGlobal>

class QTextDocument;
class QTextEdit;

// Lines shown for the document at the given line width (<= 0: no wrapping),
// counted from the top but never beyond `limit`: the result is the exact
// count when that is below `limit`, otherwise `limit`.
int CountDisplayedLines(const QTextDocument& document, qreal lineWidth, int limit);

// The width the pane gives each line of its text.
qreal CodePaneLineWidth(const QTextEdit& pane);

bool CodePaneNeedsScrollBar(const QTextEdit& pane);

// Switches the vertical scroll bar on or off by the rule above, touching the
// pane only when the setting changes.
void UpdateCodePaneScrollBar(QTextEdit& pane);
