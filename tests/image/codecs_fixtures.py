"""Writes picture files in every variant the decoders accept, each with the
pixels an independent reader (PIL) decodes from it, as blue, green, red,
alpha rows top first. Variants PIL cannot write are built byte by byte; where
PIL's reading of a variant follows another rule than ours (5-bit channels,
alpha it ignores) the expected bytes come from a small model of our rule.

fixtures/manifest.txt lists: file expected tolerance
(expected "-" means the load must fail). seeds/ holds small files for the
mutation test.
"""

import io
import os
import struct
import zlib

import numpy as np
from PIL import Image

OUT = "fixtures"
SEEDS = "seeds"
rng = np.random.default_rng(20261210)
manifest = []


def rgba_pattern(w, h, alpha=True):
    """Smooth gradients plus noise: every pixel differs, JPEG stays realistic."""
    y, x = np.mgrid[0:h, 0:w]
    r = (x * 255 // max(w - 1, 1)).astype(np.int32)
    g = (y * 255 // max(h - 1, 1)).astype(np.int32)
    b = ((x + y) * 7 % 256).astype(np.int32)
    noise = rng.integers(0, 24, size=(h, w, 3))
    rgb = np.clip(np.stack([r, g, b], -1) + noise, 0, 255).astype(np.uint8)
    a = rng.integers(0, 256, size=(h, w, 1)).astype(np.uint8) if alpha else np.full((h, w, 1), 255, np.uint8)
    return np.concatenate([rgb, a], -1)


def write_expected(name, bgra):
    h, w = bgra.shape[:2]
    with open(os.path.join(OUT, name + ".bgra"), "wb") as f:
        f.write(struct.pack("<II", w, h))
        f.write(np.ascontiguousarray(bgra, dtype=np.uint8).tobytes())


def add(name, data, bgra, tolerance=0, seed=False):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)
    if bgra is None:
        manifest.append(f"{name} - 0")
    else:
        write_expected(name, bgra)
        manifest.append(f"{name} {name}.bgra {tolerance}")
    if seed:
        with open(os.path.join(SEEDS, name), "wb") as f:
            f.write(data)


def pil_rgba(data):
    """PIL's decoded pixels as an h x w x 4 RGBA array."""
    im = Image.open(io.BytesIO(data))
    im.load()
    return np.asarray(im.convert("RGBA"))


def to_bgra(rgba):
    return rgba[..., [2, 1, 0, 3]]


def with_alpha(rgba, alpha):
    out = rgba.copy()
    out[..., 3] = alpha
    return out


def pil_save(im, fmt, **options):
    buffer = io.BytesIO()
    im.save(buffer, fmt, **options)
    return buffer.getvalue()


def expand555(v):
    b = (v & 31) * 8
    g = ((v >> 5) & 31) * 8
    r = ((v >> 10) & 31) * 8
    return np.stack([b, g, r], -1).astype(np.uint8)


# ---------------------------------------------------------------- BMP

def bmp_bytes(width, height, bits, rows, palette=None, colours_used=None, compression=0):
    """rows: list of the file's row payloads in file order, unpadded."""
    stride = (width * bits + 31) // 32 * 4
    pixels = b"".join(r + b"\0" * (stride - len(r)) for r in rows)
    pal = b""
    if palette is not None:
        pal = b"".join(bytes([b, g, r, 0]) for (b, g, r) in palette)
    used = colours_used if colours_used is not None else (len(palette) if palette is not None else 0)
    offset = 54 + len(pal)
    header = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(pixels), 2835, 2835, used, 0)
    return header + info + pal + pixels


def pack_indices(indices, bits):
    out = bytearray()
    per = 8 // bits
    for i in range(0, len(indices), per):
        v = 0
        for k in range(per):
            idx = indices[i + k] if i + k < len(indices) else 0
            v |= idx << (8 - bits * (k + 1))
        out.append(v)
    return bytes(out)


