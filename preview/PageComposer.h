#pragma once
// Composition of the preview page and the cache page it is written to.
#include "PageTemplates.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

// The cache page, relative to the working directory; "files" is part of the
// installation and is never created by the program.
inline constexpr const char* CachePageName = "files/cache.html";

// head + code + tail, joined with nothing between them: the head's last line
// break is the only separator before the code, and code that does not end
// with a line break runs straight into the tail's first line.
QString ComposePage(const TPageTemplate& page, const QString& code);

// The page's bytes in the storefronts' code page (GBK), no byte-order mark.
// A character GBK cannot hold is written so that the browser reads it back
// as it was typed (the browser's GBK reads no GB18030 four-byte sequences):
//  - in text and attributes as an HTML numeric character reference for its
//    whole code point (a surrogate pair gives one reference);
//  - in a script body as \uXXXX escapes, in a style body as a \HEX escape
//    (the browser decodes no references there).
// A lone surrogate, which is no character at all, is written as U+FFFD so
// that it shows up instead of vanishing; so is a C1 control in text or an
// attribute that no reference gives (HTML reads most of &#128; to &#159; as
// Windows-1252 letters).
QByteArray EncodePage(QStringView page);

// Writes the bytes whole or not at all: a failed write leaves any earlier
// file as it was. A symbolic link in the file's place is replaced by the
// file, never written through. Only where the folder takes no new file but
// the file itself is writable is it written in place (a failed write then
// leaves it partial). Throws EFCreateError with the system's reason.
void WriteWholeFile(const QString& fileName, const QByteArray& bytes);

// The cache page's absolute path under the current working directory.
QString CachePagePath();

// Composes the page for `version` around `code`, writes the cache page and
// returns its absolute path. Throws EFCreateError when it cannot be written.
QString WriteCachePage(TShopVersion version, const QString& code);
