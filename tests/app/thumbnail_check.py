#!/usr/bin/env python3
"""Reads the thumbnails app_test wrote: 48 x 27 PNG files, upright.

The picture is rebuilt here from its formula: blue = 5x, green = 9y, and a red
band along the three top rows, so a picture upside down shows at once. The
thumbnail the recent-pictures loader wrote for a picture is that picture's
centred 48:27 cut, each cell averaged.
"""
import sys

import numpy as np
from PIL import Image

W, H = 48, 27


def expected():
    y, x = np.mgrid[0:H, 0:W]
    red = np.where(y < 3, 255, 0)
    return np.stack([red, (y * 9) & 0xFF, (x * 5) & 0xFF], axis=-1).astype(np.int32)


def main():
    failures = []
    want = expected()
    for name in ("frame.png", "item.png"):
        path = "thumbnails/" + name
        image = Image.open(path)
        if image.format != "PNG":
            failures.append(f"{name}: format {image.format}")
        if image.size != (W, H):
            failures.append(f"{name}: size {image.size}")
            continue
        got = np.asarray(image.convert("RGB")).astype(np.int32)
        worst = int(np.abs(got - want).max())
        if worst != 0:
            failures.append(f"{name}: differs by up to {worst}")
    # 160 x 120 picture: the cut is rows 15..105, each thumbnail cell
    # 3 1/3 pixels square.
    thumb = Image.open("recent_a.png")
    if thumb.format != "PNG" or thumb.size != (W, H):
        failures.append(f"recent_a.png: {thumb.format} {thumb.size}")
    else:
        source = Image.open("recent_a.bmp").convert("RGB")
        want_a = np.asarray(source.crop((0, 15, 160, 105)).resize((W, H), Image.BOX)).astype(np.int32)
        got = np.asarray(thumb.convert("RGB")).astype(np.int32)
        worst = int(np.abs(got - want_a).max())
        if worst > 2:
            failures.append(f"recent_a.png: differs from the picture's cut by up to {worst}")
    for failure in failures:
        print(failure)
    print(f"thumbnails checked: {3 - len(failures)} of 3 good")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
