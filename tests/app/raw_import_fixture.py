"""Raw sensor dumps for the raw import test, made from a known picture.

raw_import/picture.rgb      the known picture, 100 x 80, R G B bytes
raw_import/p<N>.raw         its mosaic for pattern N (0 GRBG, 1 BGGR, 2 RGGB,
                            3 GBRG), 16 bytes of junk first, rows of 112 bytes
                            whose last 12 are junk
raw_import/exact.raw        640 x 480 samples, nothing else
raw_import/short.raw        one byte less
raw_import/offset16.raw     640 x 480 samples after 16 bytes
raw_import/huge.raw         100 x 100 samples, then sparse zeros up to
                            4 GiB + 100 bytes
"""
import os

import numpy as np

W, H, STRIDE, OFFSET = 100, 80, 112, 16
PATTERNS = ["GRBG", "BGGR", "RGGB", "GBRG"]


def known_picture():
    y, x = np.mgrid[0:H, 0:W].astype(float)
    r = 60 + 140 * x / W
    g = 120 + 60 * np.sin(2 * np.pi * y / H)
    b = 200 - 140 * x / W
    return np.stack([r, g, b], -1).round().astype(np.uint8)


def mosaic(rgb, pattern):
    m = np.zeros(rgb.shape[:2], np.uint8)
    for (dy, dx), colour in zip([(0, 0), (0, 1), (1, 0), (1, 1)], pattern):
        m[dy::2, dx::2] = rgb[dy::2, dx::2, "RGB".index(colour)]
    return m


def dump(samples, stride, offset, junk):
    h, w = samples.shape
    rows = np.full((h, stride), junk, np.uint8)
    rows[:, :w] = samples
    return bytes([junk ^ 0x5A]) * offset + rows.tobytes()


def main():
    os.makedirs("raw_import", exist_ok=True)
    rgb = known_picture()
    with open("raw_import/picture.rgb", "wb") as f:
        f.write(rgb.tobytes())
    for n, pattern in enumerate(PATTERNS):
        with open(f"raw_import/p{n}.raw", "wb") as f:
            f.write(dump(mosaic(rgb, pattern), STRIDE, OFFSET, 0xF0))

    rng = np.random.default_rng(7)
    samples = rng.integers(0, 256, 640 * 480, dtype=np.uint8).tobytes()
    with open("raw_import/exact.raw", "wb") as f:
        f.write(samples)
    with open("raw_import/short.raw", "wb") as f:
        f.write(samples[:-1])
    with open("raw_import/offset16.raw", "wb") as f:
        f.write(bytes(16) + samples)
    with open("raw_import/huge.raw", "wb") as f:
        f.write(samples[: 100 * 100])
        f.truncate((1 << 32) + 100)


if __name__ == "__main__":
    main()
