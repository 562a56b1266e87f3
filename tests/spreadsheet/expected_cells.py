"""The cells the file test writes and the checkers expect, shared by the fixture and the checkers."""

BIG_ROWS = 65536
BIG_COLUMNS = 8


def big_text(row, col):
    return "R%d C%d" % (row, col)


def _long_pairs(prefix):
    return "a" * prefix + "\U0001F600" * 3000


def measurement_cells():
    """(row, col, kind, value): h header (bold), w wide text, n 8-bit text, i integer, d double."""
    cells = [
        (0, 0, "h", "Name"),
        (0, 1, "h", "Value"),
        (1, 0, "w", "Line 1"),
        (1, 1, "w", "12.345 cm"),
        (2, 0, "w", "Angle 1"),
        (2, 1, "w", "45.000\u00b0"),
        (3, 0, "w", "Area 1"),
        (3, 1, "w", "3.142 cm\u00b2"),
        (4, 0, "w", "\u957f\u5ea6 \u6d4b\u91cf"),
        (4, 1, "w", "\u5186 \u03bcm \u00c5ngstr\u00f6m"),
        (5, 0, "w", "\U0001D6FC outside the basic plane \U0001F600"),
        (5, 1, "w", 'quote " and comma , inside'),
        (6, 0, "n", "plain 8-bit text"),
        (7, 0, "w", "long wide " + "\u00b5m " * 3000),
        (7, 1, "n", "long narrow " + "x" * 9000),
        (8, 0, "w", _long_pairs(0)),
        (8, 1, "w", _long_pairs(1)),
        (9, 0, "w", _long_pairs(2)),
        (9, 1, "w", _long_pairs(3)),
        (10, 0, "w", "over the count limit " + "z" * 40000),
        (11, 0, "i", 5),
        (11, 1, "i", 7),
        (12, 0, "i", 1073741824),
        (12, 1, "i", -536870913),
        (13, 0, "d", 12345.67),
        (13, 1, "d", 3.0),
        (14, 0, "d", 2.5),
        (14, 1, "d", 0.125),
        (15, 0, "d", 123456789.123),
        (15, 1, "d", -1e-300),
        # Row 16 holds one text cell in column 1 only; column 0 stays blank.
        (16, 1, "w", "after a blank"),
    ]
    return cells


def stored_text(value):
    """A text cell keeps at most 32767 UTF-16 units and never half a surrogate pair."""
    units = value.encode("utf-16-le")
    if len(units) <= 2 * 32767:
        return value
    cut = units[: 2 * 32767]
    last = int.from_bytes(cut[-2:], "little")
    if 0xD800 <= last <= 0xDBFF:
        cut = cut[:-2]
    return cut.decode("utf-16-le")


def expected_grid(cells):
    rows = max(r for r, _, _, _ in cells) + 1
    cols = max(c for _, c, _, _ in cells) + 1
    grid = [[None] * cols for _ in range(rows)]
    for r, c, kind, value in cells:
        grid[r][c] = (kind, stored_text(value) if kind in "hwn" else value)
    return grid


def read_sizes(path="sizes.txt"):
    sizes = {}
    with open(path, encoding="ascii") as f:
        for line in f:
            name, size = line.split()
            sizes[name] = int(size)
    return sizes
