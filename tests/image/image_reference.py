#!/usr/bin/python3
"""Reference model of the image library's pixel kernels, written with numpy
from the arithmetic rules alone. It writes test inputs and the expected bytes
into ref/ in the working folder; image_test compares its results with them.

ref/manifest.txt holds one case a line: kind, name, then integer parameters.
ref/<name>.<part> hold the raw bytes of each case.
"""
import math
import os
import sys

import numpy as np

F = np.float32
OUT = "ref"
rng = np.random.default_rng(20261210)
manifest = []


def emit(kind, name, params, **blobs):
    manifest.append(" ".join([kind, name] + [str(int(p)) for p in params]))
    for part, data in blobs.items():
        with open(os.path.join(OUT, f"{name}.{part}"), "wb") as f:
            f.write(np.ascontiguousarray(data).tobytes())


def seq_sum(values):
    """Sum in array order, one addition after another, like a plain loop."""
    values = np.asarray(values, dtype=np.float64).ravel()
    if values.size == 0:
        return 0.0
    return float(np.add.accumulate(values)[-1])


# ---------------------------------------------------------------- matrices

def identity():
    return [[F(1) if i == j else F(0) for j in range(4)] for i in range(4)]


def multiply(a, b):
    """b x a: b first, then a; float32 sums in k order."""
    out = [[F(0)] * 4 for _ in range(4)]
    for i in range(4):
        for j in range(4):
            s = F(b[i][0] * a[0][j])
            s = F(s + F(b[i][1] * a[1][j]))
            s = F(s + F(b[i][2] * a[2][j]))
            s = F(s + F(b[i][3] * a[3][j]))
            out[i][j] = s
    return out


def append(m, t):
    return multiply(t, m)


def elementary(cells):
    m = identity()
    for (i, j), v in cells.items():
        m[i][j] = F(v)
    return m


def transform(m, x, y, z):
    r = []
    for j in range(3):
        v = F(x * m[0][j])
        v = F(v + F(y * m[1][j]))
        v = F(v + F(z * m[2][j]))
        v = F(v + m[3][j])
        r.append(v)
    return r


LUM = (F(0.3086), F(0.6094), F(0.0820))
FIXED = [[F(1.36), F(-0.25), F(-0.10), F(0)],
         [F(-0.22), F(1.40), F(-0.32), F(0)],
         [F(-0.14), F(-0.15), F(1.42), F(0)],
         [F(0), F(0), F(0), F(1)]]


def hue_matrix(d):
    i2, i3, s23 = F(0.70710677), F(0.57735026), F(0.81649661)
    rx = lambda rs, rc: elementary({(1, 1): rc, (1, 2): rs, (2, 1): -rs, (2, 2): rc})
    ry = lambda rs, rc: elementary({(0, 0): rc, (0, 2): -rs, (2, 0): rs, (2, 2): rc})
    rz = lambda rs, rc: elementary({(0, 0): rc, (0, 1): rs, (1, 0): -rs, (1, 1): rc})
    sh = lambda dx, dy: elementary({(0, 2): dx, (1, 2): dy})
    m = identity()
    m = append(m, rx(i2, i2))
    m = append(m, ry(-i3, s23))
    lx, ly, lz = transform(m, *LUM)
    zsx, zsy = F(lx / lz), F(ly / lz)
    m = append(m, sh(zsx, zsy))
    a = F(F(F(d) * F(3.1415927)) / F(180))
    m = append(m, rz(F(math.sin(float(a))), F(math.cos(float(a)))))
    m = append(m, sh(-zsx, -zsy))
    m = append(m, ry(i3, s23))
    m = append(m, rx(-i2, i2))
    return m


def slider(v):
    return F(F(F(min(v, 20) - 10) * F(0.1)) + F(1))


