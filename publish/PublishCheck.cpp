#include "PublishCheck.h"

#include "AsciiText.h"
#include "AttributeValue.h"
#include "GumboTree.h"
#include "InlineStyle.h"
#include "PageBytes.h"
#include "PageElements.h"
#include "WidgetConfigReader.h"
#include "WidgetOptions.h"

#include <algorithm>
#include <map>
#include <string>
#include <string_view>

namespace {
using Bytes = std::string_view;

constexpr size_t kNowhere = TAttributeValueMap::kNowhere;

// The storefront runtime's hooks: the class that makes an element a widget,
// and the attributes that say which widget and with what options.
constexpr Bytes kWidgetClass = "J_TWidget";
constexpr Bytes kWidgetType = "data-widget-type";
constexpr Bytes kWidgetConfig = "data-widget-config";

// Real decoration code gives a tag a few dozen attributes at most; past this
// many the parser's time grows with their square (see TPageBytes).
constexpr unsigned kMostAttributes = 1000;
// A message as the panel shows it: one line's worth. The rule's text is cut
// before its placeholders are filled, so that a huge message costs no more
// than a short one, finding after finding.
constexpr qsizetype kMessageMost = 300;
constexpr qsizetype kMessageTemplateMost = 4 * kMessageMost;
// Tag and attribute names go to the page to find the element by; longer
// ones are no names a page uses.
constexpr qsizetype kNameMost = 200;

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

// Calls `take` with each name of a class attribute's value, and its offset.
template <class Take>
void ForEachClass(Bytes value, Take&& take)
{
    size_t i = 0;
    while (i < value.size()) {
        while (i < value.size() && IsHtmlSpace(value[i]))
            ++i;
        size_t j = i;
        while (j < value.size() && !IsHtmlSpace(value[j]))
            ++j;
        if (j > i)
            take(value.substr(i, j - i), i);
        i = j;
    }
}

bool HasClass(const GumboAttribute* classes, const std::vector<std::string>& names)
{
    if (!classes || names.empty())
        return false;
    bool found = false;
    ForEachClass(Bytes(classes->value), [&](Bytes name, size_t) { found = found || Contains(names, name); });
    return found;
}

bool HasClass(const GumboAttribute* classes, Bytes name)
{
    bool found = false;
    if (classes)
        ForEachClass(Bytes(classes->value), [&](Bytes c, size_t) { found = found || c == name; });
    return found;
}

// The byte offset in UTF-8 text of a position counted in UTF-16 units.
size_t Utf8Offset(Bytes text, qsizetype units)
{
    size_t i = 0;
    for (; i < text.size() && units > 0; i += Utf8CharacterBytes(text[i]))
        units -= Utf8CharacterBytes(text[i]) == 4 ? 2 : 1;
    return std::min(i, text.size());
}

QString FromBytes(Bytes text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The first `most` characters of `text`, never half a surrogate pair.
QString Cut(const QString& text, qsizetype most)
{
    if (text.size() <= most)
        return text;
    if (most > 0 && text[most - 1].isHighSurrogate())
        --most;
    return text.left(most);
}

// The line of code position `at`, from 1, as the code pane counts lines.
int LineAt(QStringView code, qsizetype at)
{
    int line = 1;
    for (qsizetype i = 0; i < at && i < code.size(); ++i) {
        if (code[i] == u'\n' || (code[i] == u'\r' && (i + 1 >= code.size() || code[i + 1] != u'\n')))
            ++line;
    }
    return line;
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
    // are compared by name. Width: the elements whose width attribute is read.
    std::vector<GumboTag> Tags;
    // Width: what is read and what leaves the column, and for each element
    // whether it is in the column's flow (kInFlow), out of it or clipped
    // where the column cannot see it (kOutOfFlow), or inside an over-wide
    // block: then the block's finding.
    bool Width = false;
    bool MinWidth = false;
    bool MaxWidth = false;
    bool AnyWidthAttribute = false;
    std::vector<std::string> OutOfFlowClasses;
    std::vector<std::string> OverlayWidgets;
    std::vector<int> Blocks;
};

constexpr int kInFlow = -1;
constexpr int kOutOfFlow = -2;

// An element as the walk meets it, in document order.
using TVisited = TPageElement;

// A widget of the code, as the walk meets it.
struct TWidget {
    size_t Index;   // in the walk
    const GumboAttribute* Type;
    const GumboAttribute* Config;
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
    QString Type;    // {type}
    QString Option;  // {option}
    QString Error;   // {error}
    int Nested = 0;  // Width: the over-wide elements inside the block
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
                compiled.Width = rule.WidthStyles.contains(QLatin1String("width"));
                compiled.MinWidth = rule.WidthStyles.contains(QLatin1String("min-width"));
                compiled.MaxWidth = rule.WidthStyles.contains(QLatin1String("max-width"));
                compiled.AnyWidthAttribute = rule.WidthAttributeElements.isEmpty();
                compiled.Names = Utf8List(rule.WidthAttributeElements);
                for (const std::string& name : compiled.Names)
                    compiled.Tags.push_back(gumbo_tag_enum(name.c_str()));
                compiled.OutOfFlowClasses = Utf8List(rule.OutOfFlowClasses);
                compiled.OverlayWidgets = Utf8List(rule.OverlayWidgets);
            }
            rules_.push_back(std::move(compiled));
        }
    }

    TPublishReport Run()
    {
        TPublishReport report;
        if (const TPageBytes::TLimited limited = page_.LimitAttributes(kMostAttributes); limited.Tags > 0) {
            const qsizetype at = page_.CodePositions({limited.First}).front();
            report.Unfinished = QStringLiteral("代码里有 %1 个标签的属性多于 %2 个（第一个在第 %3 行），多出的属性没有检查。")
                                    .arg(limited.Tags)
                                    .arg(kMostAttributes)
                                    .arg(LineAt(input_.Code, at));
        }
        TGumboTree tree(page_.Bytes());
        const std::vector<TVisited> elements = PageElements(tree.Document());
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
        for (TCompiledRule& rule : rules_) {
            if (rule.Rule->Match == TPublishRule::TMatch::Width)
                rule.Blocks.assign(elements.size(), kInFlow);
        }
        for (size_t i = 0; i < elements.size(); ++i)
            CheckElement(elements, i);
        CheckWidgets(elements);
        report.Findings = Finish();
        return report;
    }

