"""Measure project files (.prj), read and written from the format's tables.

A file is a 32-bit bottom-up BMP (14-byte file header, 40-byte information
header, rows) followed by the figure trailer: a 544-byte header (size word,
unit as 256 UTF-16 code units, zero word, reference scale, magnification,
figure count, zero word), then per figure a 588-byte record and its variable
data. Independent of the program's code: it is the oracle the tests compare
against.
"""
import struct

HEADER_SIZE = 544
RECORD_SIZE = 588
# name, offset, struct code of the record's fields after type, GUID and name
RECORD_FIELDS = [
    ("solid", 532, "<I"), ("line_cap", 536, "<I"), ("pen_weight", 540, "<I"),
    ("line_color", 544, "<I"), ("font_size", 548, "<I"), ("text_color", 552, "<I"),
    ("text_background", 556, "<I"), ("text_background_color", 560, "<I"),
    ("text_border", 564, "<I"), ("vertex_count", 568, "<I"), ("label_x", 572, "<i"),
    ("label_y", 576, "<i"), ("label_follows", 580, "<I"), ("show_result", 584, "<I"),
]
TEXT, CLIPART = 13, 12
ANGLES = (2, 3)


class Truncated(Exception):
    pass


class Reader:
    def __init__(self, data, pos=0):
        self.data, self.pos = data, pos

    def take(self, n):
        if n < 0 or self.pos + n > len(self.data):
            raise Truncated("%d bytes wanted at %d of %d" % (n, self.pos, len(self.data)))
        out = self.data[self.pos:self.pos + n]
        self.pos += n
        return out

    def u32(self):
        return struct.unpack("<I", self.take(4))[0]

    def f32(self):
        return struct.unpack("<f", self.take(4))[0]

    def string(self):
        """None for a count of 0, else (count, text up to the first zero)."""
        count = self.u32()
        if count == 0:
            return None
        units = self.take(2 * count).decode("utf-16-le")
        return (count, units.split("\0", 1)[0])


def fixed_text(raw):
    return raw.decode("utf-16-le").split("\0", 1)[0]


def parse_bitmap(data):
    if data[:2] != b"BM":
        raise ValueError("not a bitmap")
    size, r1, r2, offset = struct.unpack_from("<IHHI", data, 2)
    (hsize, width, height, planes, bits, compression, image_size, xppm, yppm, used,
     important) = struct.unpack_from("<IiiHHIIiiII", data, 14)
    return dict(file_size=size, reserved=(r1, r2), pixel_offset=offset, header_size=hsize,
                width=width, height=height, planes=planes, bits=bits, compression=compression,
                image_size=image_size, ppm=(xppm, yppm), colours=(used, important))


