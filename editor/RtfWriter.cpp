#include "RtfWriter.h"

#include "Exception.h"

#include <QDir>
#include <QFont>
#include <QList>
#include <QSaveFile>
#include <QStringEncoder>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

#include <cmath>

namespace {

void AppendNumber(QByteArray& out, qint64 n)
{
    out.append(QByteArray::number(n));
}

void AppendHexByte(QByteArray& out, uchar byte)
{
    static const char digits[] = "0123456789abcdef";
    out.append("\\'");
    out.append(digits[byte >> 4]);
    out.append(digits[byte & 0xf]);
}

// One UTF-16 unit as \uN? (N is a signed 16-bit number in RTF).
void AppendUnicode(QByteArray& out, char16_t unit)
{
    out.append("\\u");
    AppendNumber(out, qint16(unit));
    out.append('?');
}

bool IsAscii(QStringView text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

// Text of the body. Runs of non-ASCII characters go into a group of their
// own: some readers skip the whole next word after \uN? rather than the one
// fallback character, and the closing brace keeps them from eating text.
void AppendText(QByteArray& out, QStringView text)
{
    qsizetype i = 0;
    while (i < text.size()) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80) {
            out.append('{');
            while (i < text.size() && text[i].unicode() >= 0x80) {
                const char16_t u = text[i].unicode();
                if (u == QChar::LineSeparator)
                    out.append("\\line ");
                else
                    AppendUnicode(out, u);
                ++i;
            }
            out.append('}');
            continue;
        }
        switch (c) {
        case '\\': out.append("\\\\"); break;
        case '{': out.append("\\{"); break;
        case '}': out.append("\\}"); break;
        case '\t': out.append("\\tab "); break;
        default:
            if (c < 0x20 || c == 0x7f)
                AppendHexByte(out, uchar(c));
            else
                out.append(char(c));
        }
        ++i;
    }
}

void AppendFontName(QByteArray& out, const QString& name)
{
    if (!IsAscii(name)) {
        QStringEncoder gbk("GBK", QStringEncoder::Flag::Stateless);
        if (gbk.isValid()) {
            const QByteArray bytes = gbk.encode(name);
            if (!gbk.hasError()) {
                for (const char b : bytes) {
                    const uchar u = uchar(b);
                    if (u >= 0x80 || u == ';' || u == '\\' || u == '{' || u == '}')
                        AppendHexByte(out, u);
                    else
                        out.append(b);
                }
                return;
            }
        }
    }
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u >= 0x80)
            AppendUnicode(out, u);
        else if (u < 0x20 || u == ';' || u == '\\' || u == '{' || u == '}')
            AppendHexByte(out, uchar(u));
        else
            out.append(char(u));
    }
}

// Size in half-points; a pixel size is taken at 96 dots per inch.
int HalfPoints(const QFont& font)
{
    double points = font.pointSizeF();
    if (font.pixelSize() > 0)
        points = font.pixelSize() * 72.0 / 96.0;
    return qMax(1, int(std::lround(points * 2)));
}

struct RunFormat {
    int font = -1;
    int size = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int colour = -1;
};

template <typename T>
int IndexOf(QList<T>& table, const T& value)
{
    const qsizetype at = table.indexOf(value);
    if (at >= 0)
        return int(at);
    table.append(value);
    return int(table.size() - 1);
}

// Appends the control words that turn `from` into `to`; true if any.
bool AppendFormatChange(QByteArray& out, const RunFormat& from, const RunFormat& to)
{
    const qsizetype before = out.size();
    if (to.font != from.font) {
        out.append("\\f");
        AppendNumber(out, to.font);
    }
    if (to.size != from.size) {
        out.append("\\fs");
        AppendNumber(out, to.size);
    }
    if (to.bold != from.bold)
        out.append(to.bold ? "\\b" : "\\b0");
    if (to.italic != from.italic)
        out.append(to.italic ? "\\i" : "\\i0");
    if (to.underline != from.underline)
        out.append(to.underline ? "\\ul" : "\\ulnone");
    if (to.strike != from.strike)
        out.append(to.strike ? "\\strike" : "\\strike0");
    if (to.colour != from.colour) {
        out.append("\\cf");
        AppendNumber(out, to.colour);
    }
    return out.size() != before;
}

} // namespace

QByteArray WriteRtf(const QTextDocument& document, const QColor& textColour)
{
    const QFont defaultFont = document.defaultFont();
    QList<QString> fonts{defaultFont.family()};
    QList<QRgb> colours{textColour.rgb()};

    QByteArray body;
    body.reserve(document.characterCount() + 1024);
    // The pane's own format goes first, before any paragraph: a reader that
    // meets \par with no format set may drop the empty lines at the start.
    RunFormat current;
    current.font = 0;
    current.size = HalfPoints(defaultFont);
    current.bold = defaultFont.bold();
    current.italic = defaultFont.italic();
    current.underline = defaultFont.underline();
    current.strike = defaultFont.strikeOut();
    current.colour = 1;
    AppendFormatChange(body, RunFormat(), current);
    body.append(' ');
    bool firstBlock = true;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (!firstBlock)
            body.append("\\par\r\n");
        firstBlock = false;
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const QTextCharFormat format = fragment.charFormat();
            const QFont font = format.font().resolve(defaultFont);
            RunFormat next;
            next.font = IndexOf(fonts, font.family());
            next.size = HalfPoints(font);
            next.bold = font.bold();
            next.italic = font.italic();
            next.underline = font.underline();
            next.strike = font.strikeOut();
            const QColor colour = format.hasProperty(QTextFormat::ForegroundBrush)
                ? format.foreground().color() : textColour;
            next.colour = IndexOf(colours, colour.rgb()) + 1;
            if (AppendFormatChange(body, current, next))
                body.append(' ');
            current = next;
            AppendText(body, fragment.text());
        }
    }

    QByteArray out;
    out.reserve(body.size() + 512);
    out.append("{\\rtf1\\ansi\\ansicpg936\\deff0\\uc1\r\n{\\fonttbl");
    for (qsizetype i = 0; i < fonts.size(); ++i) {
        out.append("{\\f");
        AppendNumber(out, i);
        out.append(IsAscii(fonts[i]) ? "\\fnil\\fcharset0 " : "\\fnil\\fcharset134 ");
        AppendFontName(out, fonts[i]);
        out.append(";}");
    }
    out.append("}\r\n{\\colortbl ;");
    for (const QRgb rgb : colours) {
        out.append("\\red");
        AppendNumber(out, qRed(rgb));
        out.append("\\green");
        AppendNumber(out, qGreen(rgb));
        out.append("\\blue");
        AppendNumber(out, qBlue(rgb));
        out.append(';');
    }
    out.append("}\r\n\\viewkind4\\pard\\plain");
    out.append(body);   // starts with a control word: no separator needed
    out.append("}\r\n");
    return out;
}

void SaveFileWhole(const QString& fileName, const QByteArray& contents)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EFCreateError(QDir::toNativeSeparators(fileName), file.errorString());
    if (file.write(contents) != contents.size() || !file.commit()) {
        file.cancelWriting();
        throw Exception(QStringLiteral("Failed to Save Stream"));
    }
}
