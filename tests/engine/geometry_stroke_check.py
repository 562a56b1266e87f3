"""Compares the union of our stroke triangles with shapely's buffer of the same
line, cap and join (miter limit 4), read from stroke_cases.txt."""
import sys

from shapely.geometry import LinearRing, LineString, Polygon
from shapely.ops import unary_union

CAPS = {0: 2, 1: 3, 2: 1}      # butt -> flat, square -> square, round -> round
JOINS = {0: 2, 2: 1, 3: 3}     # miter -> mitre, round -> round, bevel -> bevel

failures = []
cases = 0
with open("stroke_cases.txt") as f:
    lines = iter(f.read().splitlines())
    for header in lines:
        name = header[len("case "):]
        closed, width, cap, join = map(int, next(lines).split())
        nums = next(lines).split()
        n = int(nums[0])
        coords = [(float(nums[1 + 2 * i]), float(nums[2 + 2 * i])) for i in range(n)]
        count = int(next(lines))
        tris = []
        for _ in range(count):
            v = list(map(float, next(lines).split()))
            t = Polygon([(v[0], v[1]), (v[2], v[3]), (v[4], v[5])])
            if t.area > 0:
                tris.append(t)
        ours = unary_union(tris)
        line = LinearRing(coords) if closed else LineString(coords)
        ref = line.buffer(width / 2.0, resolution=64, cap_style=CAPS[cap], join_style=JOINS[join],
                          mitre_limit=4.0)
        diff = ours.symmetric_difference(ref).area
        tolerance = 0.01 * ref.area + 1.0
        status = "ok" if diff <= tolerance else "MISMATCH"
        print(f"{name}: ours {ours.area:.3f} shapely {ref.area:.3f} differ {diff:.3f} ({status})")
        if diff > tolerance:
            failures.append(name)
        cases += 1

if cases < 10:
    print("too few stroke cases")
    sys.exit(1)
if failures:
    print("mismatching strokes:", ", ".join(failures))
    sys.exit(1)
