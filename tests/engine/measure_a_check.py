"""Recomputes what the point-to-line, parallel-lines, angle and circle
figures measured and drew, from their points alone, with numpy and shapely.

measure_a_values.txt: one figure per line: type, zoom, offset, reference
scale, magnification, complement flag, vertex count, vertices (picture
pixels), handles (window pixels), then what the figure measured.
measure_a_pictures.txt: one frame per line (red channel in a .bin file) with
the type, pen weight, solid and complement flags and the handles. Pixel
(i, j) shows the point (i + 0.5, j + 0.5). Pixels more than a pixel inside a
stroked or filled shape must be drawn, drawn pixels must lie within a pixel
(thin lines: 1.5 pixels) of the expected shape, and thin lines must be drawn
along their whole length."""
import math
import sys

import numpy as np
from shapely import vectorized
from shapely.geometry import LineString, Point
from shapely.ops import unary_union

POINT_LINE, DISTANCE, ANGLE, ANGLE4, CIRCLE = 4, 5, 2, 3, 7
failures = []


def fail(what):
    failures.append(what)


def calibrated(pixels, scale, power):
    value = pixels * scale
    return value / power if abs(power) > 1e-14 else value


def clockwise_turn(a, b):
    """Degrees that turn a onto b, clockwise as seen with y down, 0 to 360."""
    if np.hypot(*a) <= 1e-8 or np.hypot(*b) <= 1e-8:
        return 0.0
    return math.degrees(math.atan2(a[0] * b[1] - a[1] * b[0], a[0] * b[0] + a[1] * b[1])) % 360.0


def circle_through(h):
    """Centre and radius through three points; points in a line (by the
    slope rule) give the circle on the diagonal of their box."""
    (x0, y0), (x1, y1), (x2, y2) = h
    dx01, dy01, dx12, dy12 = x1 - x0, y1 - y0, x2 - x1, y2 - y1
    line = (abs(dx01) <= 0.01 and abs(dx12) <= 0.01) or (
        abs(dx01) > 0.01 and abs(dx12) > 0.01 and abs(dy12 / dx12 - dy01 / dx01) <= 0.01)
    if line:
        xs, ys = [p[0] for p in h], [p[1] for p in h]
        return np.array([(min(xs) + max(xs)) / 2, (min(ys) + max(ys)) / 2]), max(
            1.0, math.hypot(max(xs) - min(xs), max(ys) - min(ys)) / 2)
    a = np.array([[x1 - x0, y1 - y0], [x2 - x0, y2 - y0]]) * 2
    b = np.array([x1 ** 2 - x0 ** 2 + y1 ** 2 - y0 ** 2, x2 ** 2 - x0 ** 2 + y2 ** 2 - y0 ** 2])
    centre = np.linalg.solve(a, b)
    return centre, max(1.0, float(np.hypot(*(np.array(h[0]) - centre))))


def close(got, want, rel, absolute, what):
    if not abs(got - want) <= max(absolute, rel * abs(want)):
        fail(f"{what}: {got!r} against {want!r}")


rows = 0
for line in open("measure_a_values.txt"):
    f = line.split()
    t, zoom, ox, oy, scale, power, comp, n = int(f[0]), float(f[1]), int(f[2]), int(f[3]), float(f[4]), float(
        f[5]), int(f[6]), int(f[7])
    nums = list(map(float, f[8:]))
    v = np.array(nums[:2 * n]).reshape(n, 2)
    h = np.array(nums[2 * n:4 * n]).reshape(n, 2)
    rest = nums[4 * n:]
    what = f"row {rows} type {t} zoom {zoom}"
    rows += 1
    # The vertices are the handles in picture pixels.
    for k in range(n):
        for axis, origin in ((0, ox), (1, oy)):
            close(v[k][axis], (h[k][axis] - origin) / zoom, 1e-6, 1e-3, what + " vertex")
    if t == POINT_LINE:
        e = v[1] - v[0]
        length = np.hypot(*e)
        pixels = 0.0 if length <= 1e-9 else abs(e[0] * (v[2] - v[0])[1] - e[1] * (v[2] - v[0])[0]) / length
        close(rest[0], calibrated(pixels, scale, power), 1e-5, 1e-4 * scale, what)
    elif t == DISTANCE:
        close(rest[0], calibrated(np.hypot(*(v[1] - v[0])), scale, power), 1e-7, 1e-9, what)
        bars = np.array(rest[1:9]).reshape(4, 2)
        s = h[1] - h[0]
        s = s / np.hypot(*s)
        for k in range(2):
            e1, e2 = bars[2 * k], bars[2 * k + 1]
            close(np.hypot(*(e2 - e1)), 96.0, 0, 1e-3, what + " bar length")
            close(float(np.hypot(*((e1 + e2) / 2 - h[k]))), 0.0, 0, 1e-3, what + " bar centre")
            close(float(np.dot(e2 - e1, s)), 0.0, 0, 1e-2, what + " bar across")
    elif t in (ANGLE, ANGLE4):
        raw = clockwise_turn(v[1] - v[2], v[1] - v[0]) if t == ANGLE else clockwise_turn(v[2] - v[3], v[1] - v[0])
        want = 360.0 - raw if comp else raw
        close(rest[0], want, 0, 1e-6, what)
    elif t == CIRCLE:
        centre, radius = circle_through([tuple(p) for p in h])
        got_centre = np.array(rest[3:5])
        close(float(np.hypot(*(got_centre - centre))), 0.0, 0, 1e-4 * (radius + 100), what + " centre")
        close(rest[5], radius, 2e-4, 1e-3, what + " radius in window pixels")
        r = calibrated(rest[5] / zoom, scale, power)
        close(rest[0], r, 1e-7, 1e-12, what + " radius")
        close(rest[1], math.pi * rest[0] * rest[0], 1e-12, 1e-12, what + " area")
        close(rest[2], 2 * math.pi * rest[0], 1e-12, 1e-12, what + " perimeter")
    else:
        fail(f"{what}: unknown type")
