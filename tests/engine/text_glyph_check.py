"""Renders the strings our text engine drew with FreeType (python3-freetype)
from the same font files and size, laid out the way the engine places glyphs
(pen position without the left bearing, top at ascent - bearing y, kerning,
'&' underlining the next character, line feeds), and compares every
coverage byte; also checks the measured width and height."""
import sys

import ctypes

import freetype
import freetype.raw
import numpy as np


def ceil26(v):
    return (v + 63) >> 6


def mulfix(a, b):
    sign = -1 if (a < 0) != (b < 0) else 1
    return sign * ((abs(a) * abs(b) + 0x8000) >> 16)


def kerning(face, left, right):
    # Face.get_kerning takes characters; the engine kerns glyph indices.
    vec = freetype.FT_Vector(0, 0)
    if freetype.raw.FT_Get_Kerning(face._FT_Face, left, right, freetype.FT_KERNING_DEFAULT, ctypes.byref(vec)):
        return 0
    return vec.x >> 6


def floor16(v):
    return v - (v % 65536)


faces = {}
failures = 0
count = 0
for line in open("glyph_cases.txt"):
    parts = line.split()
    name, file, size, x, y, width, height, mw, mh = parts[0], parts[1], *map(int, parts[2:9])
    text = "".join(chr(int(c)) for c in parts[9:])
    key = (file, size)
    if key not in faces:
        face = freetype.Face(file)
        face.set_char_size(size * 64, 0, 0, 0)
        faces[key] = face
    face = faces[key]
    ys = face.size.y_scale
    ascent = ceil26(mulfix(face.bbox.yMax, ys))
    descent = ceil26(mulfix(face.bbox.yMin, ys))
    line_height = ascent - descent + 1
    thickness = max(1, floor16(mulfix(face.underline_thickness, ys)))

    def glyph_index(ch):
        gi = face.get_char_index(ord(ch))
        if gi == 0:
            gi = face.get_char_index(ord("?"))
        return gi

    expect = np.zeros((height, width), np.uint8)
    px = ly = prev = 0
    underline = False
    widest = pen = 0
    lines = 1
    for ch in text:
        if ch == "&" and not underline:
            underline = True
            continue
        gi = glyph_index(ch)
        if ch == "\n":
            ly += line_height
            px = pen = prev = 0
            underline = False
            lines += 1
            continue
        if face.has_kerning and prev and gi:
            k = kerning(face, prev, gi)
            px += k
            pen += k
        face.load_glyph(gi, freetype.FT_LOAD_NO_HINTING)
        m = face.glyph.metrics
        advance = ceil26(m.horiAdvance)
        top = ceil26(m.horiBearingY)
        face.glyph.render(freetype.FT_RENDER_MODE_NORMAL)
        bm = face.glyph.bitmap
        buf = np.array(bm.buffer, np.uint8).reshape(bm.rows, bm.pitch) if bm.rows else np.zeros((0, 0), np.uint8)
        gx = x + px
        gy = y + ly + ascent - top
        for k in range(bm.rows):
            row = gy + k
            if 0 <= row < height:
                for j in range(bm.width):
                    if 0 <= gx + j < width:
                        expect[row, gx + j] = buf[k, j]
        if underline:
            row = y + ly + ascent + thickness
            if 0 <= row < height:
                for j in range(advance):
                    if 0 <= gx + j < width:
                        expect[row, gx + j] = 255
        px += advance
        pen += advance
        widest = max(widest, pen)
        prev = gi
        underline = False

    ours = np.fromfile(name, np.uint8).reshape(height, width)
    count += 1
    problems = []
    if not np.array_equal(ours, expect):
        diff = np.argwhere(ours != expect)
        problems.append(f"{len(diff)} coverage bytes differ, first at row/col {diff[0].tolist()}")
    if mw != max(widest, 1) or mh != lines * line_height:
        problems.append(f"measured {mw}x{mh}, expected {max(widest, 1)}x{lines * line_height}")
    if problems:
        failures += 1
        print(f"{name} {file} {size} {text!r}: " + "; ".join(problems))

print(f"{count} strings compared, {failures} differ")
if count < 30 or failures:
    sys.exit(1)
