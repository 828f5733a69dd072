#!/usr/bin/env python3
"""Writes the sample language's art: three glyph sheets (a 5x7 pixel font drawn
here, at scale 1, 1.5 and 2) with their bitmap-font descriptions, and the logo
plate. Run it from anywhere; it writes next to itself. The files it makes are
committed, so the build does not need Python."""

import os
import struct
import zlib

# Rows top to bottom, five bits each, bit 4 the leftmost pixel.
GLYPHS = {
    '!': [4, 4, 4, 4, 4, 0, 4], '"': [10, 10, 0, 0, 0, 0, 0], '#': [10, 31, 10, 10, 10, 31, 10],
    '$': [4, 15, 20, 14, 5, 30, 4], '%': [25, 26, 2, 4, 8, 11, 19], '&': [12, 18, 20, 8, 21, 18, 13],
    "'": [4, 4, 0, 0, 0, 0, 0], '(': [2, 4, 8, 8, 8, 4, 2], ')': [8, 4, 2, 2, 2, 4, 8],
    '*': [0, 4, 21, 14, 21, 4, 0], '+': [0, 4, 4, 31, 4, 4, 0], ',': [0, 0, 0, 0, 12, 4, 8],
    '-': [0, 0, 0, 31, 0, 0, 0], '.': [0, 0, 0, 0, 0, 12, 12], '/': [1, 1, 2, 4, 8, 16, 16],
    '0': [14, 17, 19, 21, 25, 17, 14], '1': [4, 12, 4, 4, 4, 4, 14], '2': [14, 17, 1, 2, 4, 8, 31],
    '3': [31, 2, 4, 2, 1, 17, 14], '4': [2, 6, 10, 18, 31, 2, 2], '5': [31, 16, 30, 1, 1, 17, 14],
    '6': [6, 8, 16, 30, 17, 17, 14], '7': [31, 1, 2, 4, 8, 8, 8], '8': [14, 17, 17, 14, 17, 17, 14],
    '9': [14, 17, 17, 15, 1, 2, 12], ':': [0, 12, 12, 0, 12, 12, 0], ';': [0, 12, 12, 0, 12, 4, 8],
    '<': [2, 4, 8, 16, 8, 4, 2], '=': [0, 0, 31, 0, 31, 0, 0], '>': [8, 4, 2, 1, 2, 4, 8],
    '?': [14, 17, 1, 2, 4, 0, 4], '@': [14, 17, 1, 13, 21, 21, 14], 'A': [14, 17, 17, 31, 17, 17, 17],
    'B': [30, 17, 17, 30, 17, 17, 30], 'C': [14, 17, 16, 16, 16, 17, 14], 'D': [28, 18, 17, 17, 17, 18, 28],
    'E': [31, 16, 16, 30, 16, 16, 31], 'F': [31, 16, 16, 30, 16, 16, 16], 'G': [14, 17, 16, 23, 17, 17, 15],
    'H': [17, 17, 17, 31, 17, 17, 17], 'I': [14, 4, 4, 4, 4, 4, 14], 'J': [7, 2, 2, 2, 2, 18, 12],
    'K': [17, 18, 20, 24, 20, 18, 17], 'L': [16, 16, 16, 16, 16, 16, 31], 'M': [17, 27, 21, 21, 17, 17, 17],
    'N': [17, 17, 25, 21, 19, 17, 17], 'O': [14, 17, 17, 17, 17, 17, 14], 'P': [30, 17, 17, 30, 16, 16, 16],
    'Q': [14, 17, 17, 17, 21, 18, 13], 'R': [30, 17, 17, 30, 20, 18, 17], 'S': [15, 16, 16, 14, 1, 1, 30],
    'T': [31, 4, 4, 4, 4, 4, 4], 'U': [17, 17, 17, 17, 17, 17, 14], 'V': [17, 17, 17, 17, 17, 10, 4],
    'W': [17, 17, 17, 21, 21, 21, 10], 'X': [17, 17, 10, 4, 10, 17, 17], 'Y': [17, 17, 17, 10, 4, 4, 4],
    'Z': [31, 1, 2, 4, 8, 16, 31], '[': [14, 8, 8, 8, 8, 8, 14], '\\': [16, 16, 8, 4, 2, 1, 1],
    ']': [14, 2, 2, 2, 2, 2, 14], '^': [4, 10, 17, 0, 0, 0, 0], '_': [0, 0, 0, 0, 0, 0, 31],
    '`': [8, 4, 0, 0, 0, 0, 0], 'a': [0, 0, 14, 1, 15, 17, 15], 'b': [16, 16, 22, 25, 17, 17, 30],
    'c': [0, 0, 14, 16, 16, 17, 14], 'd': [1, 1, 13, 19, 17, 17, 15], 'e': [0, 0, 14, 17, 31, 16, 14],
    'f': [6, 9, 8, 28, 8, 8, 8], 'g': [0, 15, 17, 17, 15, 1, 14], 'h': [16, 16, 22, 25, 17, 17, 17],
    'i': [4, 0, 12, 4, 4, 4, 14], 'j': [2, 0, 6, 2, 2, 18, 12], 'k': [16, 16, 18, 20, 24, 20, 18],
    'l': [12, 4, 4, 4, 4, 4, 14], 'm': [0, 0, 26, 21, 21, 17, 17], 'n': [0, 0, 22, 25, 17, 17, 17],
    'o': [0, 0, 14, 17, 17, 17, 14], 'p': [0, 30, 17, 17, 30, 16, 16], 'q': [0, 13, 19, 19, 15, 1, 1],
    'r': [0, 0, 22, 25, 16, 16, 16], 's': [0, 0, 14, 16, 14, 1, 30], 't': [8, 8, 28, 8, 8, 9, 6],
    'u': [0, 0, 17, 17, 17, 19, 13], 'v': [0, 0, 17, 17, 17, 10, 4], 'w': [0, 0, 17, 17, 21, 21, 10],
    'x': [0, 0, 17, 10, 4, 10, 17], 'y': [0, 17, 17, 17, 15, 1, 14], 'z': [0, 0, 31, 2, 4, 8, 31],
    '{': [2, 4, 4, 8, 4, 4, 2], '|': [4, 4, 4, 4, 4, 4, 4], '}': [8, 4, 4, 2, 4, 4, 8],
    '~': [0, 0, 8, 21, 2, 0, 0],
}
# Glyphs that hang below the line are drawn two rows lower.
DESCENDERS = set('gjpqy,;')
COLUMNS = 16
CELL_ROWS = 10
ROW_GAP = 2

