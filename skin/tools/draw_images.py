#!/usr/bin/python3
"""Draws the skin's pictures with PIL.

Every picture is drawn at four times its size and scaled down, which gives
smooth edges without relying on PIL's antialiasing options. Only integer
geometry and fixed colours are used, so the same PIL gives the same bytes.
"""
import colorsys
import io
import math

from PIL import Image, ImageDraw

SCALE = 4
ACCENT = (10, 122, 214, 255)
INK = (31, 41, 55, 255)


def _finish(big, size):
    return big.resize(size, Image.LANCZOS)


def dragger():
    """The pickers' slider handle: a rounded key with a grip, 11 x 12."""
    w, h = 11, 12
    big = Image.new("RGBA", (w * SCALE, h * SCALE), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    d.rounded_rectangle((2, 2, w * SCALE - 3, h * SCALE - 3), radius=3 * SCALE,
                        fill=(255, 255, 255, 255), outline=ACCENT, width=SCALE)
    for i in (-1, 0, 1):
        y = h * SCALE // 2 + i * 3 * SCALE // 2
        d.line((3 * SCALE, y, (w - 3) * SCALE, y), fill=ACCENT, width=SCALE // 2)
    return _finish(big, (w, h))


def more_colors():
    """The colour picker's "more colours" button: a hue wheel, 20 x 20."""
    n = 20 * SCALE
    big = Image.new("RGBA", (n, n), (0, 0, 0, 0))
    px = big.load()
    c = (n - 1) / 2.0
    outer, inner = n / 2.0 - SCALE / 2.0, n * 0.18
    for y in range(n):
        for x in range(n):
            dx, dy = x - c, y - c
            r = math.hypot(dx, dy)
            if r > outer:
                continue
            hue = (math.atan2(-dy, dx) / (2 * math.pi)) % 1.0
            # White in the middle fading into full colour at the rim.
            sat = min(1.0, max(0.0, (r - inner) / (outer - inner)))
            red, green, blue = colorsys.hsv_to_rgb(hue, sat, 1.0)
            px[x, y] = (round(red * 255), round(green * 255), round(blue * 255), 255)
    d = ImageDraw.Draw(big)
    d.ellipse((SCALE // 2, SCALE // 2, n - 1 - SCALE // 2, n - 1 - SCALE // 2),
              outline=(80, 80, 80, 255), width=SCALE // 2)
    return _finish(big, (20, 20))


def video():
    """The badge on thumbnails of videos: a play sign on a dark tag, 22 x 16."""
    w, h = 22, 16
    big = Image.new("RGBA", (w * SCALE, h * SCALE), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    d.rounded_rectangle((0, 0, w * SCALE - 1, h * SCALE - 1), radius=3 * SCALE,
                        fill=(31, 41, 55, 220))
    cx, cy = w * SCALE // 2 + SCALE, h * SCALE // 2
    t = 5 * SCALE
    d.polygon([(cx - t, cy - t), (cx - t, cy + t), (cx + t, cy)], fill=(255, 255, 255, 255))
    return _finish(big, (w, h))


IMAGES = {
    "Dragger.png": dragger,
    "MoreColors.png": more_colors,
    "Video.png": video,
}


def png_bytes(image):
    out = io.BytesIO()
    image.save(out, format="PNG", optimize=False, compress_level=9)
    return out.getvalue()


def draw_all():
    """Returns {entry name: PNG bytes} for every picture of the skin."""
    return {name: png_bytes(make()) for name, make in sorted(IMAGES.items())}


if __name__ == "__main__":
    import sys
    import pathlib

    folder = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    folder.mkdir(parents=True, exist_ok=True)
    for name, data in draw_all().items():
        (folder / name).write_bytes(data)
