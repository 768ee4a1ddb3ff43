#pragma once
// What an element's inline style (its style attribute) says about its place
// in the column, read the way the browser reads it: how wide it is set, and
// whether it leaves the flow, clips what overflows it or floats; and where a
// positioned element is placed. Only
// lengths in pixels can be held against a column; percentages are kept
// apart, the rest (em, auto) count as set but not measured.
#include <QString>

#include <cstddef>
#include <string_view>

struct TStyleLength {
    bool Found = false;     // set, and in force
    double Pixels = -1;     // in pixels; -1 when set in another unit
    double Percent = -1;    // in percent; -1 when set in another unit
    QString Written;        // the number as written, for messages
    // Where it is set, in bytes of the text read: for a style, the
    // declaration "width: 1000px" without the ';'.
    size_t Begin = 0;
    size_t End = 0;
};

struct TInlineStyle {
    TStyleLength Width;
    TStyleLength MinWidth;
    TStyleLength MaxWidth;
    // Where a positioned element is placed (the hot-area editor's links).
    TStyleLength Height;
    TStyleLength Left;
    TStyleLength Top;
    enum class TPosition { Static, Relative, Absolute, Fixed, Sticky };
    TPosition Position = TPosition::Static;
    bool OutOfFlow = false;   // position: absolute or fixed
    bool Clips = false;       // overflow (or overflow-x) hidden, clip, auto or scroll
    bool Floats = false;      // float: left or right
    // display: inline-block, table and their kin, whose width follows their
    // content, or inline and contents, which make no box of their own
    bool WidthFromContent = false;
};

// The declarations in force in an inline style (a style attribute's decoded
// value): for each property the last one, unless an earlier one is
// !important. Comments and quoted strings are skipped.
TInlineStyle ReadInlineStyle(std::string_view style);

// A width attribute's value as an HTML length: leading digits are pixels
// ("1000", "1000px"), digits followed by '%' are a percentage.
TStyleLength AttributeWidth(std::string_view value);
