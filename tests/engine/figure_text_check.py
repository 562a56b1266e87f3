"""Checks a text box the canvas drew after a click: from the same font file
and size, with python3-freetype, works out the box the click should make (the
measured text plus 8 each way, centred on the click), the line's place in it
(centred, 4 rows down) and its glyphs (no hinting, kerning within a word, bitmap
top at ascent - bearing y); composites box colour over background and text
colour over that with PIL, coverage as alpha; compares within 1 per channel,
with a ring of background pixels around the box."""
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


parts = open("text_case.txt").read().split()
file, size, fw, fh, cx, cy = parts[0], *map(int, parts[1:6])
text_colour, box_colour, background = map(int, parts[6:9])
text = "".join(chr(int(c)) for c in parts[9:])

face = freetype.Face(file)
face.set_char_size(size * 64, 0, 0, 0)
ascent = ceil26(mulfix(face.bbox.yMax, face.size.y_scale))
descent = ceil26(mulfix(face.bbox.yMin, face.size.y_scale))
line_height = ascent - descent + 1


def glyphs(run):
    """Pen position, index and glyph of each character of a run."""
    out, px, prev = [], 0, 0
    for ch in run:
        gi = face.get_char_index(ord(ch))
        if face.has_kerning and prev and gi:
            px += kerning(face, prev, gi)
        face.load_glyph(gi, freetype.FT_LOAD_NO_HINTING)
        out.append((px, ch))
        px += ceil26(face.glyph.metrics.horiAdvance)
        prev = gi
    return out, px


whole_width = glyphs(text)[1]
bw, bh = whole_width + 8, line_height + 8
left, top = int(cx - bw / 2), int(cy - bh / 2)

# Words up to and including their blank, each measured and drawn on its own.
words, start = [], 0
for i, ch in enumerate(text):
    if ch == " ":
        words.append(text[start : i + 1])
        start = i + 1
if start < len(text):
    words.append(text[start:])
placed, x = [], 0
for word in words:
    pens, width = glyphs(word)
    placed += [(x + px, ch) for px, ch in pens]
    x += width
if x > bw:
    print(f"the words take {x} pixels, more than the box's {bw}: choose another text")
    sys.exit(1)
x0 = max(0, (bw - x) // 2)
y0 = (bh - line_height) // 2

coverage = np.zeros((bh, bw), np.uint8)
for px, ch in placed:
    face.load_glyph(face.get_char_index(ord(ch)), freetype.FT_LOAD_NO_HINTING)
    top_bearing = ceil26(face.glyph.metrics.horiBearingY)
    face.glyph.render(freetype.FT_RENDER_MODE_NORMAL)
    bm = face.glyph.bitmap
    if not bm.rows:
        continue
    buf = np.array(bm.buffer, np.uint8).reshape(bm.rows, bm.pitch)[:, : bm.width]
    gy = y0 + ascent - top_bearing
    for k in range(bm.rows):
        for j in range(bm.width):
            r, c = gy + k, x0 + px + j
            if 0 <= r < bh and 0 <= c < bw:
                coverage[r, c] = buf[k, j]

under = Image.new("RGBA", (bw, bh), rgb(background) + (255,))
under = Image.alpha_composite(under, Image.new("RGBA", (bw, bh), rgb(box_colour) + (box_colour >> 24,)))
ink = Image.new("RGBA", (bw, bh), rgb(text_colour) + (0,))
ink.putalpha(Image.fromarray(coverage, "L"))
expect = np.asarray(Image.alpha_composite(under, ink).convert("RGB")).astype(int)

frame = np.fromfile("text_frame.bin", np.uint8).reshape(fh, fw, 3).astype(int)
ours = frame[top : top + bh, left : left + bw]
diff = np.abs(ours - expect)
ring = np.concatenate(
    [frame[top - 2, left - 2 : left + bw + 2], frame[top + bh + 1, left - 2 : left + bw + 2],
     frame[top - 2 : top + bh + 2, left - 2], frame[top - 2 : top + bh + 2, left + bw + 1]])
ring_bad = int((np.abs(ring - np.array(rgb(background))).max(axis=1) > 0).sum())
inked = int((coverage > 0).sum())
print(f"{bw}x{bh} box at ({left}, {top}), {inked} inked pixels, largest difference {diff.max()}, "
      f"{ring_bad} ring pixels off the background")
if inked < 100 or diff.max() > 1 or ring_bad:
    bad = np.argwhere(diff.max(axis=2) > 1)
    if len(bad):
        y, x = bad[0]
        print(f"{len(bad)} pixels differ by more than 1, first at row {y} col {x}: "
              f"ours {ours[y, x]}, expected {expect[y, x]}, coverage {coverage[y, x]}")
    sys.exit(1)
