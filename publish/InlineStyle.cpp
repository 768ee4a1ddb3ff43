#include "InlineStyle.h"

#include "AsciiText.h"

#include <charconv>
#include <cmath>
#include <initializer_list>
#include <string>
#include <utility>

namespace {
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsHtmlSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsHtmlSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// The style with its comments turned into spaces: positions stay as they
// were, and what is left reads as declarations.
std::string BlankComments(std::string_view style)
{
    std::string out(style);
    char quote = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const char c = out[i];
        if (quote) {
            if (c == '\\')
                ++i;
            else if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '/' && i + 1 < out.size() && out[i + 1] == '*') {
            const size_t end = out.find("*/", i + 2);
            const size_t stop = end == std::string::npos ? out.size() : end + 2;
            for (size_t j = i; j < stop; ++j)
                out[j] = ' ';
            i = stop - 1;
        }
    }
    return out;
}

// Leading digits with an optional fraction; `length` gets how many chars.
bool ReadNumber(std::string_view text, double& number, size_t& length)
{
    size_t i = 0;
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    size_t digits = i;
    if (i < text.size() && text[i] == '.' && i + 1 < text.size() && IsDigit(text[i + 1])) {
        ++i;
        while (i < text.size() && IsDigit(text[i]))
            ++i;
        digits = i;
    }
    if (digits == 0)
        return false;
    // Whatever the user's locale, the point is a point; a run of a thousand
    // digits is out of range, and huge.
    if (std::from_chars(text.data(), text.data() + digits, number).ec == std::errc::result_out_of_range)
        number = HUGE_VAL;
    length = digits;
    return true;
}

QString Written(std::string_view number)
{
    return QString::fromLatin1(number.data(), static_cast<qsizetype>(number.size()));
}

// The properties read, each a slot of its own: a declaration replaces the
// one before unless that was !important and this one is not.
enum TProperty { kWidth, kMinWidth, kMaxWidth, kHeight, kLeft, kTop, kPosition, kOverflowX, kFloat, kDisplay, kProperties };

int PropertyOf(std::string_view name)
{
    static constexpr std::pair<std::string_view, int> kNames[] = {
        {"width", kWidth},       {"min-width", kMinWidth}, {"max-width", kMaxWidth}, {"height", kHeight},
        {"left", kLeft},         {"top", kTop},            {"position", kPosition},
        {"overflow", kOverflowX}, {"overflow-x", kOverflowX}, {"float", kFloat},    {"display", kDisplay}};
    for (const auto& [known, property] : kNames) {
        if (EqualsLower(name, known))
            return property;
    }
    return -1;
}

bool IsOneOf(std::string_view keyword, std::initializer_list<std::string_view> words)
{
    for (std::string_view word : words) {
        if (EqualsLower(keyword, word))
            return true;
    }
    return false;
}

// A length in pixels or percent; any other value still counts as set.
TStyleLength ReadLength(std::string_view value, size_t begin, size_t end)
{
    TStyleLength length{true, -1, -1, {}, begin, end};
    double number = 0;
    size_t digits = 0;
    if (!value.empty() && value.front() == '+')
        value.remove_prefix(1);
    if (!ReadNumber(value, number, digits))
        return length;
    const std::string_view unit = value.substr(digits);
    if (EqualsLower(unit, "px"))
        length.Pixels = number;
    else if (unit == "%")
        length.Percent = number;
    else
        return length;
    length.Written = Written(value.substr(0, digits));
    return length;
}
}