# The letters of names in Western European languages: a base letter with a
# mark over it (two rows above a small letter, one row over a capital, as
# the cell has no more room) or a cedilla below.
MARKS = {  # (small letter's two rows, capital's row)
    'grave': ([8, 4], 8), 'acute': ([2, 4], 2), 'circumflex': ([4, 10], 14),
    'tilde': ([13, 22], 13), 'diaeresis': ([10, 0], 10), 'ring': ([14, 10], 4),
}
ACCENTED = {
    'À': ('A', 'grave'), 'Á': ('A', 'acute'), 'Â': ('A', 'circumflex'), 'Ã': ('A', 'tilde'),
    'Ä': ('A', 'diaeresis'), 'Å': ('A', 'ring'), 'Ç': ('C', 'cedilla'), 'È': ('E', 'grave'),
    'É': ('E', 'acute'), 'Ê': ('E', 'circumflex'), 'Ë': ('E', 'diaeresis'), 'Ì': ('I', 'grave'),
    'Í': ('I', 'acute'), 'Î': ('I', 'circumflex'), 'Ï': ('I', 'diaeresis'), 'Ñ': ('N', 'tilde'),
    'Ò': ('O', 'grave'), 'Ó': ('O', 'acute'), 'Ô': ('O', 'circumflex'), 'Õ': ('O', 'tilde'),
    'Ö': ('O', 'diaeresis'), 'Ù': ('U', 'grave'), 'Ú': ('U', 'acute'), 'Û': ('U', 'circumflex'),
    'Ü': ('U', 'diaeresis'), 'Ý': ('Y', 'acute'), 'à': ('a', 'grave'), 'á': ('a', 'acute'),
    'â': ('a', 'circumflex'), 'ã': ('a', 'tilde'), 'ä': ('a', 'diaeresis'), 'å': ('a', 'ring'),
    'ç': ('c', 'cedilla'), 'è': ('e', 'grave'), 'é': ('e', 'acute'), 'ê': ('e', 'circumflex'),
    'ë': ('e', 'diaeresis'), 'ì': ('i', 'grave'), 'í': ('i', 'acute'), 'î': ('i', 'circumflex'),
    'ï': ('i', 'diaeresis'), 'ñ': ('n', 'tilde'), 'ò': ('o', 'grave'), 'ó': ('o', 'acute'),
    'ô': ('o', 'circumflex'), 'õ': ('o', 'tilde'), 'ö': ('o', 'diaeresis'), 'ù': ('u', 'grave'),
    'ú': ('u', 'acute'), 'û': ('u', 'circumflex'), 'ü': ('u', 'diaeresis'), 'ý': ('y', 'acute'),
    'ÿ': ('y', 'diaeresis'),
}
# Letters of their own, as (first cell row, rows).
OWN_LETTERS = {
    'Æ': (1, [15, 20, 20, 31, 20, 20, 23]), 'Ð': (1, [28, 18, 17, 29, 17, 18, 28]),
    'Ø': (1, [15, 19, 21, 21, 21, 25, 30]), 'Þ': (1, [16, 30, 17, 17, 30, 16, 16]),
    'ß': (1, [12, 18, 20, 18, 17, 17, 22]), 'æ': (1, [0, 0, 26, 5, 31, 20, 27]),
    'ð': (1, [10, 4, 2, 15, 17, 17, 14]), 'ø': (1, [0, 0, 15, 19, 21, 25, 30]),
    'þ': (3, [16, 16, 30, 17, 30, 16, 16]),
}
CHARS = ''.join(chr(c) for c in range(0x21, 0x7F)) + ''.join(
    chr(c) for c in range(0xC0, 0x100) if chr(c) in ACCENTED or chr(c) in OWN_LETTERS)