def chain_fixed(sat=10, contrast=10, bright=255, hue=0, corr=1):
    """The fixed-point product of the colour chain, 16 values."""
    corr_m = [row[:] for row in FIXED] if corr else identity()
    c = slider(contrast)
    con = identity()
    for i in range(3):
        con[i][i] = c
        con[3][i] = F(F(128) - F(F(128) * c))
    b = identity()
    x = F(float(min(bright, 510)) - 255.0)
    for i in range(3):
        b[3][i] = x
    s = slider(sat)
    t = F(F(1) - s)
    satm = identity()
    for i in range(3):
        lum = F(LUM[i] * t)
        for j in range(3):
            satm[i][j] = F(lum + s) if i == j else lum
    h = hue_matrix(hue)
    p = multiply(identity(), corr_m)
    p = multiply(p, con)
    p = multiply(p, b)
    p = multiply(p, satm)
    p = multiply(p, h)
    out = []
    for i in range(4):
        for j in range(4):
            v = float(np.rint(F(p[i][j] * F(64))))
            out.append(int(min(max(v, -32768), 32767)))
    return out


# ---------------------------------------------------------------- enhancement

def gain16(g):
    return min(max(g, 0), 65535)


def apply_gains(px, gains):
    """px: (..., 4) uint8 B, G, R, A; returns red, green, blue int64 after the gains."""
    r = np.minimum(255, (px[..., 2].astype(np.int64) * gain16(gains[0])) >> 7)
    g = np.minimum(255, (px[..., 1].astype(np.int64) * gain16(gains[1])) >> 7)
    b = np.minimum(255, (px[..., 0].astype(np.int64) * gain16(gains[2])) >> 7)
    return r, g, b


def matrix_out(x, coef, alpha):
    """x: red, green, blue int64 arrays; exact sums, each shifted before the difference."""
    out = []
    for j in range(3):
        pos = np.zeros_like(x[0])
        neg = np.zeros_like(x[0])
        for k in range(3):
            c = coef[k * 4 + j]
            if c > 0:
                pos = pos + c * x[k]
            else:
                neg = neg - c * x[k]
        c = coef[12 + j]
        if c > 0:
            pos = pos + c
        else:
            neg = neg - c
        pp, nn = pos >> 6, neg >> 6
        out.append(np.where(pp > nn, np.minimum(255, pp - nn), 0))
    res = np.empty(x[0].shape + (4,), np.uint8)
    res[..., 0] = out[2]
    res[..., 1] = out[1]
    res[..., 2] = out[0]
    res[..., 3] = alpha
    return res


def gamma_table(n):
    return np.array([int(math.pow(i / 255.0, n / 100.0) * 255.0) for i in range(256)], np.uint8)


def enhance_pixels(px, gains, coef, colourful, table):
    r, g, b = apply_gains(px, gains)
    if not colourful:
        y = ((150 * g) >> 8) + ((77 * r) >> 8) + ((29 * b) >> 8)
        res = np.zeros(px.shape, np.uint8)
        res[..., 0] = res[..., 1] = res[..., 2] = y
        return res
    res = matrix_out((r, g, b), coef, 0)
    if table is not None:
        res = table[res]
    return res


def view(buf, width, height, stride):
    """(height, width, 4) view of a flat buffer with the given stride."""
    rows = buf[: (height - 1) * stride + width * 4] if height else buf[:0]
    return np.lib.stride_tricks.as_strided(rows, (height, width, 4), (stride, 4, 1), writeable=True)


def random_bytes(n):
    return rng.integers(0, 256, n, dtype=np.uint8)


# ---------------------------------------------------------------- white balance

def gain_rule(r, g, b):
    if not (r > 0 and g > 0 and b > 0):
        return None
    t = r + g + b
    green = t / g / 3.0
    red = (t / r / 3.0) * 128.0 / green
    blue = (t / b / 3.0) * 128.0 / green
    return [int(min(red, 65535.0)), 128, int(min(blue, 65535.0))]


def srgb_table():
    t = []
    for i in range(256):
        c = i / 255.0
        c = c * 12.92 if c <= 0.00304 else 1.055 * math.pow(c, 1.0 / 2.4) - 0.055
        c = c * 255.0
        t.append(255 if c > 255.0 else 0 if c < 0.0 else int(c))
    return t


def awb_gray(px):
    if px.size == 0:
        return None
    s = [int(px[..., c].astype(np.uint64).sum()) for c in (2, 1, 0)]
    return gain_rule(float(s[0]), float(s[1]), float(s[2]))


