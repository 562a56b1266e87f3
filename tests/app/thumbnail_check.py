#!/usr/bin/env python3
"""Reads the thumbnails app_test wrote: 48 x 27 PNG files, upright.

The picture is rebuilt here from its formula: blue = 5x, green = 9y, and a red
band along the three top rows, so a picture upside down shows at once.
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
    for failure in failures:
        print(failure)
    print(f"thumbnails checked: {2 - len(failures)} of 2 good")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
