#include "PageComposer.h"

#include "Exception.h"
#include "RawText.h"
#include "ScriptContext.h"

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

QByteArray Hex(char32_t value, int width = 0)
{
    return QByteArray::number(static_cast<quint32>(value), 16).toUpper().rightJustified(width, '0');
}

// One \uXXXX per UTF-16 unit: what JSON strings and a regular expression
// without the u flag read back (a pair as the one character).
void AppendUnitEscapes(QByteArray& out, char32_t codePoint)
{
    if (QChar::requiresSurrogates(codePoint)) {
        out += "\\u" + Hex(QChar::highSurrogate(codePoint), 4);
        out += "\\u" + Hex(QChar::lowSurrogate(codePoint), 4);
    } else {
        out += "\\u" + Hex(codePoint, 4);
    }
}

// The one escape for the code point: in strings, templates and names alike.
void AppendCodePointEscape(QByteArray& out, char32_t codePoint)
{
    if (QChar::requiresSurrogates(codePoint))
        out += "\\u{" + Hex(codePoint) + '}';
    else
        out += "\\u" + Hex(codePoint, 4);
}

// In a script, by where the character stands. Returns false where the
// written form is not the text as typed (a tagged template).
bool AppendScriptEscape(QByteArray& out, char32_t codePoint, TScriptContext context, bool escaped)
{
    switch (context) {
    case TScriptContext::Code:
    case TScriptContext::Comment: {
        // White space between tokens means the same in ASCII; a line
        // separator also ends a line comment.
        const QChar c = QChar::requiresSurrogates(codePoint) ? QChar() : QChar(static_cast<char16_t>(codePoint));
        if (c == QChar(0x2028) || c == QChar(0x2029)) {
            out += '\n';
            return true;
        }
        if (c.category() == QChar::Separator_Space || c == QChar(0xFEFF)) {
            out += ' ';
            return true;
        }
        break;
    }
    case TScriptContext::Regex:
        AppendUnitEscapes(out, codePoint);
        return true;
    case TScriptContext::TaggedTemplate:
        // A backslash before the character stays its own in the raw text.
        if (escaped)
            out.chop(1);
        out += escaped ? "${'\\\\" : "${'";
        AppendCodePointEscape(out, codePoint);
        out += "'}";
        return false;
    default:
        break;
    }
    AppendCodePointEscape(out, codePoint);
    return true;
}

// In a style sheet: \HEX and the space that ends the escape (the space is
// part of it, so what follows stays as written).
void AppendStyleEscape(QByteArray& out, char32_t codePoint)
{
    out += '\\' + Hex(codePoint) + ' ';
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

QByteArray EncodeWithEscapes(QStringView page, QList<TEncodingLoss>* losses)
{
    const QList<TRawText> rawText = FindRawText(page);
    qsizetype nextRaw = 0;
    // Where each unit of the raw text now passed stands, for a script.
    qsizetype contextsOf = -1;
    std::vector<TScriptContext> contexts;
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
        const TRawText* raw = nextRaw < rawText.size() && rawText[nextRaw].begin <= i ? &rawText[nextRaw] : nullptr;
        const bool escaped = FollowsEscape(page, i);
        const qsizetype escapeAt = out.size();
        bool kept = true;
        switch (raw ? raw->kind : TRawTextKind::Other) {
        case TRawTextKind::Script:
            if (contextsOf != nextRaw) {
                contexts = ScriptContexts(page.mid(raw->begin, raw->end - raw->begin));
                contextsOf = nextRaw;
            }
            kept = AppendScriptEscape(out, codePoint, contexts[static_cast<size_t>(i - raw->begin)], escaped);
            break;
        case TRawTextKind::Style:
            AppendStyleEscape(out, codePoint);
            break;
        case TRawTextKind::Json:
            AppendUnitEscapes(out, codePoint);
            break;
        case TRawTextKind::Other:
            AppendReference(out, codePoint);
            kept = !raw;
            break;
        }
        // An escape after a backslash of the text's own loses its backslash,
        // which would escape that one instead.
        if (escaped && kept && raw && raw->kind != TRawTextKind::Other && out.size() > escapeAt && out[escapeAt] == '\\')
            out.remove(escapeAt, 1);
        if (!kept && losses)
            losses->append({i, codePoint, raw->kind == TRawTextKind::Other ? raw->element : QString()});
        i += units - 1;
    }
    return out;
}
}

QByteArray EncodePage(QStringView page, QList<TEncodingLoss>* losses)
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
    return EncodeWithEscapes(page, losses);
}

QStringList EncodingNotes(const QList<TEncodingLoss>& losses, QStringView page, qsizetype codeBegin,
                          qsizetype codeEnd)
{
    constexpr int kMost = 5;
    QStringList notes;
    int line = 1;
    qsizetype lineStart = codeBegin;
    qsizetype counted = codeBegin;
    int more = 0;
    for (const TEncodingLoss& loss : losses) {
        if (loss.At < codeBegin || loss.At >= codeEnd)
            continue;
        if (notes.size() == kMost) {
            ++more;
            continue;
        }
        for (; counted < loss.At; ++counted) {
            const QChar c = page[counted];
            if (c == u'\n' || (c == u'\r' && (counted + 1 >= page.size() || page[counted + 1] != u'\n'))) {
                ++line;
                lineStart = counted + 1;
            }
        }
        const QString where = QStringLiteral("第 %1 行第 %2 列").arg(line).arg(loss.At - lineStart + 1);
        const QString character = QString::fromUcs4(&loss.Character, 1);
        if (loss.Element.isEmpty())
            notes << QStringLiteral("%1：带标签的模板字符串（如 String.raw）里的“%2”在 GBK 编码的预览页里无法原样写出，"
                                    "改写成了 ${'\\u{%3}'}：拼出的字符串不变，标签函数收到的分段多了一处。")
                         .arg(where, character, QString::number(loss.Character, 16).toUpper());
        else
            notes << QStringLiteral("%1：<%2> 里的“%3”在 GBK 编码的预览页里无法原样写出，写成了字符引用 &#%4;，"
                                    "只有当作 HTML 读入时才显示为原字。")
                         .arg(where, loss.Element, character)
                         .arg(static_cast<quint32>(loss.Character));
    }
    if (more)
        notes << QStringLiteral("另有 %1 处同样的字符。").arg(more);
    return notes;
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

quint64 TCachePageWriter::Claim()
{
    return ++latest_;
}

bool TCachePageWriter::WriteClaimed(quint64 claim, const QByteArray& bytes)
{
    const QMutexLocker lock(&writing_);
    if (claim != latest_)
        return false;
    WriteWholeFile(QString::fromLatin1(CachePageName), bytes);
    return true;
}

void TCachePageWriter::Write(const QByteArray& bytes)
{
    // Claimed first: a write that has not begun yet is dropped; one under
    // way ends before this one begins.
    ++latest_;
    const QMutexLocker lock(&writing_);
    WriteWholeFile(QString::fromLatin1(CachePageName), bytes);
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
