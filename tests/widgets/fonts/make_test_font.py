#!/usr/bin/python3
"""Writes TestCells.ttf, the font the widget tests measure captions in.

Every glyph is a solid box filling its whole cell, and the cells are square:
at a pixel size of 13 every character is 13 pixels wide and the font 13
pixels high (ascent 10, descent 3, no leading), on any machine. Text drawn
in it inks exactly its measured rectangle. It holds printable ASCII and the
Chinese characters the tests use as captions.

Needs fontTools (Debian: python3-fonttools); the tests only need the .ttf.
"""
import os

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen

UNITS = 1300            # 100 units a pixel at 13 pixels
ASCENT, DESCENT = 1000, 300
CHINESE = "查找替换格式阅读自定义代码实时预览"


def box(width):
    pen = TTGlyphPen(None)
    pen.moveTo((0, -DESCENT))
    pen.lineTo((0, ASCENT))
    pen.lineTo((width, ASCENT))
    pen.lineTo((width, -DESCENT))
    pen.closePath()
    return pen.glyph()


def empty():
    return TTGlyphPen(None).glyph()


def main():
    chars = [chr(c) for c in range(0x21, 0x7F)] + list(CHINESE)
    names = [".notdef", "space"] + ["u%04X" % ord(c) for c in chars]
    cmap = {0x20: "space"}
    cmap.update({ord(c): "u%04X" % ord(c) for c in chars})
    glyphs = {name: box(UNITS) for name in names}
    glyphs["space"] = empty()

    fb = FontBuilder(UNITS, isTTF=True)
    fb.setupGlyphOrder(names)
    fb.setupCharacterMap(cmap)
    fb.setupGlyf(glyphs)
    fb.setupHorizontalMetrics({name: (UNITS, 0) for name in names})
    fb.setupHorizontalHeader(ascent=ASCENT, descent=-DESCENT, lineGap=0)
    fb.setupNameTable({"familyName": "Test Cells", "styleName": "Regular"})
    fb.setupOS2(version=4, sTypoAscender=ASCENT, sTypoDescender=-DESCENT, sTypoLineGap=0,
                usWinAscent=ASCENT, usWinDescent=DESCENT, fsSelection=0x40 | 0x80)
    fb.setupPost()
    fb.save(os.path.join(os.path.dirname(os.path.abspath(__file__)), "TestCells.ttf"))


if __name__ == "__main__":
    main()
