"""Natural cubic splines through random point sets, computed with scipy.

Writes spline_cases.txt: per case a header "case <closed> <n>", the n points,
then "expect <m>" and m lines "x y" of the smoothed curve sampled every 0.02
of the point index (the abscissa accumulated by repeated addition).
Closed cases wrap the points with four lead-in and four lead-out points.
"""
import numpy as np
from scipy.interpolate import CubicSpline

rng = np.random.default_rng(20261210)
cases = []
for n in (3, 4, 5, 8, 13, 30):
    pts = rng.uniform(-500, 1500, size=(n, 2))
    cases.append((0, pts))
# Uneven clicks: clustered and far apart.
pts = np.array([[0, 0], [1, 0.5], [2, 0], [400, 300], [401, 301], [-200, 50]], float)
cases.append((0, pts))
for n in (3, 5, 9):
    pts = rng.uniform(0, 800, size=(n, 2))
    cases.append((1, pts))

with open("spline_cases.txt", "w") as f:
    for closed, pts in cases:
        n = len(pts)
        if closed:
            idx = [(2 * n - 4) % n, n - 3, n - 2, n - 1] + list(range(n)) + [i % n for i in range(4)]
            knots = np.arange(n + 8, dtype=float)
            start, last = 4.0, n + 4.0
        else:
            idx = list(range(n))
            knots = np.arange(n, dtype=float)
            start, last = 0.0, n - 1.0
        sx = CubicSpline(knots, pts[idx, 0], bc_type="natural")
        sy = CubicSpline(knots, pts[idx, 1], bc_type="natural")
        samples = []
        a = start
        while a < last:
            samples.append((float(sx(a)), float(sy(a))))
            a += 0.02
        f.write(f"case {closed} {n}\n")
        for x, y in pts:
            f.write(f"{x!r} {y!r}\n")
        f.write(f"expect {len(samples)}\n")
        for x, y in samples:
            f.write(f"{x!r} {y!r}\n")
