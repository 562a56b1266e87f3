"""Compares the canvas read-back after the colour dialog's changes with the
image library's numpy reference (tests/image/image_reference.py) applied to
the fake camera's frame: blue x, green y from the top, red the frame number,
which the check finds. Keeps the dialog's screenshot and the canvas read-back
as PNGs (a screen capture does not show the Direct3D canvas under Wine)."""
import os
import sys

import numpy as np
from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "image"))
from image_reference import Enhance  # noqa: E402

Image.open("colour_dialog.bmp").convert("RGB").save("colour_dialog.png")
w, h, red, green, blue, sat, bright, contrast, hue, corr, colourful, gamma_on = map(
    int, open("colour_case.txt").read().split())
canvas = np.fromfile("colour_canvas.bin", np.uint8).reshape(h, w, 3)
Image.fromarray(canvas, "RGB").save("colour_canvas.png")  # the canvas's own pixels beside the screenshot
canvas = canvas.astype(int)

best = None
for n in range(256):
    src = np.zeros((h, w, 4), np.uint8)
    src[..., 0] = np.arange(w, dtype=np.uint8)[None, :]
    src[..., 1] = np.arange(h, dtype=np.uint8)[:, None]
    src[..., 2] = n
    src[..., 3] = 255
    flat = src.ravel().copy()
    dst = flat.copy()
    e = Enhance()
    e.gains = [red, green, blue]
    e.sat, e.bright, e.contrast, e.hue = sat, bright, contrast, hue
    e.corr = e.chain_corr = corr
    e.colourful, e.gamma_on = colourful, gamma_on
    e.process(flat, w * 4, dst, w * 4, w, h)
    out = dst.reshape(h, w, 4)[..., 2::-1].astype(int)  # B, G, R to R, G, B
    diff = int(np.abs(out - canvas).max())
    if best is None or diff < best[0]:
        best = (diff, n)
    if diff == 0:
        break
print(f"gains {red} {green} {blue}, saturation {sat}: closest frame {best[1]}, largest difference {best[0]}")
sys.exit(0 if best[0] == 0 else 1)
