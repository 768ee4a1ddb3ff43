#!/usr/bin/env python3
"""Draws the ten standard button glyphs as 32 x 16, 256-colour bitmaps.

Each file holds two 16 x 16 images side by side: the enabled image and the
disabled one (the same shape embossed in grey). The background is olive,
which the button leaves out when it draws the glyph (it takes the colour of
the bottom-left pixel as transparent), so that pixel must stay background.

Run from this folder: python3 make_glyphs.py  (rewrites the *.bmp files).
"""
import struct

BACKGROUND = (128, 128, 0)
PALETTE = {
    '.': BACKGROUND,
    'k': (0, 0, 0),
    'g': (0, 128, 0),
    'G': (0, 192, 0),
    'r': (128, 0, 0),
    'R': (224, 0, 0),
    'b': (0, 0, 128),
    'B': (0, 0, 255),
    'y': (255, 255, 0),
    'w': (255, 255, 255),
    's': (128, 128, 128),
    'l': (192, 192, 192),
    'o': (128, 64, 0),
}
DISABLED_LIGHT = (255, 255, 255)
DISABLED_DARK = (128, 128, 128)

GLYPHS = {
    'ok': [
        "................",
        "................",
        "............g...",
        "...........gG...",
        "..........gGg...",
        ".........gGg....",
        "..g.....gGg.....",
        "..gG...gGg......",
        "..gGG.gGg.......",
        "...gGGGg........",
        "....gGg.........",
        ".....g..........",
        "................",
        "................",
        "................",
        "................",
    ],
    'cancel': [
        "................",
        "................",
        "...rR......Rr...",
        "...RRR....RRR...",
        "....RRR..RRR....",
        ".....RRRRRR.....",
        "......RRRR......",
        "......RRRR......",
        ".....RRRRRR.....",
        "....RRR..RRR....",
        "...RRR....RRR...",
        "...rR......Rr...",
        "................",
        "................",
        "................",
        "................",
    ],
    'help': [
        "................",
        ".....bbbbb......",
        "....bBBBBBb.....",
        "...bBBb.bBBb....",
        "...bBb...BBb....",
        ".........BBb....",
        "........bBb.....",
        ".......bBb......",
        "......bBb.......",
        "......BBb.......",
        "......BBb.......",
        "................",
        "......BBb.......",
        "......BBb.......",
        "................",
        "................",
    ],
    'yes': [
        "................",
        "................",
        "................",
        "...........gG...",
        "..........gGG...",
        ".........gGG....",
        "...gG...gGG.....",
        "...gGG.gGG......",
        "....gGgGG.......",
        ".....gGG........",
        "......g.........",
        "................",
        "................",
        "................",
        "................",
        "................",
    ],
    'no': [
        "................",
        ".....rrrrrr.....",
        "....rRRRRRRr....",
        "...rRR....RRr...",
        "..rRRR.....RRr..",
        "..rR.RR.....Rr..",
        "..rR..RR....Rr..",
        "..rR...RR...Rr..",
        "..rR....RR..Rr..",
        "..rR.....RR.Rr..",
        "..rRR.....RRRr..",
        "...rRR....RRr...",
        "....rRRRRRRr....",
        ".....rrrrrr.....",
        "................",
        "................",
    ],
    'close': [
        "................",
        "..kkkkkkkkkk....",
        "..k........k....",
        "..k.oooooo.k....",
        "..k.oooooo.k....",
        "..k.oooooo.k....",
        "..k.oooooo.k....",
        "..k.ooooyo.k....",
        "..k.oooooo.k....",
        "..k.oooooo.k....",
        "..k.oooooo.k....",
        "..k.oooooo.k....",
        "..k.oooooo.k....",
        "..kkkkkkkkkk....",
        "................",
        "................",
    ],
    'abort': [
        "................",
        ".....rrrrrr.....",
        "....rRRRRRRr....",
        "...rRRRRRRRRr...",
        "..rRRRRRRRRRRr..",
        "..rRRRRRRRRRRr..",
        "..rRRRRRRRRRRr..",
        "..rRwwwwwwwwRr..",
        "..rRwwwwwwwwRr..",
        "..rRRRRRRRRRRr..",
        "..rRRRRRRRRRRr..",
        "...rRRRRRRRRr...",
        "....rRRRRRRr....",
        ".....rrrrrr.....",
        "................",
        "................",
    ],
    'retry': [
        "................",
        ".....gggggg.....",
        "....gGGGGGGg....",
        "...gGg....gGg...",
        "..gGg......gGg..",
        "..gG........Gg..",
        "..gG............",
        "..gG......gggggg",
        "..gG.......gGGg.",
        "..gG........gg..",
        "..gGg...........",
        "...gGg....gg....",
        "....gGGGGGGg....",
        ".....gggggg.....",
        "................",
        "................",
    ],
    'ignore': [
        "................",
        "................",
        "................",
        "..b.........b...",
        "..bB........bB..",
        "..bBB.......bBB.",
        "bbbBBBbbbbbbbBBB",
        "BBBBBBBBBBBBBBBB",
        "bbbBBBbbbbbbbBBB",
        "..bBB.......bBB.",
        "..bB........bB..",
        "..b.........b...",
        "................",
        "................",
        "................",
        "................",
    ],
    'all': [
        "................",
        "................",
        ".........g.....g",
        "........gG....gG",
        ".......gGg...gGg",
        "......gGg...gGg.",
        "g....gGg...gGg..",
        "gG..gGg...gGg...",
        "gGGgGg.g.gGg....",
        ".gGGg..gGGg.....",
        "..gg....gg......",
        "................",
        "................",
        "................",
        "................",
        "................",
    ],
}


def disabled(rows):
    """The shape embossed: a light copy one pixel down-right under a grey copy."""
    out = [[BACKGROUND] * 16 for _ in range(16)]
    # White details (the abort bar) stay holes in the embossed shape.
    shape = [[c not in '.w' for c in row] for row in rows]
    for y in range(16):
        for x in range(16):
            if shape[y][x] and x + 1 < 16 and y + 1 < 16:
                out[y + 1][x + 1] = DISABLED_LIGHT
    for y in range(16):
        for x in range(16):
            if shape[y][x]:
                out[y][x] = DISABLED_DARK
    return out


def write_bmp(path, pixels):
    """An uncompressed 8-bit bitmap with a palette of the colours used."""
    height = len(pixels)
    width = len(pixels[0])
    colours = sorted({c for row in pixels for c in row})
    index = {c: i for i, c in enumerate(colours)}
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in colours)
    palette += b'\0' * (256 * 4 - len(palette))
    stride = (width + 3) & ~3
    data = b''
    for row in reversed(pixels):  # bitmaps store the bottom row first
        line = bytes(index[c] for c in row)
        data += line + b'\0' * (stride - width)
    offset = 14 + 40 + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 8, 0, len(data),
                       2835, 2835, 256, 0)
    with open(path, 'wb') as f:
        f.write(header + info + palette + data)


def main():
    for name, rows in GLYPHS.items():
        assert len(rows) == 16 and all(len(r) == 16 for r in rows), name
        assert rows[15][0] == '.', name  # the transparent-colour sample
        enabled = [[PALETTE[c] for c in row] for row in rows]
        off = disabled(rows)
        write_bmp(f'{name}.bmp', [enabled[y] + off[y] for y in range(16)])


if __name__ == '__main__':
    main()