def cell(ch):
    """The glyph of a character as CELL_ROWS rows of five bits."""
    grid = [0] * CELL_ROWS
    if ch in OWN_LETTERS:
        top, rows = OWN_LETTERS[ch]
    else:
        base = ACCENTED[ch][0] if ch in ACCENTED else ch
        top, rows = (3 if base in DESCENDERS else 1), list(GLYPHS[base])
        if base == 'i' and ch != base:
            rows[0] = 0  # the mark takes the dot's place
    for r, bits in enumerate(rows):
        grid[top + r] |= bits
    if ch in ACCENTED:
        mark = ACCENTED[ch][1]
        if mark == 'cedilla':
            grid[8], grid[9] = 4, 8
        else:
            first = next(r for r in range(CELL_ROWS) if grid[r])
            small, capital = MARKS[mark]
            if first >= 2:
                grid[first - 2], grid[first - 1] = small
            else:
                grid[0] = capital
    return grid


def write_png(path, width, height, pixel):
    """An RGBA PNG; pixel(x, y) gives ARGB."""
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            argb = pixel(x, y)
            raw += bytes(((argb >> 16) & 255, (argb >> 8) & 255, argb & 255, argb >> 24))

    def chunk(tag, data):
        return struct.pack('>I', len(data)) + tag + data + struct.pack('>I', zlib.crc32(tag + data))
    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)) +
                chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b''))


