#!/usr/bin/env python3
"""The whole program as a user drives it, under Wine and Xvfb: open a picture,
actual size, calibrate, draw one figure of each type, export, save the
project, undo and redo, save the annotated picture, remove all, load the
project back, exit. The mouse and the keys are real input (xdotool, the
driver's SendInput); menu commands are posted as the menu posts them.
Every step leaves a screenshot in the working folder. The files the program
writes are read back by readers of their own: numpy/scipy models of the
figures, xlrd, LibreOffice, PIL and the project parser of the engine tests."""
import math
import os
import re
import shutil
import subprocess
import sys
import time

import numpy as np
from PIL import Image

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "engine"))
import prj_format  # noqa: E402

program, driver, wine_sh = sys.argv[1], sys.argv[2], sys.argv[3]
work = os.getcwd()
KEY = r"HKCU\Software\Quorvex\Mensaro"
failures = []
skipped = []
shot_number = [0]

# Menu commands, as the menu posts them.
FILE_SAVE_AS, FILE_EXIT = 0xE104, 0xE141
MEASURE_LOAD, MEASURE_SAVE, EDIT_REMOVE_ALL = 0x8013, 0x8012, 0x802A
VK_CONTROL, VK_Z, VK_Y, VK_O = 17, 0x5A, 0x59, 0x4F
# Tool palette buttons by their command id.
TOOLS = {1: 12, 2: 11, 3: 11, 4: 14, 5: 13, 6: 15, 7: 16, 8: 17, 9: 18, 10: 19, 11: 20, 12: 22, 13: 21}


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)
        keep_failure()
    return condition


def keep_failure():
    """While the program runs, a failure keeps its window list and a screenshot."""
    running = globals().get("process")
    if running is None or running.poll() is not None:
        return
    number = len(failures)
    with open(os.path.join(work, "failure%02d_windows.txt" % number), "w", encoding="utf-8") as f:
        f.write(drive("windows")[1])
    screenshot("failure%02d" % number)


def skip(what):
    print("skip " + what, flush=True)
    skipped.append(what)


def wine(*args, timeout=60):
    return subprocess.run([wine_sh, "run", *args], capture_output=True, text=True, timeout=timeout)


def drive(*args, timeout=60):
    result = subprocess.run([wine_sh, "run", driver, *args], capture_output=True, timeout=timeout)
    return result.returncode, result.stdout.decode("utf-8", "replace")


def xdo(*args):
    subprocess.run(["xdotool", *map(str, args)], timeout=20)


canvas_place = {}


def canvas_capture(path):
    """The canvas's own picture: Wine draws Direct3D into an X window of the
    canvas's size away from the screen, which a capture of the root misses."""
    size = canvas_place.get("size")
    if not size:
        return None
    tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True, timeout=20).stdout
    for line in tree.splitlines():
        m = re.match(r"\s*(0x[0-9a-f]+) \(has no name\): \(\)\s+(\d+)x(\d+)\+", line)
        if m and (int(m.group(2)), int(m.group(3))) == size:
            subprocess.run(["import", "-display", os.environ["DISPLAY"], "-window", m.group(1), path], timeout=30)
            return path if os.path.exists(path) else None
    return None


def screenshot(name):
    """The screen with the canvas's picture pasted where the canvas is."""
    shot_number[0] += 1
    path = os.path.join(work, "step%02d_%s.png" % (shot_number[0], name))
    subprocess.run(["import", "-display", os.environ["DISPLAY"], "-window", "root", path], timeout=30)
    inner = canvas_capture(os.path.join(work, "canvas.png"))
    if inner and os.path.exists(path):
        screen = Image.open(path).convert("RGB")
        screen.paste(Image.open(inner).convert("RGB"), canvas_place["at"])
        screen.save(path)
    return path


def winpath(path):
    return "Z:" + path.replace("/", "\\")