def bmp_cases():
    # Written by PIL.
    rgba = rgba_pattern(13, 7)
    im = Image.fromarray(rgba[..., :3], "RGB")
    data = pil_save(im, "BMP")
    add("bmp_pil_24.bmp", data, to_bgra(pil_rgba(data)), seed=True)

    data = pil_save(Image.fromarray(rgba, "RGBA"), "BMP")
    # PIL reads the fourth byte as padding; ours keeps it as alpha.
    add("bmp_pil_32.bmp", data, to_bgra(with_alpha(pil_rgba(data), rgba[..., 3])), seed=True)

    data = pil_save(im.convert("L"), "BMP")
    add("bmp_pil_8_grey.bmp", data, to_bgra(pil_rgba(data)), seed=True)

    data = pil_save(im.convert("P", palette=Image.ADAPTIVE, colors=200), "BMP")
    add("bmp_pil_8_palette.bmp", data, to_bgra(pil_rgba(data)))

    data = pil_save(im.convert("1"), "BMP")
    add("bmp_pil_1.bmp", data, to_bgra(pil_rgba(data)), seed=True)

    data = pil_save(Image.fromarray(rgba_pattern(1, 1)[..., :3], "RGB"), "BMP")
    add("bmp_pil_24_1x1.bmp", data, to_bgra(pil_rgba(data)))

    # Built by hand, decoded by PIL.
    for width, top_down in ((9, False), (9, True), (1, False), (4, True)):
        h = 5
        palette = [tuple(int(c) for c in rng.integers(0, 256, 3)) for _ in range(16)]
        idx = rng.integers(0, 16, size=(h, width))
        file_rows = idx if top_down else idx[::-1]
        rows = [pack_indices(list(r), 4) for r in file_rows]
        data = bmp_bytes(width, -h if top_down else h, 4, rows, palette, colours_used=0)
        add(f"bmp_4_w{width}_{'td' if top_down else 'bu'}.bmp", data, to_bgra(pil_rgba(data)), seed=(width == 9))

    idx = rng.integers(0, 2, size=(6, 11))
    data = bmp_bytes(11, -6, 1, [pack_indices(list(r), 1) for r in idx], [(10, 20, 30), (200, 150, 100)])
    add("bmp_1_topdown.bmp", data, to_bgra(pil_rgba(data)))

    # Colours used 2 with 8-bit pixels: pixel data right after 8 palette bytes.
    idx = rng.integers(0, 2, size=(3, 5)).astype(np.uint8)
    data = bmp_bytes(5, 3, 8, [bytes(r) for r in idx[::-1]], [(1, 2, 3), (250, 240, 230)])
    assert struct.unpack_from("<I", data, 10)[0] == 62
    add("bmp_8_two_colours.bmp", data, to_bgra(pil_rgba(data)))

    rgb = rgba_pattern(6, 4)[..., :3]
    data = bmp_bytes(6, -4, 24, [r[..., ::-1].tobytes() for r in rgb])
    add("bmp_24_topdown.bmp", data, to_bgra(pil_rgba(data)))

    # 2 x 2, rows of 6 bytes plus 2 fill bytes, bottom row first.
    rgb = rgba_pattern(2, 2)[..., :3]
    data = bmp_bytes(2, 2, 24, [r[..., ::-1].tobytes() for r in rgb[::-1]])
    add("bmp_24_2x2.bmp", data, to_bgra(pil_rgba(data)))

    # 16-bit: five bits per channel scaled by 8 (PIL scales to 255 instead).
    v = rng.integers(0, 65536, size=(5, 7)).astype(np.uint16)
    v[0, 0], v[0, 1] = 0x7C00, 0x001F
    data = bmp_bytes(7, 5, 16, [r.astype("<u2").tobytes() for r in v[::-1]])
    bgra = np.concatenate([expand555(v.astype(np.int32)), np.full((5, 7, 1), 255, np.uint8)], -1)
    add("bmp_16.bmp", data, bgra, seed=True)

    # 32-bit with every fourth byte 0: alpha 0.
    rgba = rgba_pattern(4, 3)
    rgba[..., 3] = 0
    data = bmp_bytes(4, 3, 32, [to_bgra(r).tobytes() for r in rgba[::-1]])
    add("bmp_32_alpha0.bmp", data, to_bgra(with_alpha(pil_rgba(data), 0)))

    # Refused: run-length compression, a row missing, an unknown bit count.
    idx = rng.integers(0, 2, size=(3, 5)).astype(np.uint8)
    add("bmp_rle8.bmp", bmp_bytes(5, 3, 8, [bytes(r) for r in idx], [(1, 2, 3), (4, 5, 6)], compression=1), None)
    whole = bmp_bytes(6, 4, 24, [bytes(18)] * 4)
    add("bmp_short.bmp", whole[:-1], None)
    add("bmp_bits_2.bmp", bmp_bytes(8, 2, 2, [bytes(2)] * 2, [(0, 0, 0)] * 4), None)


