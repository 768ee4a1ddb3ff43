#include "PageComposer.h"

#include "Exception.h"
#include "RawText.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

QString ComposePage(const TPageTemplate& page, const QString& code)
{
    return page.Head + code + page.Tail;
}

namespace {
// HTML reads the numeric references &#128; to &#159; as the Windows-1252
// letters of those bytes (&#128; is a euro sign); only these five stay the
// control characters they name.
bool ReferenceKeepsControl(char32_t c) { return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D; }

// In text and attributes. A C1 control that no reference can give and no
// GBK byte holds shows as U+FFFD rather than as some other letter.
void AppendReference(QByteArray& out, char32_t codePoint)
{
    if (codePoint >= 0x80 && codePoint <= 0x9F && !ReferenceKeepsControl(codePoint))
        codePoint = 0xFFFD;
    out += "&#";
    out += QByteArray::number(static_cast<quint32>(codePoint));
    out += ';';
}

// In a script: one \uXXXX per UTF-16 unit, which strings, templates and
// regular expressions all read back (a pair as the one character).
void AppendScriptEscape(QByteArray& out, char32_t codePoint)
{
    const auto unit = [&out](char16_t u) { out += "\\u" + QByteArray::number(u, 16).toUpper().rightJustified(4, '0'); };
    if (QChar::requiresSurrogates(codePoint)) {
        unit(QChar::highSurrogate(codePoint));
        unit(QChar::lowSurrogate(codePoint));
    } else {
        unit(static_cast<char16_t>(codePoint));
    }
}

// In a style sheet: \HEX and the space that ends the escape (the space is
// part of it, so what follows stays as written).
void AppendStyleEscape(QByteArray& out, char32_t codePoint)
{
    out += '\\' + QByteArray::number(static_cast<quint32>(codePoint), 16).toUpper() + ' ';
}

// Encodes one BMP character, or returns empty when GBK has no exact
// round-trip mapping for it (the encoder would write '?' or a look-alike).
QByteArray EncodeOne(QChar c)
{
    QStringEncoder encoder("GBK", QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(QStringView(&c, 1));
    if (encoder.hasError() || bytes.isEmpty())
        return {};
    QStringDecoder decoder("GBK", QStringConverter::Flag::Stateless);
    const QString back = decoder.decode(bytes);
    if (decoder.hasError() || back.size() != 1 || back.at(0) != c)
        return {};
    return bytes;
}

// True when page[i] follows an odd run of backslashes: the script or style
// sheet already escapes it, and our escape must not add a backslash of its
// own (which would escape that one instead).
bool FollowsEscape(QStringView page, qsizetype i)
{
    qsizetype run = 0;
    while (i - run > 0 && page[i - run - 1] == QLatin1Char('\\'))
        ++run;
    return run % 2 == 1;
}

QByteArray EncodeWithEscapes(QStringView page)
{
    const QList<TRawText> rawText = FindRawText(page);
    qsizetype nextRaw = 0;
    QByteArray out;
    out.reserve(page.size() + page.size() / 2);
    QHash<char16_t, QByteArray> known;   // one encoder round trip per distinct character
    for (qsizetype i = 0; i < page.size(); ++i) {
        const QChar c = page[i];
        if (c.unicode() < 0x80) {
            out += static_cast<char>(c.unicode());
            continue;
        }
        char32_t codePoint = c.unicode();
        qsizetype units = 1;
        if (c.isHighSurrogate() && i + 1 < page.size() && page[i + 1].isLowSurrogate()) {
            // GBK holds nothing outside the BMP.
            codePoint = QChar::surrogateToUcs4(c, page[i + 1]);
            units = 2;
        } else if (c.isSurrogate()) {
            // A lone surrogate is no character at all: it shows as U+FFFD
            // instead of vanishing.
            codePoint = 0xFFFD;
        } else {
            auto it = known.find(c.unicode());
            if (it == known.end())
                it = known.insert(c.unicode(), EncodeOne(c));
            if (!it->isEmpty()) {
                out += *it;
                continue;
            }
        }
        while (nextRaw < rawText.size() && rawText[nextRaw].end <= i)
            ++nextRaw;
        if (nextRaw < rawText.size() && rawText[nextRaw].begin <= i) {
            const qsizetype escapeAt = out.size();
            if (rawText[nextRaw].kind == TRawTextKind::Script)
                AppendScriptEscape(out, codePoint);
            else
                AppendStyleEscape(out, codePoint);
            if (FollowsEscape(page, i))
                out.remove(escapeAt, 1);
        } else {
            AppendReference(out, codePoint);
        }
        i += units - 1;
    }
    return out;
}
}

QByteArray EncodePage(QStringView page)
{
    // Fast path: the whole page in one go, accepted only if it decodes back
    // to exactly the same text.
    QStringEncoder encoder("GBK");
    QByteArray bytes = encoder.encode(page);
    if (!encoder.hasError()) {
        QStringDecoder decoder("GBK");
        const QString back = decoder.decode(bytes);
        if (!decoder.hasError() && back == page)
            return bytes;
    }
    return EncodeWithEscapes(page);
}

void WriteWholeFile(const QString& fileName, const QByteArray& bytes)
{
    // A link in the file's place is replaced, never written through: the
    // page must not land on whatever file the link names.
    if (QFileInfo(fileName).isSymLink()) {
        QFile link(fileName);
        if (!link.remove())
            throw EFCreateError(fileName, QStringLiteral("It is a symbolic link that cannot be replaced: %1")
                                              .arg(link.errorString()));
    }
    QSaveFile file(fileName);
    // A folder that takes no temporary file may still hold a file the user
    // may write: then the file is written in place.
    file.setDirectWriteFallback(true);
    // Unbuffered: every write reaches the file at once and fails at once.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw EFCreateError(fileName, file.errorString());
    // A write that stops half way (a full disk, a size limit) reports only
    // how much it wrote; the next write fails with the system's reason.
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            const QString reason = file.errorString();
            file.cancelWriting();
            throw EFCreateError(fileName, reason);
        }
        done += written;
    }
    if (!file.commit())
        throw EFCreateError(fileName, file.errorString());
}

QString CachePagePath()
{
    return QDir::current().absoluteFilePath(QString::fromLatin1(CachePageName));
}

QString WriteCachePage(TShopVersion version, const QString& code)
{
    WriteWholeFile(QString::fromLatin1(CachePageName), EncodePage(ComposePage(PageTemplate(version), code)));
    return CachePagePath();
}
