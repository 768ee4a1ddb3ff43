#pragma once
// Where a page holds the bodies of its script and style elements. The
// browser reads those bodies as they stand: a character reference there is
// text, not the character it names, so a character the page's code page
// lacks must be written there in the script's or the style sheet's own
// escape instead.
#include <QList>
#include <QStringView>

enum class TRawTextKind { Script, Style };

struct TRawText {
    qsizetype begin;   // UTF-16 offsets into the page, end excluded
    qsizetype end;
    TRawTextKind kind;
};

// The script and style bodies of `page` as a browser's HTML parser finds
// them (the page's mark-up may be broken: a script opened in one piece of
// the page may be closed in another), in page order.
QList<TRawText> FindRawText(QStringView page);
