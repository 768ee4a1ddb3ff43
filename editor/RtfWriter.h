#pragma once
// Rich Text Format output of the code pane, and saving it whole or not at all.
//
// The stream carries the text, a font table, a colour table and, per run of
// characters, the font, its size in half-points, bold, italic, underline,
// strike-out and the colour. Every character outside ASCII is written as
// \uN with '?' as the fallback for readers without Unicode; control
// characters other than the tab as \'hh. Font names outside ASCII go into the
// font table as GBK bytes, as the storefront code page has them.
#include <QByteArray>
#include <QColor>
#include <QString>

class QTextDocument;

// `textColour` is the colour of characters that carry none of their own
// (the pane's text colour).
QByteArray WriteRtf(const QTextDocument& document, const QColor& textColour);

// Replaces `fileName` with `contents`, whole or not at all: the bytes go to a
// temporary file that only takes the name once everything is written.
// Throws EFCreateError when the file cannot be created and Exception
// "Failed to Save Stream" when the bytes cannot be written; in both cases a
// file that was there before is left as it was.
void SaveFileWhole(const QString& fileName, const QByteArray& contents);
