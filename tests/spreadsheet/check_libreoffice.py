"""Converts the workbooks to CSV with LibreOffice headless and compares the grid with the fixture."""
import csv
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import expected_cells as E  # noqa: E402

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def convert(names, outdir):
    profile = tempfile.mkdtemp(prefix="lo-profile-")
    try:
        # UTF-8, comma, double quote, raw values rather than formatted ones.
        target = "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false"
        subprocess.run(["soffice", "-env:UserInstallation=file://" + profile, "--headless", "--norestore",
                        "--convert-to", target, "--outdir", outdir] + names,
                       check=True, timeout=600, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    finally:
        shutil.rmtree(profile, ignore_errors=True)


def rows_of(path):
    with open(path, encoding="utf-8", newline="") as f:
        return list(csv.reader(f))


outdir = tempfile.mkdtemp(prefix="lo-csv-")
try:
    convert(["measurement.xls", "big.xls"], outdir)
    rows = rows_of(os.path.join(outdir, "measurement.csv"))
    grid = E.expected_grid(E.measurement_cells())
    check(len(rows) == len(grid), "measurement: %d rows, %d expected" % (len(rows), len(grid)))
    for r, expected_row in enumerate(grid):
        row = rows[r] if r < len(rows) else []
        for c, expected in enumerate(expected_row):
            got = row[c] if c < len(row) else ""
            where = "measurement R%dC%d" % (r, c)
            if expected is None:
                check(got == "", "%s: %r instead of blank" % (where, got[:40]))
            elif expected[0] in "hwn":
                check(got == expected[1], "%s: text differs (%d chars, %d expected)" % (where, len(got), len(expected[1])))
            else:
                try:
                    check(float(got) == float(expected[1]), "%s: %r, expected %r" % (where, got, expected[1]))
                except ValueError:
                    check(False, "%s: %r is no number" % (where, got))

    big = rows_of(os.path.join(outdir, "big.csv"))
    check(len(big) == E.BIG_ROWS, "big: %d rows" % len(big))
    wrong = sum(1 for r, row in enumerate(big[:E.BIG_ROWS])
                for c in range(E.BIG_COLUMNS) if (row[c] if c < len(row) else None) != E.big_text(r, c))
    check(wrong == 0, "big: %d cells differ" % wrong)
finally:
    shutil.rmtree(outdir, ignore_errors=True)

for f in failures:
    print("FAIL:", f)
sys.exit(1 if failures else 0)
