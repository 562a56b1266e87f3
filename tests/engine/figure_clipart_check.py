"""Checks the clip-art the canvas drew over a noise picture against PIL's
alpha_composite of the same PNG over the frame drawn without it: at clip-art
colour alpha 0xFF the picture's own alpha, at 0x80 that alpha times 128/255.
Within 1 per channel; pixels outside the clip-art must be untouched."""
import sys

import numpy as np
from PIL import Image

w, h, left, top = map(int, open("clip_case.txt").read().split())
under = np.fromfile("clip_under.bin", np.uint8).reshape(h, w, 3)
clip = np.asarray(Image.open("clip_alpha.png").convert("RGBA"))
ch, cw = clip.shape[:2]
failed = False
for name, opacity in (("ff", 255), ("80", 128)):
    faded = clip.copy()
    faded[:, :, 3] = (clip[:, :, 3].astype(int) * opacity + 127) // 255
    base = Image.fromarray(under, "RGB").convert("RGBA")
    layer = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    layer.paste(Image.fromarray(faded, "RGBA"), (left, top))
    expect = np.asarray(Image.alpha_composite(base, layer).convert("RGB")).astype(int)
    ours = np.fromfile(f"clip_over_{name}.bin", np.uint8).reshape(h, w, 3).astype(int)
    diff = np.abs(ours - expect)
    inside = diff[top : top + ch, left : left + cw]
    outside = diff.copy()
    outside[top : top + ch, left : left + cw] = 0
    print(f"opacity {opacity}: largest difference inside {inside.max()}, outside {outside.max()}")
    if inside.max() > 1 or outside.max() > 1:
        bad = np.argwhere(diff.max(axis=2) > 1)
        y, x = bad[0]
        print(f"  {len(bad)} pixels off, first at ({x}, {y}): ours {ours[y, x]}, expected {expect[y, x]}")
        failed = True
sys.exit(1 if failed else 0)
