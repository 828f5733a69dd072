#!/usr/bin/env python3
"""Writes the sample language's art: two glyph sheets (a 5x7 pixel font drawn
here, at scale 1 and 2) with their bitmap-font descriptions, and a small logo
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
CHARS = ''.join(chr(c) for c in range(0x21, 0x7F))
# Glyphs that hang below the line are drawn two rows lower.
DESCENDERS = set('gjpqy,;')
COLUMNS = 16


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
    cell_w, cell_h = 8 * scale, 10 * scale
    rows = (len(CHARS) + COLUMNS - 1) // COLUMNS
    width, height = COLUMNS * cell_w, 1
    while height < rows * cell_h:
        height *= 2
    ink = set()
    for i, ch in enumerate(CHARS):
        cx, cy = (i % COLUMNS) * cell_w, (i // COLUMNS) * cell_h
        top = 3 if ch in DESCENDERS else 1
        for r, bits in enumerate(GLYPHS[ch]):
            for c in range(5):
                if bits & (16 >> c):
                    for dy in range(scale):
                        for dx in range(scale):
                            ink.add((cx + c * scale + dx, cy + (top + r) * scale + dy))
    write_png(os.path.join(folder, name + '.png'), width, height,
              lambda x, y: 0xFFFFFFFF if (x, y) in ink else 0x00FFFFFF)
    areas = ', '.join('(%d,%d,%d)' % ((i % COLUMNS) * cell_w, (i // COLUMNS) * cell_h, 6 * scale)
                     for i in range(len(CHARS)))
    chars = CHARS.replace('\\', '\\\\').replace('"', '\\"')
    with open(os.path.join(folder, name + '.txt'), 'w', newline='\r\n') as f:
        f.write('// %s: the sample pixel font at scale %d, generated by make_art.py\n' % (name, scale))
        f.write('glyphs {\n\timage = "%s.png"\n\theight = %d\n\tglyphs = %s\n}\n' % (name, cell_h, areas))
        f.write('chars = "%s"\n' % chars)
        f.write('height = %d\nascent = %d\nspace = %d\n' % (cell_h, 8 * scale, 4 * scale))
        f.write("defchar = '?'\nglyphlist = default\ntracking = 0\nleading = 0\ncolor = 0xffffffff\n")


def make_logo(path):
    """A 128 x 64 plate: a green field under a sky, framed."""
    def pixel(x, y):
        if x < 2 or y < 2 or x >= 126 or y >= 62:
            return 0xFF5A3A1A
        return 0xFF4E9A2E if y > 40 else 0xFF8CC8F0
    write_png(path, 128, 64, pixel)


if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    make_font(os.path.join(here, 'fonts'), 'small', 1)
    make_font(os.path.join(here, 'fonts'), 'big', 2)
    make_logo(os.path.join(here, 'images', 'logo.png'))
