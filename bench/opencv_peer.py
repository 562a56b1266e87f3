#!/usr/bin/python3
"""OpenCV doing the nearest equivalents of demosaic_scale_bench, natively:
cvtColor with a Bayer code and resize (linear, cubic) of 12-megapixel pictures.
Prints the same names with the suffix _opencv (one thread) and _opencv_mt."""
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


def main():
    rng = np.random.default_rng(5)
    raw = rng.integers(0, 256, (3000, 4000), dtype=np.uint8)
    big = rng.integers(0, 256, (3000, 4000, 4), dtype=np.uint8)
    half = cv2.resize(big, (2000, 1500), interpolation=cv2.INTER_LINEAR)
    out = np.empty((3000, 4000, 4), np.uint8)
    cases = [
        ("bayer_decode_4000x3000", lambda: cv2.cvtColor(raw, cv2.COLOR_BayerGR2BGRA)),
        # Into a buffer that already exists, like our kernel figure.
        ("demosaic_kernel_4000x3000", lambda: cv2.cvtColor(raw, cv2.COLOR_BayerGR2BGRA, dst=out)),
        ("scale_bilinear_4000x3000_to_1920x1080", lambda: cv2.resize(big, (1920, 1080), interpolation=cv2.INTER_LINEAR)),
        ("scale_bicubic_4000x3000_to_1920x1080", lambda: cv2.resize(big, (1920, 1080), interpolation=cv2.INTER_CUBIC)),
        ("scale_bilinear_2000x1500_to_4000x3000", lambda: cv2.resize(half, (4000, 3000), interpolation=cv2.INTER_LINEAR)),
        ("scale_bicubic_2000x1500_to_4000x3000", lambda: cv2.resize(half, (4000, 3000), interpolation=cv2.INTER_CUBIC)),
    ]
    default_threads = cv2.getNumThreads()
    for suffix, threads in (("_opencv", 1), ("_opencv_mt", default_threads)):
        cv2.setNumThreads(threads)
        for name, fn in cases:
            print(f"{name}{suffix}: {best_ms(fn):.2f} ms")


if __name__ == "__main__":
    main()