def awb_temperature(px):
    if px.size == 0:
        return None
    knee = float(F(0.03928))
    lin = []
    for i in range(256):
        v = float(F(F(i) / F(255)))
        lin.append(v / float(F(12.92)) if v <= knee else
                   math.pow((v + float(F(0.055))) / float(F(1.055)), 2.4))
    lin = np.array(lin)
    flat = px.reshape(-1, 4)
    r, g, b = lin[flat[:, 2]], lin[flat[:, 1]], lin[flat[:, 0]]
    X = 0.4124 * r + 0.3576 * g + 0.1805 * b
    Y = 0.2126 * r + 0.7152 * g + 0.0722 * b
    Z = 0.0193 * r + 0.1192 * g + 0.9505 * b
    neg = (X < 0) | (Y < 0) | (Z < 0)
    dark = Y < float(F(0.05))
    zero = neg | dark
    X, Y, Z = np.where(zero, 0.0, X), np.where(zero, 0.0, Y), np.where(zero, 0.0, Z)
    mask = ~dark
    prev = [0.0, 0.0, 0.0]
    mean = [0.0, 0.0, 0.0]
    for _ in range(5):
        n = int(mask.sum())
        if n == 0:
            return None
        mean = [seq_sum(ch[mask]) / n for ch in (X, Y, Z)]
        lim = [3 * m for m in mean]
        mask = mask & ~((X > lim[0]) | (Y > lim[1]) | (Z > lim[2]))
        if lim == prev:
            break
        prev = lim
    s = mean[0] + mean[1] + mean[2]
    x, y, z = mean[0] / s, mean[1] / s, mean[2] / s
    rgb = [3.2406 * x - 1.5372 * y - 0.4986 * z,
           -0.9689 * x + 1.8758 * y + 0.0415 * z,
           0.0557 * x - 0.2040 * y + 1.0570 * z]
    enc = srgb_table()
    by = [float(enc[int(min(max(v, 0.0), 1.0) * 255.0)]) for v in rgb]
    return gain_rule(*by)


LMS = [[0.3811, 0.5783, 0.0402], [0.1967, 0.7244, 0.0782], [0.0241, 0.1288, 0.8444]]
RGB = [[4.46867036819458, -3.5886764526367188, 0.11960437148809433],
       [-1.2197169065475464, 2.3830883502960205, -0.1626301258802414],
       [0.05850850045681, -0.26107850670814514, 1.2056660652160645]]


def awb_shades(px):
    if px.size == 0:
        return None
    flat = px.reshape(-1, 4).astype(np.float64)
    r, g, b = flat[:, 2], flat[:, 1], flat[:, 0]
    lms = [LMS[c][0] * r + LMS[c][1] * g + LMS[c][2] * b for c in range(3)]
    n = float(len(r))
    e = []
    for v in lms:
        v2 = v * v
        e.append(math.pow(seq_sum(v2 * v2 * v) / n, 0.2))
    if not all(x > 0 for x in e):
        return None
    mx = max(e)
    sc = [lms[c] / (e[c] / mx) for c in range(3)]
    means = []
    for c in range(3):
        out = RGB[c][0] * sc[0] + RGB[c][1] * sc[1] + RGB[c][2] * sc[2]
        means.append(seq_sum(np.minimum(out, 255.0)) / n)
    return gain_rule(*means)


AWB = {1: awb_gray, 2: awb_temperature, 3: awb_shades}


class Enhance:
    """The colour enhancement object: settings, then frames."""

    def __init__(self):
        self.gains = [128, 128, 128]
        self.sat, self.contrast, self.bright, self.hue, self.corr = 10, 10, 255, 0, 0
        self.gamma, self.gamma_on, self.colourful, self.awb = 120, 0, 1, 0
        self.table = None
        # A new chain carries the correction although the flag reads 0.
        self.chain_corr = 1

    def coef(self):
        return chain_fixed(self.sat, self.contrast, self.bright, self.hue, self.chain_corr)

    def set_gamma(self, n):
        if 1 <= n <= 200:
            self.gamma = n
            self.table = gamma_table(n)

    def process(self, src, sstride, dst, dstride, width, height):
        skip = (self.gains == [128, 128, 128] and not self.gamma_on and not self.corr and self.sat == 10 and
                self.contrast == 10 and self.bright == 255 and self.hue == 0 and self.colourful)
        gains = list(self.gains)
        pixels = view(src, width, height, sstride).copy()
        if self.awb in AWB:
            est = AWB[self.awb](pixels)
            if est is not None:
                self.gains = est
                gains = est
        if skip:
            return
        table = self.table if self.gamma_on else None
        res = enhance_pixels(pixels, gains, self.coef(), self.colourful, table)
        view(dst, width, height, dstride)[...] = res