def make_font(folder, name, scale):
    """The pixel font at a scale of whole or half pixels. A whole scale draws
    each dot as a solid square; a half scale (1.5) is drawn at twice the
    scale and averaged over 2 x 2, so that the dots that straddle a pixel
    edge come out as smoothed edges rather than uneven strokes."""
    fine = 1 if scale == int(scale) else 2
    dot = int(scale * fine)  # a dot's side at the fine scale
    cell_w, cell_h = int(8 * scale), int(10 * scale)
    # The rows of cells stand ROW_GAP empty pixels apart, as the columns do:
    # a glyph drawn between pixels or scaled picks up no ink of the one
    # above or below it (the descender of a 'g' over a 'w').
    pitch = cell_h + ROW_GAP
    rows = (len(CHARS) + COLUMNS - 1) // COLUMNS
    width, height = COLUMNS * cell_w, 1
    while height < rows * pitch:
        height *= 2
    ink = set()
    for i, ch in enumerate(CHARS):
        cx, cy = (i % COLUMNS) * cell_w * fine, (i // COLUMNS) * pitch * fine
        for r, bits in enumerate(cell(ch)):
            for c in range(5):
                if bits & (16 >> c):
                    for dy in range(dot):
                        for dx in range(dot):
                            ink.add((cx + c * dot + dx, cy + r * dot + dy))

    def pixel(x, y):
        cover = sum((x * fine + dx, y * fine + dy) in ink for dy in range(fine) for dx in range(fine))
        return (cover * 255 // (fine * fine)) << 24 | 0xFFFFFF
    write_png(os.path.join(folder, name + '.png'), width, height, pixel)
    areas = ', '.join('(%d,%d,%d)' % ((i % COLUMNS) * cell_w, (i // COLUMNS) * pitch, int(6 * scale))
                     for i in range(len(CHARS)))
    chars = CHARS.replace('\\', '\\\\').replace('"', '\\"')
    # UTF-8 with its byte-order mark: the description names letters beyond ASCII.
    with open(os.path.join(folder, name + '.txt'), 'w', newline='\r\n', encoding='utf-8-sig') as f:
        f.write('// %s: the sample pixel font at scale %g, generated by make_art.py\n' % (name, scale))
        f.write('glyphs {\n\timage = "%s.png"\n\theight = %d\n\tglyphs = %s\n}\n' % (name, cell_h, areas))
        f.write('chars = "%s"\n' % chars)
        f.write('height = %d\nascent = %d\nspace = %d\n' % (cell_h, int(8 * scale), int(4 * scale)))
        f.write("defchar = '?'\nglyphlist = default\ntracking = 0\nleading = 0\ncolor = 0xffffffff\n")


def make_logo(path):
    """A 256 x 128 plate in a wooden frame: the game's name in large pixel
    letters across the sky, over a red barn with a tree beside it on rolling
    hills, a wheat field in front and the sun; shapes are sampled 4 x 4 per
    pixel for smooth edges."""
    import math
    W, H, S = 256, 128, 4

    # The title: the pixel font at three times its size, cream letters with a
    # dark outline two pixels wide, centred near the top.
    title, scale, advance = 'Verbolunde', 3, 6
    tw = (len(title) * advance - 1) * scale
    tx, ty = (W - tw) // 2, 11
    letters = set()
    for i, ch in enumerate(title):
        for row, bits in enumerate(GLYPHS[ch]):
            for col in range(5):
                if bits & (16 >> col):
                    for dy in range(scale):
                        for dx in range(scale):
                            letters.add((tx + (i * advance + col) * scale + dx, ty + row * scale + dy))
    outline = set()
    for (x, y) in letters:
        for dy in range(-2, 3):
            for dx in range(-2, 3):
                outline.add((x + dx, y + dy))

    def hill(x, base, amp, period, phase):
        return base + amp * math.sin(x / period + phase)

    def colour(x, y):
        # Later shapes lie over earlier ones; (r, g, b).
        if (x - 214) ** 2 + (y - 28) ** 2 < 14 ** 2:
            c = (0xFF, 0xE8, 0x70)
        else:
            t = y / H
            c = (int(0x5A + (0xD8 - 0x5A) * t), int(0xA0 + (0xEC - 0xA0) * t), int(0xE0 + (0xF8 - 0xE0) * t))
        if y > hill(x, 70, 7, 30, 0.5):
            c = (0x8C, 0xC8, 0x60)
        if y > hill(x, 84, 5, 22, 2.0):
            c = (0x6A, 0xA8, 0x48)
        # The tree: trunk and crown with a lit patch.
        if 58 <= x <= 64 and 62 <= y <= 86:
            c = (0x6A, 0x40, 0x18)
        d = (x - 61) ** 2 + (y - 56) ** 2
        if d < 15 ** 2:
            c = (0x2C, 0x5A, 0x22) if d > 13 ** 2 else (0x4C, 0x8A, 0x2C)
            if (x - 56) ** 2 + (y - 51) ** 2 < 6 ** 2:
                c = (0x7A, 0xB8, 0x4A)
        # The barn: walls, door with its cross, roof.
        if 96 <= x <= 150 and 60 <= y <= 92:
            c = (0x7A, 0x1E, 0x18) if x < 98 or x > 148 or y > 90 else (0xC0, 0x39, 0x2B)
            if 112 <= x <= 134 and 70 <= y <= 92:
                c = (0xF4, 0xF0, 0xE8)
                u, v = (x - 112) / 22, (y - 70) / 22
                if abs(u - v) < 0.09 or abs(u + v - 1) < 0.09 or x < 114 or x > 132 or y < 72:
                    c = (0x7A, 0x1E, 0x18)
        if 56 <= y < 62 + 0 and 92 <= x <= 154 or (y < 62 and y >= 36 and abs(x - 123) <= (y - 36) * 1.25):
            c = (0x5A, 0x34, 0x10) if abs(x - 123) > (y - 36) * 1.25 - 3 or y > 58 else (0x8A, 0x5E, 0x28)
        # The wheat field in front, with rows of ears.
        if y > hill(x, 102, 4, 40, 1.0):
            c = (0xE8, 0xC0, 0x50) if (int(x) // 3 + int(y) // 4) % 3 else (0xC8, 0xA0, 0x40)
        return c

    def pixel(px, py):
        # The frame: dark rim, wood, a light inner line.
        if px < 2 or py < 2 or px >= W - 2 or py >= H - 2:
            return 0xFF3A2008
        if px < 7 or py < 7 or px >= W - 7 or py >= H - 7:
            return 0xFFB87838 if px < 4 or py < 4 else 0xFF8A5E28
        if px < 8 or py < 8 or px >= W - 8 or py >= H - 8:
            return 0xFF5A3410
        if (px, py) in letters:
            return 0xFFFFF4D8 if py < ty + 10 else 0xFFF8D878
        if (px, py) in outline:
            return 0xFF4A2A0C
        r = g = b = 0
        for sy in range(S):
            for sx in range(S):
                c = colour(px + (sx + 0.5) / S, py + (sy + 0.5) / S)
                r, g, b = r + c[0], g + c[1], b + c[2]
        n = S * S
        return 0xFF000000 | (r // n) << 16 | (g // n) << 8 | (b // n)
    write_png(path, W, H, pixel)


if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    make_font(os.path.join(here, 'fonts'), 'small', 1)
    make_font(os.path.join(here, 'fonts'), 'medium', 1.5)
    make_font(os.path.join(here, 'fonts'), 'big', 2)
    make_logo(os.path.join(here, 'images', 'logo.png'))
