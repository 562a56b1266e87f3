"""Reads the written workbooks with xlrd (formatting on) and compares every cell with the fixture."""
import io
import os
import sys

import xlrd

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import expected_cells as E  # noqa: E402

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def open_book(name):
    log = io.StringIO()
    book = xlrd.open_workbook(name, formatting_info=True, logfile=log, verbosity=0)
    check(book.biff_version == 80, "%s: BIFF version %s" % (name, book.biff_version))
    return book, log


def font_of(book, cell):
    return book.font_list[book.xf_list[cell.xf_index].font_index]


def check_measurement():
    book, log = open_book("measurement.xls")
    sheet = book.sheet_by_index(0)
    check(sheet.name == "Sheet1", "sheet name %r" % sheet.name)
    grid = E.expected_grid(E.measurement_cells())
    check((sheet.nrows, sheet.ncols) == (len(grid), len(grid[0])), "grid %dx%d" % (sheet.nrows, sheet.ncols))
    for r, row in enumerate(grid):
        for c, expected in enumerate(row):
            cell = sheet.cell(r, c)
            where = "measurement.xls R%dC%d" % (r, c)
            if expected is None:
                check(cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK), "%s: not blank: %r" % (where, cell))
                continue
            kind, value = expected
            if kind in "hwn":
                check(cell.ctype == xlrd.XL_CELL_TEXT, "%s: type %d" % (where, cell.ctype))
                check(cell.value == value, "%s: text differs (%d chars read, %d expected)" % (where, len(cell.value), len(value)))
            else:
                check(cell.ctype == xlrd.XL_CELL_NUMBER, "%s: type %d" % (where, cell.ctype))
                check(cell.value == float(value), "%s: %r read, %r expected" % (where, cell.value, value))
            font = font_of(book, cell)
            check(font.name == "Arial", "%s: font %r" % (where, font.name))
            check(bool(font.bold) == (kind == "h"), "%s: bold %r" % (where, font.bold))
            if kind == "h":
                check(font.weight == 700, "%s: weight %d" % (where, font.weight))
    check(log.getvalue() == "", "xlrd log of measurement.xls: %r" % log.getvalue()[:2000])


def check_small():
    book, log = open_book("small.xls")
    check(book.sheet_names() == ["Sheet1", "Sheet2"], "small.xls sheets %r" % book.sheet_names())
    check(book.sheet_by_index(0).cell_value(0, 0) == "small", "small.xls A1")
    check(book.sheet_by_index(0).cell_value(1, 1) == 42.0, "small.xls B2")
    check(book.sheet_by_index(1).cell_value(2, 0) == "second sheet", "small.xls Sheet2 A3")
    check(log.getvalue() == "", "xlrd log of small.xls: %r" % log.getvalue()[:2000])


def check_big():
    book, log = open_book("big.xls")
    sheet = book.sheet_by_index(0)
    check((sheet.nrows, sheet.ncols) == (E.BIG_ROWS, E.BIG_COLUMNS), "big.xls grid %dx%d" % (sheet.nrows, sheet.ncols))
    wrong = 0
    for r in range(min(sheet.nrows, E.BIG_ROWS)):
        values = sheet.row_values(r)
        for c in range(E.BIG_COLUMNS):
            if c >= len(values) or values[c] != E.big_text(r, c):
                wrong += 1
                if wrong < 5:
                    failures.append("big.xls R%dC%d: %r" % (r, c, values[c] if c < len(values) else None))
    check(wrong == 0, "big.xls: %d cells differ" % wrong)
    check(log.getvalue() == "", "xlrd log of big.xls: %r" % log.getvalue()[:2000])


check_measurement()
check_small()
check_big()
for f in failures:
    print("FAIL:", f)
sys.exit(1 if failures else 0)