TInlineStyle ReadInlineStyle(std::string_view style)
{
    // Nearly every element of decoration code has a style; few have a comment.
    const std::string text = style.find("/*") == std::string_view::npos ? std::string() : BlankComments(style);
    const std::string_view all = text.empty() ? style : std::string_view(text);
    TInlineStyle result;
    bool important[kProperties] = {};
    size_t start = 0;
    while (start <= all.size()) {
        // One declaration: up to a ';' outside quotes and brackets.
        size_t end = start;
        size_t colon = std::string_view::npos;
        size_t bang = std::string_view::npos;
        int depth = 0;
        char quote = 0;
        for (; end < all.size(); ++end) {
            const char c = all[end];
            if (quote) {
                if (c == '\\')
                    ++end;
                else if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '(' || c == '[' || c == '{') {
                ++depth;
            } else if ((c == ')' || c == ']' || c == '}') && depth > 0) {
                --depth;
            } else if (depth == 0 && c == ';') {
                break;
            } else if (depth == 0 && c == ':' && colon == std::string_view::npos) {
                colon = end;
            } else if (depth == 0 && c == '!' && colon != std::string_view::npos) {
                bang = end;
            }
        }
        end = std::min(end, all.size());
        const int property = colon == std::string_view::npos ? -1 : PropertyOf(Trim(all.substr(start, colon - start)));
        if (property >= 0) {
            const size_t valueEnd = bang == std::string_view::npos ? end : bang;
            const bool isImportant =
                bang != std::string_view::npos && EqualsLower(Trim(all.substr(bang + 1, end - bang - 1)), "important");
            const std::string_view value = Trim(all.substr(colon + 1, valueEnd - colon - 1));
            // A '!' that is not !important spoils the declaration.
            if (!value.empty() && (isImportant || !important[property]) &&
                (bang == std::string_view::npos || isImportant)) {
                important[property] = isImportant;
                const std::string_view declaration = Trim(all.substr(start, end - start));
                const size_t begin = static_cast<size_t>(declaration.data() - all.data());
                const std::string_view keyword = value.substr(0, std::min(value.size(), value.find_first_of(" \t\n\f\r")));
                switch (property) {
                case kWidth:
                    result.Width = ReadLength(value, begin, begin + declaration.size());
                    break;
                case kMinWidth:
                    result.MinWidth = ReadLength(value, begin, begin + declaration.size());
                    break;
                case kMaxWidth:
                    result.MaxWidth = ReadLength(value, begin, begin + declaration.size());
                    break;
                case kHeight:
                    result.Height = ReadLength(value, begin, begin + declaration.size());
                    break;
                case kLeft:
                    result.Left = ReadLength(value, begin, begin + declaration.size());
                    break;
                case kTop:
                    result.Top = ReadLength(value, begin, begin + declaration.size());
                    break;
                case kPosition:
                    result.Position = IsOneOf(value, {"relative"})   ? TInlineStyle::TPosition::Relative
                                      : IsOneOf(value, {"absolute"}) ? TInlineStyle::TPosition::Absolute
                                      : IsOneOf(value, {"fixed"})    ? TInlineStyle::TPosition::Fixed
                                      : IsOneOf(value, {"sticky"})   ? TInlineStyle::TPosition::Sticky
                                                                     : TInlineStyle::TPosition::Static;
                    result.OutOfFlow = IsOneOf(value, {"absolute", "fixed"});
                    break;
                case kOverflowX:
                    // "overflow: hidden visible" sets x first.
                    result.Clips = IsOneOf(keyword, {"hidden", "clip", "auto", "scroll"});
                    break;
                case kFloat:
                    result.Floats = IsOneOf(value, {"left", "right", "inline-start", "inline-end"});
                    break;
                case kDisplay:
                    result.WidthFromContent =
                        IsOneOf(value, {"inline", "inline-block", "inline-table", "inline-flex", "inline-grid", "table",
                                        "table-cell", "table-caption", "contents", "none"});
                    break;
                }
            }
        }
        start = end + 1;
    }
    return result;
}

TStyleLength AttributeWidth(std::string_view value)
{
    TStyleLength result;
    size_t begin = 0;
    while (begin < value.size() && IsHtmlSpace(value[begin]))
        ++begin;
    double number = 0;
    size_t length = 0;
    if (!ReadNumber(value.substr(begin), number, length))
        return result;
    if (begin + length < value.size() && value[begin + length] == '%')
        return result;
    result.Found = true;
    result.Pixels = number;
    result.Written = Written(value.substr(begin, length));
    result.Begin = begin;
    result.End = begin + length;
    return result;
}
