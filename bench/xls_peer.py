#!/usr/bin/python3
"""The peer of xls_bench, natively with xlwt, and the check that both
workbooks hold the same cells.

  xls_peer.py write PATH    writes the 65,536 x 8 text workbook, prints its figures
  xls_peer.py compare A B   exits non-zero unless A and B hold the same cells,
                            their strings stored as 16-bit characters
"""
import resource
import struct
import sys
import time

import olefile
import xlrd
import xlwt
from xlwt import BIFFRecords

ROWS, COLUMNS = 65536, 8


def wide_string(s, encoding="ascii"):
    # xlwt stores Latin-1 text as 8-bit characters; ours stores 16-bit ones,
    # so the peer does too, to write the same bytes.
    text = s if isinstance(s, str) else s.decode(encoding)
    data = text.encode("utf_16_le")
    if len(data) // 2 > 32767:
        raise ValueError("string longer than 32767 characters")
    return struct.pack("<HB", len(data) // 2, 1) + data


def write(path):
    BIFFRecords.upack2 = wide_string
    start = time.perf_counter()
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("Sheet1")
    for r in range(ROWS):
        row = sheet.row(r)
        for c in range(COLUMNS):
            row.write(c, "R%d C%d" % (r, c))
    book.save(path)
    elapsed = time.perf_counter() - start
    print("xlwt_write_time: %.3f s" % elapsed)
    print("xlwt_peak_rss: %.1f MiB" % (resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024.0))


def first_string_flags(path):
    """The option byte of the first string in the shared string table."""
    stream = olefile.OleFileIO(path).openstream("Workbook").read()
    at = 0
    while at + 4 <= len(stream):
        kind, size = struct.unpack_from("<HH", stream, at)
        if kind == 0x00FC:  # SST: total, unique, then the strings
            return stream[at + 4 + 8 + 2]
        at += 4 + size
    return None


def compare(a, b):
    problems = []
    for path in (a, b):
        flags = first_string_flags(path)
        if flags is None or flags & 1 == 0:
            problems.append("%s: strings not stored as 16-bit characters" % path)
    books = [xlrd.open_workbook(p) for p in (a, b)]
    sheets = [book.sheet_by_index(0) for book in books]
    shapes = [(s.nrows, s.ncols) for s in sheets]
    if shapes[0] != shapes[1] or shapes[0] != (ROWS, COLUMNS):
        problems.append("sizes differ: %s" % shapes)
    else:
        for r in range(ROWS):
            one, two = sheets[0].row(r), sheets[1].row(r)
            if [(c.ctype, c.value) for c in one] != [(c.ctype, c.value) for c in two]:
                problems.append("row %d differs: %s against %s" % (r, one, two))
                break
    for p in problems:
        print("xls_peer: error: " + p, file=sys.stderr)
    return 1 if problems else 0


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "write":
        write(sys.argv[2])
        return 0
    if len(sys.argv) == 4 and sys.argv[1] == "compare":
        return compare(sys.argv[2], sys.argv[3])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main())