private:
    size_t Offset(const char* p) const { return static_cast<size_t>(p - page_.Bytes().data()); }
    bool InCode(size_t offset) const { return offset >= page_.CodeBegin() && offset < page_.CodeEnd(); }

    // The element the code goes into: the innermost element still open where
    // the code begins. Its start tag is the last one before the code, or an
    // ancestor of that element.
    size_t FindRegion(const std::vector<TVisited>& elements) const
    {
        const GumboNode* last = nullptr;
        for (const TVisited& v : elements) {
            const GumboElement& e = v.Node->v.element;
            if (v.Ordinal < 0 || IsParserCopy(v.Node) || e.original_tag.length == 0)
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

    // An attribute's text: its name, and its value with any quotes.
    static std::pair<size_t, size_t> AttributeSpan(const GumboAttribute& a)
    {
        return {a.name_start.offset, HasValue(a) ? a.value_end.offset : a.name_end.offset};
    }

    // The part [begin, end) of an attribute's decoded value in the page;
    // the whole attribute when the part cannot be placed.
    std::pair<size_t, size_t> ValueSpan(TAttributeValueMap& map, const GumboAttribute& a, size_t begin, size_t end) const
    {
        const size_t from = map.At(begin);
        const size_t to = from == kNowhere ? kNowhere : map.At(end);
        if (to == kNowhere)
            return AttributeSpan(a);
        return {from, to};
    }

    TPendingFinding& Add(const TCompiledRule& rule, size_t begin, size_t end, const TVisited& element,
                         Bytes attribute = {}, QString name = {}, QString width = {})
    {
        const int k = element.Ordinal >= 0 && regionOrdinal_ >= 0 && InCode(element.Node->v.element.start_pos.offset)
                          ? element.Ordinal - regionOrdinal_
                          : 0;
        pending_.push_back({&rule, begin, std::min(end, page_.CodeEnd()), std::max(k, 0), TagName(element.Node),
                            FromBytes(attribute), std::move(name), std::move(width)});
        return pending_.back();
    }

    void CheckElement(const std::vector<TVisited>& elements, size_t index)
    {
        const TVisited& visited = elements[index];
        // An element is where its parent is, until it says otherwise.
        for (TCompiledRule& rule : rules_) {
            if (!rule.Blocks.empty() && visited.Parent >= 0)
                rule.Blocks[index] = rule.Blocks[static_cast<size_t>(visited.Parent)];
        }
        const GumboNode* node = visited.Node;
        if (IsParserCopy(node))
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
        const GumboAttribute* classes = nullptr;
        const GumboAttribute* widgetType = nullptr;
        const GumboAttribute* widgetConfig = nullptr;
        for (unsigned i = 0; i < e.attributes.length; ++i) {
            const auto* a = static_cast<const GumboAttribute*>(e.attributes.data[i]);
            if (!InCode(a->name_start.offset))
                continue;
            const Bytes name(a->name);
            if (name == "style")
                style = a;
            else if (name == "width")
                width = a;
            else if (name == "class")
                classes = a;
            else if (name == kWidgetType)
                widgetType = a;
            else if (name == kWidgetConfig)
                widgetConfig = a;
            CheckAttribute(visited, *a, name);
        }
        if (e.original_tag.length > 0 && InCode(e.start_pos.offset)) {
            const bool widget = HasClass(classes, kWidgetClass);
            if (widget)
                widgets_.push_back({index, widgetType, widgetConfig});
            TInlineStyle declared;
            bool styleRead = false;
            for (TCompiledRule& rule : rules_) {
                if (rule.Rule->Match != TPublishRule::TMatch::Width || rule.Blocks[index] == kOutOfFlow)
                    continue;
                if (style && !styleRead) {
                    declared = ReadInlineStyle(style->value);
                    styleRead = true;
                }
                const bool leaves = declared.OutOfFlow || HasClass(classes, rule.OutOfFlowClasses) ||
                                    (widget && widgetType && Contains(rule.OverlayWidgets, Bytes(widgetType->value)));
                CheckWidth(rule, index, visited, declared, style, width, leaves);
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
        TAttributeValueMap map(page_.Bytes().data(), a);
        ForEachClass(Bytes(a.value), [&](Bytes name, size_t at) {
            if (Contains(rule.Exceptions, name))
                return;
            for (const std::string& prefix : rule.Names) {
                if (name.substr(0, prefix.size()) == prefix) {
                    const auto [begin, end] = ValueSpan(map, a, at, at + name.size());
                    Add(rule, begin, end, element, "class", FromBytes(name));
                    break;
                }
            }
        });
    }

    // How wide the element is set, as the browser reads it: an inline
    // style's width wins over the width attribute (of the elements that
    // have one), a max-width narrows it and a min-width widens it. Pixels,
    // or -1 when it follows its container or its content; `bounded` when
    // it is sure to be no wider than its container.
    struct TMeasure {
        double Pixels = -1;
        bool Bounded = false;
        const TStyleLength* From = nullptr;   // the declaration that decides, or the attribute's value
        bool FromAttribute = false;
    };

    static TMeasure Measure(const TCompiledRule& rule, const TInlineStyle& style, const TStyleLength& attribute)
    {
        TMeasure m;
        const auto take = [&](const TStyleLength& length, bool fromAttribute) {
            m.Pixels = length.Pixels;
            m.From = &length;
            m.FromAttribute = fromAttribute;
        };
        if (rule.Width && style.Width.Found) {
            if (style.Width.Pixels >= 0)
                take(style.Width, false);
            m.Bounded = style.Width.Percent >= 0 && style.Width.Percent <= 100;
        } else if (attribute.Found) {
            if (attribute.Pixels >= 0)
                take(attribute, true);
            m.Bounded = attribute.Percent >= 0 && attribute.Percent <= 100;
        }
        if (rule.MaxWidth && style.MaxWidth.Found) {
            const TStyleLength& most = style.MaxWidth;
            if (most.Percent >= 0 && most.Percent <= 100)
                m = TMeasure{-1, true};   // no wider than its container, whatever it says
            else if (most.Pixels >= 0 && m.Pixels > most.Pixels)
                take(most, false);
            else if (most.Pixels >= 0 && m.Pixels < 0)
                m.Bounded = m.Bounded || most.Pixels <= rule.Limit;
        }
        if (rule.MinWidth && style.MinWidth.Pixels > std::max(m.Pixels, 0.0)) {
            take(style.MinWidth, false);
            m.Bounded = false;
        }
        if (m.Pixels >= 0)
            m.Bounded = m.Pixels <= rule.Limit;
        return m;
    }

    // Block boxes in the flow are as wide as their container unless told
    // otherwise.
    static bool IsBlock(const GumboNode* node)
    {
        switch (node->v.element.tag) {
        case GUMBO_TAG_DIV: case GUMBO_TAG_P: case GUMBO_TAG_UL: case GUMBO_TAG_OL: case GUMBO_TAG_LI:
        case GUMBO_TAG_DL: case GUMBO_TAG_DT: case GUMBO_TAG_DD: case GUMBO_TAG_H1: case GUMBO_TAG_H2:
        case GUMBO_TAG_H3: case GUMBO_TAG_H4: case GUMBO_TAG_H5: case GUMBO_TAG_H6: case GUMBO_TAG_SECTION:
        case GUMBO_TAG_ARTICLE: case GUMBO_TAG_HEADER: case GUMBO_TAG_FOOTER: case GUMBO_TAG_NAV:
        case GUMBO_TAG_ASIDE: case GUMBO_TAG_MAIN: case GUMBO_TAG_BLOCKQUOTE: case GUMBO_TAG_CENTER:
        case GUMBO_TAG_FIGURE: case GUMBO_TAG_FORM: case GUMBO_TAG_ADDRESS: case GUMBO_TAG_PRE:
            return node->v.element.tag_namespace == GUMBO_NAMESPACE_HTML;
        default:
            return false;
        }
    }

    // One finding per over-wide block: what is nested in it only counts.
    // Nothing out of the column's flow is measured, nor anything a block
    // within the column clips.
    void CheckWidth(TCompiledRule& rule, size_t index, const TVisited& element, const TInlineStyle& style,
                    const GumboAttribute* styleAttribute, const GumboAttribute* widthAttribute, bool leaves)
    {
        int& block = rule.Blocks[index];
        if (leaves) {
            block = kOutOfFlow;
            return;
        }
        const GumboNode* node = element.Node;
        TStyleLength attribute;
        if (widthAttribute && (rule.AnyWidthAttribute || IsElementOf(rule, node)))
            attribute = AttributeWidth(widthAttribute->value);
        const TMeasure m = Measure(rule, style, attribute);
        if (m.Pixels > rule.Limit) {
            if (block >= 0) {
                ++pending_[static_cast<size_t>(block)].Nested;
                return;
            }
            std::pair<size_t, size_t> span;
            if (m.FromAttribute) {
                span = AttributeSpan(*widthAttribute);
            } else {
                TAttributeValueMap map(page_.Bytes().data(), *styleAttribute);
                span = ValueSpan(map, *styleAttribute, m.From->Begin, m.From->End);
            }
            Add(rule, span.first, span.second, element, m.FromAttribute ? "width" : "style", {}, m.From->Written);
            block = static_cast<int>(pending_.size() - 1);
            return;
        }
        const bool bounded = m.Bounded || (m.Pixels < 0 && !(rule.Width && style.Width.Found) && !attribute.Found &&
                                           IsBlock(node) && !style.Floats && !style.WidthFromContent);
        if (block == kInFlow && style.Clips && bounded)
            block = kOutOfFlow;
    }

    // What of a widget the storefront cannot run: a type it does not know,
    // options it cannot read, classes its options name that nothing has.
    void CheckWidgets(const std::vector<TVisited>& elements)
    {
        struct TClassQuery {
            const TCompiledRule* Rule;
            const TWidget* Widget;
            std::string Class;
            QString Option;
            std::pair<size_t, size_t> Span;
            bool InModule;
        };
        std::vector<TClassQuery> queries;
        for (const TWidget& widget : widgets_) {
            const TVisited& element = elements[widget.Index];
            const Bytes type = widget.Type ? Bytes(widget.Type->value) : Bytes();
            bool wantsConfig = false;
            for (const TCompiledRule& rule : rules_) {
                const TPublishRule& r = *rule.Rule;
                if (r.Match == TPublishRule::TMatch::WidgetType && !type.empty() && !Contains(rule.Names, type)) {
                    const auto [begin, end] = AttributeSpan(*widget.Type);
                    Add(rule, begin, end, element, kWidgetType).Type = FromBytes(type);
                }
                wantsConfig = wantsConfig || r.Match == TPublishRule::TMatch::WidgetConfig ||
                              (r.Match == TPublishRule::TMatch::WidgetClass && r.ClassOptions.contains(FromBytes(type)));
            }
            if (!widget.Config || !wantsConfig)
                continue;
            const GumboAttribute& a = *widget.Config;
            const Bytes text(a.value);
            const TWidgetConfig config = configs_.Read(FromBytes(text));
            TAttributeValueMap map(page_.Bytes().data(), a);
            if (config.State == TWidgetConfig::TState::Unreadable) {
                const size_t at = Utf8Offset(text, config.Position);
                std::pair<size_t, size_t> span;
                if (at < text.size()) {
                    span = ValueSpan(map, a, at, at + Utf8CharacterBytes(text[at]));
                } else {
                    // The text ran out: the place is its end, and the quote
                    // that ended it too soon.
                    span = {map.At(at), a.value_end.offset};
                    size_t last = at;   // without a quote, its last character
                    while (last > 0 && (static_cast<unsigned char>(text[--last]) & 0xC0) == 0x80) {}
                    if (span.first == kNowhere)
                        span = AttributeSpan(a);
                    else if (span.first == span.second && at > 0)
                        span.first = ValueSpan(map, a, last, at).first;
                }
                for (const TCompiledRule& rule : rules_) {
                    if (rule.Rule->Match == TPublishRule::TMatch::WidgetConfig)
                        Add(rule, span.first, span.second, element, kWidgetConfig).Error = config.Error;
                }
            }
            if (config.State != TWidgetConfig::TState::Read)
                continue;
            for (const TCompiledRule& rule : rules_) {
                const TPublishRule& r = *rule.Rule;
                if (r.Match != TPublishRule::TMatch::WidgetClass)
                    continue;
                const bool inModule = r.LookInModule.contains(FromBytes(type));
                for (const QString& path : r.ClassOptions.value(FromBytes(type))) {
                    for (const auto& [option, value] : OptionStrings(config.Value, path)) {
                        const std::string name = OptionClass(value);
                        if (name.empty() || !OptionInUse(config.Value, option))
                            continue;
                        const size_t found = FindOptionValue(text, option, value.toStdString());
                        const auto span = found == kNowhere
                                              ? AttributeSpan(a)
                                              : ValueSpan(map, a, found, found + value.toUtf8().size());
                        queries.push_back({&rule, &widget, name, option, span, inModule});
                    }
                }
            }
        }
        if (queries.empty())
            return;

        // Where each class asked for is, as indexes into the walk (in order);
        // and where each element's descendants end.
        std::map<std::string, std::vector<size_t>, std::less<>> where;
        for (const TClassQuery& q : queries)
            where[q.Class];
        std::vector<size_t> end(elements.size());
        for (size_t i = 0; i < elements.size(); ++i)
            end[i] = i + 1;
        for (size_t i = elements.size(); i-- > 0;) {
            if (elements[i].Parent >= 0) {
                size_t& parentEnd = end[static_cast<size_t>(elements[i].Parent)];
                parentEnd = std::max(parentEnd, end[i]);
            }
            const GumboElement& e = elements[i].Node->v.element;
            if (elements[i].Ordinal < 0 || !InCode(e.start_pos.offset))
                continue;
            const GumboAttribute* classes = gumbo_get_attribute(&e.attributes, "class");
            if (!classes)
                continue;
            ForEachClass(Bytes(classes->value), [&](Bytes name, size_t) {
                const auto it = where.find(name);
                if (it != where.end() && (it->second.empty() || it->second.back() != i))
                    it->second.push_back(i);
            });
        }
        for (auto& [name, list] : where)
            std::reverse(list.begin(), list.end());
        for (const TClassQuery& q : queries) {
            const std::vector<size_t>& list = where[q.Class];
            const size_t widget = q.Widget->Index;
            const auto inside = std::upper_bound(list.begin(), list.end(), widget);
            if (q.InModule ? !list.empty() : inside != list.end() && *inside < end[widget])
                continue;
            TPendingFinding& f = Add(*q.Rule, q.Span.first, q.Span.second, elements[widget], kWidgetConfig,
                                     FromBytes(q.Class));
            f.Option = q.Option;
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
        QString message = Cut(p.Rule->Rule->Message, kMessageTemplateMost);
        message.replace(QLatin1String("{tag}"), Shorten(p.Tag, 40));
        message.replace(QLatin1String("{attribute}"), Shorten(p.Attribute, 40));
        message.replace(QLatin1String("{class}"), Shorten(p.Name, 40));
        message.replace(QLatin1String("{width}"), Shorten(p.Width, 20));
        message.replace(QLatin1String("{limit}"), QString::number(p.Rule->Limit));
        message.replace(QLatin1String("{type}"), Shorten(p.Type, 40));
        message.replace(QLatin1String("{option}"), Shorten(p.Option, 40));
        message.replace(QLatin1String("{error}"), Shorten(p.Error, 80));
        if (p.Nested > 0 && !p.Rule->Rule->NestedMessage.isEmpty())
            message += Cut(p.Rule->Rule->NestedMessage, kMessageTemplateMost)
                           .replace(QLatin1String("{count}"), QString::number(p.Nested));
        return message.size() > kMessageMost ? Cut(message, kMessageMost - 1) + QChar(0x2026) : message;
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
            f.Tag = Cut(p.Tag, kNameMost);
            f.Attribute = Cut(p.Attribute, kNameMost);
            findings.append(std::move(f));
        }
        return findings;
    }

    const TPublishInput& input_;
    TPageBytes page_;
    std::vector<TCompiledRule> rules_;
    std::vector<TPendingFinding> pending_;
    std::vector<TWidget> widgets_;
    TWidgetConfigReader configs_;
    int regionOrdinal_ = -1;
};
}

TPublishReport CheckPublish(const TPublishRules& rules, const TPublishInput& input)
{
    return TChecker(rules, input).Run();
}
