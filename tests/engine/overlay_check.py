"""Checks the overlays the canvas drew against independent references:
- magnifier boxes against PIL's nearest-neighbour enlargement of the picture
  around the point (42 x 42 picture pixels into 128 x 128, cleared texture
  black), each box pixel equal to the expected one or a neighbour's;
- histogram counts against numpy.bincount per channel, 255 counted in no bin;
- an info line against its glyphs rendered with python3-freetype from the same
  font file, composited in red over the picture with PIL."""
import ctypes
import sys

import freetype
import freetype.raw
import numpy as np
from PIL import Image

failures = []


def check_magnifier():
    lines = open("overlay_magnifier_case.txt").read().split("\n")
    w, h = map(int, lines[0].split())
    picture = np.fromfile("overlay_magnifier_picture.bin", np.uint8).reshape(h, w, 4)[:, :, 2::-1]
    for i, line in enumerate(l for l in lines[1:] if l.strip()):
        x, y = map(int, line.split())
        hs = 21  # round(64 / 3) at zoom 1
        left, top = int(x - hs), int(y - hs)
        crop = np.zeros((2 * hs, 2 * hs, 3), np.uint8)
        for r in range(2 * hs):
            for c in range(2 * hs):
                px, py = left + c, top + r
                if 0 <= px < w - 1 and 0 <= py < h - 1:
                    crop[r, c] = picture[py, px]
        expect = np.asarray(Image.fromarray(crop).resize((128, 128), Image.NEAREST)).astype(int)
        ours = np.fromfile(f"overlay_magnifier_{i}.bin", np.uint8).reshape(128, 128, 3).astype(int)
        bad = 0
        compared = 0
        for r in range(128):
            for c in range(128):
                # Border lines on the top and left edge; the cross marks through the centre.
                if r < 2 or c < 2 or abs(r - 63.5) < 2 or abs(c - 63.5) < 2:
                    continue
                compared += 1
                got = ours[r, c]
                ok = False
                for dr in (-1, 0, 1):
                    for dc in (-1, 0, 1):
                        rr, cc = min(max(r + dr, 0), 127), min(max(c + dc, 0), 127)
                        if np.abs(expect[rr, cc] - got).max() <= 1:
                            ok = True
                if not ok:
                    bad += 1
        exact = int((np.abs(ours - expect).max(axis=2) <= 1).sum())
        print(f"magnifier at ({x}, {y}): {compared} pixels compared, {bad} off, {exact} exact")
        if bad or exact < 128 * 128 * 0.8:
            failures.append(f"magnifier {i}")


def check_histogram():
    for i, line in enumerate(l for l in open("overlay_histogram_case.txt").read().split("\n") if l.strip()):
        parts = line.split()
        w, h, stride = map(int, parts[:3])
        maxima = list(map(float, parts[3:6]))
        raw = np.fromfile(f"overlay_histogram_{i}_frame.bin", np.uint8).reshape(h, stride)
        pixels = raw[:, : 4 * w].reshape(h, w, 4)
        counts = np.fromfile(f"overlay_histogram_{i}_counts.bin", np.uint32).reshape(3, 255)
        for k, channel in enumerate((2, 1, 0)):  # red, green, blue
            expect = np.bincount(pixels[:, :, channel].ravel(), minlength=256)[:255]
            if not np.array_equal(expect, counts[k]) or float(expect.max()) != maxima[k]:
                failures.append(f"histogram {i} channel {k}")
        print(f"histogram {w}x{h} stride {stride}: {int(counts.sum())} counted of {3 * w * h}")


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


def check_info_line():
    parts = open("overlay_info_case.txt").read().split()
    file, size, width, height, background = parts[0], *map(int, parts[1:5])
    text = "".join(chr(int(c)) for c in parts[5:])
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
    rgb = ((background >> 16) & 255, (background >> 8) & 255, background & 255)
    under = Image.new("RGBA", (width, height), rgb + (255,))
    ink = Image.new("RGBA", (width, height), (255, 0, 0, 0))
    ink.putalpha(Image.fromarray(coverage, "L"))
    expect = np.asarray(Image.alpha_composite(under, ink).convert("RGB")).astype(int)
    ours = np.fromfile("overlay_info_frame.bin", np.uint8).reshape(height, width, 3).astype(int)
    diff = np.abs(ours - expect)
    inked = int((coverage > 0).sum())
    print(f"info line {width}x{height}: {inked} inked pixels, largest difference {diff.max()}")
    if inked < 100 or diff.max() > 1:
        bad = np.argwhere(diff.max(axis=2) > 1)
        if len(bad):
            y, x = bad[0]
            print(f"{len(bad)} pixels differ, first at row {y} col {x}: ours {ours[y, x]}, expected {expect[y, x]}")
        failures.append("info line")


check_magnifier()
check_histogram()
check_info_line()
if failures:
    print("failed:", ", ".join(failures))
    sys.exit(1)