# ---------------------------------------------------------------- Bayer

SITES = [[[1, 0], [2, 1]], [[2, 1], [1, 0]], [[0, 1], [1, 2]], [[1, 2], [0, 1]]]
CORR64 = [87, -16, -6, 0, -14, 90, -20, 0, -9, -10, 91, 0, 0, 0, 0, 64]


def interpolate(plane, origin, width, height, btype):
    """plane: 2-D uint8 with samples s(r, c) at plane[r + oy, c + ox]; returns red, green, blue."""
    btype = btype if 0 <= btype <= 2 else 3
    oy, ox = origin
    P = plane.astype(np.int64)

    def s(dr, dc):
        return P[oy + dr: oy + dr + height, ox + dc: ox + dc + width]

    C = s(0, 0)
    ns, we = s(-1, 0) + s(1, 0), s(0, -1) + s(0, 1)
    nnss, wwee = s(-2, 0) + s(2, 0), s(0, -2) + s(0, 2)
    diag = s(-1, -1) + s(-1, 1) + s(1, -1) + s(1, 1)
    eighths = lambda v: np.minimum(255, (np.maximum(0, v) + 4) >> 3)
    sixteenths = lambda v: np.minimum(255, (np.maximum(0, v) + 8) >> 4)
    k2 = eighths(4 * C + 2 * (ns + we) - (nnss + wwee))
    k3 = sixteenths(10 * C + 8 * we + nnss - 2 * wwee - 2 * diag)
    k4 = sixteenths(10 * C + 8 * ns + wwee - 2 * nnss - 2 * diag)
    k5 = sixteenths(12 * C + 4 * diag - 3 * (nnss + wwee))
    rgb = [np.zeros_like(C) for _ in range(3)]
    rows = np.arange(height)[:, None] % 2
    cols = np.arange(width)[None, :] % 2
    for p in range(2):
        for q in range(2):
            at = (rows == p) & (cols == q)
            colour = SITES[btype][p][q]
            rgb[colour] = np.where(at, C, rgb[colour])
            if colour == 1:
                across = SITES[btype][p][q ^ 1]
                down = SITES[btype][p ^ 1][q]
                rgb[across] = np.where(at, k3, rgb[across])
                rgb[down] = np.where(at, k4, rgb[down])
            else:
                rgb[1] = np.where(at, k2, rgb[1])
                rgb[2 - colour] = np.where(at, k5, rgb[2 - colour])
    return rgb


def bayer_finish(rgb, gains, coef):
    x = [np.minimum(255, (rgb[k] * gain16(gains[k])) >> 7) for k in range(3)]
    return matrix_out(x, coef, 255)


def bayer_gains(rgb):
    s = [float(int(v.astype(np.uint64).sum())) for v in rgb]
    return gain_rule(*s) or [128, 128, 128]


def padded_row_length(w):
    return (w + 16) // 16 * 16 + 11


def decode_bayer(data, width, height, stride, offset, btype, awb):
    """The raw decoder: padded plane with mirrored border, optional gains from the picture."""
    L = padded_row_length(width)
    rows = height + 4 + (height & 1)
    plane = np.zeros((rows, L), np.uint8)

    def reflect(i, n):
        j = -i if i < 0 else 2 * (n - 1) - i if i > n - 1 else i
        return min(max(j, 0), n - 1)

    for r in range(-2, height + 2):
        src_row = reflect(r, height)
        base = offset + src_row * stride
        line = data[base: base + width]
        for c in range(-2, width + 2):
            plane[r + 2, c + 5] = line[reflect(c, width)]
    rgb = interpolate(plane, (2, 5), width, height, btype)
    gains = bayer_gains(rgb) if awb else [128, 128, 128]
    return bayer_finish(rgb, gains, CORR64)


# ---------------------------------------------------------------- scaling

