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
    return condition


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


def screenshot(name):
    shot_number[0] += 1
    path = os.path.join(work, "step%02d_%s.png" % (shot_number[0], name))
    subprocess.run(["import", "-display", os.environ["DISPLAY"], "-window", "root", path], timeout=30)
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


def fail_report(reason):
    """Keeps the window list and a screenshot beside the failure."""
    with open(os.path.join(work, "failure_windows.txt"), "w", encoding="utf-8") as f:
        f.write(drive("windows")[1])
    screenshot("failure")
    check(False, reason)


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
outputs = os.path.join(work, "out")
shutil.rmtree(outputs, ignore_errors=True)
os.makedirs(outputs)
for name in os.listdir(work):
    if name.startswith("step") and name.endswith(".png"):
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
    host = only([w for w in tree if w.hwnd == canvas.parent], "canvas host")
    pane = only([w for w in tree if w.hwnd == host.parent], "work pane")
    ruler = only(children(tree, pane, 4), "status strip")
    fit = only(children(tree, ruler, 6), "actual size button")
    click_window(fit)
    out_of_the_way()
    time.sleep(1)
    shot = screenshot("actual_size")
    markers = find_markers(shot)
    print("markers", markers, "canvas", canvas.rect)
finally:
    drive("close")
    try:
        process.wait(timeout=30)
    except subprocess.TimeoutExpired:
        process.kill()

print("%d failed, %d skipped" % (len(failures), len(skipped)))
sys.exit(1 if failures else 0)
