"""Reads the compound documents with olefile: one Workbook stream of the computed size, whose
records end exactly at its end and whose stored positions point at the records they name."""
import os
import struct
import sys

import olefile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import expected_cells as E  # noqa: E402

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def records(data):
    pos, out = 0, []
    while pos + 4 <= len(data):
        code, length = struct.unpack_from("<HH", data, pos)
        out.append((pos, code, data[pos + 4:pos + 4 + length]))
        pos += 4 + length
    return out, pos


def check_positions(name, data):
    recs, end = records(data)
    check(end == len(data), "%s: records end at %d of %d" % (name, end, len(data)))
    check(recs and recs[-1][1] == 0x000A, "%s: last record is not EOF" % name)
    at = {pos: code for pos, code, _ in recs}
    sheets = [struct.unpack_from("<I", body)[0] for _, code, body in recs if code == 0x0085]
    check(len(sheets) >= 1, "%s: no BOUNDSHEET" % name)
    for p in sheets:
        check(at.get(p) == 0x0809, "%s: BOUNDSHEET position %d is no BOF" % (name, p))
        bof = next(body for pos, code, body in recs if pos == p)
        check(struct.unpack_from("<H", bof, 2)[0] == 0x0010, "%s: BOF at %d is not a worksheet" % (name, p))
    for pos, code, body in recs:
        if code == 0x020B:
            first, last = struct.unpack_from("<II", body, 4)
            blocks = [struct.unpack_from("<I", body, 16 + 4 * i)[0] for i in range((len(body) - 16) // 4)]
            check(len(blocks) == (last - first + 31) // 32, "%s: INDEX has %d blocks for rows %d-%d" % (name, len(blocks), first, last))
            for b in blocks:
                check(at.get(b) == 0x00D7, "%s: INDEX position %d is no DBCELL" % (name, b))
                if at.get(b) == 0x00D7:
                    dbcell = next(body2 for pos2, code2, body2 in recs if pos2 == b)
                    distance = struct.unpack_from("<I", dbcell)[0]
                    check(at.get(b - distance) == 0x0208, "%s: DBCELL at %d does not lead back to a ROW" % (name, b))


sizes = E.read_sizes()
check(set(sizes) == {"measurement.xls", "small.xls", "big.xls"}, "sizes.txt lists %r" % sorted(sizes))
for name, expected in sorted(sizes.items()):
    ole = olefile.OleFileIO(name, raise_defects=olefile.DEFECT_INCORRECT)
    check(ole.listdir(streams=True, storages=True) == [["Workbook"]], "%s: entries %r" % (name, ole.listdir()))
    size = ole.get_size("Workbook")
    check(size == expected, "%s: Workbook stream is %d bytes, computed %d" % (name, size, expected))
    in_mini = size < ole.minisectorcutoff
    if name == "small.xls":
        check(in_mini, "small.xls: %d bytes is not below the mini-stream cut-off" % size)
        check(ole.root.size >= size, "small.xls: mini stream of %d bytes cannot hold %d" % (ole.root.size, size))
    else:
        check(not in_mini, "%s: %d bytes should be in regular sectors" % (name, size))
    data = ole.openstream("Workbook").read()
    check(len(data) == size, "%s: read %d of %d bytes" % (name, len(data), size))
    check_positions(name, data)
    ole.close()

for f in failures:
    print("FAIL:", f)
sys.exit(1 if failures else 0)