def cubic_table():
    t = []
    for i in range(513):
        d = i / 256.0
        k = d * d * d - 2 * d * d + 1 if d <= 1.0 else -d * d * d + 5 * d * d - 8 * d + 4
        t.append(int(k * 16384 + 0.5))
    return t


def sat16(v):
    return max(-32768, min(32767, v))


def scale_bilinear(S, D):
    sh, sw = S.shape[:2]
    dh, dw = D.shape[:2]
    if dw == 0 or dh == 0 or sw < 2 or sh < 2:
        return
    xstep = ((sw << 16) - 65536) // dw  # operands are positive: floor equals truncation
    ystep = ((sh << 16) - 65536) // dh
    Si = S.astype(np.int64)
    for j in range(dh):
        sy = j * ystep
        y0, v = sy >> 16, (sy >> 8) & 255
        for i in range(dw):
            sx = i * xstep
            x0, u = sx >> 16, (sx >> 8) & 255
            a = (Si[y0, x0] * (256 - u) + Si[y0, x0 + 1] * u) // 256
            b = (Si[y0 + 1, x0] * (256 - u) + Si[y0 + 1, x0 + 1] * u) // 256
            D[j, i] = (a * (256 - v) + b * v) // 256


def scale_bicubic(S, D):
    sh, sw = S.shape[:2]
    dh, dw = D.shape[:2]
    if dw == 0 or dh == 0 or sw == 0 or sh == 0:
        return
    T = cubic_table()
    xstep = (sw << 16) // dw + 1
    ystep = (sh << 16) // dh + 1
    xstart, ystart = (xstep >> 1) - 32768, (ystep >> 1) - 32768
    for j in range(dh):
        sy = ystart + j * ystep
        y0, v = sy >> 16, (sy >> 8) & 255
        wr = [T[256 + v], T[v], T[256 - v], T[512 - v]]
        for i in range(dw):
            sx = xstart + i * xstep
            x0, u = sx >> 16, (sx >> 8) & 255
            wc = [T[256 + u], T[u], T[256 - u], T[512 - u]]
            for ch in range(4):
                acc = 0
                for r in range(4):
                    y = y0 - 1 + r
                    yc = min(max(y, 0), sh - 1)
                    t = []
                    for k in range(4):
                        x = x0 - 1 + k
                        xc = min(max(x, 0), sw - 1)
                        p = int(S[yc, xc, ch])
                        if ch == 3 and (x != xc or y != yc):
                            p = 0
                        t.append((p * 128 * wc[k]) >> 16)
                    s = sat16(sat16(t[0] + t[1]) + sat16(t[2] + t[3]))
                    acc = sat16(acc + ((s * wr[r]) >> 16))
                D[j, i, ch] = min(max(acc >> 3, 0), 255)


# ---------------------------------------------------------------- histogram

def int_level(v):
    """Truncated toward zero, then held to the 32-bit range."""
    return min(max(math.trunc(v), -2**31), 2**31 - 1)


def hist_levels(lower, upper, n):
    lower, upper = float(F(lower)), float(F(upper))
    step = (upper - lower) / (n - 1)
    lv = [int_level(lower)] + [int_level(lower + i * step) for i in range(1, n - 1)] + [int_level(upper)]
    return lv, (48 if step < 1 else 0)


def histogram(plane, levels):
    counts = np.bincount(plane.ravel(), minlength=256)
    clamp = lambda v: 0 if v < 0 else 256 if v > 255 else v
    out = []
    for k in range(len(levels) - 1):
        lo, hi = clamp(levels[k]), clamp(levels[k + 1])
        out.append(int(counts[lo:hi].sum()) if lo < hi else 0)
    return np.array(out, np.uint32)


# ---------------------------------------------------------------- fusion expand

FK0, FK1, FK2 = F(0.2631), F(0.4738), F(0.2631)


def fusion_filter(a, b, c):
    return (FK0 * a + FK2 * c) + FK1 * b


