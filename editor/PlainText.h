#pragma once
// The code pane's text as the rest of the program sees it: every character
// the document holds, with each line break written as CR LF.
#include <QString>
#include <QStringView>

class QTextDocument;
class QTextEdit;

// QTextDocument::toPlainText() is lossy (it turns U+00A0 into a space), so
// this reads the raw text and only rewrites the paragraph and line
// separators (U+2029, U+2028) as CR LF.
QString CodePaneText(const QTextDocument& document);

// Raw document text (as toRawText() gives it, or a slice of it) with every
// paragraph and line separator written as `lineBreak`.
QString PlainFromRaw(QStringView raw, QStringView lineBreak);

// Maps a position in CodePaneText() to the document position of the same
// character. The document holds a line break as one character where the
// CR LF text has two, so positions drift apart by one per earlier break;
// a position between the CR and the LF maps to the break itself.
int DocumentPosition(QStringView codePaneText, qsizetype position);

// Replaces the pane's whole text, taking "\r\n", "\r" and "\n" each as one
// line break. The new text carries no character formatting: QTextEdit's own
// setPlainText() would paint all of it in the format found at the caret
// (red, if the caret stood after a coloured tag). The caret goes to the start.
void SetCodePaneText(QTextEdit& pane, const QString& text);

// Moves the caret to the start and makes the text typed next carry no
// character formatting. The pane's text is not touched.
void ClearInsertionFormat(QTextEdit& pane);
