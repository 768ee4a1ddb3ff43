#pragma once
// Formatting for reading: break decoration code into lines around the common
// tags, indent some of them, and colour the main tags and attributes.
//
// Everything here is plain substitution and whole-word search, no parsing:
// tags in upper case are left alone, and anything that merely begins with a
// listed text is treated as it ("<a" matches "<abbr", "<li" matches "<link";
// the colouring, being whole-word, does not colour "<link").
#include <QColor>
#include <QList>
#include <QString>
#include <QStringView>

#include <span>

class QTextDocument;
class QTextEdit;

struct TLineBreakPass {
    QString find;
    QString replace;    // "\r" is a line break once the text is in the pane
};

struct TColourPass {
    QString token;
    QColor colour;
};

// The twelve line-breaking passes and the seven colouring passes, in the
// order they run.
std::span<const TLineBreakPass> LineBreakPasses();
std::span<const TColourPass> ColourPasses();

// The text after every line-breaking pass, each pass one left-to-right
// replacement that never rescans what it inserted.
QString BreakIntoLines(QStringView text);

// A stretch of the document to paint in one colour.
struct TColourRun {
    int position;
    int length;
    QColor colour;
};

// Where each colouring pass paints, in pass order, for the document's raw
// text (QTextDocument::toRawText()). Each pass is one scan for whole-word
// occurrences of its token, going on after each occurrence found. Colouring
// never changes the text, so all seven scans can read the same text.
QList<TColourRun> FindColourRuns(QStringView rawText);

// Paints the runs in order (a later run wins where two overlap) in a single
// edit block, so the pane lays itself out once rather than per run. Not
// recorded for undo.
void ApplyColourRuns(QTextDocument& document, const QList<TColourRun>& runs);

// The "格式阅读" command: line breaking, colouring, then the whole text
// selected and the focus in the pane.
void FormatForReading(QTextEdit& pane);
