#pragma once
// Composition of the preview page and the cache page it is written to.
#include "PageTemplates.h"

#include <QByteArray>
#include <QList>
#include <QMutex>

#include <atomic>
#include <QString>
#include <QStringList>
#include <QStringView>

// The cache page, relative to the working directory; "files" is part of the
// installation and is never created by the program.
inline constexpr const char* CachePageName = "files/cache.html";

// head + code + tail, joined with nothing between them: the head's last line
// break is the only separator before the code, and code that does not end
// with a line break runs straight into the tail's first line.
QString ComposePage(const TPageTemplate& page, const QString& code);

// A character GBK lacks in text that decodes none of the forms below: it
// was written in the best form there is, and the user should know.
struct TEncodingLoss {
    qsizetype At;          // where in the page
    char32_t Character;
    // Where it stands, as the user knows it: an element ("xmp",
    // "script type=\"text/template\""), or empty for a tagged template.
    QString Element;
};

// The page's bytes in the storefronts' code page (GBK), no byte-order mark.
// A character GBK cannot hold is written so that the browser reads it back
// as it was typed (the browser's GBK reads no GB18030 four-byte sequences):
//  - in text and attributes as an HTML numeric character reference for its
//    whole code point (a surrogate pair gives one reference);
//  - in a style body as a \HEX escape, in a JSON data block as \uXXXX
//    escapes (the browser decodes no references there);
//  - in a script as the escape that means the character where it stands:
//    \uXXXX, or \u{X} outside the BMP, except in a regular expression
//    without the u flag (a surrogate pair of \uXXXX); white space between
//    tokens as a space or line break; in a tagged template, whose tag reads
//    the raw text no escape keeps, as a substitution ${'\u{X}'}, which
//    gives the same string (String.raw) but another split of it (a loss);
//  - in the text of a script of another type (a template), <xmp> or
//    <plaintext>, which nothing decodes, as a numeric reference (a
//    template's text is mostly put into the page as HTML, which reads it)
//    (a loss).
// A lone surrogate, which is no character at all, is written as U+FFFD so
// that it shows up instead of vanishing; so is a C1 control in text or an
// attribute that no reference gives (HTML reads most of &#128; to &#159; as
// Windows-1252 letters). Each loss goes to `losses` when given.
QByteArray EncodePage(QStringView page, QList<TEncodingLoss>* losses = nullptr);

// What the user should know of the losses of a page `head` + code + tail,
// in the code's lines and columns: a few lines, the rest counted.
QStringList EncodingNotes(const QList<TEncodingLoss>& losses, QStringView page, qsizetype codeBegin,
                          qsizetype codeEnd);

// Writes the bytes whole or not at all: a failed write leaves any earlier
// file as it was. A symbolic link in the file's place is replaced by the
// file, never written through. Only where the folder takes no new file but
// the file itself is writable is it written in place (a failed write then
// leaves it partial). Throws EFCreateError with the system's reason.
void WriteWholeFile(const QString& fileName, const QByteArray& bytes);

// The cache page written from two threads: commands write it at once on the
// window's thread, the live preview's patches in the background. Writes
// land in the order they were asked for: a write asked for later never
// lands before an earlier one, and a background write overtaken before it
// began is dropped.
class TCachePageWriter {
public:
    // Reserves a write's place in the order, for WriteClaimed; never waits.
    quint64 Claim();
    // Writes `bytes` unless a write asked for after `claim` came first;
    // true when it wrote. Throws as WriteWholeFile does.
    bool WriteClaimed(quint64 claim, const QByteArray& bytes);
    // Writes `bytes` now, once a write under way is done.
    void Write(const QByteArray& bytes);

private:
    QMutex writing_;   // held through a write
    std::atomic<quint64> latest_{0};
};

// The cache page's absolute path under the current working directory.
QString CachePagePath();

// Composes the page for `version` around `code`, writes the cache page and
// returns its absolute path. Throws EFCreateError when it cannot be written.
QString WriteCachePage(TShopVersion version, const QString& code);
