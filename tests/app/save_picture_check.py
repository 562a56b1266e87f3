"""Reads the annotated renders of the save tests with PIL and numpy.

The format comes from the content, whatever the name says; the plain render
is the fixture's picture itself; the figures change pixels only near where
they lie (the top left quarter); crops are exact cuts of the whole render,
a region partly outside gives the part inside, one wholly outside or an
inactive region tool the whole picture. Pictures saved by Save in place
are read as their names promise. The strip's thumbnail after Save is the
saved picture in small.
"""
import sys

import numpy as np
from PIL import Image

W, H = 600, 400
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def load(name, fmt):
    im = Image.open(name)
    check(im.format == fmt, "%s: %s, expected %s" % (name, im.format, fmt))
    return np.asarray(im.convert("RGB")).astype(np.int16)


picture = np.frombuffer(open("measure_picture.bin", "rb").read(), np.uint8).reshape(H, W, 4)[:, :, 2::-1]
plain = load("render_plain.bmp", "BMP")
check(plain.shape == (H, W, 3) and (plain == picture).all(), "plain render differs from the picture")

whole = load("render_whole.bmp", "BMP")
check(whole.shape == (H, W, 3), "whole render %r" % (whole.shape,))
changed = np.any(whole != plain, axis=2)
ys, xs = np.nonzero(changed)
check(len(xs) > 500, "only %d pixels changed by the figures" % len(xs))
# Every figure and label of the fixture lies left of x = 300 and above y = 260.
check(not changed[:, 300:].any() and not changed[260:, :].any(),
      "pixels changed away from the figures: %r" % list(zip(xs[(xs >= 300) | (ys >= 260)][:5],
                                                            ys[(xs >= 300) | (ys >= 260)][:5])))

for name in ("render_whole.jpg", "render_whole.dat"):
    jpeg = load(name, "JPEG")
    check(jpeg.shape == whole.shape, "%s size %r" % (name, jpeg.shape))
    if jpeg.shape == whole.shape:
        check(np.abs(jpeg - whole).mean() < 12, "%s far from the BMP: %.1f" % (name, np.abs(jpeg - whole).mean()))

crops = {
    "render_crop.bmp": (40, 30, 240, 180),
    "render_reversed.bmp": (40, 30, 240, 180),
    "render_partial.bmp": (520, 300, 600, 400),
    "render_partial2.bmp": (0, 0, 260, 100),
    "render_outside.bmp": (0, 0, W, H),
    "render_inactive.bmp": (0, 0, W, H),
}
for name, (l, t, r, b) in crops.items():
    got = load(name, "BMP")
    want = whole[t:b, l:r]
    check(got.shape == want.shape, "%s: size %r, expected %r" % (name, got.shape, want.shape))
    if got.shape == want.shape:
        check((got == want).all(), "%s: %d pixels differ from the cut" % (name, int(np.any(got != want, axis=2).sum())))

for name, fmt in (("save_inplace.jpeg", "JPEG"), ("save_inplace.bmp", "BMP")):
    got = load(name, fmt)
    check(got.shape == (H, W, 3), "%s size %r" % (name, got.shape))
check(Image.open("saveas/a(3).jpg").size == (W, H), "Save As picture size")

# After Save the strip's thumbnail file is the annotated picture in small:
# the centred 48:27 cut of the saved file split into 48 x 27 cells at whole
# pixels, each cell averaged.
def thumbnail_of(rgb):
    h, w = rgb.shape[:2]
    ch = int(27 / (48 / w) + 0.5)
    top = (h - ch) // 2
    cut = rgb[top:top + ch].astype(np.float64)
    xs = [w * i // 48 for i in range(49)]
    ys = [ch * i // 27 for i in range(28)]
    out = np.zeros((27, 48, 3))
    for j in range(27):
        for i in range(48):
            out[j, i] = cut[ys[j]:ys[j + 1], xs[i]:xs[i + 1]].reshape(-1, 3).mean(axis=0)
    return out


saved = load("save_thumb.bmp", "BMP")
thumbs = {}
for name in ("save_thumb_before.png", "save_thumb_after.png"):
    im = Image.open(name)
    check(im.format == "PNG" and im.size == (48, 27), "%s: %s %r" % (name, im.format, im.size))
    thumbs[name] = np.asarray(im.convert("RGB")).astype(np.float64)
if all(t.shape == (27, 48, 3) for t in thumbs.values()) and saved.shape == (H, W, 3):
    small_saved, small_plain = thumbnail_of(saved), thumbnail_of(picture)
    after, before = thumbs["save_thumb_after.png"], thumbs["save_thumb_before.png"]
    for name, got, want in (("after", after, small_saved), ("before", before, small_plain)):
        err = np.abs(got - want)
        check(err.max() <= 1,
              "thumbnail %s Save: mean %.2f max %d from the picture's" % (name, err.mean(), err.max()))
    # The figures show in the new thumbnail: it is nearer the annotated
    # picture than the plain one where they lie.
    near, far = np.abs(after - small_saved)[:21, :24].mean(), np.abs(after - small_plain)[:21, :24].mean()
    check(far > near + 1, "thumbnail after Save does not show the figures (%.2f vs %.2f)" % (near, far))

for f in failures:
    print("FAIL:", f)
sys.exit(1 if failures else 0)