# ---------------------------------------------------------------- TGA

def tga_header(id_len, map_type, image_type, map_len, entry_size, w, h, depth, descriptor):
    return struct.pack("<BBBHHBHHHHBB", id_len, map_type, image_type, 0, map_len, entry_size, 0, 0, w, h, depth,
                       descriptor)


def tga_footer(extension_offset):
    return struct.pack("<II", extension_offset, 0) + b"TRUEVISION-XFILE.\0"


def extension_area(attributes_type):
    area = bytearray(495)
    struct.pack_into("<H", area, 0, 495)
    area[494] = attributes_type
    return bytes(area)


def rle_encode(pixels, pixel_bytes):
    """Run packets for repeats, raw packets otherwise; runs cross row ends."""
    out = bytearray()
    items = [bytes(pixels[i:i + pixel_bytes]) for i in range(0, len(pixels), pixel_bytes)]
    i = 0
    while i < len(items):
        run = 1
        while i + run < len(items) and run < 128 and items[i + run] == items[i]:
            run += 1
        if run > 1:
            out.append(0x80 | (run - 1))
            out += items[i]
            i += run
        else:
            j = i
            while j < len(items) and j - i < 128 and (j + 1 >= len(items) or items[j + 1] != items[j]):
                j += 1
            j = max(j, i + 1)
            out.append(j - i - 1)
            out += b"".join(items[i:j])
            i = j
    return bytes(out)


