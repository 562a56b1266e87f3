"""Writes cells.tsv, the measurement grid the file test saves, from expected_cells."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import expected_cells  # noqa: E402

with open("cells.tsv", "w", encoding="utf-8", newline="\n") as f:
    for row, col, kind, value in expected_cells.measurement_cells():
        text = repr(value) if kind == "d" else str(value)
        assert "\t" not in text and "\n" not in text
        f.write("%d\t%d\t%s\t%s\n" % (row, col, kind, text))
for name in ("measurement.xls", "small.xls", "big.xls", "sizes.txt"):
    if os.path.exists(name):
        os.remove(name)
