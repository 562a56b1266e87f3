#!/usr/bin/python3
"""OpenCV doing the nearest equivalents of demosaic_scale_bench, natively:
cvtColor with a Bayer code and resize (linear, cubic) of 12-megapixel pictures
like ours. Prints the same names with the suffix _opencv (one thread) and
_opencv_mt (OpenCV's default threads), each the best of several runs."""
import time

import cv2
import numpy as np


def best_ms(fn, runs=5):
    best = 1e30
    for _ in range(runs):
        t = time.perf_counter()
        fn()
        best = min(best, (time.perf_counter() - t) * 1000)
    return best


def touched(shape):
    # Written once, as our targets are before they are timed.
    out = np.empty(shape, np.uint8)
    out.fill(1)
    return out


def main():
    rng = np.random.default_rng(5)
    h, w = 3000, 4000
    # The same kind of content as ours: gradients with a little noise.
    y, x = np.mgrid[0:h, 0:w]
    raw = ((x // 7 + y // 5 + rng.integers(0, 16, (h, w))) & 255).astype(np.uint8)
    y, x = np.mgrid[0:h, 0:w * 4]
    big = ((x // 3 + y + rng.integers(0, 8, (h, w * 4))) & 255).astype(np.uint8).reshape(h, w, 4)
    half = cv2.resize(big, (2000, 1500), interpolation=cv2.INTER_LINEAR)
    demosaiced = touched((h, w, 4))
    down = touched((1080, 1920, 4))
    up = touched((h, w, 4))
    cases = [
        # A fresh output per picture, as our decoder allocates one.
        ("bayer_decode_4000x3000", lambda: cv2.cvtColor(raw, cv2.COLOR_BayerGR2BGRA)),
        # Into a buffer that already exists, like our kernel and our scaling.
        ("demosaic_kernel_4000x3000", lambda: cv2.cvtColor(raw, cv2.COLOR_BayerGR2BGRA, dst=demosaiced)),
        ("scale_bilinear_4000x3000_to_1920x1080",
         lambda: cv2.resize(big, (1920, 1080), dst=down, interpolation=cv2.INTER_LINEAR)),
        ("scale_bicubic_4000x3000_to_1920x1080",
         lambda: cv2.resize(big, (1920, 1080), dst=down, interpolation=cv2.INTER_CUBIC)),
        ("scale_bilinear_2000x1500_to_4000x3000",
         lambda: cv2.resize(half, (4000, 3000), dst=up, interpolation=cv2.INTER_LINEAR)),
        ("scale_bicubic_2000x1500_to_4000x3000",
         lambda: cv2.resize(half, (4000, 3000), dst=up, interpolation=cv2.INTER_CUBIC)),
    ]
    default_threads = cv2.getNumThreads()
    for suffix, threads in (("_opencv", 1), ("_opencv_mt", default_threads)):
        cv2.setNumThreads(threads)
        for name, fn in cases:
            print(f"{name}{suffix}: {best_ms(fn):.2f} ms")
    # The targets must really be written in place, or the figures time an allocation.
    for target, result in ((down, cv2.resize(big, (1920, 1080), dst=down, interpolation=cv2.INTER_LINEAR)),
                           (demosaiced, cv2.cvtColor(raw, cv2.COLOR_BayerGR2BGRA, dst=demosaiced))):
        if result.ctypes.data != target.ctypes.data:
            raise SystemExit("opencv_peer: error: a result was not written into its target")


if __name__ == "__main__":
    main()
