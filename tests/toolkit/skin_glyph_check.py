"""Compares the painted geometry glyphs (glyph_WxH_CODE.txt) with PIL's
drawing of the same figures, worked out here from the area alone: lines,
ellipses and rectangles as given, splines as cardinal splines of tension
0.5 sampled with numpy, the pentagon and closed curve from single-precision
angles."""
import glob
import math
import os
import sys

import numpy as np
from PIL import Image, ImageDraw


def f32(v):
    return float(np.float32(v))


def ring(area, start_bits, step_bits, count):
    left, top, right, bottom = area
    fx = f32(f32(left + right - 1) * 0.5)
    fy = f32(f32(top + bottom - 1) * 0.5)
    r = f32(f32(right - left) / np.float32(3.5))
    phi = np.frombuffer(np.uint32(start_bits).tobytes(), np.float32)[0]
    step = np.frombuffer(np.uint32(step_bits).tobytes(), np.float32)[0]
    pts = []
    for _ in range(count):
        phi = np.float32(phi + step)
        pts.append((f32(fx + f32(math.cos(float(phi))) * r), f32(fy + f32(math.sin(float(phi))) * r)))
    return pts


def cardinal(points, closed, tension=0.5, steps=40):
    """Samples a cardinal spline as GDI+ draws it: Bezier pieces whose inner
    control points lie tension / 3 of the neighbours' difference away."""
    p = np.array(points, float)
    n = len(p)
    out = []
    pieces = n if closed else n - 1
    for i in range(pieces):
        p0, p1 = p[i], p[(i + 1) % n]
        prev = p[(i - 1) % n] if (closed or i > 0) else p0
        nxt = p[(i + 2) % n] if (closed or i + 2 < n) else p1
        c1 = p0 + (p1 - prev) * tension / 3.0
        c2 = p1 - (nxt - p0) * tension / 3.0
        t = np.linspace(0, 1, steps)[:, None]
        out.extend(((1 - t) ** 3 * p0 + 3 * (1 - t) ** 2 * t * c1 + 3 * (1 - t) * t ** 2 * c2 + t ** 3 * p1).tolist())
    return [tuple(q) for q in out]


def figure(area, code):
    """(kind, points) of the glyph; end points are where the ink must be."""
    left, top, right, bottom = area
    cx, cy = int((left + right - 1) / 2), int((top + bottom - 1) / 2)
    qx, qy = int((right - left) / 4), int((bottom - top) / 4)
    e = int(qx / 2)
    if code == 0:
        return [('line', [(cx + qx, cy + qy), (cx - qx, cy - qy)])]
    if code == 1:
        return [('line', [(cx + qx - e, cy + qy), (cx - qx - e, cy - qy)]),
                ('line', [(cx + 2 * qx - e, cy + qy), (cx - qx - e + qy, cy - qy)])]
    if code == 2:
        return [('line', [(cx + qx, cy + qy), (cx - qx, cy - qy)]), ('line', [(cx + qx, cy - qy), (cx, cy)])]
    if code == 3:
        pts = [(cx - qx, cy - qy), (cx - e, cy + int(qy / 2)), (cx + qx, cy + qy)]
        return [('poly', cardinal(pts, False), pts)]
    if code in (4, 5, 6):
        a, b = {4: (qx, qy), 5: (qx + 2, qy - 2), 6: (qx + 2, qy - 1)}[code]
        box = (cx - a, cy - b, cx + a, cy + b)
        return [('ellipse' if code != 6 else 'rect', box)]
    if code == 7:
        pts = ring(area, 0x4096CBDC, 0x3FA0D973, 5)
        return [('poly', pts + pts[:1], pts)]
    if code == 8:
        pts = ring(area, 0x40A78D2E, 0x3FC90FD0, 4)
        pts[1] = (pts[1][0] + 2, pts[1][1])
        pts[2] = (pts[2][0] - 2, pts[2][1])
        return [('poly', cardinal(pts, True), pts)]
    return []


