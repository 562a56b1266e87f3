"""Reads the property sheet's screenshot: keeps it as a PNG and finds the
page's own colour (magenta), which the fake page paints over the whole area it
was given. That area must start at the page's client origin and have the
page's pixel size within one dialog unit of the sheet's base units."""
import sys

import numpy as np
from PIL import Image

ox, oy, width, height, want_w, want_h, unit_x, unit_y = map(int, open("sheet_case.txt").read().split())
shot = Image.open("sheet_pages.bmp").convert("RGB")
shot.save("sheet_pages.png")
px = np.asarray(shot).astype(int)
magenta = (px[..., 0] == 255) & (px[..., 1] == 0) & (px[..., 2] == 255)
ys, xs = np.nonzero(magenta)
if xs.size == 0:
    print("no page colour in the screenshot")
    sys.exit(1)
left, top, right, bottom = xs.min(), ys.min(), xs.max() + 1, ys.max() + 1
print(f"page colour at {left},{top} size {right - left} x {bottom - top}; page client at {ox},{oy} "
      f"size {width} x {height}; asked {want_w} x {want_h}; base units {unit_x}, {unit_y}")
failed = False
if (left, top) != (ox, oy) or (right - left, bottom - top) != (width, height):
    print("the painted area is not the page's client area")
    failed = True
if abs((right - left) - want_w) > (unit_x + 3) // 4 or abs((bottom - top) - want_h) > (unit_y + 7) // 8:
    print("the page area is more than one dialog unit off the asked size")
    failed = True
if magenta[top:bottom, left:right].mean() < 0.99:
    print("the page area is not filled")
    failed = True
sys.exit(1 if failed else 0)