def fusion_expand(p, cols, rows, W, H):
    """Enlarges the top-left (cols // 2) x (rows // 2) block of p in place:
    output i takes coarse values i // 2 - 1 .. i // 2 + 1, where the third
    coarse value stands in front of the first and after the last; columns
    below W first, in min(rows, E(H)) rows, then rows below H, in
    min(cols, E(W)) columns (E: up to even)."""
    even = lambda x: x + (x & 1)
    x_end, m, n = min(cols, W), rows // 2, min(rows, even(H))
    s = p[:m, :x_end].copy()
    e = np.vstack([s[2:3], s, s[2:3], s[2:3]])
    j = np.arange(n) // 2
    p[:n, :x_end] = fusion_filter(e[j], e[j + 1], e[j + 2])
    y_end, m, n = min(rows, H), cols // 2, min(cols, even(W))
    s = p[:y_end, :m].copy()
    e = np.hstack([s[:, 2:3], s, s[:, 2:3], s[:, 2:3]])
    j = np.arange(n) // 2
    p[:y_end, :n] = fusion_filter(e[:, j], e[:, j + 1], e[:, j + 2])


# ---------------------------------------------------------------- cases

def matrix_cases():
    settings = [(10, 10, 255, 0, 0), (10, 10, 255, 0, 1), (0, 10, 255, 0, 0), (20, 20, 510, 359, 1),
                (10, 20, 0, 0, 0), (10, 0, 255, 0, 1), (3, 7, 300, 120, 1), (15, 12, 200, 45, 0),
                (10, 10, 600, 0, 0), (10, 10, -10, 0, 0), (25, -3, 255, 200, 1), (10, 10, 255, 90, 0)]
    for n, st in enumerate(settings):
        emit("matrix", f"matrix{n}", st, fixed=np.array(chain_fixed(*st), np.int16))


def enhance_cases():
    # width, height, source stride (0: width x 4, -1: padded), destination extra bytes, settings
    sizes = [(1, 1, 0, 4), (2, 3, 0, 3), (3, 2, 12, 5), (7, 3, 0, 4), (8, 2, -1, 0), (9, 4, 44, 7),
             (17, 5, 0, 12), (16, 3, -1, 8), (33, 2, 140, 1)]
    configs = [
        dict(gains=[129, 128, 128]),
        dict(gains=[256, 128, 64], corr=1),
        dict(sat=3, contrast=14, bright=280, hue=77, corr=1),
        dict(sat=20, contrast=20, bright=510, corr=1),  # sums beyond 16 bits
        dict(bright=0, contrast=20),                    # coefficients beyond 16 bits
        dict(gamma_on=1, gamma=120, gains=[100, 140, 128]),
        dict(gamma_on=1, gamma=37, hue=200),
        dict(colourful=0),
        dict(colourful=0, gains=[1000, 90, 300]),
        dict(gains=[70000, -5, 128]),
        dict(awb=1),
        dict(awb=2, corr=1),
        dict(awb=3),
        dict(),                                          # untouched
        dict(gamma_on=1),                                # gamma on before any gamma was chosen
    ]
    n = 0
    for ci, cfg in enumerate(configs):
        for (w, h, ss, extra) in sizes[ci % 3::2] if ci > 1 else sizes:
            padded = (w + 7) // 8 * 8 * 4
            sstride = w * 4 if ss == 0 else padded if ss == -1 else ss
            dstride = w * 4 + extra
            src = random_bytes(sstride * (h - 1) + w * 4)
            if cfg.get("awb") == 2:
                src = np.maximum(src, 40)  # keep most pixels above the dark limit
            dst = random_bytes(dstride * h)
            e = Enhance()
            for k, v in cfg.items():
                if k == "gains":
                    e.gains = list(v)
                elif k == "gamma":
                    e.set_gamma(v)
                elif k == "corr":
                    e.corr = e.chain_corr = v
                else:
                    setattr(e, {"gamma_on": "gamma_on"}.get(k, k), v)
            if "corr" not in cfg:
                e.chain_corr = 0  # the test sets every setting, correction off included
            g = list(e.gains)
            expected = dst.copy()
            e.process(src, sstride, expected, dstride, w, h)
            params = [w, h, sstride, dstride, g[0], g[1], g[2], e.sat, e.contrast, e.bright, e.hue, e.corr,
                      e.colourful, e.gamma_on, e.gamma if cfg.get("gamma") else 0, e.awb] + e.gains
            emit("enhance", f"enhance{n}", params, src=src, dst=dst, expected=expected)
            n += 1