def tga_cases():
    rgba = rgba_pattern(11, 6)
    # Runs of equal pixels so that the run-length forms get run packets.
    rgba[2, 3:9] = rgba[2, 3]
    rgba[3, 7:] = rgba[3, 7]
    rgba[4, :5] = rgba[3, 7]
    for mode in ("RGB", "RGBA", "L", "P"):
        base = Image.fromarray(rgba, "RGBA").convert(mode) if mode != "P" else \
            Image.fromarray(rgba[..., :3], "RGB").convert("P", palette=Image.ADAPTIVE, colors=64)
        for rle in (False, True):
            for orientation in (-1, 1):
                data = pil_save(base, "TGA", rle=rle, orientation=orientation)
                expected = pil_rgba(data)
                if mode == "RGBA":
                    expected = with_alpha(expected, np.asarray(base)[..., 3])
                name = f"tga_pil_{mode.lower()}_{'rle' if rle else 'raw'}_{'td' if orientation > 0 else 'bu'}.tga"
                add(name, data, to_bgra(expected), seed=(orientation < 0))

    # 16-bit true colour, plain and run-length, with an image ID to skip.
    v = rng.integers(0, 65536, size=(4, 9)).astype(np.uint16)
    v[1, 2:8] = v[1, 2]
    v[2, 5:] = 0x7C00
    v[3, :4] = 0x7C00
    bgra = np.concatenate([expand555(v.astype(np.int32)), np.full((4, 9, 1), 255, np.uint8)], -1)
    stored = v[::-1].astype("<u2").tobytes()
    add("tga_16_raw.tga", tga_header(3, 0, 2, 0, 0, 9, 4, 16, 0) + b"id!" + stored, bgra, seed=True)
    add("tga_16_rle.tga", tga_header(0, 0, 10, 0, 0, 9, 4, 16, 0x20) + rle_encode(v.astype("<u2").tobytes(), 2),
        bgra, seed=True)

    # 32-bit with alpha bits 8: the footer's attributes type decides.
    rgba = rgba_pattern(5, 3)
    stored = to_bgra(rgba[::-1]).tobytes()
    head = tga_header(0, 0, 2, 0, 0, 5, 3, 32, 8)
    add("tga_32_no_footer.tga", head + stored, to_bgra(rgba))
    add("tga_32_footer_offset0.tga", head + stored + tga_footer(0), to_bgra(rgba))
    for attributes, keeps in ((0, False), (1, False), (2, False), (3, True)):
        body = head + stored
        data = body + extension_area(attributes) + tga_footer(len(body))
        add(f"tga_32_attributes_{attributes}.tga", data, to_bgra(rgba if keeps else with_alpha(rgba, 255)),
            seed=(attributes == 3))
    # Alpha bits 0 but attributes type 3: the extension area wins.
    body = tga_header(0, 0, 2, 0, 0, 5, 3, 32, 0) + stored
    add("tga_32_descriptor0_attributes3.tga", body + extension_area(3) + tga_footer(len(body)), to_bgra(rgba))
    add("tga_32_descriptor0.tga", body, to_bgra(with_alpha(rgba, 255)))

    # Colour maps with 16-bit entries, bit 15 clear: alpha 255 unless attributes type 3.
    entries = rng.integers(0, 0x8000, size=20).astype(np.uint16)
    entries[5] |= 0x8000
    idx = rng.integers(0, 20, size=(3, 7)).astype(np.uint8)
    table = np.concatenate([expand555(entries.astype(np.int32)),
                            np.where(entries >= 0x8000, 255, 0).astype(np.uint8)[:, None]], -1)
    body = tga_header(0, 1, 1, 20, 16, 7, 3, 8, 0x20) + entries.astype("<u2").tobytes() + idx.tobytes()
    add("tga_map16_no_footer.tga", body, with_alpha(table[idx], 255), seed=True)
    add("tga_map16_attributes3.tga", body + extension_area(3) + tga_footer(len(body)), table[idx])
    # 32-bit entries, run-length indices.
    entries32 = rng.integers(0, 256, size=(10, 4)).astype(np.uint8)
    idx = rng.integers(0, 10, size=(4, 6)).astype(np.uint8)
    idx[1, 3:] = 7
    idx[2, :2] = 7
    body = tga_header(0, 1, 9, 10, 32, 6, 4, 8, 0) + entries32.tobytes() + rle_encode(idx[::-1].tobytes(), 1)
    add("tga_map32_rle.tga", body, with_alpha(entries32[idx], 255))
    add("tga_map32_rle_attributes3.tga", body + extension_area(3) + tga_footer(len(body)), entries32[idx])

    # Grey run-length with a run crossing the row end.
    grey = rng.integers(0, 256, size=(3, 5)).astype(np.uint8)
    grey[0, 3:] = 99
    grey[1, :3] = 99
    data = tga_header(0, 0, 11, 0, 0, 5, 3, 8, 0x20) + bytes([2]) + grey[0, :3].tobytes() + bytes([0x84, 99]) + \
        bytes([6]) + grey[1, 3:].tobytes() + grey[2].tobytes()
    bgra = np.stack([grey, grey, grey, np.full_like(grey, 255)], -1)
    add("tga_grey_rle_run_across_rows.tga", data, bgra, seed=True)

    # Refused: an unknown depth, a colour-mapped file without a map, a map
    # above 256 entries, 8-bit true colour, data ending early, a run-length
    # file whose packets stop short.
    add("tga_depth_15.tga", tga_header(0, 0, 2, 0, 0, 2, 2, 15, 0) + bytes(8), None)
    add("tga_mapped_without_map.tga", tga_header(0, 0, 1, 0, 0, 2, 2, 8, 0) + bytes(4), None)
    add("tga_map_257.tga", tga_header(0, 1, 1, 257, 24, 2, 2, 8, 0) + bytes(257 * 3 + 4), None)
    add("tga_truecolour_8bit.tga", tga_header(0, 0, 2, 0, 0, 2, 2, 8, 0) + bytes(4), None)
    add("tga_grey_with_map.tga", tga_header(0, 1, 3, 2, 24, 2, 2, 8, 0) + bytes(6 + 4), None)
    add("tga_short.tga", tga_header(0, 0, 2, 0, 0, 4, 4, 24, 0) + bytes(47), None)
    add("tga_rle_short.tga", tga_header(0, 0, 10, 0, 0, 4, 4, 24, 0) + bytes([0x85, 1, 2, 3]), None)


# ---------------------------------------------------------------- JPEG

