"""Checks what image_test's FusionFiles wrote: the fused focus series against
the sharp original, its inputs and enfuse's result; the small fusions bit for
bit against a model of the engine written with numpy."""

import sys

import numpy as np
from PIL import Image
from scipy import ndimage

K0 = np.float32(0.2631)
K1 = np.float32(0.4738)
K2 = np.float32(0.2631)
MIN_SIDE = 16


def f(a, b, c):
    return (K0 * a + K2 * c) + K1 * b


def even(x):
    return x + (x & 1)


def reduce(p, cols, rows, W, H):
    y_end, m = min(rows, H), min(cols // 2, even(W // 2))
    s = p[:y_end, :cols].copy()
    e = np.hstack([s[:, :1], s])  # e[k + 1] = s[k], s[-1] = s[0]
    p[:y_end, :m] = f(e[:, 0:2 * m:2], e[:, 1:2 * m + 1:2], e[:, 2:2 * m + 2:2])
    x_end, m = min(cols, W), min(rows // 2, even(H // 2))
    s = p[:rows, :x_end].copy()
    e = np.vstack([s[1:2], s])  # s[-1] = s[1]
    p[:m, :x_end] = f(e[0:2 * m:2], e[1:2 * m + 1:2], e[2:2 * m + 2:2])


def expand(p, cols, rows, W, H):
    x_end, m, n = min(cols, W), rows // 2, min(rows, even(H))
    s = p[:m, :x_end].copy()
    e = np.vstack([s[2:3], s, s[2:3], s[2:3]])  # s[2] before and after the line
    j = np.arange(n) // 2
    p[:n, :x_end] = f(e[j], e[j + 1], e[j + 2])
    y_end, m, n = min(rows, H), cols // 2, min(cols, even(W))
    s = p[:y_end, :m].copy()
    e = np.hstack([s[:, 2:3], s, s[:, 2:3], s[:, 2:3]])
    j = np.arange(n) // 2
    p[:y_end, :n] = f(e[:, j], e[:, j + 1], e[:, j + 2])


def halvings(cols, rows):
    n = 0
    while cols >= MIN_SIDE and rows >= MIN_SIDE and cols % 2 == 0 and rows % 2 == 0:
        n, cols, rows = n + 1, cols // 2, rows // 2
    return n


def decompose(planes, W, H):
    rows, cols = planes[0].shape
    work = [p.copy() for p in planes]
    nodes = [[w.copy() for w in work]]
    for _ in range(halvings(cols, rows)):
        for w in work:
            reduce(w, cols, rows, W, H)
        coarse = [w[:rows // 2, :cols // 2].copy() for w in work]
        for w in work:
            expand(w, cols, rows, W, H)
        r = min(rows, H)
        for node, w in zip(nodes[-1], work):
            node[:r, :cols] = node[:r, :cols] - w[:r, :cols]
        nodes.append(coarse)
        work = [c.copy() for c in coarse]
        cols, rows = cols // 2, rows // 2
    return nodes


def fuse_planes(pictures, W, H):
    pyramid = None
    for planes in pictures:
        nodes = decompose(planes, W, H)
        if pyramid is None:
            pyramid = nodes
            continue
        for level, (acc, inc) in enumerate(zip(pyramid, nodes)):
            for p in range(3):
                if level < len(pyramid) - 1:
                    acc[p] = np.where(np.abs(inc[p]) > np.abs(acc[p]), inc[p], acc[p])
                else:
                    acc[p] = acc[p] + inc[p]
    base = pyramid[-1]
    if len(pictures) > 1:
        base = [b / np.float32(len(pictures)) for b in base]
    rows, cols = pyramid[0][0].shape
    work = [np.zeros((rows, cols), np.float32) for _ in range(3)]
    for w, b in zip(work, base):
        w[:b.shape[0], :b.shape[1]] = b
    for node in reversed(pyramid[:-1]):
        nrows, ncols = node[0].shape
        for w, d in zip(work, node):
            expand(w, ncols, nrows, W, H)
            r = min(nrows, H)
            w[:r, :ncols] = w[:r, :ncols] + d[:r, :ncols]
    return work


def padded(side, power):
    if power:
        p = 2
        while p < side:
            p *= 2
        return p
    return (side + 3) // 4 * 4


def to_planes(rgb, power):
    height, width = rgb.shape[:2]
    b0, b1, b2 = (rgb[..., i].astype(np.int64) for i in (2, 1, 0))  # BMP bytes: blue, green, red
    values = [
        np.minimum(((66 * b0 + 129 * b1 + 25 * b2 + 128) >> 8) + 16, 255),
        np.clip(((112 * b2 - 38 * b0 - 74 * b1 + 128) >> 8) + 128, 0, 255),
        np.clip(((112 * b0 - 94 * b1 - 18 * b2 + 128) >> 8) + 128, 0, 255),
    ]
    planes = []
    for v in values:
        plane = np.zeros((padded(height, power), padded(width, power)), np.float32)
        plane[:height, :width] = v
        planes.append(plane)
    return planes


def to_rgb(planes, width, height):
    y, cb, cr = (np.trunc(p[:height, :width]).astype(np.int64) for p in planes)
    b0 = np.clip((298 * y + 409 * cr - 56992) >> 8, 0, 255)
    b1 = np.clip((298 * y - 100 * cb - 208 * cr + 34784) >> 8, 0, 255)
    b2 = np.clip((298 * y + 516 * cb - 70688) >> 8, 0, 255)
    return np.stack([b2, b1, b0], axis=-1).astype(np.uint8)


def load(name):
    return np.asarray(Image.open(name).convert("RGB"))


def psnr(picture, reference):
    mse = np.mean((picture.astype(float) - reference.astype(float)) ** 2)
    return 10 * np.log10(255.0 ** 2 / mse)


def sharpness(picture):
    grey = picture.astype(float) @ np.array([0.299, 0.587, 0.114])
    return ndimage.laplace(grey).var()


def main():
    failures = []
    lines = [line.split() for line in open("fusion_series.txt") if line.strip()]

    for output, power, *inputs in lines:
        if not output.startswith("model_"):
            continue
        pictures = [load(name) for name in inputs]
        height, width = pictures[0].shape[:2]
        expected = to_rgb(fuse_planes([to_planes(p, int(power)) for p in pictures], width, height), width, height)
        ours = load(output)
        differing = int(np.count_nonzero(ours != expected))
        print(f"{output}: {differing} bytes differ from the model")
        if differing:
            failures.append(f"{output} differs from the model in {differing} bytes")

    for output, power, *inputs in lines:
        if output.startswith("model_"):
            continue
        sharp = load("focus_sharp.bmp")
        figures = [(name, load(name)) for name in inputs]
        ours, theirs = load(output), load("focus_enfuse.tif")
        for name, picture in figures + [("ours", ours), ("enfuse", theirs)]:
            print(f"{name}: psnr {psnr(picture, sharp):.2f} dB, laplacian variance {sharpness(picture):.1f}")
        print(f"sharp original: laplacian variance {sharpness(sharp):.1f}")
        best_psnr = max(psnr(p, sharp) for _, p in figures)
        best_sharpness = max(sharpness(p) for _, p in figures)
        if psnr(ours, sharp) < best_psnr + 3.0:
            failures.append(f"fused psnr {psnr(ours, sharp):.2f} dB is not clearly above the best input's {best_psnr:.2f} dB")
        if sharpness(ours) < 1.2 * best_sharpness:
            failures.append(f"fused picture is not clearly sharper than every input")
        if psnr(ours, sharp) < psnr(theirs, sharp) - 4.0:
            failures.append(f"fused psnr {psnr(ours, sharp):.2f} dB is far below enfuse's {psnr(theirs, sharp):.2f} dB")
        ratio = sharpness(ours) / sharpness(theirs)
        if not 0.75 <= ratio <= 1.33:
            failures.append(f"fused sharpness is {ratio:.2f} times enfuse's")

    for failure in failures:
        print("FAIL:", failure)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
