#pragma once
// The code pane's text as the rest of the program sees it: every character
// the document holds, with each line break written as CR LF.
#include <QString>

class QTextDocument;

// QTextDocument::toPlainText() is lossy (it turns U+00A0 into a space), so
// this reads the raw text and only rewrites the paragraph and line
// separators (U+2029, U+2028) as CR LF.
QString CodePaneText(const QTextDocument& document);
