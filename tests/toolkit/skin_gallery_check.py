"""Checks the layout gallery against a model of the skin's placement rules.

Reads the gallery skin, lays its window tree out for each picture's size by
the rules of the child layout, and compares every window's rectangle
(gallery_WxH.txt) and every pixel of the skin's own painting
(gallery_WxH.png): solid windows show their colour (inherited from the parent
when they have none), transparent ones what their owner painted underneath:
the checkerboard of the attached pane. Native scroll bars are compared by
rectangle only; their thickness is the control's own.
"""
import glob
import re
import sys
import xml.etree.ElementTree as ET

import numpy as np
from PIL import Image

ALIGN = {
    "ALIGN_PARENT_LEFT": 0x1, "ALIGN_PARENT_TOP": 0x2, "ALIGN_PARENT_RIGHT": 0x4, "ALIGN_PARENT_BOTTOM": 0x8,
    "ALIGN_PARENT_WIDTH": 0x10, "ALIGN_PARENT_HEIGHT": 0x20, "ALIGN_PARENT_VCENTER": 0x100,
    "ALIGN_PARENT_HCENTER": 0x200, "ALIGN_PRE_LEFT": 0x10000, "ALIGN_PRE_TOP": 0x20000,
    "ALIGN_PRE_RIGHT": 0x40000, "ALIGN_PRE_BOTTOM": 0x80000, "OFFSET_PRE_LEFT": 0x100000,
    "OFFSET_PRE_RIGHT": 0x200000, "OFFSET_PRE_TOP": 0x400000, "OFFSET_PRE_BOTTOM": 0x800000,
}
SBS_VERT, SBS_ALIGNED = 0x1, 0x6
CHECKER_ID = 50
CHECKER_DARK, CHECKER_LIGHT = (32, 32, 32), (224, 224, 224)


def skin_int(text):
    text = text.strip()
    if len(text) >= 3 and text[1] in "xX":
        return int(text[2:], 16) & 0xFFFFFFFF
    return int(text)


def signed16(v):
    v &= 0xFFFF
    return v - 0x10000 if v & 0x8000 else v


def trunc_div(a, b):
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b > 0) else -q


def place(attrs, cx, cy, prev):
    nx, ny = skin_int(attrs.get("X", "0")), skin_int(attrs.get("Y", "0"))
    x, y = signed16(nx), signed16(ny)
    w, h = skin_int(attrs.get("Width", "64")), skin_int(attrs.get("Height", "64"))
    f = 0
    for name in re.split(r"\|", attrs.get("Align", "").replace(" ", "")):
        f |= ALIGN.get(name, 0)
    if f == 0:
        return x, y, w, h
    if f & 0x200: x = x + trunc_div(cx - w, 2)
    if f & 0x100: y = y + trunc_div(cy - h, 2)
    if f & 0x4 and not f & 0x1: x = cx - w - x
    if f & 0x8 and not f & 0x2: y = cy - h - y
    px, py, pw, ph = prev
    if f & 0x10000: x = px
    elif f & 0x40000: x = px + pw - w
    elif f & 0x100000: x = px - w - x
    elif f & 0x200000: x = px + pw + x
    if f & 0x20000: y = py
    elif f & 0x80000: y = py + ph - h
    elif f & 0x400000: y = py + y
    elif f & 0x800000: y = py + ph + y
    if f & 0x10: w = cx - signed16(nx >> 16) - x
    if f & 0x20: h = cy - signed16(ny >> 16) - y
    return x, y, w, h


