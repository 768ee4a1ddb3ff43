#!/usr/bin/env python3
"""Prints the two tables of code points that preview/web/widget-config.js
takes as the characters of a bare name beyond ASCII.

A name starts with a letter (L) or letter number (Nl) and goes on with
those, marks (Mn, Mc), decimal digits (Nd), connectors (Pc) and the two
joiners U+200C, U+200D. Each table is a run of ranges, written as the gap
from the end of the previous range and the range's length less one, in
base 36, comma-separated: short enough to ship in a page script, and
read by any JavaScript engine (regular expressions with \\p{...} are not).

Python's unicodedata gives the Unicode version in the output's comment.
"""
import unicodedata

START = {"Lu", "Ll", "Lt", "Lm", "Lo", "Nl"}
PART_ONLY = {"Mn", "Mc", "Nd", "Pc"}
JOINERS = {0x200C, 0x200D}


def ranges(accept):
    out = []
    start = None
    for cp in range(128, 0x110000):
        if accept(cp):
            if start is None:
                start = cp
        elif start is not None:
            out.append((start, cp - 1))
            start = None
    if start is not None:
        out.append((start, 0x10FFFF))
    return out


def base36(n):
    digits = "0123456789abcdefghijklmnopqrstuvwxyz"
    text = ""
    while True:
        text = digits[n % 36] + text
        n //= 36
        if n == 0:
            return text


def encode(table):
    parts = []
    previous_end = 127
    for first, last in table:
        parts.append(base36(first - previous_end - 1))
        parts.append(base36(last - first))
        previous_end = last
    return ",".join(parts)


def js_string(name, text, width=104):
    """`var name = '...'`, broken at commas into lines of at most `width`."""
    lines = []
    line = ""
    for item in text.split(","):
        piece = item + ","
        if len(line) + len(piece) > width:
            lines.append(line)
            line = ""
        line += piece
    lines.append(line.rstrip(","))
    body = " +\n".join("        '%s'" % l for l in lines)
    return "    var %s =\n%s;" % (name, body)


def main():
    start = ranges(lambda cp: unicodedata.category(chr(cp)) in START)
    part = ranges(lambda cp: unicodedata.category(chr(cp)) in PART_ONLY or cp in JOINERS)
    print("    // Unicode %s, by scripts/unicode-name-ranges.py." % unicodedata.unidata_version)
    print(js_string("NAME_START", encode(start)))
    print(js_string("NAME_PART", encode(part)))


if __name__ == "__main__":
    main()