def pipeline_cases():
    """Kernel-level cases with coefficients drawn at random, the large ones included."""
    for n in range(24):
        w = int(rng.integers(1, 40))
        h = int(rng.integers(1, 4))
        stride = w * 4 + int(rng.integers(0, 9))
        big = n % 3 == 0
        coef = [int(v) for v in rng.integers(-32768 if big else -90, 32768 if big else 91, 16)]
        if n % 4 == 1:
            coef = [int(v) for v in rng.integers(-12, 13, 16)]
        gains = [int(v) for v in rng.integers(0, 300, 3)]
        colourful = 0 if n % 5 == 4 else 1
        gamma = int(rng.integers(1, 201)) if n % 6 == 2 else 0
        table = gamma_table(gamma) if gamma else None
        src = random_bytes(stride * h)
        dst = random_bytes(stride * h)
        expected = dst.copy()
        view(expected, w, h, stride)[...] = enhance_pixels(view(src, w, h, stride).copy(), gains, coef,
                                                          colourful, table)
        emit("pipeline", f"pipeline{n}", [w, h, stride, gains[0], gains[1], gains[2], colourful, gamma] + coef,
             src=src, dst=dst, expected=expected,
             table=table if table is not None else np.zeros(256, np.uint8))


def awb_cases():
    frames = []
    flat = np.zeros((4, 5, 4), np.uint8)
    flat[..., 0], flat[..., 1], flat[..., 2] = 50, 80, 100
    frames.append(("awb_avg", flat))
    frames.append(("awb_grey", np.full((3, 3, 4), 128, np.uint8)))
    frames.append(("awb_black", np.zeros((2, 7, 4), np.uint8)))
    red = np.zeros((3, 4, 4), np.uint8)
    red[..., 2] = 200
    frames.append(("awb_red", red))
    highlight = np.full((6, 6, 4), 120, np.uint8)
    highlight[2, 3, :3] = (255, 40, 255)
    frames.append(("awb_highlight", highlight))
    frames.append(("awb_dark", np.full((3, 3, 4), 30, np.uint8)))
    for i in range(6):
        h, w = int(rng.integers(1, 12)), int(rng.integers(1, 12))
        frames.append((f"awb_rand{i}", rng.integers(30 + 10 * i, 256, (h, w, 4), dtype=np.uint8)))
    for name, px in frames:
        h, w = px.shape[:2]
        stride = w * 4 + 3
        buf = random_bytes(stride * h)
        view(buf, w, h, stride)[...] = px
        for mode in (1, 2, 3):
            est = AWB[mode](px)
            params = [mode, w, h, stride, 0 if est is None else 1] + (est or [0, 0, 0])
            emit("awb", f"{name}_m{mode}", params, src=buf)


def bayer_plane(width, height, fill=None):
    L = padded_row_length(width)
    rows = height + 4 + (height & 1)
    plane = random_bytes(L * rows).reshape(rows, L) if fill is None else fill(rows, L)
    return plane, L


def demosaic_cases():
    n = 0
    sizes = [(1, 1), (2, 3), (3, 2), (5, 7), (16, 4), (17, 3), (31, 6), (40, 5), (32, 3), (65, 4), (97, 3)]
    for btype in (0, 1, 2, 3, 6):
        for (w, h) in sizes:
            plane, L = bayer_plane(w, h)
            gains = [128, 128, 128] if n % 3 == 0 else [int(v) for v in rng.integers(1, 400, 3)]
            rgb = interpolate(plane, (2, 5), w, h, btype)
            out = bayer_finish(rgb, gains, CORR64)
            sums = np.array([int(v.astype(np.uint64).sum()) for v in rgb], np.uint64)
            emit("demosaic", f"demosaic{n}", [w, h, L, btype] + gains,
                 plane=plane, expected=out, sums=sums)
            n += 1


def decode_cases():
    n = 0
    # width, height, stride (0: width), offset, awb
    shapes = [(10, 9, 12, 100, 1), (16, 8, 0, 0, 0), (8, 8, 9, 3, 1), (13, 11, 15, 7, 1), (32, 10, 0, 1, 1),
              (3, 3, 0, 0, 0), (1, 2, 4, 0, 1), (2, 1, 0, 5, 0), (5, 4, 6, 0, 1), (27, 13, 31, 2, 0)]
    for btype in (0, 1, 2, 3, 7):
        for (w, h, stride, offset, awb) in shapes:
            s = stride or w
            data = random_bytes(offset + (h - 1) * s + w + int(rng.integers(0, 4)))
            out = decode_bayer(data, w, h, s, offset, btype, awb)
            emit("decode", f"decode{n}", [w, h, s, offset, btype, awb, len(data)], data=data, expected=out)
            n += 1


