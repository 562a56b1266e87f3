"""Recomputes what figure_shapes_test.cpp wrote.

shape_values.txt: per line "<kind> <scale> <power> <values...> <vertices...>".
Rectangles and polygons against shapely, the ellipse perimeter against
scipy.special.ellipe, curves against scipy's natural CubicSpline over the
point index sampled every 0.02 (closed loops wrapped with four lead-in and
four lead-out points, the smoothing model the figures use).

shape_pictures.txt: per line "<frame file> <name> <pen> <solid> <vertices...>";
the frame is the red channel of the canvas. Pixel (i, j) shows the point
(i + 0.5, j + 0.5). Pixels more than one pixel inside the expected shape must
be drawn, pixels more than one pixel outside it must be background.
"""
import math
import sys

import numpy as np
from scipy.interpolate import CubicSpline
from scipy.special import ellipe
from shapely.geometry import LinearRing, LineString, Point, Polygon
from shapely.ops import polygonize, unary_union
from shapely.prepared import prep

failures = []


def close(name, got, want, rel, absolute=1e-9):
    if not abs(got - want) <= max(rel * abs(want), absolute):
        failures.append(f"{name}: got {got!r}, want {want!r}")


def spline_samples(pts, closed):
    pts = np.asarray(pts, float)
    n = len(pts)
    if n < 2:
        return pts
    if n == 2 and not closed:
        return pts
    if closed:
        idx = [(2 * n - 4) % n, n - 3, n - 2, n - 1] + list(range(n)) + [i % n for i in range(4)]
        knots = np.arange(n + 8, dtype=float)
        a, last = 4.0, n + 4.0
    else:
        idx = list(range(n))
        knots = np.arange(n, dtype=float)
        a, last = 0.0, n - 1.0
    sx = CubicSpline(knots, pts[idx, 0], bc_type="natural")
    sy = CubicSpline(knots, pts[idx, 1], bc_type="natural")
    out = []
    while a < last:
        out.append((float(sx(a)), float(sy(a))))
        a += 0.02
    if not closed:
        out.append(tuple(pts[-1]))
    return np.array(out)


def check_values():
    count = 0
    for line in open("shape_values.txt"):
        parts = line.split()
        if not parts:
            continue
        kind, scale, power = parts[0], float(parts[1]), float(parts[2])
        k = scale / (power if abs(power) > 1e-14 else 1.0)
        nvalues = {"rectangle": 3, "ellipse": 4, "polygon": 2, "bowtie": 2, "curve": 1, "curve-unscaled": 1,
                   "curvepolygon": 2}[kind]
        values = list(map(float, parts[3:3 + nvalues]))
        coords = list(map(float, parts[3 + nvalues:]))
        pts = list(zip(coords[0::2], coords[1::2]))
        tag = f"{kind} #{count} ({scale}, {power})"
        count += 1
        if kind == "rectangle":
            (x0, y0), (x2, y2) = pts[0], pts[2]
            box = Polygon([(x0 * k, y0 * k), (x2 * k, y0 * k), (x2 * k, y2 * k), (x0 * k, y2 * k)])
            minx, miny, maxx, maxy = box.bounds
            close(tag + " width", values[0], maxx - minx, 1e-12)
            close(tag + " height", values[1], maxy - miny, 1e-12)
            close(tag + " area", values[2], box.area, 1e-12)
        elif kind == "ellipse":
            (x0, y0), (x2, y2) = pts[0], pts[2]
            a, b, area, perimeter = values
            # The radii pass through window pixels in single precision.
            close(tag + " semi-axis x", a, abs(x2 - x0) / 2 * k, 1e-5)
            close(tag + " semi-axis y", b, abs(y2 - y0) / 2 * k, 1e-5)
            close(tag + " area", area, math.pi * a * b, 1e-12)
            big, small = max(a, b), min(a, b)
            close(tag + " perimeter", perimeter, 4 * big * ellipe(1 - (small / big) ** 2), 1e-9)
        elif kind in ("polygon", "bowtie"):
            scaled = [(x * k, y * k) for x, y in pts]
            ring = LinearRing(scaled)
            close(tag + " perimeter", values[1], ring.length, 1e-9)
            if kind == "polygon":
                shape = Polygon(scaled)
                if not shape.is_valid:
                    failures.append(tag + ": the random polygon is not simple")
                close(tag + " area", values[0], shape.area, 1e-9)
            else:
                lobes = [p.area for p in polygonize(unary_union(LineString(scaled + scaled[:1])))]
                if len(lobes) != 2:
                    failures.append(f"{tag}: {len(lobes)} lobes")
                else:
                    close(tag + " area", values[0], abs(lobes[0] - lobes[1]), 1e-9)
        elif kind in ("curve", "curve-unscaled"):
            s = spline_samples(pts, False)
            length = float(np.hypot(*np.diff(s, axis=0).T).sum()) if len(s) > 1 else 0.0
            # A power of 0 leaves the length as it was: 0 for a new figure.
            close(tag + " length", values[0], length * k if kind == "curve" else 0.0, 1e-6)
        elif kind == "curvepolygon":
            s = spline_samples(pts, True)
            shape = Polygon(s)
            if not shape.is_valid:
                failures.append(tag + ": the loop is not simple")
            close(tag + " area", values[0], shape.area * k * k, 1e-6)
            close(tag + " perimeter", values[1], LinearRing(s).length * abs(k), 1e-6)
    print(f"{count} value cases")
    if count < 80:
        failures.append("too few value cases")