def reference(width, height, area, code):
    """PIL's drawing at 4x, 2-pixel pen, reduced to coverage."""
    s = 4
    img = Image.new('L', (width * s, height * s), 0)
    d = ImageDraw.Draw(img)
    # GDI+ pixel centres sit at integer coordinates: shift by half a pixel.
    m = lambda pt: ((pt[0] + 0.5) * s, (pt[1] + 0.5) * s)
    for part in figure(area, code):
        kind = part[0]
        if kind == 'line' or kind == 'poly':
            pts = [m(p) for p in part[1]]
            d.line(pts, fill=255, width=2 * s, joint='curve')
        elif kind == 'ellipse':
            x0, y0, x1, y1 = part[1]
            d.ellipse([m((x0, y0))[0] - s, m((x0, y0))[1] - s, m((x1, y1))[0] + s, m((x1, y1))[1] + s], fill=255)
            d.ellipse([m((x0, y0))[0] + s, m((x0, y0))[1] + s, m((x1, y1))[0] - s, m((x1, y1))[1] - s], fill=0)
        elif kind == 'rect':
            x0, y0, x1, y1 = part[1]
            d.rectangle([m((x0, y0))[0] - s, m((x0, y0))[1] - s, m((x1, y1))[0] + s, m((x1, y1))[1] + s], fill=255)
            d.rectangle([m((x0, y0))[0] + s, m((x0, y0))[1] + s, m((x1, y1))[0] - s, m((x1, y1))[1] - s], fill=0)
    return np.asarray(img.resize((width, height), Image.BOX), float) / 255.0


def grow(mask):
    """The mask widened by one pixel in the eight directions."""
    out = mask.copy()
    padded = np.pad(mask, 1)
    h, w = mask.shape
    for dy in (0, 1, 2):
        for dx in (0, 1, 2):
            out |= padded[dy:dy + h, dx:dx + w]
    return out


def ends(area, code):
    out = []
    for part in figure(area, code):
        if part[0] == 'line':
            out += part[1]
        elif part[0] == 'poly':
            out += part[2]
        else:
            x0, y0, x1, y1 = part[1]
            out += [(x0, (y0 + y1) / 2), (x1, (y0 + y1) / 2), ((x0 + x1) / 2, y0), ((x0 + x1) / 2, y1)]
    return out


def main():
    files = sorted(glob.glob('glyph_*.txt'))
    if len(files) != 30:
        print('expected 30 glyph files, found', len(files))
        return 1
    failures = 0
    for name in files:
        size, code = os.path.basename(name)[6:-4].split('_')
        width, height = map(int, size.split('x'))
        code = int(code)
        lines = open(name).read().split('\n')
        area = tuple(int(v) for v in lines[0].split())
        ink = np.array([[int(row[2 * i:2 * i + 2], 16) for i in range(width)] for row in lines[1:1 + height]],
                       float) / 255.0
        problems = []
        if code > 8:
            if ink.max() > 0:
                problems.append('ink for a code above 8')
        else:
            ref = reference(width, height, area, code)
            painted, wanted = ink > 0.35, ref > 0.35
            # Closely: each mask's ink lies within a pixel of the other's.
            inside = (painted & grow(wanted)).sum() / max(1, painted.sum())
            covered = (wanted & grow(painted)).sum() / max(1, wanted.sum())
            if inside < 0.95 or covered < 0.9:
                problems.append('ink within a pixel %.2f, drawing covered %.2f' % (inside, covered))
            for x, y in ends(area, code):
                xi = min(max(int(round(x)), 0), width - 1)
                yi = min(max(int(round(y)), 0), height - 1)
                window = ink[max(0, yi - 1):yi + 2, max(0, xi - 1):xi + 2]
                if window.max() < 0.5:
                    problems.append('no ink near (%.1f, %.1f)' % (x, y))
            for cx, cy in ((0, 0), (width - 1, 0), (0, height - 1), (width - 1, height - 1)):
                if ink[cy, cx] > 0:
                    problems.append('ink in the corner (%d, %d)' % (cx, cy))
        if problems:
            failures += 1
            print(name, '; '.join(problems))
    print('%d of %d glyphs differ' % (failures, len(files)))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
