#include "PublishCheck.h"

#include "AsciiText.h"
#include "GumboTree.h"
#include "PageBytes.h"
#include "StyleWidth.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace {
using Bytes = std::string_view;

constexpr unsigned kCopyFlags = GUMBO_INSERTION_RECONSTRUCTED_FORMATTING_ELEMENT | GUMBO_INSERTION_ADOPTION_AGENCY_CLONED;

std::string LowerAscii(Bytes text)
{
    std::string lower(text);
    for (char& c : lower)
        c = AsciiLower(c);
    return lower;
}

std::vector<std::string> Utf8List(const QStringList& list)
{
    std::vector<std::string> out;
    for (const QString& s : list)
        out.push_back(s.toStdString());
    return out;
}

bool Contains(const std::vector<std::string>& list, Bytes item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

QString FromBytes(Bytes text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A rule with its names in UTF-8, compared as the parser gives them: tag and
// attribute names in lower case, values as decoded.
struct TCompiledRule {
    const TPublishRule* Rule;
    std::vector<std::string> Names;
    std::vector<std::string> UrlAttributes;
    std::vector<std::string> Exceptions;
    int Limit = 0;   // Width: the column width of the storefront checked
    // Element: the names gumbo knows, by its number for them; the others
    // are compared by name.
    std::vector<GumboTag> Tags;
};

// An element as the walk meets it, in document order.
struct TVisited {
    const GumboNode* Node;
    int Ordinal;   // among the displayed page's elements; -1 when it is not one
};

// Where one finding's text lies, in bytes of the page, before it is mapped
// onto the code.
struct TPendingFinding {
    const TCompiledRule* Rule;
    size_t Begin;
    size_t End;
    int Element;
    QString Tag;
    QString Attribute;
    QString Name;    // the class name, for {class}
    QString Width;   // {width}
};

class TChecker {
public:
    TChecker(const TPublishRules& rules, const TPublishInput& input)
        : input_(input), page_(input.Head, input.Code, input.Tail)
    {
        for (const TPublishRule& rule : rules) {
            TCompiledRule compiled{&rule, Utf8List(rule.Names), Utf8List(rule.UrlAttributes),
                                   Utf8List(rule.ClassExceptions)};
            if (rule.Match == TPublishRule::TMatch::Element) {
                for (const std::string& name : compiled.Names)
                    compiled.Tags.push_back(gumbo_tag_enum(name.c_str()));
            }
            if (rule.Match == TPublishRule::TMatch::Width) {
                compiled.Limit = rule.MaxWidth.value(input.Storefront, 0);
                if (compiled.Limit <= 0)
                    continue;   // no column width known for this storefront
            }
            rules_.push_back(std::move(compiled));
        }
    }

    TPublishReport Run()
    {
        TPublishReport report;
        TGumboTree tree(page_.Bytes());
        const std::vector<TVisited> elements = Walk(tree.Document());
        const size_t region = FindRegion(elements);
        if (region < elements.size()) {
            report.RegionTag = TagName(elements[region].Node);
            report.RegionIndex = 0;
            for (size_t i = 0; i < region; ++i) {
                if (elements[i].Ordinal >= 0 && SameTag(elements[i].Node, elements[region].Node))
                    ++report.RegionIndex;
            }
            regionOrdinal_ = elements[region].Ordinal;
            const GumboAttribute* c = gumbo_get_attribute(&elements[region].Node->v.element.attributes, "class");
            if (c)
                report.RegionClass = QString::fromUtf8(c->value);
        }
        for (const TVisited& visited : elements)
            CheckElement(visited);
        report.Findings = Finish();
        return report;
    }

private:
    size_t Offset(const char* p) const { return static_cast<size_t>(p - page_.Bytes().data()); }
    bool InCode(size_t offset) const { return offset >= page_.CodeBegin() && offset < page_.CodeEnd(); }

    // Every element in document order. Those inside <template> (which holds
    // its content apart from the document) and <noscript> (plain text to a
    // browser that runs scripts) are checked too, but the displayed page
    // has no element for them.
    static std::vector<TVisited> Walk(const GumboNode* document)
    {
        std::vector<TVisited> out;
        std::vector<std::pair<const GumboNode*, bool>> stack{{document, true}};
        int ordinal = 0;
        while (!stack.empty()) {
            const auto [node, displayed] = stack.back();
            stack.pop_back();
            const GumboVector* children = nullptr;
            bool childrenDisplayed = displayed;
            if (node->type == GUMBO_NODE_DOCUMENT) {
                children = &node->v.document.children;
            } else if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE) {
                out.push_back({node, displayed ? ordinal++ : -1});
                children = &node->v.element.children;
                if (node->type == GUMBO_NODE_TEMPLATE ||
                    (node->v.element.tag == GUMBO_TAG_NOSCRIPT && node->v.element.tag_namespace == GUMBO_NAMESPACE_HTML))
                    childrenDisplayed = false;
            }
            if (!children)
                continue;
            for (unsigned i = children->length; i-- > 0;)
                stack.push_back({static_cast<const GumboNode*>(children->data[i]), childrenDisplayed});
        }
        return out;
    }

    static bool IsCopy(const GumboNode* node) { return (node->parse_flags & kCopyFlags) != 0; }

    // The element the code goes into: the innermost element still open where
    // the code begins. Its start tag is the last one before the code, or an
    // ancestor of that element.
    size_t FindRegion(const std::vector<TVisited>& elements) const
    {
        const GumboNode* last = nullptr;
        for (const TVisited& v : elements) {
            const GumboElement& e = v.Node->v.element;
            if (v.Ordinal < 0 || IsCopy(v.Node) || e.original_tag.length == 0)
                continue;
            if (e.start_pos.offset >= page_.CodeBegin())
                break;
            last = v.Node;
        }
        while (last && last->parent && last->parent->type == GUMBO_NODE_ELEMENT &&
               last->v.element.end_pos.offset < page_.CodeBegin())
            last = last->parent;
        if (!last) {
            // No page before the code: the code is the body's.
            for (const TVisited& v : elements) {
                if (v.Node->v.element.tag == GUMBO_TAG_BODY)
                    last = v.Node;
            }
        }
        for (size_t i = 0; i < elements.size(); ++i) {
            if (elements[i].Node == last)
                return i;
        }
        return elements.size();
    }

    static std::string TagUtf8(const GumboNode* node)
    {
        const GumboElement& e = node->v.element;
        if (e.tag != GUMBO_TAG_UNKNOWN)
            return gumbo_normalized_tagname(e.tag);
        GumboStringPiece name = e.original_tag;
        gumbo_tag_from_original_text(&name);
        return LowerAscii(Bytes(name.data, name.length));
    }

    static QString TagName(const GumboNode* node) { return FromBytes(TagUtf8(node)); }

    static bool IsElementOf(const TCompiledRule& rule, const GumboNode* node)
    {
        const GumboTag tag = node->v.element.tag;
        if (tag != GUMBO_TAG_UNKNOWN)
            return std::find(rule.Tags.begin(), rule.Tags.end(), tag) != rule.Tags.end();
        return Contains(rule.Names, TagUtf8(node));
    }

    static bool SameTag(const GumboNode* a, const GumboNode* b)
    {
        if (a->v.element.tag != b->v.element.tag)
            return false;
        return a->v.element.tag != GUMBO_TAG_UNKNOWN || TagUtf8(a) == TagUtf8(b);
    }

    // gumbo gives an attribute without a value its name as the value's
    // text, and leaves the value's positions unset.
    static bool HasValue(const GumboAttribute& a) { return a.original_value.data != a.original_name.data; }

    // An attribute's text: its name, and its value with any quotes.
    static std::pair<size_t, size_t> AttributeSpan(const GumboAttribute& a)
    {
        return {a.name_start.offset, HasValue(a) ? a.value_end.offset : a.name_end.offset};
    }

    // Where the decoded value's bytes lie in the page, or npos when the value
    // as written differs from it (character references, line breaks), so
    // that a part of the value cannot be placed exactly.
    size_t ValueStart(const GumboAttribute& a) const
    {
        if (!HasValue(a))
            return std::string_view::npos;
        Bytes written(a.original_value.data, a.original_value.length);
        if (!written.empty() && (written.front() == '"' || written.front() == '\'')) {
            const char quote = written.front();
            written.remove_prefix(1);
            if (!written.empty() && written.back() == quote)
                written.remove_suffix(1);
        }
        return written == Bytes(a.value) ? Offset(written.data()) : std::string_view::npos;
    }

    void Add(const TCompiledRule& rule, size_t begin, size_t end, const TVisited& element, Bytes attribute = {},
             QString name = {}, QString width = {})
    {
        const int k = element.Ordinal >= 0 && regionOrdinal_ >= 0 && InCode(element.Node->v.element.start_pos.offset)
                          ? element.Ordinal - regionOrdinal_
                          : 0;
        pending_.push_back({&rule, begin, std::min(end, page_.CodeEnd()), std::max(k, 0), TagName(element.Node),
                            FromBytes(attribute), std::move(name), std::move(width)});
    }

    void CheckElement(const TVisited& visited)
    {
        const GumboNode* node = visited.Node;
        if (IsCopy(node))
            return;   // the same start tag was checked on the element it copies
        const GumboElement& e = node->v.element;
        if (e.original_tag.length > 0 && InCode(e.start_pos.offset)) {
            bool removed = false;
            for (const TCompiledRule& rule : rules_) {
                if (rule.Rule->Match == TPublishRule::TMatch::Element && IsElementOf(rule, node)) {
                    Add(rule, e.start_pos.offset, e.start_pos.offset + e.original_tag.length, visited);
                    removed = true;
                }
            }
            // What goes with the element needs no word of its own.
            if (removed)
                return;
        }
        const GumboAttribute* style = nullptr;
        const GumboAttribute* width = nullptr;
        for (unsigned i = 0; i < e.attributes.length; ++i) {
            const auto* a = static_cast<const GumboAttribute*>(e.attributes.data[i]);
            if (!InCode(a->name_start.offset))
                continue;
            const Bytes name(a->name);
            if (name == "style")
                style = a;
            else if (name == "width")
                width = a;
            CheckAttribute(visited, *a, name);
        }
        if (e.original_tag.length > 0 && InCode(e.start_pos.offset)) {
            for (const TCompiledRule& rule : rules_) {
                if (rule.Rule->Match == TPublishRule::TMatch::Width)
                    CheckWidth(rule, visited, style, width);
            }
        }
    }

    void CheckAttribute(const TVisited& element, const GumboAttribute& a, Bytes name)
    {
        const auto [begin, end] = AttributeSpan(a);
        for (const TCompiledRule& rule : rules_) {
            switch (rule.Rule->Match) {
            case TPublishRule::TMatch::Attribute:
                if (Contains(rule.Names, name))
                    Add(rule, begin, end, element, name);
                break;
            case TPublishRule::TMatch::AttributePrefix:
                for (const std::string& prefix : rule.Names) {
                    if (name.size() > prefix.size() && name.substr(0, prefix.size()) == prefix) {
                        Add(rule, begin, end, element, name);
                        break;
                    }
                }
                break;
            case TPublishRule::TMatch::UrlScheme:
                if (Contains(rule.UrlAttributes, name) && HasScheme(a.value, rule.Names))
                    Add(rule, begin, end, element, name);
                break;
            case TPublishRule::TMatch::ClassPrefix:
                if (name == "class")
                    CheckClasses(rule, element, a);
                break;
            default:
                break;
            }
        }
    }

    // A URL's scheme as the browser reads it: leading and trailing spaces and
    // control characters do not count, nor do tabs and line breaks anywhere,
    // nor the letters' case ("  Java\tScript:").
    static bool HasScheme(Bytes url, const std::vector<std::string>& schemes)
    {
        while (!url.empty() && static_cast<unsigned char>(url.front()) <= 0x20)
            url.remove_prefix(1);
        std::string cleaned;
        for (char c : url.substr(0, 64)) {
            if (c != '\t' && c != '\n' && c != '\r')
                cleaned += AsciiLower(c);
        }
        for (const std::string& scheme : schemes) {
            if (cleaned.size() > scheme.size() && cleaned.compare(0, scheme.size(), scheme) == 0 &&
                cleaned[scheme.size()] == ':')
                return true;
        }
        return false;
    }

    void CheckClasses(const TCompiledRule& rule, const TVisited& element, const GumboAttribute& a)
    {
        const Bytes value(a.value);
        const size_t start = ValueStart(a);
        const auto [begin, end] = AttributeSpan(a);
        size_t i = 0;
        while (i < value.size()) {
            while (i < value.size() && IsHtmlSpace(value[i]))
                ++i;
            size_t j = i;
            while (j < value.size() && !IsHtmlSpace(value[j]))
                ++j;
            const Bytes name = value.substr(i, j - i);
            if (!name.empty() && !Contains(rule.Exceptions, name)) {
                for (const std::string& prefix : rule.Names) {
                    if (name.substr(0, prefix.size()) == prefix) {
                        if (start != std::string_view::npos)
                            Add(rule, start + i, start + j, element, "class", FromBytes(name));
                        else
                            Add(rule, begin, end, element, "class", FromBytes(name));
                        break;
                    }
                }
            }
            i = j;
        }
    }

    // How wide the element is set: an inline style width wins over the
    // width attribute, as in the browser.
    void CheckWidth(const TCompiledRule& rule, const TVisited& element, const GumboAttribute* style,
                    const GumboAttribute* width)
    {
        if (style) {
            const TStyleWidth declared = StyleWidth(style->value);
            if (declared.Found) {
                if (declared.Pixels > rule.Limit) {
                    const size_t start = ValueStart(*style);
                    const auto [begin, end] = AttributeSpan(*style);
                    if (start != std::string_view::npos)
                        Add(rule, start + declared.Begin, start + declared.End, element, "style", {},
                            declared.Written);
                    else
                        Add(rule, begin, end, element, "style", {}, declared.Written);
                }
                return;
            }
        }
        if (width) {
            const TStyleWidth attribute = AttributeWidth(width->value);
            if (attribute.Found && attribute.Pixels > rule.Limit) {
                const auto [begin, end] = AttributeSpan(*width);
                Add(rule, begin, end, element, "width", {}, attribute.Written);
            }
        }
    }

    static QString Shorten(QString text, qsizetype most)
    {
        // One line, and no half characters for the page to choke on.
        text = text.simplified();
        for (QChar& c : text) {
            if (c.isSurrogate())
                c = QChar::ReplacementCharacter;
            else if (c.unicode() < 0x20)
                c = QChar::ReplacementCharacter;
        }
        if (text.size() > most)
            text = text.left(most - 1) + QChar(0x2026);
        return text;
    }

    static QString Message(const TPendingFinding& p)
    {
        QString message = p.Rule->Rule->Message;
        message.replace(QLatin1String("{tag}"), Shorten(p.Tag, 40));
        message.replace(QLatin1String("{attribute}"), Shorten(p.Attribute, 40));
        message.replace(QLatin1String("{class}"), Shorten(p.Name, 40));
        message.replace(QLatin1String("{width}"), Shorten(p.Width, 20));
        message.replace(QLatin1String("{limit}"), QString::number(p.Rule->Limit));
        return message;
    }

    QList<TFinding> Finish()
    {
        std::stable_sort(pending_.begin(), pending_.end(), [](const TPendingFinding& a, const TPendingFinding& b) {
            return a.Begin != b.Begin ? a.Begin < b.Begin : a.End < b.End;
        });
        std::vector<size_t> offsets;
        offsets.reserve(pending_.size() * 2);
        for (const TPendingFinding& p : pending_) {
            offsets.push_back(p.Begin);
            offsets.push_back(p.End);
        }
        std::sort(offsets.begin(), offsets.end());
        offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
        const std::vector<qsizetype> positions = page_.CodePositions(offsets);
        const auto position = [&](size_t offset) {
            return positions[static_cast<size_t>(std::lower_bound(offsets.begin(), offsets.end(), offset) - offsets.begin())];
        };

        QList<TFinding> findings;
        findings.reserve(static_cast<qsizetype>(pending_.size()));
        const QStringView code(input_.Code);
        qsizetype scanned = 0;   // line and column are counted up to here
        int line = 1;
        qsizetype lineStart = 0;
        for (const TPendingFinding& p : pending_) {
            TFinding f;
            f.Rule = p.Rule->Rule->Id;
            f.Severity = p.Rule->Rule->Severity;
            f.Message = Message(p);
            f.From = position(p.Begin);
            f.To = std::max(f.From, position(p.End));
            for (; scanned < f.From; ++scanned) {
                const QChar c = code[scanned];
                if (c == u'\n' || (c == u'\r' && (scanned + 1 >= code.size() || code[scanned + 1] != u'\n'))) {
                    ++line;
                    lineStart = scanned + 1;
                }
            }
            f.Line = line;
            f.Column = static_cast<int>(f.From - lineStart) + 1;
            f.Excerpt = Shorten(code.mid(f.From, std::min<qsizetype>(f.To - f.From, 200)).toString(), 60);
            f.Element = p.Element;
            f.Tag = p.Tag;
            f.Attribute = p.Attribute;
            findings.append(std::move(f));
        }
        return findings;
    }

    const TPublishInput& input_;
    TPageBytes page_;
    std::vector<TCompiledRule> rules_;
    std::vector<TPendingFinding> pending_;
    int regionOrdinal_ = -1;
};
}

TPublishReport CheckPublish(const TPublishRules& rules, const TPublishInput& input)
{
    return TChecker(rules, input).Run();
}
