"""Reads the project the engine test saved with the independent reader.

Also: print_*.bmp, the off-screen renderer's output, equals print_*_frame.bin.

saved.prj: PIL opens it as a BMP and its RGB equal saved_frame.bin (the
uploaded picture, top row first, BGRA); every trailer field sits at its
offset with the values saved_expect.txt lists from the document's figures.
every_type_loaded.prj and every_type_merged.prj must hold the trailer that
project_file_fixture.py expects back.
"""
import math
import os
import struct
import sys

import numpy as np
from PIL import Image

sys.path.insert(0, __file__.rsplit("/", 1)[0])
import prj_format as prj  # noqa: E402

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


data = open("saved.prj", "rb").read()
bmp, trailer = prj.parse_file(data)
lines = open("saved_expect.txt").read().split("\n")
width, height = int(lines[0].split()[0]), int(lines[0].split()[1])
scale, power = float(lines[0].split()[2]), float(lines[0].split()[3])
image_size = width * 4 * height
check(bmp["file_size"] == 54 + image_size and bmp["pixel_offset"] == 54 and bmp["header_size"] == 40,
      "bitmap file header %r" % bmp)
check((bmp["width"], bmp["height"], bmp["planes"], bmp["bits"], bmp["compression"]) == (width, height, 1, 32, 0),
      "bitmap information header %r" % bmp)
check(bmp["image_size"] == image_size and bmp["ppm"] == (2834, 2834) and bmp["colours"] == (0, 0),
      "bitmap sizes %r" % bmp)

frame = np.frombuffer(open("saved_frame.bin", "rb").read(), np.uint8).reshape(height, width, 4)
with Image.open("saved.prj") as im:
    rgb = np.asarray(im.convert("RGB"))
check(rgb.shape == (height, width, 3), "PIL size %r" % (rgb.shape,))
check(np.array_equal(rgb, frame[:, :, 2::-1]), "PIL's RGB differ from the uploaded frame")

check(trailer["header_size"] == 544 and trailer["zero1"] == 0 and trailer["zero2"] == 0, "trailer header words")
check(trailer["unit"] == "\u00b5m", "unit %r" % trailer["unit"])
check(trailer["scale"] == scale and trailer["power"] == power, "calibration")
check(trailer["end"] == len(data), "trailer ends %d bytes before the file" % (len(data) - trailer["end"]))

expected = [ln.split() for ln in lines[1:] if ln.startswith("figure")]
check(trailer["count"] == len(expected), "figure count %d, %d expected" % (trailer["count"], len(expected)))


def round_offset(v):
    return int(math.floor(v + 0.5))


for fig, e in zip(trailer["figures"], expected):
    (t, guid, name_len, solid, cap, pen, line, font, text, bg, bgc, border, lx, ly, follows, show, face_len,
     box_w, box_h, text_len, fixed, sx, sy, complement, n) = e[1:26]
    what = "figure of type %s: " % t
    check(fig["type"] == int(t), what + "type")
    check(fig["guid"].hex() == guid, what + "GUID")
    check(len(fig["name"]) == min(int(name_len), 255), what + "name length %d" % len(fig["name"]))
    check(fig["name_raw"][2 * len(fig["name"]):] == b"\0" * (512 - 2 * len(fig["name"])), what + "name padding")
    for key, value in (("solid", solid), ("line_cap", cap), ("pen_weight", pen), ("line_color", line),
                       ("font_size", font), ("text_color", text), ("text_background", bg),
                       ("text_background_color", bgc), ("text_border", border), ("show_result", show),
                       ("vertex_count", n)):
        check(fig[key] == int(value), what + "%s %d, %s expected" % (key, fig[key], value))
    check(fig["label_follows"] == int(follows), what + "label follows")
    check(fig["label_x"] == round_offset(float(lx)) and fig["label_y"] == round_offset(float(ly)),
          what + "label offsets %d %d from %s %s" % (fig["label_x"], fig["label_y"], lx, ly))
    coords = [float(v) for v in e[26:]]
    got = [c for xy in fig["vertices"] for c in xy]
    check(np.allclose(got, coords, rtol=1e-6), what + "vertices")
    check(fig["font_face"] is None if int(face_len) == 0 else fig["font_face"][0] == int(face_len) + 1,
          what + "font face count")
    if fig["type"] == 13:
        check(fig["box"] == (float(box_w), float(box_h)), what + "box")
        check(fig["text"] is not None and fig["text"][0] == int(text_len) + 1, what + "text count")
    if fig["type"] == 12:
        check(fig["path"] is None, what + "empty path is count 0")
        check(fig["fixed_size"] == int(fixed) and fig["scale"] == (float(sx), float(sy)), what + "clip-art fields")
    if fig["type"] in (2, 3):
        check(fig["complement"] == int(complement), what + "complement")

# The 300-character name is cut at 255; -2.7 and 2.5 are saved as -3 and 3.
named = [f for f in trailer["figures"] if len(f["name"]) == 255]
check(len(named) == 1 and named[0]["label_x"] == -3 and named[0]["label_y"] == 3, "long name and its label offsets")

expect = open("every_type_expect.bin", "rb").read()
for name in ("every_type_loaded.prj", "every_type_merged.prj"):
    saved = open(name, "rb").read()
    b, t = prj.parse_file(saved)
    got = saved[prj.trailer_offset(b):]
    check(got == expect, "%s: trailer differs from the fixture's (%d and %d bytes)" % (name, len(got), len(expect)))

# The off-screen renderer's output opened by PIL equals the picture.
for w, h in ((300, 200), (700, 520)):
    stem = "print_%dx%d" % (w, h)
    if not os.path.exists(stem + "_frame.bin") or not os.path.exists(stem + ".bmp"):
        check(False, stem + ": not rendered")
        continue
    picture = np.frombuffer(open(stem + "_frame.bin", "rb").read(), np.uint8).reshape(h, w, 4)
    with Image.open(stem + ".bmp") as im:
        out = np.asarray(im.convert("RGB"))
    check(out.shape == (h, w, 3) and np.array_equal(out, picture[:, :, 2::-1]), stem + ": output differs from the picture")

if failures:
    print("\n".join(failures))
    sys.exit(1)
print("project files read back: %d figures, picture %dx%d" % (len(expected), width, height))