def ellipse_points(pts):
    (x0, y0), (x2, y2) = pts[0], pts[2]
    cx, cy, rx, ry = (x0 + x2) / 2, (y0 + y2) / 2, abs(x2 - x0) / 2, abs(y2 - y0) / 2
    t = np.linspace(0, 2 * math.pi, 720, endpoint=False)
    return list(zip(cx + rx * np.cos(t), cy + ry * np.sin(t))), (cx, cy)


def expected(name, pen, solid, pts):
    """(inner shape, outer shape) in window pixels."""
    kind = name.split("_")[0]
    cross = None
    if kind in ("rect", "ellipse"):
        (x0, y0), (x2, y2) = pts[0], pts[2]
        if kind == "rect":
            outline = [(x0, y0), (x2, y0), (x2, y2), (x0, y2)]
            centre = ((x0 + x2) / 2, (y0 + y2) / 2)
        else:
            outline, centre = ellipse_points(pts)
        cx, cy = centre
        cross = unary_union([LineString([(cx - 5, cy), (cx + 5, cy)]), LineString([(cx, cy - 5), (cx, cy + 5)])]).buffer(0.5)
    elif kind == "polygon":
        outline = pts
    elif kind == "curvepolygon":
        outline = [tuple(p) for p in spline_samples(pts, True)]
    else:
        outline = [tuple(p) for p in spline_samples(pts, False)]
    closed = kind != "curve"
    if solid:
        inner = outer = Polygon(outline)
    elif pen >= 2:
        line = LinearRing(outline) if closed else LineString(outline)
        cap = 2  # flat; a ring has none
        if kind in ("rect", "polygon"):
            inner = line.buffer(pen / 2, cap_style=cap, join_style=3)
            outer = line.buffer(pen / 2, cap_style=cap, join_style=2, mitre_limit=5.0)
        else:
            inner = line.buffer(pen / 2, cap_style=cap, join_style=3)
            outer = line.buffer(pen / 2, cap_style=1 if closed else cap, join_style=1)
    else:
        line = LinearRing(outline) if closed else LineString(outline)
        inner = outer = line.buffer(0.5, cap_style=2)
    if cross is not None:
        outer = outer.union(cross)
    return inner, outer, (LinearRing(outline) if closed else LineString(outline)).length


def check_pictures():
    width, height = 640, 480
    cases = 0
    for line in open("shape_pictures.txt"):
        parts = line.split()
        if not parts:
            continue
        cases += 1
        path, name, pen, solid = parts[0], parts[1], int(parts[2]), int(parts[3])
        coords = list(map(float, parts[4:]))
        pts = list(zip(coords[0::2], coords[1::2]))
        drawn = np.fromfile(path, np.uint8).reshape(height, width) > 127
        inner_shape, outer_shape, length = expected(name, pen, solid, pts)
        inner = prep(inner_shape.buffer(-1.0))
        outer = prep(outer_shape.buffer(1.0))
        x0, y0, x1, y1 = (int(v) for v in outer_shape.bounds)
        missing = stray = 0
        first = None
        for j in range(height):
            for i in range(width):
                near = x0 - 2 <= i <= x1 + 2 and y0 - 2 <= j <= y1 + 2
                if drawn[j, i]:
                    if not near or not outer.contains(Point(i + 0.5, j + 0.5)):
                        stray += 1
                        first = first or ("stray", i, j)
                elif near and inner.contains(Point(i + 0.5, j + 0.5)):
                    missing += 1
                    first = first or ("missing", i, j)
        count = int(drawn.sum())
        print(f"{name}: {count} drawn, {missing} missing, {stray} stray {first or ''}")
        if missing or stray:
            failures.append(f"{name}: {missing} missing, {stray} stray, first {first}")
        if not solid and pen < 2 and count < 0.8 * length:
            failures.append(f"{name}: {count} pixels for an outline {length:.0f} long")
        if (solid or pen >= 2) and abs(count - inner_shape.area) > 0.05 * inner_shape.area + 0.6 * length:
            failures.append(f"{name}: {count} pixels for an area of {inner_shape.area:.0f}")
    if cases < 14:
        failures.append(f"only {cases} pictures")


check_values()
check_pictures()
for f in failures:
    print(f)
sys.exit(1 if failures else 0)
