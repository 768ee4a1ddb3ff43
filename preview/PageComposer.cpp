#include "PageComposer.h"

#include "Exception.h"

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
void AppendReference(QByteArray& out, char32_t codePoint)
{
    out += "&#";
    out += QByteArray::number(static_cast<quint32>(codePoint));
    out += ';';
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

QByteArray EncodeWithReferences(QStringView page)
{
    QByteArray out;
    out.reserve(page.size() + page.size() / 2);
    QHash<char16_t, QByteArray> known;   // one encoder round trip per distinct character
    for (qsizetype i = 0; i < page.size(); ++i) {
        const QChar c = page[i];
        if (c.unicode() < 0x80) {
            out += static_cast<char>(c.unicode());
        } else if (c.isHighSurrogate() && i + 1 < page.size() && page[i + 1].isLowSurrogate()) {
            // GBK holds nothing outside the BMP.
            AppendReference(out, QChar::surrogateToUcs4(c, page[i + 1]));
            ++i;
        } else if (c.isSurrogate()) {
            AppendReference(out, 0xFFFD);
        } else {
            auto it = known.find(c.unicode());
            if (it == known.end())
                it = known.insert(c.unicode(), EncodeOne(c));
            if (it->isEmpty())
                AppendReference(out, c.unicode());
            else
                out += *it;
        }
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
    return EncodeWithReferences(page);
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
