"""Reads the BMP and JPEG files that image_test wrote with PIL: same size,
BMP pixels exact (the fourth byte from the file itself, which PIL ignores),
JPEG within the error of quality 75 and equal to PIL's own quality-75
encoding once decoded, and each writer's flip flag writing the
last memory row first."""

import io
import sys

import numpy as np
from PIL import Image

W, H = 61, 45
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def rgb_of(memory_bgra):
    return memory_bgra[..., [2, 1, 0]]


memory = np.fromfile("saved/picture.bgra", dtype=np.uint8).reshape(H, W, 4)

for flip in (0, 1):
    path = f"saved/flip{flip}.bmp"
    im = Image.open(path)
    check(im.size == (W, H), f"{path}: size {im.size}")
    # A BMP stores the bottom row first: flip 0 puts memory row 0 at the bottom.
    upright = memory if flip else memory[::-1]
    got = np.asarray(im.convert("RGB"))
    check(np.array_equal(got, rgb_of(upright)), f"{path}: colours differ from the picture")
    raw = open(path, "rb").read()
    stored = np.frombuffer(raw[54:], dtype=np.uint8).reshape(H, W, 4)
    check(np.array_equal(stored[..., 3], upright[::-1][..., 3]), f"{path}: alpha bytes differ")

for flip in (0, 1):
    path = f"saved/flip{flip}.jpg"
    im = Image.open(path)
    check(im.size == (W, H) and im.mode == "RGB", f"{path}: size {im.size} mode {im.mode}")
    # A JPEG stores the top row first: flip 1 puts the last memory row on top.
    upright = memory[::-1] if flip else memory
    got = np.asarray(im).astype(int)
    want = rgb_of(upright).astype(int)
    error = np.abs(got - want)
    check(error.mean() < 3.0 and error.max() < 80, f"{path}: mean error {error.mean():.2f}, max {error.max()}")
    # Quality 75 with the library's defaults: PIL's own encoding at quality 75
    # uses the same tables and sampling, so both decode to the same pixels.
    buffer = io.BytesIO()
    Image.fromarray(np.ascontiguousarray(rgb_of(upright))).save(buffer, "JPEG", quality=75)
    reference = Image.open(io.BytesIO(buffer.getvalue()))
    check(im.quantization == reference.quantization, f"{path}: quantisation tables are not those of quality 75")
    check(np.array_equal(got, np.asarray(reference).astype(int)), f"{path}: differs from PIL's quality-75 encoding")

small = Image.open("saved/small.jpg")
check(small.size == (3, 2), f"small.jpg: size {small.size}")

green = Image.open("saved/green.bmp")
check(green.mode in ("L", "P") and green.size == (W, H), f"green.bmp: mode {green.mode} size {green.size}")
# Memory row 0 is written last, so it is the top of the picture.
check(np.array_equal(np.asarray(green.convert("L")), memory[..., 1]),
      "green.bmp: grey values differ from the green channel")

for f in failures:
    print(f)
sys.exit(1 if failures else 0)
