#!/usr/bin/env python3
"""Writes the program's two help documents, one page each:
"Measure EN.pdf" (English) and "Measure CHS.pdf" (Simplified Chinese, in the
viewer's own Song face, which PDF readers supply for the Adobe-GB1 fonts).
"""
import os
import sys

EN = [
    ("F2", 16, "Mensaro Help"),
    ("F1", 11, "Open pictures with File > Open or drop them on the window."),
    ("F1", 11, "Choose a tool in the palette and draw on the picture to measure it."),
    ("F1", 11, "F9 starts or pauses the camera, F11 stops it, F12 takes a snapshot, F2 records."),
    ("F1", 11, "File > Save keeps the picture with its measurements."),
]
CHS = [
    ("F3", 16, "Mensaro \u5e2e\u52a9"),
    ("F3", 11, "\u7528\u201c\u6587\u4ef6 > \u6253\u5f00\u201d\u6253\u5f00\u56fe\u7247\uff0c\u6216\u628a\u56fe\u7247\u62d6\u5230\u7a97\u53e3\u4e0a\u3002"),
    ("F3", 11, "\u5728\u5de5\u5177\u680f\u9009\u62e9\u5de5\u5177\uff0c\u5728\u56fe\u7247\u4e0a\u753b\u51fa\u6d4b\u91cf\u3002"),
    ("F3", 11, "F9 \u5f00\u59cb\u6216\u6682\u505c\u6444\u50cf\u5934\uff0cF11 \u505c\u6b62\uff0cF12 \u62cd\u7167\uff0cF2 \u5f55\u50cf\u3002"),
]

FONTS = (
    b"<< /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"
    b" /F2 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold /Encoding /WinAnsiEncoding >>"
    b" /F3 6 0 R >>"
)
SONG = (
    b"<< /Type /Font /Subtype /Type0 /BaseFont /STSong-Light /Encoding /UniGB-UCS2-H"
    b" /DescendantFonts [<< /Type /Font /Subtype /CIDFontType0 /BaseFont /STSong-Light"
    b" /CIDSystemInfo << /Registry (Adobe) /Ordering (GB1) /Supplement 2 >>"
    b" /FontDescriptor << /Type /FontDescriptor /FontName /STSong-Light /Flags 6"
    b" /FontBBox [-25 -254 1000 880] /ItalicAngle 0 /Ascent 880 /Descent -120 /CapHeight 880 /StemV 93 >>"
    b" /DW 1000 >>] >>"
)


def text_operand(font, text):
    if font == "F3":
        # UCS-2 big-endian codes as a hex string.
        return b"<" + text.encode("utf-16-be").hex().upper().encode() + b">"
    escaped = text.replace("\\", "\\\\").replace("(", "\\(").replace(")", "\\)")
    return b"(" + escaped.encode("cp1252") + b")"


def page_content(lines):
    out = [b"BT"]
    y = 780
    for font, size, text in lines:
        out.append(b"/%s %d Tf 1 0 0 1 56 %d Tm %s Tj" % (font.encode(), size, y, text_operand(font, text)))
        y -= 28 if size > 12 else 18
    out.append(b"ET")
    return b"\n".join(out) + b"\n"


def pdf(lines):
    content = page_content(lines)
    objects = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font 5 0 R >> /Contents 4 0 R >>",
        b"<< /Length %d >>\nstream\n" % len(content) + content + b"endstream",
        FONTS,
        SONG,
    ]
    data = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(data))
        data += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(data)
    data += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for offset in offsets:
        data += b"%010d 00000 n \n" % offset
    data += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    return bytes(data)


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for name, lines in (("Measure EN.pdf", EN), ("Measure CHS.pdf", CHS)):
        with open(os.path.join(folder, name), "wb") as out:
            out.write(pdf(lines))


if __name__ == "__main__":
    main()
