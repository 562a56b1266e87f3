"""Holds the raw import's pictures (white balance off) against OpenCV's
demosaic of the same mosaic followed by the decoder's fixed colour correction.

Interpolations differ at edges, so the match is statistical: the right
geometry lies within a few levels on average, a wrong pattern, offset or
stride tens of levels away."""
import sys

import cv2
import numpy as np

W, H = 100, 80
# Pattern number -> OpenCV code (OpenCV names the second row's pair).
CODES = {0: cv2.COLOR_BayerGB2RGB, 1: cv2.COLOR_BayerRG2RGB, 2: cv2.COLOR_BayerBG2RGB, 3: cv2.COLOR_BayerGR2RGB}
# The camera's fixed colour correction, acting on the row vector (r, g, b).
CORRECTION = np.array([[1.36, -0.25, -0.10], [-0.22, 1.40, -0.32], [-0.14, -0.15, 1.42]])
STRIDE, OFFSET = 112, 16


def picture(path):
    bgra = np.fromfile(path, np.uint8)
    assert bgra.size == W * H * 4, (path, bgra.size)
    bgra = bgra.reshape(H, W, 4)
    assert (bgra[..., 3] == 255).all(), f"{path}: alpha not 255"
    return bgra[..., 2::-1].astype(float)  # r, g, b


def reference(pattern):
    raw = np.fromfile(f"raw_import/p{pattern}.raw", np.uint8)
    mosaic = raw[OFFSET:].reshape(H, STRIDE)[:, :W].copy()
    rgb = cv2.cvtColor(mosaic, CODES[pattern]).astype(float)
    return np.clip(rgb @ CORRECTION, 0, 255)


def main():
    failures = []
    known = np.fromfile("raw_import/picture.rgb", np.uint8).reshape(H, W, 3).astype(float)
    inner = (slice(2, -2), slice(2, -2))
    for pattern in range(4):
        ref = reference(pattern)
        # The oracle itself: OpenCV restores the known picture.
        raw = np.fromfile(f"raw_import/p{pattern}.raw", np.uint8)
        plain = cv2.cvtColor(raw[OFFSET:].reshape(H, STRIDE)[:, :W].copy(), CODES[pattern]).astype(float)
        assert np.abs(plain - known)[inner].mean() < 1.0, f"OpenCV misreads pattern {pattern}"

        got = picture(f"raw_import/out_p{pattern}.bgra")
        diff = np.abs(got - ref)[inner]
        print(f"pattern {pattern}: mean {diff.mean():.2f}, 99% {np.percentile(diff, 99):.1f}")
        if diff.mean() > 3.0 or np.percentile(diff, 99) > 12:
            failures.append(f"pattern {pattern} differs from OpenCV: mean {diff.mean():.2f}")

    ref0 = reference(0)
    for name in ("pattern", "offset", "stride"):
        got = picture(f"raw_import/wrong_{name}.bgra")
        diff = np.abs(got - ref0)[inner].mean()
        print(f"wrong {name}: mean {diff:.2f}")
        if diff < 20:
            failures.append(f"a wrong {name} passes for right: mean {diff:.2f}")

    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
