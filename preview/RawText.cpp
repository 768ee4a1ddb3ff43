#include "RawText.h"

#include <gumbo.h>

#include <QByteArray>

#include <algorithm>
#include <vector>

namespace {
// The UTF-8 form of one UTF-16 unit at `i` (a pair counts at its first
// unit, its second adds nothing); a lone surrogate counts as U+FFFD. The
// buffer handed to the parser and the offset mapping both use it, so they
// agree on every page.
int Utf8Length(QStringView page, qsizetype i)
{
    const char16_t c = page[i].unicode();
    if (c < 0x80)
        return 1;
    if (c < 0x800)
        return 2;
    if (QChar::isHighSurrogate(c) && i + 1 < page.size() && QChar::isLowSurrogate(page[i + 1].unicode()))
        return 4;
    if (QChar::isLowSurrogate(c) && i > 0 && QChar::isHighSurrogate(page[i - 1].unicode()))
        return 0;
    return 3;
}

QByteArray ToUtf8(QStringView page)
{
    QByteArray out;
    out.reserve(page.size() + page.size() / 2);
    for (qsizetype i = 0; i < page.size(); ++i) {
        char32_t c = page[i].unicode();
        switch (Utf8Length(page, i)) {
        case 0:
            continue;
        case 1:
            out += static_cast<char>(c);
            continue;
        case 2:
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
            continue;
        case 4:
            c = QChar::surrogateToUcs4(page[i], page[i + 1]);
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
            continue;
        default:
            if (QChar::isSurrogate(c))
                c = 0xFFFD;
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

struct ByteRange {
    size_t begin;
    size_t end;
    TRawTextKind kind;
};

// Script and style bodies in the HTML namespace (in SVG they are ordinary
// text, where references work). Walked with a stack of its own: decoration
// code may nest deeper than a recursion should go.
std::vector<ByteRange> RawTextBytes(const GumboNode* root)
{
    std::vector<ByteRange> ranges;
    std::vector<const GumboNode*> stack{root};
    while (!stack.empty()) {
        const GumboNode* node = stack.back();
        stack.pop_back();
        const GumboVector* children = nullptr;
        if (node->type == GUMBO_NODE_DOCUMENT)
            children = &node->v.document.children;
        else if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE)
            children = &node->v.element.children;
        if (!children)
            continue;
        const bool element = node->type == GUMBO_NODE_ELEMENT &&
                             node->v.element.tag_namespace == GUMBO_NAMESPACE_HTML;
        const bool script = element && node->v.element.tag == GUMBO_TAG_SCRIPT;
        const bool style = element && node->v.element.tag == GUMBO_TAG_STYLE;
        for (unsigned i = 0; i < children->length; ++i) {
            const auto* child = static_cast<const GumboNode*>(children->data[i]);
            if ((script || style) && (child->type == GUMBO_NODE_TEXT || child->type == GUMBO_NODE_WHITESPACE)) {
                const GumboText& text = child->v.text;
                ranges.push_back({text.start_pos.offset, text.start_pos.offset + text.original_text.length,
                                  script ? TRawTextKind::Script : TRawTextKind::Style});
            } else {
                stack.push_back(child);
            }
        }
    }
    return ranges;
}
}

QList<TRawText> FindRawText(QStringView page)
{
    const QByteArray utf8 = ToUtf8(page);
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;   // only the tree is wanted
    GumboOutput* output = gumbo_parse_with_options(&options, utf8.constData(), static_cast<size_t>(utf8.size()));
    std::vector<ByteRange> bytes = RawTextBytes(output->document);
    gumbo_destroy_output(&options, output);

    std::sort(bytes.begin(), bytes.end(), [](const ByteRange& a, const ByteRange& b) { return a.begin < b.begin; });
    // One walk over the page turns byte offsets into UTF-16 offsets.
    QList<TRawText> ranges;
    ranges.reserve(static_cast<qsizetype>(bytes.size()));
    size_t at = 0;   // byte offset of page[i]
    qsizetype i = 0;
    auto advanceTo = [&](size_t offset) {
        while (at < offset && i < page.size())
            at += static_cast<size_t>(Utf8Length(page, i++));
        return i;
    };
    for (const ByteRange& range : bytes) {
        const qsizetype begin = advanceTo(range.begin);
        ranges.append({begin, advanceTo(range.end), range.kind});
    }
    return ranges;
}
