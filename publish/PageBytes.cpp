#include "PageBytes.h"

#include "AsciiText.h"

namespace {
bool PairAt(QStringView text, qsizetype i)
{
    return text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
}

// Bytes of the character starting at text[i]; `units` gets its UTF-16 length.
int Utf8Length(QStringView text, qsizetype i, int& units)
{
    const char16_t c = text[i].unicode();
    units = 1;
    if (c < 0x80)
        return 1;
    if (c < 0x800)
        return 2;
    if (PairAt(text, i)) {
        units = 2;
        return 4;
    }
    return 3;   // the rest of the BMP, and a lone surrogate as U+FFFD
}

bool HasLoneSurrogate(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!text[i].isSurrogate())
            continue;
        if (!PairAt(text, i))
            return true;
        ++i;
    }
    return false;
}

void AppendUtf8(std::string& out, QStringView text)
{
    // Qt's encoder is many times faster, and agrees with ours but for a lone
    // surrogate (which it writes as '?').
    if (!HasLoneSurrogate(text)) {
        const QByteArray utf8 = text.toUtf8();
        out.append(utf8.constData(), static_cast<size_t>(utf8.size()));
        return;
    }
    for (qsizetype i = 0; i < text.size();) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        char32_t code = c;
        int units = 1;
        if (PairAt(text, i)) {
            code = QChar::surrogateToUcs4(text[i], text[i + 1]);
            units = 2;
        } else if (QChar::isSurrogate(c)) {
            code = 0xFFFD;
        }
        if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        }
        out += static_cast<char>(0x80 | (code & 0x3F));
        i += units;
    }
}
}

TPageBytes::TPageBytes(QStringView head, QStringView code, QStringView tail) : code_(code)
{
    // Mostly ASCII: reserve for that and let the rest grow.
    bytes_.reserve(static_cast<size_t>(head.size() + code.size() + tail.size()) + 64);
    AppendUtf8(bytes_, head);
    codeBegin_ = bytes_.size();
    AppendUtf8(bytes_, code);
    codeEnd_ = bytes_.size();
    AppendUtf8(bytes_, tail);
}

std::vector<qsizetype> TPageBytes::CodePositions(const std::vector<size_t>& offsets) const
{
    std::vector<qsizetype> positions;
    positions.reserve(offsets.size());
    qsizetype unit = 0;
    size_t byte = codeBegin_;
    for (size_t wanted : offsets) {
        while (byte < wanted && unit < code_.size()) {
            int units = 1;
            byte += static_cast<size_t>(Utf8Length(code_, unit, units));
            unit += units;
        }
        positions.push_back(wanted <= codeBegin_ ? 0 : unit);
    }
    return positions;
}

TPageBytes::TLimited TPageBytes::LimitAttributes(unsigned most)
{
    TLimited limited;
    std::string& b = bytes_;
    const size_t end = codeEnd_;
    const auto ends = [&](size_t p) { return IsHtmlSpace(b[p]) || b[p] == '/' || b[p] == '>'; };
    for (size_t i = b.find('<', codeBegin_); i < end; i = b.find('<', i)) {
        const size_t tag = i++;
        if (i >= end || !((b[i] >= 'a' && b[i] <= 'z') || (b[i] >= 'A' && b[i] <= 'Z')))
            continue;
        size_t p = i;
        while (p < end && !ends(p))
            ++p;
        unsigned count = 0;
        size_t cut = std::string::npos;
        for (;;) {
            // A slash not before '>' is read as space between attributes.
            while (p < end && (IsHtmlSpace(b[p]) || b[p] == '/'))
                ++p;
            if (p >= end || b[p] == '>')
                break;
            if (++count == most + 1)
                cut = p;
            ++p;   // a name may start with '='
            while (p < end && !ends(p) && b[p] != '=')
                ++p;
            size_t q = p;
            while (q < end && IsHtmlSpace(b[q]))
                ++q;
            if (q >= end || b[q] != '=')
                continue;
            p = q + 1;
            while (p < end && IsHtmlSpace(b[p]))
                ++p;
            if (p < end && (b[p] == '"' || b[p] == '\'')) {
                const size_t close = b.find(b[p], p + 1);
                p = close < end ? close + 1 : end;
            } else {
                while (p < end && !IsHtmlSpace(b[p]) && b[p] != '>')
                    ++p;
            }
        }
        if (cut != std::string::npos) {
            if (limited.Tags++ == 0)
                limited.First = tag;
            b.replace(cut, p - cut, p - cut, ' ');
        }
        i = p;
    }
    return limited;
}