def scale_cases():
    n = 0
    pairs = [((3, 1), (2, 1)), ((3, 3), (2, 2)), ((2, 2), (4, 4)), ((1, 1), (3, 2)), ((5, 4), (11, 9)),
             ((17, 13), (6, 5)), ((9, 9), (9, 4)), ((2, 3), (1, 1)), ((31, 7), (12, 19)), ((4, 4), (1, 7)),
             ((1, 5), (3, 3)), ((6, 1), (2, 2)), ((25, 20), (25, 20))]
    for mode in (0, 1):
        for (sw, sh), (dw, dh) in pairs:
            sstride = sw * 4 + int(rng.integers(0, 3)) * 4 + (n % 2) * 3
            dstride = dw * 4 + int(rng.integers(0, 9))
            src = random_bytes(sstride * sh)
            if n % 4 == 0:
                view(src, sw, sh, sstride)[..., 3] = 255
            dst = random_bytes(dstride * dh)
            expected = dst.copy()
            S = view(src, sw, sh, sstride).copy()
            D = view(expected, dw, dh, dstride)
            if (sw, sh) == (dw, dh):
                D[...] = S
            else:
                (scale_bicubic if mode else scale_bilinear)(S, D)
            emit("scale", f"scale{n}", [mode, sw, sh, sstride, dw, dh, dstride], src=src, dst=dst, expected=expected)
            n += 1


def histogram_cases():
    n = 0
    setups = [(0.0, 255.0, 256), (0.0, 10.0, 256), (-20.0, 300.0, 17), (10.5, 200.7, 5), (0.0, 256.0, 257),
              (100.0, 101.0, 2), (0.0, 1e10, 2), (-1e10, 1e10, 3)]
    planes = [(1, 1, 1), (3, 2, 5), (7, 3, 7), (64, 9, 70), (33, 17, 33)]
    for lower, upper, levels in setups:
        for (w, h, step) in planes:
            plane = random_bytes(step * (h - 1) + w)
            if n % 5 == 0:
                plane[:] = 255
            region = np.lib.stride_tricks.as_strided(plane, (h, w), (step, 1)).copy()
            lv, status = hist_levels(lower, upper, levels)
            emit("hist", f"hist{n}", [w, h, step, levels, int(lower * 1000), int(upper * 1000), status],
                 plane=plane, expected=histogram(region, lv), levels=np.array(lv, np.int32))
            n += 1


def expand_cases():
    # cols, rows, stride, picture width W, height H: odd counts in either direction
    sizes = [(7, 7, 7, 7, 7), (9, 11, 9, 9, 11), (13, 9, 16, 13, 100), (8, 7, 8, 8, 7), (7, 8, 7, 7, 8),
             (21, 15, 24, 20, 15), (33, 17, 33, 33, 16), (6, 13, 6, 6, 13), (16, 9, 20, 16, 9),
             (64, 63, 64, 64, 63), (40, 31, 44, 39, 29), (16, 16, 16, 16, 16)]
    for n, (cols, rows, stride, W, H) in enumerate(sizes):
        src = rng.uniform(-40.0, 300.0, (rows, stride)).astype(F)
        expected = src.copy()
        fusion_expand(expected, cols, rows, W, H)
        emit("expand", f"expand{n}", [cols, rows, stride, W, H], src=src, expected=expected)


def main():
    os.makedirs(OUT, exist_ok=True)
    matrix_cases()
    enhance_cases()
    pipeline_cases()
    awb_cases()
    demosaic_cases()
    decode_cases()
    scale_cases()
    histogram_cases()
    expand_cases()
    with open(os.path.join(OUT, "manifest.txt"), "w") as f:
        f.write("\n".join(manifest) + "\n")
    print(f"{len(manifest)} reference cases written to {os.path.abspath(OUT)}")


if __name__ == "__main__":
    sys.exit(main())