def main():
    skin = ET.parse(sys.argv[1]).getroot()
    colours = {c.tag: tuple(int(c.get(k, "0")) for k in ("Red", "Green", "Blue")) for c in skin.find("Colors")}
    gallery = skin.find("Windows").find("Gallery")
    pictures = sorted(glob.glob("gallery_*.png"))
    if len(pictures) != 3:
        sys.exit(f"expected 3 gallery pictures, found {pictures}")
    failures = 0
    for png in pictures:
        width, height = map(int, re.match(r"gallery_(\d+)x(\d+)\.png", png).groups())
        actual = {}
        for line in open(png[:-4] + ".txt"):
            path, *box = line.split()
            actual[path] = tuple(map(int, box))
        picture = np.asarray(Image.open(png).convert("RGB")).astype(int)
        expected = np.zeros((height, width, 3), int)
        care = np.zeros((height, width), bool)
        model = {}

        def paint(x, y, w, h, clip, colour_at):
            x0, y0 = max(x, clip[0]), max(y, clip[1])
            x1, y1 = min(x + w, clip[2]), min(y + h, clip[3])
            if x1 <= x0 or y1 <= y0:
                return None
            ys, xs = np.mgrid[y0:y1, x0:x1]
            if colour_at is None:
                care[y0:y1, x0:x1] = False
            else:
                expected[y0:y1, x0:x1] = colour_at(xs, ys)
                care[y0:y1, x0:x1] = True
            return (x0, y0, x1, y1)

        def solid(colour):
            return lambda xs, ys: np.broadcast_to(np.array(colour), xs.shape + (3,))

        def checker(ox, oy):
            def at(xs, ys):
                odd = (((xs - ox) // 8 + (ys - oy) // 8) % 2).astype(bool)
                return np.where(odd[..., None], np.array(CHECKER_LIGHT), np.array(CHECKER_DARK))
            return at

        def lay_out(element, path, ax, ay, cx, cy, clip, colour, transparent, under):
            # under: what this window itself paints, which its transparent children show
            prev = (0, 0, 0, 0)
            boxes = []
            for child in element:
                cls = child.get("Class", "").upper()
                if cls not in ("WINDOW", "SCROLLBAR"):
                    continue
                cpath = f"{path}/{child.tag}"
                x, y, w, h = place(child.attrib, cx, cy, prev)
                if cls == "SCROLLBAR":
                    style = 0
                    for name in child.get("Style", "").replace(" ", "").split("|"):
                        style |= {"SBS_VERT": 1, "SBS_RIGHTALIGN": 4, "SBS_LEFTALIGN": 2, "SBS_BOTTOMALIGN": 4,
                                  "SBS_TOPALIGN": 2}.get(name, 0)
                    if style & SBS_ALIGNED:
                        native = actual.get(cpath)
                        if native:
                            if style & SBS_VERT:
                                w = native[2]
                            else:
                                h = native[3]
                        x, y, w, h = place(dict(child.attrib, Width=str(w), Height=str(h)), cx, cy, prev)
                model[cpath] = (ax + x, ay + y, w, h)
                prev = (x, y, w, h)
                c_colour = colours.get(child.get("ClBkGround"), colour)
                c_transparent = transparent
                if "Transparent" in child.attrib:
                    c_transparent = child.get("Transparent").lower() == "true"
                if w <= 0 or h <= 0:
                    continue
                boxes.append((cpath, x, y, w, h))
                if cls == "SCROLLBAR":
                    paint(ax + x, ay + y, w, h, clip, None)
                    continue
                if child.get("CommandID") == str(CHECKER_ID):
                    own = checker(ax + x, ay + y)
                elif c_transparent:
                    own = under
                else:
                    own = solid(c_colour)
                shown = paint(ax + x, ay + y, w, h, clip, own)
                if shown:
                    lay_out(child, cpath, ax + x, ay + y, w, h, shown, c_colour, c_transparent,
                            own if not c_transparent else under)
            for i, (p1, x1, y1, w1, h1) in enumerate(boxes):
                for p2, x2, y2, w2, h2 in boxes[i + 1:]:
                    if x1 < x2 + w2 and x2 < x1 + w1 and y1 < y2 + h2 and y2 < y1 + h1:
                        sys.exit(f"gallery skin: {p1} and {p2} overlap at {width}x{height}")

        root_colour = colours[gallery.get("ClBkGround")]
        model["Gallery"] = (0, 0, width, height)
        paint(0, 0, width, height, (0, 0, width, height), solid(root_colour))
        lay_out(gallery, "Gallery", 0, 0, width, height, (0, 0, width, height), root_colour, False,
                solid(root_colour))

        for path, box in model.items():
            if actual.get(path) != box:
                print(f"{png}: {path} at {actual.get(path)}, the model says {box}")
                failures += 1
        for path in actual:
            if path not in model:
                print(f"{png}: {path} is not in the model")
                failures += 1
        wrong = care & np.any(picture != expected, axis=2)
        if wrong.any():
            ys, xs = np.nonzero(wrong)
            print(f"{png}: {len(ys)} pixels differ from the model, first at ({xs[0]}, {ys[0]}): "
                  f"{tuple(picture[ys[0], xs[0]])} instead of {tuple(expected[ys[0], xs[0]])}")
            failures += 1
        checked = int(care.sum())
        print(f"{png}: {len(model)} rectangles, {checked} of {width * height} pixels compared")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
