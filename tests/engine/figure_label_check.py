"""Checks a label the canvas drew: renders its text with python3-freetype from
the same font file and size (pen positions as the text engine places glyphs:
no hinting, kerning, bitmap top at ascent - bearing y), composites the box
colour over the canvas background and the text colour over that with PIL,
using the coverage as alpha, and compares with the frame within 1 per channel."""
import ctypes
import sys

import freetype
import freetype.raw
import numpy as np
from PIL import Image


def ceil26(v):
    return (v + 63) >> 6


def mulfix(a, b):
    sign = -1 if (a < 0) != (b < 0) else 1
    return sign * ((abs(a) * abs(b) + 0x8000) >> 16)


def kerning(face, left, right):
    vec = freetype.FT_Vector(0, 0)
    if freetype.raw.FT_Get_Kerning(face._FT_Face, left, right, freetype.FT_KERNING_DEFAULT, ctypes.byref(vec)):
        return 0
    return vec.x >> 6


def rgb(argb):
    return ((argb >> 16) & 255, (argb >> 8) & 255, argb & 255)


parts = open("label_case.txt").read().split()
file, size, width, height = parts[0], *map(int, parts[1:4])
text_colour, box_colour, background = map(int, parts[4:7])
text = "".join(chr(int(c)) for c in parts[7:])

face = freetype.Face(file)
face.set_char_size(size * 64, 0, 0, 0)
ascent = ceil26(mulfix(face.bbox.yMax, face.size.y_scale))

coverage = np.zeros((height, width), np.uint8)
px = prev = 0
for ch in text:
    gi = face.get_char_index(ord(ch)) or face.get_char_index(ord("?"))
    if face.has_kerning and prev and gi:
        px += kerning(face, prev, gi)
    face.load_glyph(gi, freetype.FT_LOAD_NO_HINTING)
    advance = ceil26(face.glyph.metrics.horiAdvance)
    top = ceil26(face.glyph.metrics.horiBearingY)
    face.glyph.render(freetype.FT_RENDER_MODE_NORMAL)
    bm = face.glyph.bitmap
    if bm.rows:
        buf = np.array(bm.buffer, np.uint8).reshape(bm.rows, bm.pitch)[:, : bm.width]
        gy = ascent - top
        for k in range(bm.rows):
            row = gy + k
            if 0 <= row < height:
                for j in range(bm.width):
                    if 0 <= px + j < width:
                        coverage[row, px + j] = max(coverage[row, px + j], buf[k, j])
    px += advance
    prev = gi

under = Image.new("RGBA", (width, height), rgb(background) + (255,))
box = Image.new("RGBA", (width, height), rgb(box_colour) + (box_colour >> 24,))
under = Image.alpha_composite(under, box)
ink = Image.new("RGBA", (width, height), rgb(text_colour) + (0,))
ink.putalpha(Image.fromarray(coverage, "L"))
expect = np.asarray(Image.alpha_composite(under, ink).convert("RGB")).astype(int)

ours = np.fromfile("label_frame.bin", np.uint8).reshape(height, width, 3).astype(int)
diff = np.abs(ours - expect)
inked = int((coverage > 0).sum())
print(f"{width}x{height} label, {inked} inked pixels, largest difference {diff.max()}")
if inked < 100 or diff.max() > 1:
    bad = np.argwhere(diff.max(axis=2) > 1)
    if len(bad):
        y, x = bad[0]
        print(f"{len(bad)} pixels differ by more than 1, first at row {y} col {x}: ours {ours[y, x]}, expected {expect[y, x]}, coverage {coverage[y, x]}")
    sys.exit(1)
