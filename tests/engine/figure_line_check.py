"""Checks a thick polyline the canvas drew against shapely: the buffer of the
same polyline at half the pen weight with butt caps and mitre joins. Pixel
(i, j) shows the point (i + 0.5, j + 0.5) of window space. Every pixel well
inside the buffer must be drawn and every drawn pixel must lie within a pixel
of it."""
import sys

import numpy as np
from shapely.geometry import LineString, Point
from shapely.prepared import prep

parts = open("line_case.txt").read().split()
width, height, pen = map(int, parts[:3])
coords = list(map(float, parts[3:]))
points = list(zip(coords[0::2], coords[1::2]))

red = np.fromfile("line_frame.bin", np.uint8).reshape(height, width)
drawn = red > 127

shape = LineString(points).buffer(pen / 2, cap_style=2, join_style=2, mitre_limit=5.0)
inner = prep(shape.buffer(-1.0, join_style=2))
outer = prep(shape.buffer(1.0, join_style=2))

x0, y0, x1, y1 = (int(v) for v in shape.bounds)
missing, stray = [], []
for j in range(height):
    for i in range(width):
        p = Point(i + 0.5, j + 0.5)
        near = x0 - 2 <= i <= x1 + 2 and y0 - 2 <= j <= y1 + 2
        if drawn[j, i]:
            if not near or not outer.contains(p):
                stray.append((i, j))
        elif near and inner.contains(p):
            missing.append((i, j))

count = int(drawn.sum())
print(f"{count} pixels drawn, buffer area {shape.area:.1f}, {len(missing)} missing, {len(stray)} stray")
if missing:
    print(f"first missing pixel {missing[0]}")
if stray:
    print(f"first stray pixel {stray[0]}")
if missing or stray or abs(count - shape.area) > 0.02 * shape.area:
    sys.exit(1)
