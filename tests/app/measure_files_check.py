"""Reads what the measurement-file tests wrote, with readers of their own.

measure_saved.prj (Measure > Save, project filter) through the format's
parser: the fixture's calibration and figures. measure_p5.xls through xlrd
(and LibreOffice when installed): the header with 5 decimals in bold Arial on
its two cells only, one row per named figure (clip-art, text and the unnamed
line left out), the value texts of the text report measure_p5.txt, and the
report's vertices cut toward zero. measure_bare.xls: the two header cells.
"""
import csv
import io
import math
import os
import shutil
import subprocess
import sys
import tempfile

import xlrd

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "engine"))
import prj_format as prj  # noqa: E402

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


# --- the project file ---------------------------------------------------------
with open("measure_fixture.prj", "rb") as f:
    _, source = prj.parse_file(f.read())
with open("measure_saved.prj", "rb") as f:
    bmp, saved = prj.parse_file(f.read())
check(bmp["width"] == 600 and abs(bmp["height"]) == 400, "saved picture %r" % ((bmp["width"], bmp["height"]),))
check(saved["unit"] == "cm" and saved["scale"] == 0.1 and saved["power"] == 1.0,
      "saved calibration %r" % ((saved["unit"], saved["scale"], saved["power"]),))
check([(g["type"], g["name"]) for g in saved["figures"]] == [(g["type"], g["name"]) for g in source["figures"]],
      "saved figures %r" % [(g["type"], g["name"]) for g in saved["figures"]])
for a, b in zip(saved["figures"], source["figures"]):
    check(a["vertices"] == b["vertices"], "%s: vertices %r, stored %r" % (b["name"], a["vertices"], b["vertices"]))

# --- the report beside the workbook ---------------------------------------------
with open("measure_p5.txt", "rb") as f:
    raw = f.read()
check(raw[:2] == b"\xff\xfe", "report without byte-order mark")
text = raw[2:].decode("utf-16-le")
blocks = [b for b in text.split("\r\n\r\n")[1:] if b.strip("\r\n")]
expected_rows = []
for block in blocks:
    lines = block.strip("\r\n").split("\r\n")
    name, value, vertices = lines[0], lines[1], lines[2:]
    cells = [name, value]
    for line in vertices:
        number, rest = line.split(": ", 1)
        x, y = rest.strip("()").split(", ")
        cells.append("%s: (%d, %d)" % (number, math.trunc(float(x)), math.trunc(float(y))))
    expected_rows.append(cells)
check([r[0] for r in expected_rows] == ["#1 length", "#5 angle"], "report names %r" % [r[0] for r in expected_rows])
check(expected_rows and expected_rows[0][2] == "1: (-2, 1)", "-2.7 cut toward zero: %r" % expected_rows[:1])


# --- the workbooks ----------------------------------------------------------------
def grid_of(sheet):
    return [[sheet.cell_value(r, c) for c in range(sheet.ncols)] for r in range(sheet.nrows)]


def strip(rows):
    return [[c for c in row if c != ""] for row in rows]


book = xlrd.open_workbook("measure_p5.xls", formatting_info=True)
sheet = book.sheet_by_index(0)
grid = grid_of(sheet)
header = ["Scale: 0.10000", "Magnification: 1.00000"]
check(strip(grid) == [header] + expected_rows, "workbook grid %r" % grid)
for r in range(sheet.nrows):
    for c in range(sheet.ncols):
        cell = sheet.cell(r, c)
        if cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
            continue
        check(cell.ctype == xlrd.XL_CELL_TEXT, "R%dC%d not text" % (r, c))
        font = book.font_list[book.xf_list[cell.xf_index].font_index]
        if r == 0 and c < 2:
            check(font.bold and font.name == "Arial" and font.height == 200, "header R0C%d font %r" % (c, font.name))
        else:
            check(not font.bold, "R%dC%d is bold" % (r, c))

bare = grid_of(xlrd.open_workbook("measure_bare.xls").sheet_by_index(0))
check(bare == [["Scale: 1.000", "Magnification: 1.000"]], "bare workbook (precision 3) %r" % bare)

# --- LibreOffice reads the same grid ----------------------------------------------
if shutil.which("soffice"):
    profile = tempfile.mkdtemp(prefix="lo-profile-")
    outdir = tempfile.mkdtemp(prefix="lo-csv-")
    try:
        target = "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false"
        subprocess.run(["soffice", "-env:UserInstallation=file://" + profile, "--headless", "--norestore",
                        "--convert-to", target, "--outdir", outdir, "measure_p5.xls"],
                       check=True, timeout=600, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(os.path.join(outdir, "measure_p5.csv"), encoding="utf-8", newline="") as f:
            rows = list(csv.reader(f))
        check(strip(rows) == [header] + expected_rows, "LibreOffice grid %r" % rows)
    finally:
        shutil.rmtree(profile, ignore_errors=True)
        shutil.rmtree(outdir, ignore_errors=True)
else:
    print("soffice not installed: the LibreOffice reading is left out")

for f in failures:
    print("FAIL:", f)
sys.exit(1 if failures else 0)