if rows != 240:
    fail(f"{rows} value rows")


def arc(centre, start, sweep):
    """Points of the circle of radius 48 from start degrees through sweep degrees, 1 degree apart."""
    steps = max(1, int(abs(sweep)))
    angles = np.radians(start + np.linspace(0, sweep, steps + 1))
    return LineString(np.c_[centre[0] + 48 * np.cos(angles), centre[1] + 48 * np.sin(angles)]) if abs(
        sweep) > 1e-9 else None


def direction(p, q):
    return math.degrees(math.atan2(q[1] - p[1], q[0] - p[0])) % 360.0


def expected(t, pen, solid, comp, h):
    """Filled area (stroked or solid parts) and thin lines of the figure."""
    half = pen / 2
    stroked = pen >= 2
    pieces, thin = [], []
    if t == POINT_LINE:
        e = h[1] - h[0]
        foot = h[0] + e * np.dot(h[2] - h[0], e) / np.dot(e, e)
        pieces = [LineString([h[0], h[1]]), LineString([h[2], foot])]
    elif t == DISTANCE:
        s = (h[1] - h[0]) / np.hypot(*(h[1] - h[0]))
        u = np.array([-s[1], s[0]])
        pieces = [LineString([h[0], h[1]])] + [LineString([c - 48 * u, c + 48 * u]) for c in h]
    elif t == ANGLE:
        pieces = [LineString([h[0], h[1], h[2]])]
        raw = clockwise_turn(h[1] - h[2], h[1] - h[0])
        a = arc(h[1], direction(h[1], h[0]), 360 - raw) if comp else arc(h[1], direction(h[1], h[2]), raw)
        thin = [a] if a else []
    elif t == ANGLE4:
        pieces = [LineString([h[0], h[1]]), LineString([h[2], h[3]])]
        raw = clockwise_turn(h[2] - h[3], h[1] - h[0])
        g = direction(h[1], h[0])
        a = arc(h[1], g, 360 - raw) if comp else arc(h[1], g - raw, raw)
        thin = [a] if a else []
    elif t == CIRCLE:
        centre, radius = circle_through([tuple(p) for p in h[:3]])
        disc = Point(*centre).buffer(radius, 256)
        cx, cy = centre
        mark = [LineString([(cx - 5, cy), (cx + 5, cy)]), LineString([(cx, cy - 5), (cx, cy + 5)])]
        if solid:
            return disc, mark
        if stroked:
            return disc.buffer(half, 256).difference(Point(*centre).buffer(radius - half, 256)), mark
        return None, [disc.exterior] + mark
    if stroked:
        join = 2  # mitre
        return unary_union([p.buffer(half, cap_style=2, join_style=join, mitre_limit=5.0) for p in pieces]), thin
    return None, pieces + thin


def check_picture(name, width, height, t, pen, solid, comp, h):
    red = np.fromfile(name, np.uint8).reshape(height, width)
    drawn = red > 127
    area, thin = expected(t, pen, solid, comp, h)
    allowed = unary_union(([area.buffer(1.0)] if area is not None else []) + [g.buffer(1.5) for g in thin])
    js, is_ = np.nonzero(drawn)
    inside = vectorized.contains(allowed, is_ + 0.5, js + 0.5)
    stray = list(zip(is_[~inside], js[~inside]))
    missing = []
    if area is not None:
        inner = area.buffer(-1.0)
        if not inner.is_empty:
            ys, xs = np.mgrid[0:height, 0:width]
            deep = vectorized.contains(inner, xs + 0.5, ys + 0.5)
            mj, mi = np.nonzero(deep & ~drawn)
            missing = list(zip(mi, mj))
    # Every point along a thin line has a drawn pixel within 1.6 pixels.
    gaps = []
    for g in thin:
        for d in np.arange(0, g.length, 1.0):
            p = g.interpolate(d)
            if not (2 <= p.x < width - 2 and 2 <= p.y < height - 2):
                continue
            i0, j0 = int(p.x - 2), int(p.y - 2)
            window = drawn[j0:j0 + 5, i0:i0 + 5]
            wj, wi = np.nonzero(window)
            if not np.any(np.hypot(i0 + wi + 0.5 - p.x, j0 + wj + 0.5 - p.y) <= 1.6):
                gaps.append((round(p.x, 1), round(p.y, 1)))
    print(f"{name}: {int(drawn.sum())} drawn, {len(missing)} missing, {len(stray)} stray, {len(gaps)} gaps")
    if missing or stray or gaps:
        fail(f"{name}: first missing {missing[:3]}, stray {stray[:3]}, gaps {gaps[:3]}")
    if not drawn.any():
        fail(f"{name}: nothing drawn")


pictures = 0
for line in open("measure_a_pictures.txt"):
    f = line.split()
    name, width, height, t, pen, solid, comp, n = f[0], *map(int, f[1:8])
    h = np.array(list(map(float, f[8:8 + 2 * n]))).reshape(n, 2)
    check_picture(name, width, height, t, pen, solid, comp, h)
    pictures += 1
if pictures != 11:
    fail(f"{pictures} pictures")

for what in failures[:40]:
    print(what)
print(f"{rows} values, {pictures} pictures, {len(failures)} failures")
sys.exit(1 if failures else 0)
