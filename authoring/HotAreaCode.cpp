#include "HotAreaCode.h"

#include "AsciiText.h"
#include "GumboTree.h"
#include "InlineStyle.h"
#include "PageBytes.h"
#include "PageElements.h"

#include <QPainter>
#include <QSet>
#include <QVariantMap>

#include <algorithm>
#include <cmath>
#include <charconv>
#include <string>
#include <string_view>

namespace {
using Bytes = std::string_view;

// How far from the number the page gave an element is looked for, when the
// page's own scripts changed the document before we counted.
constexpr int kSearch = 2000;

QString FromUtf8(Bytes text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

bool IsElement(const GumboNode* node)
{
    return node && (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE);
}

QString TagName(const GumboNode* node)
{
    const GumboElement& e = node->v.element;
    if (e.tag != GUMBO_TAG_UNKNOWN)
        return QString::fromLatin1(gumbo_normalized_tagname(e.tag));
    GumboStringPiece name = e.original_tag;
    gumbo_tag_from_original_text(&name);
    return FromUtf8(Bytes(name.data, name.length)).toLower();
}

bool Is(const GumboNode* node, GumboTag tag)
{
    return IsElement(node) && node->v.element.tag == tag && node->v.element.tag_namespace == GUMBO_NAMESPACE_HTML;
}

const GumboAttribute* Attribute(const GumboNode* node, const char* name)
{
    return gumbo_get_attribute(&node->v.element.attributes, name);
}

QString AttributeValue(const GumboNode* node, const char* name)
{
    const GumboAttribute* a = Attribute(node, name);
    return a ? QString::fromUtf8(a->value) : QString();
}

// gumbo gives an attribute without a value its name as the value's text.
bool HasValue(const GumboAttribute& a)
{
    return a.original_value.data != a.original_name.data;
}

TInlineStyle StyleOf(const GumboNode* node)
{
    const GumboAttribute* style = Attribute(node, "style");
    return style ? ReadInlineStyle(style->value) : TInlineStyle();
}

bool Positioned(const GumboNode* node)
{
    return StyleOf(node).Position != TInlineStyle::TPosition::Static;
}

bool Absolute(const GumboNode* node)
{
    return StyleOf(node).Position == TInlineStyle::TPosition::Absolute;
}

// A length in whole pixels, as `style` (an element's style attribute) sets
// it; a bare 0 is one too.
std::optional<int> Pixels(const TStyleLength& length, std::string_view style)
{
    if (!length.Found)
        return std::nullopt;
    double pixels = length.Pixels;
    if (pixels < 0) {
        const std::string_view declaration = style.substr(length.Begin, length.End - length.Begin);
        std::string_view value = declaration.substr(std::min(declaration.size(), declaration.find(':') + 1));
        while (!value.empty() && IsHtmlSpace(value.front()))
            value.remove_prefix(1);
        if (value != "0")
            return std::nullopt;
        pixels = 0;
    }
    if (pixels > 1e6)
        return std::nullopt;
    return int(std::lround(pixels));
}

// HTML's list of numbers in a coords attribute: separated by white space,
// commas or semicolons, each read as far as it is a number (else 0).
QList<double> Numbers(const QString& text)
{
    QList<double> out;
    const QByteArray bytes = text.toLatin1();
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    const auto separator = [](char c) { return c == ',' || c == ';' || IsHtmlSpace(c); };
    while (p < end) {
        while (p < end && separator(*p))
            ++p;
        if (p >= end)
            break;
        double number = 0;
        const auto [stop, error] = std::from_chars(p, end, number);
        out.append(error == std::errc() && std::isfinite(number) ? number : 0);
        p = std::max(p, stop);
        while (p < end && !separator(*p))
            ++p;
    }
    return out;
}

QString Escaped(const QString& value)
{
    return value.toHtmlEscaped();
}

bool IsBlank(const QString& text)
{
    for (const QChar c : text) {
        if (!(c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f'))
            return false;
    }
    return true;
}

bool InsidePair(const QString& text, qsizetype at)
{
    return at > 0 && at < text.size() && text[at - 1].isHighSurrogate() && text[at].isLowSurrogate();
}

// The edit cut down to what it changes.
TCodeEdit Trimmed(const QString& code, TCodeEdit edit)
{
    const QStringView old = QStringView(code).mid(edit.From, edit.To - edit.From);
    qsizetype head = 0;
    while (head < old.size() && head < edit.Text.size() && old[head] == edit.Text[head])
        ++head;
    while (head > 0 && (InsidePair(code, edit.From + head) || InsidePair(edit.Text, head)))
        --head;
    qsizetype tail = 0;
    while (tail < old.size() - head && tail < edit.Text.size() - head &&
           old[old.size() - 1 - tail] == edit.Text[edit.Text.size() - 1 - tail])
        ++tail;
    while (tail > 0 && (InsidePair(code, edit.To - tail) || InsidePair(edit.Text, edit.Text.size() - tail)))
        --tail;
    edit.Text = edit.Text.mid(head, edit.Text.size() - head - tail);
    edit.From += head;
    edit.To -= tail;
    return edit;
}
}

std::optional<TPictureHit> TPictureHit::FromVariant(const QVariant& value)
{
    const QVariantMap map = value.toMap();
    if (map.isEmpty() || map.value(QStringLiteral("tag")).toString().isEmpty())
        return std::nullopt;
    TPictureHit hit;
    hit.Element = map.value(QStringLiteral("element"), -1).toInt();
    hit.Tag = map.value(QStringLiteral("tag")).toString().toLower();
    hit.Source = map.value(QStringLiteral("src")).toString();
    hit.Picture = QUrl(map.value(QStringLiteral("picture")).toString());
    hit.Background = map.value(QStringLiteral("background")).toBool();
    hit.Size = QSize(qRound(map.value(QStringLiteral("width")).toDouble()),
                     qRound(map.value(QStringLiteral("height")).toDouble()));
    hit.Loaded = map.value(QStringLiteral("loaded")).toBool();
    hit.Positioned = map.value(QStringLiteral("positioned")).toBool();
    hit.BackgroundSize = map.value(QStringLiteral("backgroundSize")).toString();
    hit.BackgroundPosition = map.value(QStringLiteral("backgroundPosition")).toString();
    hit.BackgroundRepeat = map.value(QStringLiteral("backgroundRepeat")).toString();
    if (hit.Size.isEmpty())
        return std::nullopt;
    return hit;
}

QRect BackgroundPlacement(const TPictureHit& hit, QSize natural)
{
    const QSize box = hit.Size;
    if (natural.isEmpty())
        return {};
    // One length of background-size or -position: px, % of `of`, or auto.
    const auto length = [](const QString& text, double of, double fallback) {
        if (text.endsWith(u'%'))
            return of * QStringView(text).chopped(1).toDouble() / 100;
        if (text.endsWith(QLatin1String("px")))
            return QStringView(text).chopped(2).toDouble();
        return fallback;
    };
    QSizeF size(natural);
    const QString sizeText = hit.BackgroundSize.trimmed();
    if (sizeText == QLatin1String("cover") || sizeText == QLatin1String("contain")) {
        const double sx = double(box.width()) / natural.width();
        const double sy = double(box.height()) / natural.height();
        const double s = sizeText == QLatin1String("cover") ? std::max(sx, sy) : std::min(sx, sy);
        size = QSizeF(natural) * s;
    } else if (!sizeText.isEmpty() && sizeText != QLatin1String("auto")) {
        const QStringList parts = sizeText.split(u' ', Qt::SkipEmptyParts);
        const double w = length(parts.value(0), box.width(), -1);
        const double h = length(parts.value(1, QStringLiteral("auto")), box.height(), -1);
        if (w >= 0 && h >= 0)
            size = QSizeF(w, h);
        else if (w >= 0)
            size = QSizeF(w, w * natural.height() / natural.width());
        else if (h >= 0)
            size = QSizeF(h * natural.width() / natural.height(), h);
    }
    const QStringList position = hit.BackgroundPosition.split(u' ', Qt::SkipEmptyParts);
    // A percentage places that point of the picture on that point of the box.
    const double x = length(position.value(0, QStringLiteral("0px")), box.width() - size.width(), 0);
    const double y = length(position.value(1, QStringLiteral("0px")), box.height() - size.height(), 0);
    return QRectF(QPointF(x, y), size).toRect();
}

QImage PictureAsShown(const TPictureHit& hit, const QImage& natural)
{
    if (natural.isNull() || hit.Size.isEmpty())
        return {};
    if (!hit.Background)
        return natural.size() == hit.Size ? natural
                                          : natural.scaled(hit.Size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage shown(hit.Size, QImage::Format_RGB32);
    shown.fill(Qt::white);
    const QRect at = BackgroundPlacement(hit, natural.size());
    if (at.isEmpty())
        return shown;
    // "repeat-x" is "repeat no-repeat", one keyword is both ways.
    QStringList repeat = hit.BackgroundRepeat.split(u' ', Qt::SkipEmptyParts);
    if (repeat.value(0) == QLatin1String("repeat-x"))
        repeat = {QStringLiteral("repeat"), QStringLiteral("no-repeat")};
    else if (repeat.value(0) == QLatin1String("repeat-y"))
        repeat = {QStringLiteral("no-repeat"), QStringLiteral("repeat")};
    const bool tileX = repeat.value(0, QStringLiteral("repeat")) != QLatin1String("no-repeat");
    const bool tileY = repeat.value(1, repeat.value(0, QStringLiteral("repeat"))) != QLatin1String("no-repeat");
    // Tiles run back from the placed one to the element's edge.
    const auto first = [](int start, int step) { return start - int(std::ceil(double(start) / step)) * step; };
    QPainter painter(&shown);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int y = tileY ? first(at.y(), at.height()) : at.y(); y < hit.Size.height(); y += at.height()) {
        for (int x = tileX ? first(at.x(), at.width()) : at.x(); x < hit.Size.width(); x += at.width()) {
            painter.drawImage(QRect(QPoint(x, y), at.size()), natural);
            if (!tileX)
                break;
        }
        if (!tileY)
            break;
    }
    return shown;
}

QString ApplyCodeEdits(const QString& code, const QList<TCodeEdit>& edits)
{
    QString out;
    out.reserve(code.size());
    qsizetype at = 0;
    for (const TCodeEdit& e : edits) {
        out += QStringView(code).mid(at, e.From - at);
        out += e.Text;
        at = e.To;
    }
    out += QStringView(code).mid(at);
    return out;
}

// ---- reading ---------------------------------------------------------------

namespace {
// A part of a map's or a link box's content, from one child's start to the
// next's, so that every byte between the tags is kept: the picture, a slot
// that holds an area or a link, or whatever else is written there.
struct TPiece {
    enum class TKind { Text, Picture, Slot } Kind = TKind::Text;
    QString Text;
};
using TPieceSpans = std::vector<std::pair<TPiece::TKind, int>>;

THotArea::TShape ShapeOf(const QString& written)
{
    const QString shape = written.trimmed().toLower();
    if (shape == QLatin1String("circle") || shape == QLatin1String("circ"))
        return THotArea::TShape::Circle;
    if (shape == QLatin1String("poly") || shape == QLatin1String("polygon"))
        return THotArea::TShape::Polygon;
    if (shape == QLatin1String("default"))
        return THotArea::TShape::Whole;
    // Missing and unknown shapes are rectangles to the browser.
    return THotArea::TShape::Rect;
}

void ReadLinkValues(const GumboNode* node, THotArea& area)
{
    area.Link = AttributeValue(node, "href");
    area.NewWindow = AttributeValue(node, "target").compare(QLatin1String("_blank"), Qt::CaseInsensitive) == 0;
    area.Tip = Attribute(node, "title") ? AttributeValue(node, "title") : AttributeValue(node, "alt");
}

THotArea ReadArea(const GumboNode* node)
{
    THotArea area;
    ReadLinkValues(node, area);
    area.Shape = ShapeOf(AttributeValue(node, "shape"));
    const QList<double> n = Numbers(AttributeValue(node, "coords"));
    const auto at = [&](qsizetype i) { return int(std::lround(std::clamp(n[i], -1e6, 1e6))); };
    switch (area.Shape) {
    case THotArea::TShape::Rect:
        if (n.size() >= 4)
            area.Rect = QRect(QPoint(std::min(at(0), at(2)), std::min(at(1), at(3))),
                              QPoint(std::max(at(0), at(2)) - 1, std::max(at(1), at(3)) - 1));
        else
            area.Shape = THotArea::TShape::Other;   // no rectangle: the browser ignores it
        break;
    case THotArea::TShape::Circle:
        if (n.size() >= 3)
            area.Rect = QRect(at(0) - at(2), at(1) - at(2), 2 * at(2), 2 * at(2));
        break;
    case THotArea::TShape::Polygon:
        for (qsizetype i = 0; i + 1 < n.size(); i += 2)
            area.Outline << QPoint(at(i), at(i + 1));
        area.Rect = area.Outline.boundingRect();
        break;
    default:
        break;
    }
    if (area.Editable())
        area.Read = THotArea::TRead{area.Rect, area.Link, area.NewWindow, area.Tip};
    return area;
}

// A link of a link box: a rectangle when it is placed by left, top, width
// and height in pixels; kept as it is otherwise.
THotArea ReadLink(const GumboNode* node)
{
    THotArea area;
    ReadLinkValues(node, area);
    const GumboAttribute* written = Attribute(node, "style");
    const std::string_view text = written ? std::string_view(written->value) : std::string_view();
    const TInlineStyle style = StyleOf(node);
    const auto left = Pixels(style.Left, text), top = Pixels(style.Top, text);
    const auto width = Pixels(style.Width, text), height = Pixels(style.Height, text);
    if (left && top && width && height && *width > 0 && *height > 0) {
        area.Rect = QRect(*left, *top, *width, *height);
        area.Read = THotArea::TRead{area.Rect, area.Link, area.NewWindow, area.Tip};
    } else {
        area.Shape = THotArea::TShape::Other;
    }
    return area;
}

bool BlankBytes(const GumboStringPiece& text)
{
    for (size_t i = 0; i < text.length; ++i) {
        const char c = text.data[i];
        if (!(c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'))
            return false;
    }
    return true;
}

class TReader {
public:
    TReader(const QString& head, const QString& code, const QString& tail)
        : page_(head, code, tail), tree_(page_.Bytes()), elements_(PageElements(tree_.Document()))
    {
    }

    const std::vector<TPageElement>& Elements() const { return elements_; }
    char Byte(size_t offset) const { return page_.Bytes()[offset]; }
    size_t Offset(const char* p) const { return size_t(p - page_.Bytes().data()); }
    bool InCode(size_t offset) const { return offset >= page_.CodeBegin() && offset < page_.CodeEnd(); }

    // The element's start tag is written in the code.
    bool StartsInCode(const GumboNode* node) const
    {
        const GumboElement& e = node->v.element;
        return e.original_tag.length > 0 && !IsParserCopy(node) && InCode(e.start_pos.offset);
    }
    static size_t StartTagEnd(const GumboNode* node)
    {
        return node->v.element.start_pos.offset + node->v.element.original_tag.length;
    }
    // Where a new attribute goes in the element's start tag: after its last
    // attribute, or after its name. Never before a "/" at the end: after an
    // unquoted value it is part of the value.
    size_t AttributePlace(const GumboNode* node) const
    {
        const GumboElement& e = node->v.element;
        size_t at = e.start_pos.offset + 1;
        while (at < StartTagEnd(node) && !IsHtmlSpace(Byte(at)) && Byte(at) != '/' && Byte(at) != '>')
            ++at;
        for (unsigned i = 0; i < e.attributes.length; ++i) {
            const auto* a = static_cast<const GumboAttribute*>(e.attributes.data[i]);
            at = std::max<size_t>(at, HasValue(*a) ? a->value_end.offset : a->name_end.offset);
        }
        return at;
    }
    // The element from its start tag to the end of its end tag, both
    // written in the code.
    bool WholeInCode(const GumboNode* node, size_t& begin, size_t& end) const
    {
        const GumboElement& e = node->v.element;
        if (!StartsInCode(node) || e.original_end_tag.length == 0)
            return false;
        begin = e.start_pos.offset;
        end = e.end_pos.offset + e.original_end_tag.length;
        return end > begin && end <= page_.CodeEnd();
    }

    // The content of `parent` (whole in the code) as pieces: `picture` and
    // each child `slot` takes (from its start tag to the end of its end
    // tag, if it has one) are pieces of their own, the rest is text.
    template <class Slot>
    TPieceSpans Cut(const GumboNode* parent, const GumboNode* picture, Slot&& slot)
    {
        TPieceSpans out;
        size_t at = StartTagEnd(parent);
        const GumboVector& children = parent->v.element.children;
        for (unsigned i = 0; i < children.length; ++i) {
            const auto* child = static_cast<const GumboNode*>(children.data[i]);
            const bool isPicture = child == picture;
            if (!isPicture && !slot(child))
                continue;
            const GumboElement& e = child->v.element;
            const size_t begin = e.start_pos.offset;
            const size_t end = !isPicture && e.original_end_tag.length > 0 ? e.end_pos.offset + e.original_end_tag.length
                                                                           : StartTagEnd(child);
            if (begin > at)
                out.push_back({TPiece::TKind::Text, Span(at, begin)});
            out.push_back({isPicture ? TPiece::TKind::Picture : TPiece::TKind::Slot, Span(begin, end)});
            at = end;
        }
        if (parent->v.element.end_pos.offset > at)
            out.push_back({TPiece::TKind::Text, Span(at, parent->v.element.end_pos.offset)});
        return out;
    }

    // Spans of bytes, kept until Map() turns them all into code positions
    // in one pass.
    int Span(size_t begin, size_t end)
    {
        offsets_.push_back(begin);
        offsets_.push_back(end);
        return int(offsets_.size() / 2 - 1);
    }
    void Map()
    {
        std::vector<size_t> sorted = offsets_;
        std::sort(sorted.begin(), sorted.end());
        sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
        const std::vector<qsizetype> mapped = page_.CodePositions(sorted);
        for (size_t o : offsets_)
            positions_.push_back(mapped[size_t(std::lower_bound(sorted.begin(), sorted.end(), o) - sorted.begin())]);
    }
    qsizetype From(int span) const { return positions_[size_t(span) * 2]; }
    qsizetype To(int span) const { return positions_[size_t(span) * 2 + 1]; }

private:
    TPageBytes page_;
    TGumboTree tree_;
    std::vector<TPageElement> elements_;
    std::vector<size_t> offsets_;
    std::vector<qsizetype> positions_;
};
}

struct THotAreaCode::TData {
    QString code;
    bool background = false;
    bool inLink = false;   // the picture lies inside an <a>: no link may go in there

    // The img: its start tag, and the same without its usemap attribute.
    qsizetype imgFrom = -1, imgTo = -1;
    QString imgTag, imgTagBare, usemap;
    qsizetype imgAttributeAt = 0;   // where a new attribute goes in imgTagBare

    // Its map, when the map is written in the code and used by no other
    // picture: rewritten where it stands.
    bool mapInPlace = false;
    qsizetype mapFrom = -1, mapTo = -1;
    QString mapName, mapStartTag, mapEndTag;
    QList<TPiece> mapPieces;
    QString freeName;   // a map name nothing in the page uses

    // The link box: the img's parent holding its links, or the element with
    // the background picture itself (which becomes one).
    bool box = false;
    bool plainBox = false;   // a style and only the img, its links and white space
    qsizetype boxFrom = -1, boxTo = -1;
    QString boxStartTag, boxPlacedStartTag, boxEndTag;
    QList<TPiece> pieces;
};

THotAreaCode::~THotAreaCode() = default;

THotAreaCode::THotAreaCode(const QString& head, const QString& code, const QString& tail, const TPictureHit& hit)
    : d_(std::make_unique<TData>())
{
    TData& d = *d_;
    d.code = code;
    d.background = hit.Background;
    size_ = hit.Size;
    TReader reader(head, code, tail);
    const std::vector<TPageElement>& elements = reader.Elements();

    // The picture: the element the page numbered so, or the nearest that is
    // the same picture (a script of the page may have added elements before
    // we counted). A background has no address to tell it by: only its own
    // number will do.
    const auto same = [&](const TPageElement& e) {
        return TagName(e.Node) == hit.Tag && (hit.Background || AttributeValue(e.Node, "src") == hit.Source);
    };
    std::vector<const TPageElement*> byOrdinal;
    for (const TPageElement& e : elements) {
        if (e.Ordinal >= 0)
            byOrdinal.push_back(&e);
    }
    const GumboNode* picture = nullptr;
    const int reach = hit.Background ? 0 : kSearch;
    for (int distance = 0; hit.Element >= 0 && distance <= reach && !picture; ++distance) {
        for (const int at : {hit.Element - distance, hit.Element + distance}) {
            if (at >= 0 && at < int(byOrdinal.size()) && same(*byOrdinal[size_t(at)])) {
                picture = byOrdinal[size_t(at)]->Node;
                break;
            }
        }
    }
    if (hit.Element < 0 && !hit.Background) {
        // Made by a script (a carousel's copy of a slide): the first of the
        // code's pictures with that address is the one it copies.
        for (const TPageElement& e : elements) {
            if (e.Ordinal >= 0 && reader.StartsInCode(e.Node) && same(e)) {
                picture = e.Node;
                break;
            }
        }
    }
    if (!picture || !reader.StartsInCode(picture)) {
        problem_ = QStringLiteral("在代码里找不到这张图片：它不在自定义代码里，或是由脚本生成的。");
        return;
    }
    for (const GumboNode* up = picture; IsElement(up); up = up->parent)
        d.inLink |= Is(up, GUMBO_TAG_A);

    QSet<QString> usedNames;
    for (const TPageElement& e : elements) {
        if (Is(e.Node, GUMBO_TAG_MAP)) {
            usedNames.insert(AttributeValue(e.Node, "name").toLower());
            usedNames.insert(AttributeValue(e.Node, "id").toLower());
        }
        if (Attribute(e.Node, "usemap"))
            usedNames.insert(AttributeValue(e.Node, "usemap").mid(1).toLower());
    }
    for (int n = 1; d.freeName.isEmpty() || usedNames.contains(d.freeName); ++n)
        d.freeName = QStringLiteral("hotarea-%1").arg(n);

    std::vector<std::pair<int, THotArea>> read;   // each area with the span of its text
    std::vector<std::pair<int, int>> inner;       // a link's span and its content's

    // ---- the img and its map
    int imgSpan = -1, usemapSpan = -1, imgPlaceSpan = -1, mapStartSpan = -1, mapEndSpan = -1;
    TPieceSpans mapPieceSpans;
    const GumboNode* map = nullptr;
    size_t mapBegin = 0, mapEnd = 0;
    bool mapShared = false;
    if (!hit.Background) {
        const GumboElement& img = picture->v.element;
        imgSpan = reader.Span(img.start_pos.offset, TReader::StartTagEnd(picture));
        imgPlaceSpan = reader.Span(reader.AttributePlace(picture), reader.AttributePlace(picture));
        if (const GumboAttribute* a = Attribute(picture, "usemap")) {
            // With the white space before it: taken out, the tag is as it
            // would be without it.
            size_t begin = a->name_start.offset;
            while (begin > img.start_pos.offset && IsHtmlSpace(reader.Byte(begin - 1)))
                --begin;
            usemapSpan = reader.Span(begin, HasValue(*a) ? a->value_end.offset : a->name_end.offset);
            d.usemap = QString::fromUtf8(a->value);
        }
        // The map it uses: the first by that name, as the browser takes it.
        const QString name = d.usemap.startsWith(u'#') ? d.usemap.mid(1) : QString();
        for (const TPageElement& e : elements) {
            if (!name.isEmpty() && Is(e.Node, GUMBO_TAG_MAP) &&
                (AttributeValue(e.Node, "name") == name || AttributeValue(e.Node, "id") == name)) {
                map = e.Node;
                break;
            }
        }
        // A map of the page's own, not the code's, stays as it is.
        if (map && !reader.WholeInCode(map, mapBegin, mapEnd))
            map = nullptr;
        if (map) {
            for (const TPageElement& e : elements)
                mapShared |= e.Node != picture && Attribute(e.Node, "usemap") && AttributeValue(e.Node, "usemap") == d.usemap;
            if (img.start_pos.offset >= mapBegin && img.start_pos.offset < mapEnd) {
                problem_ = QStringLiteral("这张图片写在它自己的 map 里面，无法编辑它的热区。");
                return;
            }
            for (const TPageElement& e : elements) {
                if (!Is(e.Node, GUMBO_TAG_AREA) || e.Node->parent == map)
                    continue;
                for (const GumboNode* up = e.Node->parent; IsElement(up); up = up->parent) {
                    if (up == map) {
                        problem_ = QStringLiteral("这张图片的 map 里有不直接写在 map 下的热区，无法编辑。");
                        return;
                    }
                }
            }
            // The map's first area takes the click: it is the topmost, the
            // last of the list.
            const GumboVector& children = map->v.element.children;
            for (unsigned i = 0; i < children.length; ++i) {
                const auto* child = static_cast<const GumboNode*>(children.data[i]);
                if (Is(child, GUMBO_TAG_AREA))
                    read.insert(read.begin(), {reader.Span(child->v.element.start_pos.offset, TReader::StartTagEnd(child)),
                                               ReadArea(child)});
            }
            written_ = THotOutput::ImageMap;
        }
    }

    // ---- the link box
    const auto isLink = [](const GumboNode* node) {
        return Is(node, GUMBO_TAG_A) && Absolute(node);
    };
    const auto holdsLinks = [&](const GumboNode* node) {
        const GumboVector& children = node->v.element.children;
        for (unsigned i = 0; i < children.length; ++i) {
            if (isLink(static_cast<const GumboNode*>(children.data[i])))
                return true;
        }
        return false;
    };
    const GumboNode* box = nullptr;
    bool boxHasLinks = false;
    size_t boxBegin = 0, boxEnd = 0;
    if (hit.Background) {
        if (d.inLink) {
            problem_ = QStringLiteral("这张图片在一个链接里面，链接里不能再放热区链接。");
            return;
        }
        box = picture;
        if (!reader.WholeInCode(box, boxBegin, boxEnd)) {
            problem_ = QStringLiteral("这个元素的结束标记不在自定义代码里，无法在其中放热区链接。");
            return;
        }
        boxHasLinks = holdsLinks(box) && (hit.Positioned || Positioned(box));
    } else if (const GumboNode* parent = picture->parent;
               IsElement(parent) && Positioned(parent) && holdsLinks(parent) && reader.WholeInCode(parent, boxBegin, boxEnd)) {
        box = parent;
        boxHasLinks = true;
    }
    if (boxHasLinks)
        written_ = THotOutput::PositionedLinks;
    int boxStartSpan = -1, boxEndSpan = -1, styleSpan = -1, boxPlaceSpan = -1;
    TPieceSpans pieceSpans;
    if (box) {
        const GumboElement& b = box->v.element;
        d.box = true;
        boxStartSpan = reader.Span(boxBegin, TReader::StartTagEnd(box));
        boxEndSpan = reader.Span(b.end_pos.offset, boxEnd);
        boxPlaceSpan = reader.Span(reader.AttributePlace(box), reader.AttributePlace(box));
        if (const GumboAttribute* style = Attribute(box, "style"); style && HasValue(*style))
            styleSpan = reader.Span(reader.Offset(style->original_value.data),
                                    reader.Offset(style->original_value.data) + style->original_value.length);
        d.plainBox = !hit.Background && b.attributes.length == 1 && Attribute(box, "style");
        const auto slot = [&](const GumboNode* child) { return boxHasLinks && isLink(child); };
        for (unsigned i = 0; i < b.children.length; ++i) {
            const auto* child = static_cast<const GumboNode*>(b.children.data[i]);
            size_t begin = 0, end = 0;
            if (slot(child)) {
                if (!reader.WholeInCode(child, begin, end)) {
                    problem_ = QStringLiteral("热区链接的结束标记不在自定义代码里，无法编辑。");
                    return;
                }
                const int span = reader.Span(begin, end);
                inner.push_back({span, reader.Span(TReader::StartTagEnd(child), child->v.element.end_pos.offset)});
                read.push_back({span, ReadLink(child)});
            } else if (child != picture) {
                d.plainBox &= child->type == GUMBO_NODE_WHITESPACE ||
                              (child->type == GUMBO_NODE_TEXT && BlankBytes(child->v.text.original_text));
            }
        }
        pieceSpans = reader.Cut(box, hit.Background ? nullptr : picture, slot);
    }
    // A map inside the box goes with the box.
    if (map && !mapShared && !(box && mapBegin >= boxBegin && mapEnd <= boxEnd)) {
        d.mapInPlace = true;
        d.mapName = d.usemap.mid(1);
        mapStartSpan = reader.Span(mapBegin, TReader::StartTagEnd(map));
        mapEndSpan = reader.Span(map->v.element.end_pos.offset, mapEnd);
        mapPieceSpans = reader.Cut(map, nullptr, [](const GumboNode* child) { return Is(child, GUMBO_TAG_AREA); });
    }

    reader.Map();
    const auto text = [&](int span) { return code.mid(reader.From(span), reader.To(span) - reader.From(span)); };
    if (imgSpan >= 0) {
        d.imgFrom = reader.From(imgSpan);
        d.imgTo = reader.To(imgSpan);
        d.imgTag = text(imgSpan);
        d.imgTagBare = d.imgTag;
        d.imgAttributeAt = reader.From(imgPlaceSpan) - d.imgFrom;
        if (usemapSpan >= 0) {
            // The usemap attribute ends at or before the place of a new one.
            const qsizetype length = reader.To(usemapSpan) - reader.From(usemapSpan);
            d.imgTagBare.remove(reader.From(usemapSpan) - d.imgFrom, length);
            d.imgAttributeAt -= length;
        }
    }
    const auto pieces = [&](const TPieceSpans& spans) {
        QList<TPiece> out;
        for (const auto& [kind, span] : spans)
            out.append({kind, kind == TPiece::TKind::Text ? text(span) : QString()});
        return out;
    };
    if (d.mapInPlace) {
        d.mapFrom = reader.From(mapStartSpan);
        d.mapTo = reader.To(mapEndSpan);
        d.mapStartTag = text(mapStartSpan);
        d.mapEndTag = text(mapEndSpan);
        d.mapPieces = pieces(mapPieceSpans);
    }
    if (box) {
        d.boxFrom = reader.From(boxStartSpan);
        d.boxTo = reader.To(boxEndSpan);
        d.boxStartTag = d.boxPlacedStartTag = text(boxStartSpan);
        d.boxEndTag = text(boxEndSpan);
        d.pieces = pieces(pieceSpans);
        // Links are placed against the nearest positioned element: an element
        // that is not one becomes one.
        if (hit.Background && !hit.Positioned && !Positioned(box)) {
            const QString kPlaced = QStringLiteral("position:relative;");
            if (styleSpan < 0) {
                d.boxPlacedStartTag.insert(reader.From(boxPlaceSpan) - d.boxFrom, QStringLiteral(" style=\"%1\"").arg(kPlaced));
            } else {
                const qsizetype at = reader.From(styleSpan) - d.boxFrom;
                const QChar quote = d.boxStartTag[at];
                if (quote == u'"' || quote == u'\'')
                    d.boxPlacedStartTag.insert(at + 1, kPlaced);
                else
                    d.boxPlacedStartTag.replace(at, reader.To(styleSpan) - reader.From(styleSpan),
                                                QStringLiteral("\"%1%2\"").arg(kPlaced, Escaped(AttributeValue(box, "style"))));
            }
        }
    }
    for (auto& [span, area] : read) {
        area.Original = text(span);
        for (const auto& [link, content] : inner) {
            if (link == span)
                area.Inner = text(content);
        }
        areas_.append(area);
    }
    if (!Allows(THotOutput::ImageMap, areas_) && !Allows(THotOutput::PositionedLinks, areas_))
        Allows(THotOutput::PositionedLinks, areas_, &problem_);
}

bool THotAreaCode::Allows(THotOutput output, const QList<THotArea>& areas, QString* why) const
{
    QString reason;
    const bool kept = std::any_of(areas.begin(), areas.end(), [](const THotArea& a) { return !a.Editable(); });
    if (output == THotOutput::ImageMap) {
        if (d_->background)
            reason = QStringLiteral("背景图不能用图片热区（map），只能用定位链接。");
        else if (d_->box && !d_->plainBox)
            reason = QStringLiteral("链接框里还有别的内容，只能保留定位链接。");
        else if (kept && written_ == THotOutput::PositionedLinks)
            reason = QStringLiteral("有保留原样的定位链接，不能改成图片热区（map）。");
    } else {
        if (d_->inLink)
            reason = QStringLiteral("图片在一个链接里面，链接里不能再放定位链接。");
        else if (kept && written_ == THotOutput::ImageMap)
            reason = QStringLiteral("有保留原样的圆形或多边形热区，不能改成定位链接。");
    }
    if (why)
        *why = reason;
    return reason.isEmpty();
}

// ---- writing ---------------------------------------------------------------

namespace {
QString AreaText(const THotArea& a, THotOutput output, bool sameForm)
{
    // A kept shape goes back as it was; so does an area left as it was read.
    if (!a.Editable() || (sameForm && a.Unchanged() && !a.Original.isEmpty()))
        return a.Original;
    QString attributes = QStringLiteral(" href=\"%1\"").arg(Escaped(a.Link.trimmed()));
    if (a.NewWindow)
        attributes += QStringLiteral(" target=\"_blank\"");
    if (!a.Tip.isEmpty())
        attributes += QStringLiteral(" title=\"%1\"").arg(Escaped(a.Tip));
    const QRect& r = a.Rect;
    if (output == THotOutput::ImageMap)
        return QStringLiteral("<area shape=\"rect\" coords=\"%1,%2,%3,%4\"%5>")
            .arg(r.left())
            .arg(r.top())
            .arg(r.left() + r.width())
            .arg(r.top() + r.height())
            .arg(attributes);
    return QStringLiteral("<a%1 style=\"position:absolute;left:%2px;top:%3px;width:%4px;height:%5px;display:block;\">%6</a>")
        .arg(attributes)
        .arg(r.left())
        .arg(r.top())
        .arg(r.width())
        .arg(r.height())
        .arg(a.Inner);
}
}

namespace {
// Content cut into pieces, with `picture` for its picture and `items` in its
// slots, in order: slots left over go with the white space before them,
// items left over follow the last slot, each after the white space that
// came before it. Without slots, the items go at the end, before the white
// space there.
QString Content(const QList<TPiece>& pieces, const QString& picture, const QStringList& items)
{
    const qsizetype slotCount = std::count_if(pieces.begin(), pieces.end(), [](const TPiece& p) {
        return p.Kind == TPiece::TKind::Slot;
    });
    QString out;
    QString before;   // the white space before the last slot
    qsizetype slot = 0;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const TPiece& p = pieces[i];
        const bool beforeSlot = i + 1 < pieces.size() && pieces[i + 1].Kind == TPiece::TKind::Slot;
        if (p.Kind == TPiece::TKind::Picture) {
            out += picture;
        } else if (p.Kind == TPiece::TKind::Text) {
            if (beforeSlot && IsBlank(p.Text))
                before = p.Text;
            else
                before.clear();
            if (!(beforeSlot && IsBlank(p.Text) && slot >= items.size()))
                out += p.Text;
        } else {
            if (slot < items.size())
                out += items[slot];
            if (++slot == slotCount) {
                for (qsizetype extra = slotCount; extra < items.size(); ++extra)
                    out += before + items[extra];
            }
        }
    }
    if (slotCount == 0) {
        qsizetype at = out.size();
        while (at > 0 && IsBlank(out.mid(at - 1, 1)))
            --at;
        out.insert(at, items.join(QString()));
    }
    return out;
}
}

QList<TCodeEdit> THotAreaCode::Edits(const QList<THotArea>& areas, THotOutput output) const
{
    const TData& d = *d_;
    QList<TCodeEdit> edits;
    if (!problem_.isEmpty())
        return edits;
    const bool sameForm = written_ == output;
    QStringList items;
    for (const THotArea& a : areas)
        items << AreaText(a, output, sameForm);

    if (d.background) {
        const QString& start = areas.isEmpty() ? d.boxStartTag : d.boxPlacedStartTag;
        edits.append({d.boxFrom, d.boxTo, start + Content(d.pieces, {}, items) + d.boxEndTag});
    } else if (areas.isEmpty()) {
        // No areas left: the picture as it would be without any.
        if (d.box && d.plainBox)
            edits.append({d.boxFrom, d.boxTo, d.imgTagBare});
        else if (d.box)
            edits.append({d.boxFrom, d.boxTo, d.boxStartTag + Content(d.pieces, d.imgTagBare, {}) + d.boxEndTag});
        else
            edits.append({d.imgFrom, d.imgTo, d.imgTagBare});
        if (d.mapInPlace)
            edits.append({d.mapFrom, d.mapTo, {}});
    } else if (output == THotOutput::ImageMap) {
        const QString name = d.mapInPlace ? d.mapName : d.freeName;
        QString img = d.imgTag;
        if (d.usemap != u'#' + name) {
            img = d.imgTagBare;
            img.insert(d.imgAttributeAt, QStringLiteral(" usemap=\"#%1\"").arg(Escaped(name)));
        }
        // The first in the map takes the click: the list's last.
        QStringList inMap(items.rbegin(), items.rend());
        const QString map = d.mapInPlace ? d.mapStartTag + Content(d.mapPieces, {}, inMap) + d.mapEndTag
                                         : QStringLiteral("<map name=\"%1\">%2</map>").arg(Escaped(name), inMap.join(QString()));
        if (d.mapInPlace)
            edits.append({d.mapFrom, d.mapTo, map});
        if (d.box)
            edits.append({d.boxFrom, d.boxTo, d.mapInPlace ? img : img + map});
        else
            edits.append({d.imgFrom, d.imgTo, d.mapInPlace ? img : img + map});
    } else {
        if (d.box)
            edits.append({d.boxFrom, d.boxTo, d.boxStartTag + Content(d.pieces, d.imgTagBare, items) + d.boxEndTag});
        else
            edits.append({d.imgFrom, d.imgTo,
                          QStringLiteral("<div style=\"position:relative;width:%1px;height:%2px;\">%3%4</div>")
                              .arg(size_.width())
                              .arg(size_.height())
                              .arg(d.imgTagBare, items.join(QString()))});
        if (d.mapInPlace)
            edits.append({d.mapFrom, d.mapTo, {}});
    }

    std::sort(edits.begin(), edits.end(), [](const TCodeEdit& a, const TCodeEdit& b) { return a.From < b.From; });
    QList<TCodeEdit> out;
    for (const TCodeEdit& e : edits) {
        const TCodeEdit t = Trimmed(d.code, e);
        if (t.From != t.To || !t.Text.isEmpty())
            out.append(t);
    }
    return out;
}
