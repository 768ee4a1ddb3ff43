#pragma once
// How wide an element is set, read the way the browser reads it: from the
// `width` declaration of its inline style, or from its width attribute.
// Only widths in pixels can be held against a column; the rest (percent,
// em, auto) count as set but not measured.
#include <QString>

#include <cstddef>
#include <string_view>

struct TStyleWidth {
    bool Found = false;    // a width is set
    double Pixels = 0;     // in pixels; 0 when set in another unit
    QString Written;       // the number as written, for messages
    // Where the width is set, in bytes of the text read: for a style, the
    // declaration "width: 1000px" without the ';'.
    size_t Begin = 0;
    size_t End = 0;
};

// The width in force in an inline style (a style attribute's decoded value):
// the last width declaration, unless an earlier one is !important. Comments
// and quoted strings are skipped.
TStyleWidth StyleWidth(std::string_view style);

// A width attribute's value as an HTML length: leading digits are pixels
// ("1000", "1000px"), digits followed by '%' are a percentage.
TStyleWidth AttributeWidth(std::string_view value);
