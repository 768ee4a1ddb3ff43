#pragma once
// The code pane's text as the rest of the program sees it: every character
// the document holds, with each line break written as CR LF.
#include <QList>
#include <QString>
#include <QStringView>

#include <functional>

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

// `text` as the pane can hold it. QTextDocument takes U+FDD0 and U+FDD1 for
// its own frame markers and turns them into line breaks, which would then
// reach the preview and the saved file. Being noncharacters they carry no
// meaning in exchanged text, so each becomes U+FFFD, which shows where it was.
QString PaneSafeText(QString text);
bool HoldsFrameMarker(QStringView text);

// `text` with every line break (CR LF, a lone CR or LF, U+2028, U+2029)
// written as CR LF, the way the pane's text gives its breaks.
QString WithCrLfBreaks(QStringView text);

// Selects [from, to) of `codePaneText` (the pane's CodePaneText()) in the
// pane, which scrolls it into view, and gives the pane the keyboard focus.
void SelectCodePaneText(QTextEdit& pane, QStringView codePaneText, qsizetype from, qsizetype to);

// Replaces the pane's whole text, taking "\r\n", "\r" and "\n" each as one
// line break (and passing it through PaneSafeText). The new text carries no
// character formatting: QTextEdit's own setPlainText() would paint all of it
// in the format found at the caret (red, if the caret stood after a coloured
// tag). The undo history goes, as with setPlainText(). `decorate`, when
// given, runs on the document inside the same edit, so the pane lays the
// document out once for both rather than once for the text and again for
// the decoration. The caret goes to the start.
void SetCodePaneText(QTextEdit& pane, const QString& text,
                     const std::function<void(QTextDocument&)>& decorate = {});

// One replacement in the pane's text as CodePaneText() gives it:
// [From, To) becomes Text (whose line breaks may be CR LF, CR or LF).
struct TPaneEdit {
    qsizetype From = 0;
    qsizetype To = 0;
    QString Text;
};

// Makes `edits` (in order, not overlapping) in the pane as one step the
// user undoes at once, the rest of the text and the undo history kept. The
// new text carries no character formatting; the caret goes to the end of
// the first edit's text. `codePaneText` is the pane's CodePaneText().
void EditCodePane(QTextEdit& pane, QStringView codePaneText, const QList<TPaneEdit>& edits);

// Moves the caret to the start and makes the text typed next carry no
// character formatting. The pane's text is not touched.
void ClearInsertionFormat(QTextEdit& pane);
