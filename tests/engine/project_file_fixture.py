"""Project files for the engine test, written with prj_format from the tables.

every_type.prj holds one figure of each type 1..13 with distinct styles and
a record of type 0 and one of type 14 between them; every_type_expect.bin is
the trailer a reader that skips those two must write back. empty_unit.prj and
bare_header.prj are the small cases; hostile.txt lists hostile files with
"<file> <load result> <figures after a load>".
"""
import math
import struct
import sys

sys.path.insert(0, __file__.rsplit("/", 1)[0])
import prj_format as prj  # noqa: E402

W, H = 64, 48
pixels = bytes((x * 3 + y * 5 + c * 70) & 0xFF for y in range(H) for x in range(W) for c in range(4))
BMP = prj.pack_bitmap(W, H, pixels)


def guid(n):
    return bytes((n * 37 + i * 11) & 0xFF for i in range(16))


def figure(t, n):
    count = {1: 2, 3: 4, 9: 4, 12: 4, 13: 4}.get(t, 3 + t % 3)
    f = dict(type=t, guid=guid(n), name="stored %d" % n, solid=n & 1, line_cap=n % 3, pen_weight=1 + n % 6,
             line_color=0xFF000000 | (n * 0x010305), font_size=9 + n, text_color=0xC0000000 | (n * 0x050301),
             text_background=n & 1, text_background_color=0x30000000 | n, text_border=(n >> 1) & 1,
             label_x=n - 7, label_y=3 - n, label_follows=1, show_result=(n >> 2) & 1,
             vertices=[(5.5 + 11 * i + n, 7.25 + 3 * i + n) for i in range(count)], font_face=("Tahoma", "Arial")[n & 1])
    if t in prj.ANGLES:
        f["complement"] = 1
    if t == prj.CLIPART:
        f.update(path="every_type.prj", fixed_size=0, scale=(1.5, 0.5))
    if t == prj.TEXT:
        f.update(box=(120.0, 40.0), text="hello %d" % n)
    return f


valid = [figure(t, 20 + t) for t in range(1, 14)]
skipped = [dict(type=0, guid=guid(90), vertices=[(1.0, 2.0)], font_face="X"),
           dict(type=14, guid=guid(91), vertices=[(3.0, 4.0), (5.0, 6.0)], font_face=None)]
stored = valid[:4] + skipped[:1] + valid[4:9] + skipped[1:] + valid[9:]
with open("every_type.prj", "wb") as out:
    out.write(BMP + prj.pack_trailer("mm", 0.5, 2.0, stored))
with open("every_type_expect.bin", "wb") as out:
    out.write(prj.pack_trailer("mm", 0.5, 2.0, valid))
with open("empty_unit.prj", "wb") as out:
    out.write(BMP + prj.pack_trailer("", 0.25, 4.0, valid[:1]))
with open("bare_header.prj", "wb") as out:
    out.write(BMP + prj.pack_trailer("um", 3.0, 1.0, []))

cases = []


def hostile(name, data, result, figures):
    with open(name, "wb") as out:
        out.write(data)
    cases.append("%s %d %d" % (name, result, figures))


line = figure(1, 40)
good = prj.pack_trailer("mm", 1.0, 1.0, valid)
# Truncation at every record boundary and inside strings and vertices.
cuts, pos = set(), prj.HEADER_SIZE
for f in valid:
    body = prj.pack_figure(f)
    cuts.update({pos, pos + 10, pos + prj.RECORD_SIZE, pos + prj.RECORD_SIZE + 5, pos + len(body) - 3})
    pos += len(body)
for cut in sorted(c for c in cuts if 0 < c < len(good)):
    hostile("cut_%d.prj" % cut, BMP + good[:cut], 0, -1)
hostile("cut_header.prj", BMP + good[:100], 0, -1)
hostile("cut_bitmap.prj", BMP[:40], 0, -1)

raw = bytearray(prj.pack_figure(line))
struct.pack_into("<I", raw, 568, 0xFFFFFFFF)
hostile("vertex_count_max.prj", BMP + prj.pack_header("mm", 1, 1, 1) + raw, 0, -1)
raw = prj.pack_record(dict(line, vertices=[(1.0, 1.0), (2.0, 2.0)])) + struct.pack("<ffff", 1, 1, 2, 2)
hostile("string_count_huge.prj", BMP + prj.pack_header("mm", 1, 1, 1) + raw + struct.pack("<I", 0x7FFFFFFF), 0, -1)
hostile("figure_count_huge.prj", BMP + prj.pack_header("mm", 1, 1, 0x7FFFFFFF) + prj.pack_figure(line), 0, -1)
one = prj.pack_trailer("mm", 1.0, 1.0, [line])
hostile("height_negative.prj", prj.pack_bitmap(W, -H, pixels) + one, 1, 1)
hostile("height_zero.prj", prj.pack_bitmap(W, 0) + one, 0, -1)
hostile("width_negative.prj", prj.pack_bitmap(-W, H, pixels) + one, 0, -1)
hostile("size_huge.prj", prj.pack_bitmap(0x7FFFFFFF, 0x7FFFFFFF) + one, 0, -1)
hostile("size_wraps_32bit.prj", prj.pack_bitmap(0x10000, 0x4000) + one, 0, -1)
hostile("bits_zero.prj", prj.pack_bitmap(W, H, pixels, bits=0) + one, 0, -1)
hostile("not_a_bitmap.prj", b"XX" + BMP[2:] + one, 0, -1)
unterminated = dict(line, name_raw="A".encode("utf-16-le") * 256)
hostile("name_unterminated.prj", BMP + prj.pack_trailer("mm", 1, 1, [unterminated]), 1, 1)
hostile("font_size_million.prj", BMP + prj.pack_trailer("mm", 1, 1, [dict(line, font_size=10 ** 6)]), 1, 1)
hostile("pen_weight_huge.prj", BMP + prj.pack_trailer("mm", 1, 1, [dict(line, pen_weight=0xFFFFFFF0)]), 1, 1)
for label, value in (("nan", math.nan), ("inf", math.inf), ("minus_inf", -math.inf)):
    bad = dict(figure(5, 41), vertices=[(1.0, 2.0), (value, 3.0), (4.0, 5.0)])
    hostile("coordinate_%s.prj" % label, BMP + prj.pack_trailer("mm", 1, 1, [line, bad, figure(7, 42)]), 1, 2)
hostile("line_one_vertex.prj", BMP + prj.pack_trailer("mm", 1, 1, [dict(line, vertices=[(1.0, 1.0)]), figure(7, 43)]),
        1, 1)
clip = dict(figure(12, 44), path=None, fixed_size=0, scale=(2.0, 3.0))
hostile("clipart_empty_path.prj", BMP + prj.pack_trailer("mm", 1, 1, [clip, figure(7, 45)]), 1, 2)
text_short = dict(figure(13, 46), vertices=[(1.0, 1.0), (2.0, 2.0)])
hostile("text_two_vertices.prj", BMP + prj.pack_trailer("mm", 1, 1, [text_short, line]), 1, 1)
hostile("unit_unterminated.prj", BMP + prj.pack_header("", 1, 1, 0)[:4] + "u".encode("utf-16-le") * 256 +
        prj.pack_header("", 1, 1, 0)[516:], 1, 0)

with open("hostile.txt", "w") as out:
    out.write("\n".join(cases) + "\n")