class Window:
    def __init__(self, line):
        head, _, self.text = line.partition("|")
        fields = head.split(" ")
        self.hwnd, self.parent = fields[0], fields[1]
        self.id, self.visible = int(fields[2]), fields[3] == "1"
        self.rect = tuple(int(v) for v in fields[4:8])
        self.cls = " ".join(fields[8:])

    def centre(self):
        return ((self.rect[0] + self.rect[2]) // 2, (self.rect[1] + self.rect[3]) // 2)


def windows():
    code, out = drive("windows")
    return [Window(line) for line in out.splitlines() if "|" in line]


def children(all_windows, parent, wid=None):
    return [w for w in all_windows if w.parent == parent.hwnd and (wid is None or w.id == wid)]


def only(found, what):
    if not found:
        raise LookupError(what)
    return found[0]


def find_class(all_windows, cls):
    return only([w for w in all_windows if w.cls == cls], cls)


def out_of_the_way():
    # Accelerators send no command while a window holds the mouse capture,
    # and the canvas and the buttons hold it while the pointer is over them.
    # A move outside the program's windows reaches none of them: rest on the
    # empty foot of the tool palette instead.
    palette = [w for w in windows() if w.cls == "MensaroMainFrame"]
    if palette:
        frame = palette[0].rect
        xdo("mousemove", "--sync", frame[0] + 30, frame[3] - 40)
    time.sleep(0.3)


def keys(chord):
    out_of_the_way()
    drive("front")
    drive("chord", chord)
    time.sleep(0.7)


def command(cid):
    drive("command", str(cid))


def answer_file(path, index=0):
    code, out = drive("file", "20000", winpath(path), str(index))
    return code == 0


def wait_file(path, seconds=20):
    deadline = time.monotonic() + seconds
    last = -1
    while time.monotonic() < deadline:
        if os.path.exists(path):
            size = os.path.getsize(path)
            if size == last and size > 0:
                return True
            last = size
        time.sleep(0.3)
    return os.path.exists(path)


def click_window(w):
    x, y = w.centre()
    xdo("mousemove", "--sync", x, y)
    xdo("click", 1)
    time.sleep(0.4)




# --- the picture -------------------------------------------------------------
# A smooth gradient with a marker in each corner: red top left, green top
# right, blue bottom left, yellow bottom right (12 x 12 pixels each).
W, H = 600, 440
MARK = 12
yy, xx = np.mgrid[0:H, 0:W]
picture = np.dstack([60 + xx * 120 // W, 70 + yy * 120 // H, 150 - (xx + yy) * 60 // (W + H)]).astype(np.uint8)
corners = {"tl": (0, 0, (255, 0, 0)), "tr": (W - MARK, 0, (0, 255, 0)), "bl": (0, H - MARK, (0, 0, 255)),
           "br": (W - MARK, H - MARK, (255, 255, 0))}
for x0, y0, colour in corners.values():
    picture[y0:y0 + MARK, x0:x0 + MARK] = colour
pictures = os.path.join(work, "pictures")
shutil.rmtree(pictures, ignore_errors=True)
os.makedirs(pictures)
source = os.path.join(pictures, "plate.bmp")
Image.fromarray(picture).save(source)
# The clip-art: a small magenta and white chequer.
tile = os.path.join(pictures, "tile.png")
chequer = np.indices((30, 40)).sum(axis=0) // 5 % 2
Image.fromarray(np.where(chequer[..., None] == 1, [255, 0, 255], [255, 255, 255]).astype(np.uint8)).save(tile)
outputs = os.path.join(work, "out")
shutil.rmtree(outputs, ignore_errors=True)
os.makedirs(outputs)
for name in os.listdir(work):
    if (name.startswith("step") and name.endswith(".png")) or name.startswith("failure"):
        os.remove(os.path.join(work, name))


def find_markers(shot):
    """The screen position of the picture's top-left pixel, from the corner markers in a screenshot."""
    rgb = np.asarray(Image.open(shot).convert("RGB")).astype(int)
    found = {}
    for key, (x0, y0, colour) in corners.items():
        mask = (np.abs(rgb - np.array(colour)).sum(axis=2) < 30)
        ys, xs = np.nonzero(mask)
        if len(xs) < MARK * MARK // 2:
            return None
        # The marker's own top-left pixel on the screen, less its place in the picture.
        found[key] = (int(np.median(xs)) - (MARK - 1) // 2 - x0, int(np.median(ys)) - (MARK - 1) // 2 - y0,
                      xs.max() - xs.min() + 1)
    return found


def to_screen(origin, point):
    return (origin[0] + point[0], origin[1] + point[1])


def drag(origin, a, b):
    a, b = to_screen(origin, a), to_screen(origin, b)
    xdo("mousemove", "--sync", *a)
    time.sleep(0.15)
    xdo("mousedown", 1)
    time.sleep(0.15)
    for t in (0.25, 0.5, 0.75, 1.0):
        xdo("mousemove", "--sync", round(a[0] + (b[0] - a[0]) * t), round(a[1] + (b[1] - a[1]) * t))
        time.sleep(0.08)
    xdo("mouseup", 1)
    time.sleep(0.3)


def click(origin, p, times=1):
    p = to_screen(origin, p)
    xdo("mousemove", "--sync", *p)
    time.sleep(0.15)
    if times == 2:
        xdo("click", "--repeat", 2, "--delay", 60, 1)
    else:
        xdo("click", 1)
    time.sleep(0.35)


# One figure of each type at chosen picture points: the first pair dragged,
# the rest clicked; clicked outlines end on a double click at their last point.
FIGURES = [
    (1, "drag", [(40, 40), (200, 70)]),
    (2, "drag", [(330, 40), (260, 40), (300, 110)]),
    (3, "drag", [(40, 350), (150, 350), (70, 420), (150, 395)]),
    (4, "drag", [(400, 40), (560, 60), (480, 120)]),
    (5, "drag", [(40, 120), (120, 180)]),
    (6, "clicks", [(160, 150), (210, 190), (260, 160), (320, 200)]),
    (7, "drag", [(400, 160), (480, 160), (440, 220)]),
    (8, "drag", [(40, 230), (160, 300)]),
    (9, "drag", [(200, 240), (300, 320)]),
    (10, "clicks", [(340, 250), (420, 240), (440, 320), (360, 330)]),
    (11, "clicks", [(470, 250), (560, 260), (540, 330), (480, 320)]),
    (12, "click", [(250, 390)]),
    (13, "click", [(380, 380)]),
]


def panel(tree, pid):
    """A property panel: a child of the host that also holds the style block (99)."""
    hosts = {w.parent for w in tree if w.id == 99}
    found = [w for w in tree if w.id == pid and w.parent in hosts]
    return found[0] if found else None


def wait_child(pid, cid, seconds=6):
    """A panel's control once the host shows it (the host lays its panels out after a tool is chosen)."""
    deadline = time.monotonic() + seconds
    while True:
        found = panel_child(windows(), pid, cid)
        if (found and found.visible) or time.monotonic() > deadline:
            return only([found] if found else [], "control %d of panel %d" % (cid, pid))
        time.sleep(0.3)


def panel_child(tree, pid, cid):
    """A control of a property panel, or None while that panel has no such control."""
    host = panel(tree, pid)
    found = children(tree, host, cid) if host else []
    return found[0] if found else None


def draw(origin, palette, kind, gesture, points, chosen=False):
    if not chosen:
        click_window(only(children(windows(), palette, TOOLS[kind]), "tool button %d" % TOOLS[kind]))
    if gesture == "drag":
        drag(origin, points[0], points[1])
        for p in points[2:]:
            click(origin, p)
    elif gesture == "clicks":
        for p in points[:-1]:
            click(origin, p)
        click(origin, points[-1], 2)
    else:
        click(origin, points[0])
    out_of_the_way()


def measure_save(path, index):
    command(MEASURE_SAVE)
    ok = answer_file(path, index)
    return ok and wait_file(path)


state = {}


def strip_first(pane):
    """The first thumbnail of the strip below the canvas: the picture opened first."""
    tree = windows()
    images = [w for w in tree if w.id == 101 and w.visible and w.rect[1] > pane.rect[1] + 300]
    if not images:
        return False
    left, top, right, bottom = images[0].rect
    xdo("mousemove", "--sync", left + 26, (top + bottom) // 2)
    xdo("click", 1)
    time.sleep(1.0)
    out_of_the_way()
    return True


def report(name):
    path = os.path.join(outputs, name)
    if not measure_save(path, 2):
        check(False, "Measure > Save wrote the text report %s" % name)
        return b""
    return open(path, "rb").read()


# The calibration ruler's ends in picture pixels and its real length: 0.25 mm a pixel.
RULER = [(445, 420), (585, 420)]
RULER_MM = "35"


def retype(edit, text):
    """Replaces an edit's text from the keyboard."""
    # Keys go to the foreground window: without a window manager a popup
    # (a button's tip) can leave the frame behind.
    drive("front")
    click_window(edit)
    drive("chord", "35")  # End
    for _ in range(len(edit.text) + 2):
        drive("chord", "8")  # Backspace
    drive("type", text)
    time.sleep(0.3)


def calibrate(palette):
    click_window(only(children(windows(), palette, 10), "ruler tool"))
    tree = windows()
    blocks = {w.hwnd for w in tree if w.id == 99}
    vertices = [w for w in tree if w.id == 14 and w.visible and w.parent in blocks]
    if not check(bool(vertices), "the ruler tool shows the style block's vertex button"):
        return False
    click_window(vertices[0])
    for number, (x, y) in enumerate(RULER):
        tree = windows()
        if number == 1:
            # The second vertex from the panel's list: a press opens it, the second row is picked.
            combo = wait_child(115, 2)
            click_window(combo)
            xdo("mousemove", "--sync", combo.rect[0] + 20, combo.rect[3] + 30)
            xdo("click", 1)
            time.sleep(0.5)
            tree = windows()
        retype(wait_child(115, 5), str(x))
        retype(wait_child(115, 7), str(y))
    screenshot("ruler_placed")
    click_window(wait_child(115, 3))
    retype(wait_child(101, 2), RULER_MM)
    click_window(wait_child(101, 3))
    retype(wait_child(101, 5), "mm")
    unit = wait_child(101, 5)
    if unit.text != "mm":
        # Keys typed into the unit field after the length was applied do not
        # arrive in this harness (cause not found yet); the field is then
        # filled as a program would, and the real click on its button applies it.
        print("NOTE typed unit did not arrive (the field shows %r); set with WM_SETTEXT" % unit.text, flush=True)
        drive("settext", unit.hwnd, "mm")
    click_window(wait_child(101, 6))
    click_window(only(children(windows(), palette, 24), "select tool"))
    out_of_the_way()
    return True


# The property panel of each measuring figure type.
PANELS = {1: 103, 2: 102, 3: 102, 4: 105, 5: 104, 6: 106, 7: 107, 8: 108, 9: 109, 10: 110, 11: 111}


def copy_values():
    """Each figure selected by a click on its first point: its panel's first copy button."""
    copied = {}
    for kind, points in state["drawn"]:
        if kind not in PANELS:
            continue
        if panel_child(windows(), PANELS[kind], 22) is None:
            skip("copy button of type %d: its panel has no copy button yet" % kind)
            continue
        click(state["origin"], points[0])
        button = panel_child(windows(), PANELS[kind], 22)
        if button is None or not button.visible:
            check(False, "type %d: a click on the figure shows its panel's copy button" % kind)
            continue
        click_window(button)
        code, out = drive("clipboard")
        copied[kind] = out.strip() if code == 0 else None
    out_of_the_way()
    state["copied"] = copied


def run_session(canvas, pane):
    inner = canvas_capture(os.path.join(work, "canvas_actual_size.png"))
    markers = find_markers(inner) if inner else None
    if not check(markers is not None, "the canvas shows the picture's four corner markers"):
        return
    check(all(m[2] == MARK for m in markers.values()), "actual size: each marker is %d screen pixels wide (%s)"
          % (MARK, markers))
    check(len({m[:2] for m in markers.values()}) == 1, "the four markers agree on the picture's place: %s" % markers)
    # Wine presents the frame into that X window one pixel up and left of the
    # back buffer, where the canvas has the picture at its document's bounds.
    origin = (canvas.rect[0] + markers["tl"][0] + 1, canvas.rect[1] + markers["tl"][1] + 1)
    # The pointer xdotool places is where the program's windows see it.
    xdo("mousemove", "--sync", origin[0] + 40, origin[1] + 40)
    time.sleep(0.3)
    code, out = drive("cursor")
    check(out.split() == ["x", str(origin[0] + 40), "y", str(origin[1] + 40)],
          "the pointer is where it was moved: %s at %s" % (out.strip(), (origin[0] + 40, origin[1] + 40)))
    out_of_the_way()
    state["origin"] = origin
    tree = windows()
    palette = only([w for w in tree if w.id == 1 and w.cls == "AvlfWindow" and children(tree, w, TOOLS[1])], "palette")

    # Calibration: the ruler's ends through the vertex panel, length and unit in the calibration panel.
    if panel_child(tree, 101, 2) is None or panel_child(tree, 115, 5) is None:
        skip("calibration: the calibration and vertex panels have no controls yet")
    else:
        state["calibrated"] = calibrate(palette)
        screenshot("calibrated")

    drawn = []
    for kind, gesture, points in FIGURES:
        tree = windows()
        if kind == 3:
            switch = panel_child(tree, 102, 6)
            if switch is None:
                skip("four-point angle: the angle panel has no four-point switch yet")
                continue
            click_window(only(children(tree, palette, TOOLS[2]), "angle tool"))
            click_window(wait_child(102, 6))
        if kind == 12:
            if panel_child(tree, 113, 2) is None:
                skip("clip-art: the clip-art panel has no import button yet")
                continue
            # With no tile filled the tool asks for a picture and places it at the canvas centre.
            click_window(only(children(tree, palette, TOOLS[12]), "clip-art tool"))
            check(answer_file(tile), "the clip-art tool asks for a picture to import")
            time.sleep(1)
            out_of_the_way()
            cx, cy = canvas.centre()
            drawn.append((kind, [(cx - origin[0], cy - origin[1])]))
            screenshot("figure12")
            continue
        if kind == 13:
            if panel_child(tree, 112, 20) is None:
                skip("text: the text panel has no text field yet")
                continue
            # The text typed and applied in the text panel goes to the next text figure.
            click_window(only(children(tree, palette, TOOLS[13]), "text tool"))
            retype(wait_child(112, 20), "Plate 13")
            click_window(wait_child(112, 21))
            click(origin, points[0])
            out_of_the_way()
            drawn.append((kind, points))
            screenshot("figure13")
            continue
        # The four-point angle's tool is chosen already: a second click would put it down.
        draw(origin, palette, kind, gesture, points, chosen=kind == 3)
        drawn.append((kind, points))
        screenshot("figure%02d" % kind)
    state["drawn"] = drawn

    state["txt"] = report("figures.txt")
    check(measure_save(os.path.join(outputs, "figures.xls"), 3), "Measure > Save writes the workbook")
    check(measure_save(os.path.join(outputs, "figures.prj"), 1), "Measure > Save writes the project")
    screenshot("exported")

    # Undo three steps, then redo them.
    for _ in range(3):
        keys("%d+%d" % (VK_CONTROL, VK_Z))
    screenshot("undone")
    state["txt_undone"] = report("undone.txt")
    for _ in range(3):
        keys("%d+%d" % (VK_CONTROL, VK_Y))
    screenshot("redone")
    state["txt_redone"] = report("redone.txt")

    # Save As each picture format: the saved picture opens as a project of its
    # own (no figures); the strip's first thumbnail goes back to the drawing.
    for ext, index in (("bmp", 1), ("jpg", 2)):
        target = os.path.join(outputs, "annotated." + ext)
        command(FILE_SAVE_AS)
        check(answer_file(target, index) and wait_file(target), "Save As writes the annotated .%s" % ext)
        time.sleep(1.5)
        screenshot("saved_" + ext)
        state["txt_saved_" + ext] = report("saved_%s.txt" % ext)
        check(strip_first(pane), "the strip shows the first picture's thumbnail")
        screenshot("back_from_" + ext)
        state["txt_back_" + ext] = report("back_%s.txt" % ext)

    # Remove all, then Measure > Load the project back.
    command(EDIT_REMOVE_ALL)
    code, out = drive("box", "2000", "yes")
    time.sleep(1)
    screenshot("removed")
    state["txt_removed"] = report("removed.txt")
    command(MEASURE_LOAD)
    check(answer_file(os.path.join(outputs, "figures.prj")), "Measure > Load shows its dialog")
    time.sleep(1.5)
    screenshot("loaded")
    state["txt_loaded"] = report("loaded.txt")

    copy_values()

    command(FILE_EXIT)
    try:
        state["exit"] = process.wait(timeout=30)
    except subprocess.TimeoutExpired:
        state["exit"] = None


# --- the checks, each by a reader of its own ----------------------------------
NUMBER = r"-?\d+(?:\.\d+)?"


def parse_report(data):
    """The text report: header values and one block per figure (name, value text, vertices)."""
    if not data.startswith(b"\xff\xfe"):
        return None
    text = data[2:].decode("utf-16-le")
    lines = text.split("\r\n")
    m = re.match(r"(.+): (%s), (.+): (%s)$" % (NUMBER, NUMBER), lines[0])
    if not m:
        return None
    figures, i = [], 1
    while i < len(lines):
        if lines[i] == "" and i + 1 < len(lines) and lines[i + 1] != "":
            name, value, vertices = lines[i + 1], lines[i + 2], []
            i += 3
            while i < len(lines) and re.match(r"\d+: \(", lines[i]):
                v = re.match(r"(\d+): \((%s), (%s)\)$" % (NUMBER, NUMBER), lines[i])
                vertices.append((float(v.group(2)), float(v.group(3))))
                i += 1
            figures.append(dict(name=name, value=value, vertices=vertices))
        else:
            i += 1
    return dict(scale=float(m.group(2)), power=float(m.group(4)), figures=figures)


def spline_samples(points, closed):
    """The curve through the clicked points as the geometry tests' reference draws it."""
    from scipy.interpolate import CubicSpline
    pts = np.array(points, float)
    n = len(pts)
    if closed:
        idx = [(2 * n - 4) % n, n - 3, n - 2, n - 1] + list(range(n)) + [i % n for i in range(4)]
        knots, start, last = np.arange(n + 8, dtype=float), 4.0, n + 4.0
    else:
        idx, knots, start, last = list(range(n)), np.arange(n, dtype=float), 0.0, n - 1.0
    sx = CubicSpline(knots, pts[idx, 0], bc_type="natural")
    sy = CubicSpline(knots, pts[idx, 1], bc_type="natural")
    a = np.arange(start, last, 0.02)
    samples = np.column_stack([sx(a), sy(a)])
    # An open curve ends on its last point.
    return samples if closed else np.vstack([samples, pts[-1:]])


def shoelace(p):
    p = np.asarray(p, float)
    return abs(np.dot(p[:, 0], np.roll(p[:, 1], -1)) - np.dot(p[:, 1], np.roll(p[:, 0], -1))) / 2


def circumradius(a, b, c):
    a, b, c = map(np.asarray, (a, b, c))
    ab, bc, ca = np.linalg.norm(a - b), np.linalg.norm(b - c), np.linalg.norm(c - a)
    cross = abs((b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]))
    return ab * bc * ca / (2 * cross)


def ray_angle(u, v):
    return math.degrees(math.acos(max(-1.0, min(1.0, np.dot(u, v) / (np.linalg.norm(u) * np.linalg.norm(v))))))


def model(kind, v):
    """The numbers a figure's value text must show, from its exported vertices (physical units)."""
    v = [np.array(p) for p in v]
    if kind == 1 or kind == 5:
        return [[np.linalg.norm(v[1] - v[0])]]
    if kind == 2:
        a = ray_angle(v[0] - v[1], v[2] - v[1])
        return [[a], [360 - a]]
    if kind == 3:
        a = ray_angle(v[1] - v[0], v[3] - v[2])
        return [[a], [180 - a], [180 + a], [360 - a]]
    if kind == 4:
        d = v[1] - v[0]
        return [[abs(d[0] * (v[2] - v[0])[1] - d[1] * (v[2] - v[0])[0]) / np.linalg.norm(d)]]
    if kind == 6:
        s = spline_samples(v, False)
        return [[np.sum(np.linalg.norm(np.diff(s, axis=0), axis=1))]]
    if kind == 7:
        r = circumradius(*v[:3])
        return [[r, math.pi * r * r]]
    if kind in (8, 9):
        xs, ys = [p[0] for p in v], [p[1] for p in v]
        w, h = max(xs) - min(xs), max(ys) - min(ys)
        return [[w / 2, h / 2, math.pi * w * h / 4]] if kind == 8 else [[w, h, w * h]]
    if kind == 10:
        return [[shoelace(v)]]
    if kind == 11:
        return [[shoelace(spline_samples(v, True))]]
    return None


def value_matches(kind, value, vertices):
    numbers = [float(n) for n in re.findall(NUMBER, value.replace("r:", "").replace("rx:", "").replace("ry:", ""))]
    candidates = model(kind, vertices)
    # Printed with three decimals, computed from vertices printed with three.
    rel = 1e-5
    for expected in candidates:
        if len(numbers) >= len(expected) and all(
                abs(n - e) <= 0.006 + rel * abs(e) for n, e in zip(numbers, expected)):
            return True, numbers, expected
    return False, numbers, candidates


def expected_vertices(kind, points):
    if kind in (8, 9):
        (ax, ay), (bx, by) = points[:2]
        return [(ax, ay), (bx, ay), (bx, by), (ax, by)]
    return points


def near_all(got, want, tolerance=1.0):
    """Each vertex within a pixel of a click in x and in y, and each click met."""
    if len(got) != len(want):
        return False

    def near(a, b):
        return abs(a[0] - b[0]) <= tolerance + 1e-6 and abs(a[1] - b[1]) <= tolerance + 1e-6
    return all(any(near(g, w) for w in want) for g in got) and all(any(near(g, w) for g in got) for w in want)


def check_reports():
    report = parse_report(state.get("txt", b""))
    if not check(report is not None, "the text report is UTF-16 with its header line"):
        return None
    exported = [(k, p) for k, p in state["drawn"] if k not in (12, 13)]
    figures = report["figures"]
    check(len(figures) == len(exported), "the report holds the %d measuring figures drawn (%d)"
          % (len(exported), len(figures)))
    if state.get("calibrated"):
        check(report["scale"] == 0.25, "calibrated: %s mm over %d pixels is 0.25 a pixel (%s)"
              % (RULER_MM, RULER[1][0] - RULER[0][0], report["scale"]))
        check(all(" mm" in f["value"] for f in figures if "\u00b0" not in f["value"]), "the values are in mm")
    # Physical units back to picture pixels: the zoom is 1 at actual size.
    per_pixel = report["scale"] / report["power"]
    copied = state.get("copied", {})
    for (kind, points), fig in zip(exported, figures):
        if kind in copied:
            first = re.findall(NUMBER, fig["value"].replace("r:", "").replace("rx:", ""))
            check(copied[kind] is not None and re.findall(NUMBER, copied[kind])[:1] == first[:1],
                  "type %d: the panel's copy button gives %r, the export %r" % (kind, copied[kind], fig["value"]))
        pixels = [(x / per_pixel, y / per_pixel) for x, y in fig["vertices"]]
        check(near_all(pixels, expected_vertices(kind, points)),
              "type %d %r: vertices %s within a pixel of the clicks %s" % (kind, fig["name"], pixels, points))
        ok, numbers, expected = value_matches(kind, fig["value"], fig["vertices"])
        check(ok, "type %d: value %r matches the model %s" % (kind, fig["value"], expected))
    return report


def check_workbook(report):
    import xlrd
    path = os.path.join(outputs, "figures.xls")
    try:
        sheet = xlrd.open_workbook(path).sheet_by_index(0)
    except Exception as error:  # noqa: BLE001
        check(False, "xlrd reads the workbook: %s" % error)
        return
    rows = [[str(c.value) for c in sheet.row(r)] for r in range(sheet.nrows)]
    check_table("xlrd", rows, report)
    csv_dir = os.path.join(outputs, "csv")
    shutil.rmtree(csv_dir, ignore_errors=True)
    os.makedirs(csv_dir)
    profile = "-env:UserInstallation=file://" + os.path.join(work, "lo-profile")
    subprocess.run(["soffice", profile, "--headless", "--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76",
                    "--outdir", csv_dir, path], capture_output=True, timeout=120)
    import csv
    target = os.path.join(csv_dir, "figures.csv")
    if check(os.path.exists(target), "LibreOffice reads the workbook"):
        with open(target, encoding="utf-8") as f:
            check_table("LibreOffice", [row for row in csv.reader(f)], report)


def check_table(reader, rows, report):
    figures = report["figures"]
    check(len(rows) == len(figures) + 1, "%s: a header row and one row per figure (%d rows)" % (reader, len(rows)))
    head = re.findall(NUMBER, rows[0][0]) if rows and rows[0] else []
    check(bool(head) and "%.2f" % float(head[-1]) == "%.2f" % report["scale"] and len(head[-1].split(".")[-1]) == 3,
          "%s: the header shows the scale with three decimals: %r" % (reader, rows[0][:2] if rows else None))
    for row, fig in zip(rows[1:], figures):
        want = [fig["name"], fig["value"]] + ["%d: (%d, %d)" % (i + 1, int(x), int(y))
                                            for i, (x, y) in enumerate(fig["vertices"])]
        got = [c for c in row if c != ""]
        check(got == want, "%s: row of %r is %s" % (reader, fig["name"], got if got != want else "as the report"))


def check_project(report):
    try:
        bmp, trailer = prj_format.parse_file(open(os.path.join(outputs, "figures.prj"), "rb").read())
    except Exception as error:  # noqa: BLE001
        check(False, "the project parser reads the project: %s" % error)
        return
    check(trailer["count"] == len(state["drawn"]), "the project holds the %d figures drawn (%d)"
          % (len(state["drawn"]), trailer["count"]))
    measuring = [f for f in trailer["figures"] if f["type"] not in (12, 13)][1:] \
        if trailer["figures"] and trailer["figures"][0]["type"] == 0 else \
        [f for f in trailer["figures"] if f["type"] not in (12, 13)]
    types = [f["type"] for f in measuring]
    check(types == [k for k, _ in state["drawn"] if k not in (12, 13)], "the project's figure types in order: %s" % types)
    per_pixel = report["scale"] / report["power"]
    for f, fig in zip(measuring, report["figures"]):
        want = [(x / per_pixel, y / per_pixel) for x, y in fig["vertices"]]
        got = f["vertices"]
        check(f["name"] == fig["name"] and near_all(got, want, 0.01) if len(got) == len(want) else False,
              "project figure %r: vertices %s as in the report" % (f["name"], got))


def check_histories():
    txt = state.get("txt", b"")
    undone = parse_report(state.get("txt_undone", b""))
    full = parse_report(txt)
    if undone and full:
        kept = sum(1 for kind, _ in state["drawn"][:-3] if kind not in (12, 13))
        check([f["name"] for f in undone["figures"]] == [f["name"] for f in full["figures"]][:kept],
              "after three undos the report lacks the last three figures: %s"
              % [f["name"] for f in undone["figures"]])
    check(state.get("txt_redone") == txt, "after three redos the report is byte-identical")
    check(state.get("txt_loaded") == txt, "after Remove all and Measure > Load the report is byte-identical")
    for ext in ("bmp", "jpg"):
        saved = parse_report(state.get("txt_saved_" + ext, b""))
        check(saved is not None and saved["figures"] == [],
              "the saved .%s opens as a project of its own, without figures" % ext)
        check(state.get("txt_back_" + ext) == txt, "back via the strip after the .%s: the report is as before" % ext)
    removed = parse_report(state.get("txt_removed", b""))
    check(removed is not None and removed["figures"] == [], "after Remove all the report has no figures")


def check_pictures():
    bmp_path, jpg_path = os.path.join(outputs, "annotated.bmp"), os.path.join(outputs, "annotated.jpg")
    if not (os.path.exists(bmp_path) and os.path.exists(jpg_path)):
        check(False, "both annotated pictures were written")
        return
    bmp, jpg = Image.open(bmp_path).convert("RGB"), Image.open(jpg_path).convert("RGB")
    check(bmp.size == (W, H) and jpg.size == (W, H), "the annotated pictures are %d x %d: %s, %s"
          % (W, H, bmp.size, jpg.size))
    if bmp.size != (W, H):
        return
    near = np.zeros((H, W), bool)
    for kind, points in state["drawn"]:
        xs, ys = [p[0] for p in points], [p[1] for p in points]
        # Outlines, handles and the value label beside them.
        margin = 60
        near[max(0, min(ys) - margin):max(ys) + margin, max(0, min(xs) - margin):max(xs) + margin] = True
    rendered = np.asarray(bmp).astype(int)
    changed = np.abs(rendered - picture.astype(int)).max(axis=2) > 3
    if state.get("calibrated"):
        y = RULER[0][1]
        row = changed[max(0, y - 2):y + 3, RULER[0][0] + 10:RULER[1][0] - 10]
        check(not row.any(), "the calibration ruler is not drawn into the picture")
    check(changed.sum() > 2000, "the figures are drawn into the picture (%d pixels changed)" % changed.sum())
    away = changed & ~near
    check(away.sum() == 0, "nothing changed away from the figures (%d pixels)" % away.sum())
    for key, (x0, y0, colour) in corners.items():
        block = rendered[y0:y0 + MARK, x0:x0 + MARK]
        check(np.abs(block - np.array(colour)).max() <= 3 or near[y0:y0 + MARK, x0:x0 + MARK].any(),
              "the %s marker is untouched in the render" % key)
    error = np.abs(np.asarray(jpg).astype(int) - rendered)
    check(error.mean() < 4 and np.percentile(error, 99) < 60, "the JPEG is the render within its error (mean %.2f)"
          % error.mean())


def check_settings():
    target = os.path.join(work, "settings.reg")
    if os.path.exists(target):
        os.remove(target)
    wine("reg", "export", KEY, winpath(target), "/y")
    text = open(target, "rb").read().decode("utf-16") if os.path.exists(target) else ""
    check("plate.bmp" in text.lower(), "reg export shows the picture in the recent list")
    if state.get("calibrated"):
        check('"Unit"="mm"' in text, "reg export shows the unit mm")
        check(re.search(r'"ReferenceScale"="0\.250*"', text) is not None, "reg export shows the calibration 0.25")
    else:
        skip("unit and calibration in the settings: nothing was calibrated")
    prefix = os.environ.get("WINEPREFIX", "")
    import glob
    thumbs = glob.glob(os.path.join(prefix, "drive_c", "users", "*", "AppData", "Local", "Quorvex", "Mensaro",
                                    "thumbnails", "*.png"))
    check(len(thumbs) > 0, "the thumbnails were written (%d)" % len(thumbs))
    for path in thumbs:
        try:
            Image.open(path).load()
            opened = True
        except Exception:  # noqa: BLE001
            opened = False
        check(opened, "PIL opens the thumbnail %s" % os.path.basename(path))


# A clean start: no settings, no thumbnails of an earlier run.
import glob  # noqa: E402
for folder in glob.glob(os.path.join(os.environ.get("WINEPREFIX", ""), "drive_c", "users", "*", "AppData", "Local",
                                     "Quorvex", "Mensaro", "thumbnails")):
    shutil.rmtree(folder, ignore_errors=True)
wine("reg", "delete", KEY, "/f")
began = time.monotonic()
process = subprocess.Popen([wine_sh, "run", program], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
try:
    code, out = drive("wait", "30000")
    check(code == 0, "the main window shows")
    time.sleep(2)
    screenshot("start")

    # Ctrl+O, then the open dialog answered with the picture.
    keys("%d+%d" % (VK_CONTROL, VK_O))
    check(answer_file(source), "Ctrl+O shows the open dialog")
    time.sleep(2)
    screenshot("opened")
    tree = windows()
    canvas = find_class(tree, "DirectUI")
    canvas_place["size"] = (canvas.rect[2] - canvas.rect[0], canvas.rect[3] - canvas.rect[1])
    canvas_place["at"] = canvas.rect[:2]
    host = only([w for w in tree if w.hwnd == canvas.parent], "canvas host")
    pane = only([w for w in tree if w.hwnd == host.parent], "work pane")
    ruler = only(children(tree, pane, 4), "status strip")
    fit = only(children(tree, ruler, 6), "actual size button")
    click_window(fit)
    out_of_the_way()
    time.sleep(1)
    screenshot("actual_size")
    run_session(canvas, pane)
except LookupError as missing:
    check(False, "the window %s is there" % missing)
finally:
    if process.poll() is None:
        drive("close")
    try:
        process.wait(timeout=30)
    except subprocess.TimeoutExpired:
        process.kill()

check(state.get("exit") == 1, "File > Exit ends the program with 1 (got %s)" % state.get("exit"))
if "drawn" in state:
    exported = check_reports()
    if exported:
        check_workbook(exported)
        check_project(exported)
    check_histories()
    check_pictures()
check_settings()
print("took %.0f s" % (time.monotonic() - began))
print("%d failed, %d skipped" % (len(failures), len(skipped)))
sys.exit(1 if failures else 0)
