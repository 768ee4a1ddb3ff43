#pragma once
// Where a page holds text the browser reads as it stands: the bodies of its
// script and style elements, <xmp> and <plaintext>. A character reference
// there is text, not the character it names, so a character the page's
// code page lacks must be written there in the form whatever reads the text
// decodes, where there is one.
#include <QList>
#include <QString>
#include <QStringView>

enum class TRawTextKind {
    Script,   // JavaScript
    Style,    // CSS
    Json,     // a JSON data block (importmap, application/json, ...)
    // Read by nothing that decodes an escape: a script of another type (a
    // template, mostly, which a script later inserts as HTML), <xmp>,
    // <plaintext>.
    Other,
};

struct TRawText {
    qsizetype begin;   // UTF-16 offsets into the page, end excluded
    qsizetype end;
    TRawTextKind kind;
    QString element;   // the element as the user knows it: "xmp", "script type=\"text/template\""
};

// The raw text of `page` as a browser's HTML parser finds it (the page's
// mark-up may be broken: a script opened in one piece of the page may be
// closed in another), in page order.
QList<TRawText> FindRawText(QStringView page);
