"""Reads what panels_test wrote: the thumbnail PNG of the barred picture
against ImageMagick's cover resize, and the fused BMP files against their
format and the fusion's own result."""

import struct
import subprocess
import sys
from pathlib import Path

import numpy as np
from PIL import Image
from scipy import ndimage

failures = []


def check(condition, text):
    if not condition:
        failures.append(text)


def thumbnail():
    found = sorted(Path("thumbs").glob("bars.png.*.png"))
    if len(found) != 1:
        failures.append(f"one thumbnail for bars.png expected, found {len(found)}")
        return
    ours = found[0]
    image = Image.open(ours)
    check(image.size == (48, 27), f"thumbnail size {image.size}")
    got = np.asarray(image.convert("RGB")).astype(int)
    subprocess.run(["convert", "bars.png", "-resize", "48x27^", "-gravity", "center", "-extent", "48x27",
                    "magick_bars.png"], check=True)
    want = np.asarray(Image.open("magick_bars.png").convert("RGB")).astype(int)
    diff = np.abs(got - want)
    check(diff.mean() < 4 and diff.max() < 40, f"thumbnail differs from ImageMagick: mean {diff.mean():.2f} max {diff.max()}")
    magenta = (got[..., 0] > 200) & (got[..., 1] < 60) & (got[..., 2] > 200)
    green = (got[..., 0] < 60) & (got[..., 1] > 200) & (got[..., 2] < 60)
    check(not magenta.any() and not green.any(), "a bar colour survived the crop")


def sharpness(array):
    gray = array.astype(float).mean(axis=2)
    return ndimage.laplace(gray)[4:-4, 4:-4].var()


def fused(name, width, height, inputs):
    path = Path(name)
    if not path.exists():
        failures.append(f"{name} missing")
        return
    data = path.read_bytes()
    row = ((width * 24 + 31) // 32) * 4
    header = struct.unpack("<2sIIIIiiHHIIiiII", data[:54])
    expected = (b"BM", 54 + row * height, 0, 54, 40, width, -height, 1, 24, 0, row * height, 3780, 3780, 0, 0)
    check(header == expected, f"{name} header {header} != {expected}")
    check(len(data) == 54 + row * height, f"{name} length {len(data)}")
    padding = np.frombuffer(data[54:], np.uint8).reshape(height, row)[:, width * 3:]
    check(not padding.any(), f"{name} row padding not zero")
    image = Image.open(path)
    check(image.size == (width, height), f"{name} size {image.size}")
    got = np.asarray(image.convert("RGB"))
    raw = Path(name.replace(".bmp", ".expected")).read_bytes()
    want = np.frombuffer(raw, np.uint8).reshape(height, row)[:, :width * 3].reshape(height, width, 3)[..., ::-1]
    check(np.array_equal(got, want), f"{name} pixels differ from FusionGetResult")
    # Top-down: PIL's first row is the file's first stored row.
    stored = np.frombuffer(data[54:54 + width * 3], np.uint8).reshape(width, 3)[:, ::-1]
    check(np.array_equal(got[0], stored), f"{name} is not stored top row first")
    a, b = (np.asarray(Image.open(p).convert("RGB")) for p in inputs)
    half = width // 2
    for side, cols in (("left", slice(8, half - 16)), ("right", slice(half + 16, width - 8))):
        best = max(sharpness(a[:, cols]), sharpness(b[:, cols]))
        check(sharpness(got[:, cols]) >= 0.5 * best, f"{name} {side} half blurred")


def main():
    thumbnail()
    fused("fused/fused-7.3-9;5;7.bmp", 640, 480, ("focus_a.png", "focus_b.bmp"))
    fused("fused/fused-7.3-9;5;7(1).bmp", 640, 480, ("focus_a.png", "focus_b.bmp"))
    fused("fused/fused-7.3-9;5;8.bmp", 641, 480, ("odd_a.png", "odd_b.png"))
    for f in failures:
        print("FAIL:", f)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
