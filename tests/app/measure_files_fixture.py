"""The measure project the file-command tests load: written from the format's
tables (tests/engine/prj_format.py), not by the program.

measure_fixture.prj: a 600 x 400 picture, scale 0.1, magnification 1, and
the figures a named line with a vertex at x = -27 pixels (-2.7 in physical
units), an unnamed line, a clip-art, a text and a named three-point angle.
measure_corrupt.prj: the same file cut inside its second figure record.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "engine"))
import prj_format as prj  # noqa: E402

W, H = 600, 400
pixels = bytes(((x * 7 + y * 3) & 0xFF, (x + y * 5) & 0xFF, (x * 3 + y) & 0xFF, 0xFF)[c]
               for y in range(H) for x in range(W) for c in range(4))


def guid(n):
    return bytes((n * 41 + i * 13) & 0xFF for i in range(16))


FIGURES = [
    dict(type=1, guid=guid(1), name="#1 length", vertices=[(-27.0, 10.0), (3.0, 50.0)]),
    dict(type=1, guid=guid(2), name="", vertices=[(40.0, 120.0), (90.0, 120.0)]),
    dict(type=prj.CLIPART, guid=guid(3), name="clip", vertices=[(20.0, 20.0), (60.0, 20.0), (60.0, 60.0),
                                                                 (20.0, 60.0)],
         path="measure_fixture.prj", fixed_size=0, scale=(1.0, 1.0)),
    dict(type=prj.TEXT, guid=guid(4), name="note", vertices=[(30.0, 150.0), (130.0, 150.0), (130.0, 190.0),
                                                              (30.0, 190.0)],
         box=(100.0, 40.0), text="hello"),
    dict(type=2, guid=guid(5), name="#5 angle", vertices=[(150.0, 50.0), (100.0, 50.0), (100.0, 0.0)]),
]

bmp = prj.pack_bitmap(W, H, pixels)
data = bmp + prj.pack_trailer("cm", 0.1, 1.0, FIGURES)
with open("measure_fixture.prj", "wb") as f:
    f.write(data)
first = len(bmp) + prj.HEADER_SIZE + len(prj.pack_figure(FIGURES[0]))
with open("measure_corrupt.prj", "wb") as f:
    f.write(data[:first + 100])
with open("measure_picture.bin", "wb") as f:
    f.write(pixels)