def jpeg_cases():
    rgba = rgba_pattern(37, 23)
    im = Image.fromarray(rgba[..., :3], "RGB")
    variants = [
        ("jpg_q75_420.jpg", im, dict(quality=75)),
        ("jpg_q90_444.jpg", im, dict(quality=90, subsampling=0)),
        ("jpg_q60_422.jpg", im, dict(quality=60, subsampling=1)),
        ("jpg_progressive.jpg", im, dict(quality=80, progressive=True)),
        ("jpg_optimised.jpg", im, dict(quality=75, optimize=True)),
        ("jpg_restart.jpg", im, dict(quality=75, restart_marker_blocks=2)),
        ("jpg_grey.jpg", im.convert("L"), dict(quality=75)),
        ("jpg_1x1.jpg", Image.fromarray(rgba[:1, :1, :3], "RGB"), dict(quality=75)),
        ("jpg_odd_1x17.jpg", Image.fromarray(rgba[:17, :1, :3], "RGB"), dict(quality=75)),
    ]
    for name, picture, options in variants:
        data = pil_save(picture, "JPEG", **options)
        add(name, data, to_bgra(pil_rgba(data)), seed=name in ("jpg_q75_420.jpg", "jpg_progressive.jpg",
                                                                "jpg_grey.jpg"))

    # Four components: the samples as stored become blue, green, red, alpha.
    # PIL writes and reads them inverted (Adobe), so the stored samples are 255 - PIL's.
    cmyk = im.convert("CMYK")
    data = pil_save(cmyk, "JPEG", quality=90)
    im4 = Image.open(io.BytesIO(data))
    stored = 255 - np.asarray(im4)
    add("jpg_cmyk.jpg", data, stored, seed=True)

    # Cut off after part of its scan: the rest is what libjpeg makes after an
    # end-of-image marker, which PIL shows when given that marker itself.
    whole = pil_save(Image.fromarray(rgba_pattern(64, 48)[..., :3], "RGB"), "JPEG", quality=75)
    scan = whole.find(b"\xff\xda")
    cut = whole[:scan + (len(whole) - scan) * 2 // 5]
    add("jpg_truncated.jpg", cut, to_bgra(pil_rgba(cut + b"\xff\xd9")))

    add("jpg_header_only.jpg", whole[:20], None)
    add("jpg_garbage.jpg", b"\xff\xd8" + bytes(rng.integers(0, 256, 200, dtype=np.uint8)), None)


# ---------------------------------------------------------------- PNG

def png_chunk(kind, payload):
    return struct.pack(">I", len(payload)) + kind + payload + struct.pack(">I", zlib.crc32(kind + payload) & 0xFFFFFFFF)


ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def png_bytes(width, height, colour_type, bit_depth, samples, interlace=False, extra=()):
    """samples: h x w x channels integer array; rows are packed MSB first."""
    channels = samples.shape[2]

    def pack_row(row):
        if bit_depth == 16:
            return row.astype(">u2").tobytes()
        if bit_depth == 8:
            return row.astype(np.uint8).tobytes()
        flat = row.reshape(-1)
        return pack_indices(list(int(v) for v in flat), bit_depth)

    def raw(sub):
        return b"".join(b"\0" + pack_row(r) for r in sub)

    if interlace:
        data = b""
        for x0, y0, dx, dy in ADAM7:
            sub = samples[y0::dy, x0::dx]
            if sub.shape[0] and sub.shape[1]:
                data += raw(sub)
    else:
        data = raw(samples)
    assert channels >= 1
    ihdr = struct.pack(">IIBBBBB", width, height, bit_depth, colour_type, 0, 0, 1 if interlace else 0)
    body = png_chunk(b"IHDR", ihdr)
    for chunk in extra:
        body += chunk
    return b"\x89PNG\r\n\x1a\n" + body + png_chunk(b"IDAT", zlib.compress(data)) + png_chunk(b"IEND", b"")


def png_cases():
    rgba = rgba_pattern(19, 11)
    for mode in ("RGB", "RGBA", "L", "LA"):
        picture = Image.fromarray(rgba, "RGBA").convert(mode)
        data = pil_save(picture, "PNG")
        add(f"png_pil_{mode.lower()}.png", data, to_bgra(pil_rgba(data)), seed=(mode in ("RGBA", "L")))

    p = Image.fromarray(rgba[..., :3], "RGB").convert("P", palette=Image.ADAPTIVE, colors=40)
    data = pil_save(p, "PNG")
    add("png_pil_palette.png", data, to_bgra(pil_rgba(data)))
    transparency = bytes(int(v) for v in rng.integers(0, 256, 40))
    data = pil_save(p, "PNG", transparency=transparency)
    add("png_pil_palette_trns.png", data, to_bgra(pil_rgba(data)), seed=True)
    for bits in (1, 2, 4):
        q = Image.fromarray(rgba[..., :3], "RGB").convert("P", palette=Image.ADAPTIVE, colors=2 ** bits)
        data = pil_save(q, "PNG", bits=bits)
        add(f"png_pil_palette_{bits}bit.png", data, to_bgra(pil_rgba(data)))

    # Built by hand: depths and layouts PIL does not write.
    w, h = 10, 7
    for bits in (1, 2, 4):
        grey = rng.integers(0, 2 ** bits, size=(h, w, 1))
        data = png_bytes(w, h, 0, bits, grey)
        add(f"png_grey_{bits}bit.png", data, to_bgra(pil_rgba(data)))
    grey = rng.integers(0, 4, size=(h, w, 1))
    data = png_bytes(w, h, 0, 2, grey, extra=[png_chunk(b"tRNS", struct.pack(">H", 2))])
    expected = pil_rgba(data)
    add("png_grey_2bit_trns.png", data, to_bgra(with_alpha(expected, np.where(grey[..., 0] == 2, 0, 255))))

    rgb16 = rng.integers(0, 65536, size=(h, w, 3))
    data = png_bytes(w, h, 2, 16, rgb16)
    add("png_rgb_16.png", data, to_bgra(pil_rgba(data)), seed=True)
    rgba16 = rng.integers(0, 65536, size=(h, w, 4))
    data = png_bytes(w, h, 6, 16, rgba16)
    add("png_rgba_16.png", data, to_bgra(pil_rgba(data)))
    grey16 = rng.integers(0, 65536, size=(h, w, 1))
    data = png_bytes(w, h, 0, 16, grey16)
    g = (grey16[..., 0] >> 8).astype(np.uint8)
    add("png_grey_16.png", data, np.stack([g, g, g, np.full_like(g, 255)], -1))
    la16 = rng.integers(0, 65536, size=(h, w, 2))
    data = png_bytes(w, h, 4, 16, la16)
    add("png_grey_alpha_16.png", data, to_bgra(pil_rgba(data)))

    rgb = rgba[:h, :w, :3].astype(np.int64)
    key = rgb[3, 4]
    data = png_bytes(w, h, 2, 8, rgb, extra=[png_chunk(b"tRNS", struct.pack(">HHH", *key))])
    alpha = np.where((rgb == key).all(-1), 0, 255)
    add("png_rgb_trns.png", data, to_bgra(with_alpha(pil_rgba(data), alpha)))

    for name, samples, colour_type in (("rgba", rgba.astype(np.int64), 6), ("grey", rgba[..., :1].astype(np.int64), 0)):
        data = png_bytes(rgba.shape[1], rgba.shape[0], colour_type, 8, samples, interlace=True)
        add(f"png_interlaced_{name}.png", data, to_bgra(pil_rgba(data)), seed=(name == "rgba"))

    # Gamma: an sRGB chunk or a gAMA of 1/2.2 leaves samples alone; a linear
    # gAMA (1.0) is corrected for a 2.2 screen.
    rgb8 = rgba[..., :3].astype(np.int64)
    h8, w8 = rgb8.shape[:2]
    for name, chunk in (("srgb", png_chunk(b"sRGB", b"\0")), ("gama045", png_chunk(b"gAMA", struct.pack(">I", 45455)))):
        data = png_bytes(w8, h8, 2, 8, rgb8, extra=[chunk])
        add(f"png_{name}.png", data, to_bgra(pil_rgba(data)))
    data = png_bytes(w8, h8, 2, 8, rgb8, extra=[png_chunk(b"gAMA", struct.pack(">I", 100000))])
    corrected = np.floor(255.0 * (rgb8 / 255.0) ** (1 / 2.2) + 0.5).astype(np.uint8)
    add("png_gama_linear.png", data, to_bgra(np.concatenate([corrected, np.full((h8, w8, 1), 255, np.uint8)], -1)), 1)

    whole = pil_save(Image.fromarray(rgba, "RGBA"), "PNG")
    add("png_cut_in_chunk.png", whole[:len(whole) - 30], None)
    add("png_no_iend.png", whole[:-12], None)
    broken = bytearray(whole)
    broken[20] ^= 0x40  # the header's checksum no longer matches
    add("png_bad_crc.png", bytes(broken), None)


def main():
    os.makedirs(OUT, exist_ok=True)
    os.makedirs(SEEDS, exist_ok=True)
    bmp_cases()
    tga_cases()
    jpeg_cases()
    png_cases()
    with open(os.path.join(OUT, "manifest.txt"), "w") as f:
        f.write("\n".join(manifest) + "\n")


if __name__ == "__main__":
    main()