def trailer_offset(bmp):
    rows = abs(bmp["height"])
    return 54 + rows * ((bmp["bits"] * bmp["width"] + 31) // 32 * 4)


def parse_trailer(data, pos=0):
    r = Reader(data, pos)
    head = r.take(HEADER_SIZE)
    size, = struct.unpack_from("<I", head, 0)
    out = dict(header_size=size, unit=fixed_text(head[4:516]), zero1=struct.unpack_from("<I", head, 516)[0],
               scale=struct.unpack_from("<d", head, 520)[0], power=struct.unpack_from("<d", head, 528)[0],
               count=struct.unpack_from("<I", head, 536)[0], zero2=struct.unpack_from("<I", head, 540)[0],
               figures=[])
    for _ in range(out["count"]):
        start = r.pos
        rec = r.take(RECORD_SIZE)
        fig = dict(type=struct.unpack_from("<I", rec, 0)[0], guid=bytes(rec[4:20]),
                   name=fixed_text(rec[20:532]), name_raw=bytes(rec[20:532]))
        for name, off, code in RECORD_FIELDS:
            fig[name] = struct.unpack_from(code, rec, off)[0]
        fig["vertices"] = [(r.f32(), r.f32()) for _ in range(fig["vertex_count"])]
        if fig["type"] == TEXT:
            fig["box"] = (r.f32(), r.f32())
        fig["font_face"] = r.string()
        if fig["type"] in ANGLES:
            fig["complement"] = r.take(1)[0]
        if fig["type"] == CLIPART:
            fig["path"] = r.string()
            fig["fixed_size"] = r.u32()
            fig["scale"] = (r.f32(), r.f32())
        if fig["type"] == TEXT:
            fig["text"] = r.string()
        fig["bytes"] = bytes(data[start:r.pos])
        out["figures"].append(fig)
    out["end"] = r.pos
    return out


def parse_file(data):
    bmp = parse_bitmap(data)
    trailer = parse_trailer(data, trailer_offset(bmp))
    return bmp, trailer


# --- writer ---------------------------------------------------------------

def pack_string(text, count=None):
    if text is None:
        return struct.pack("<I", 0)
    units = (text + "\0").encode("utf-16-le")
    if count is None:
        count = len(units) // 2
    return struct.pack("<I", count) + units


def pack_fixed(text, units):
    raw = text.encode("utf-16-le")[:2 * units]
    return raw + b"\0" * (2 * units - len(raw))


def pack_record(fig):
    rec = bytearray(RECORD_SIZE)
    struct.pack_into("<I", rec, 0, fig["type"])
    rec[4:20] = fig["guid"]
    rec[20:532] = fig.get("name_raw") or pack_fixed(fig.get("name", ""), 256)
    values = dict(solid=1, line_cap=0, pen_weight=1, line_color=0xFFFF0000, font_size=16,
                  text_color=0xFF0000FF, text_background=1, text_background_color=0x80000000,
                  text_border=1, vertex_count=len(fig.get("vertices", [])), label_x=0, label_y=0,
                  label_follows=1, show_result=1)
    values.update({k: v for k, v in fig.items() if k in values})
    for name, off, code in RECORD_FIELDS:
        struct.pack_into(code, rec, off, values[name])
    return bytes(rec)


def pack_figure(fig):
    out = [pack_record(fig)]
    for x, y in fig.get("vertices", []):
        out.append(struct.pack("<ff", x, y))
    t = fig["type"]
    if t == TEXT:
        out.append(struct.pack("<ff", *fig.get("box", (0.0, 0.0))))
    out.append(pack_string(fig.get("font_face")))
    if t in ANGLES:
        out.append(bytes([fig.get("complement", 0)]))
    if t == CLIPART:
        out.append(pack_string(fig.get("path")))
        out.append(struct.pack("<Iff", fig.get("fixed_size", 1), *fig.get("scale", (1.0, 1.0))))
    if t == TEXT:
        out.append(pack_string(fig.get("text")))
    return b"".join(out)


def pack_header(unit, scale, power, count):
    return (struct.pack("<I", HEADER_SIZE) + pack_fixed(unit, 256) + struct.pack("<IddII", 0, scale, power, count, 0))


def pack_trailer(unit, scale, power, figures, count=None):
    parts = [pack_header(unit, scale, power, len(figures) if count is None else count)]
    parts += [pack_figure(f) for f in figures]
    return b"".join(parts)


def pack_bitmap(width, height, rows_bgra=None, bits=32, image_size=None, file_size=None):
    """Headers and rows; rows_bgra is the picture top row first, bytes per row width*4."""
    row = width * 4
    if image_size is None:
        image_size = row * abs(height)
    if file_size is None:
        file_size = 54 + image_size
    head = b"BM" + struct.pack("<IHHI", file_size & 0xFFFFFFFF, 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size & 0xFFFFFFFF, 2834, 2834, 0, 0)
    if rows_bgra is None:
        body = b""
    else:
        body = b"".join(rows_bgra[y * row:(y + 1) * row] for y in reversed(range(abs(height))))
    return head + info + body
