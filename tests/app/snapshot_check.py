#!/usr/bin/env python3
"""Reads the snapshots app_test wrote and the two sound resources it saved.

Each snapshot must show the camera's picture upright, cropped exactly to the
region: the expected pixels are rebuilt here from the picture's formula.
"""
import json
import sys
import wave

import numpy as np
from PIL import Image

W, H = 64, 48


def picture():
    y, x = np.mgrid[0:H, 0:W]
    rgb = np.stack([x * 4, y * 5, np.full_like(x, 128)], axis=-1)
    for mx, my in ((24, 14), (50, 40)):
        rgb[my:my + 6, mx:mx + 6] = 255
    return rgb.astype(np.int32)


def main():
    failures = []
    expected_all = picture()
    count = 0
    with open("snapshots.jsonl") as listing:
        for line in listing:
            entry = json.loads(line)
            count += 1
            left, top, right, bottom = entry["left"], entry["top"], entry["right"], entry["bottom"]
            path = "snapshots/" + entry["file"]
            image = Image.open(path)
            if image.format != entry["format"]:
                failures.append(f"{path}: format {image.format}")
                continue
            got = np.asarray(image.convert("RGB")).astype(np.int32)
            expected = expected_all[top:bottom, left:right]
            if got.shape != expected.shape:
                failures.append(f"{path}: size {got.shape[1]}x{got.shape[0]}, expected {right - left}x{bottom - top}")
                continue
            error = np.abs(got - expected)
            if entry["format"] == "BMP":
                if error.max() != 0:
                    failures.append(f"{path}: {int((error > 0).sum())} values differ")
            else:
                # JPEG is lossy: close on average, and the markers stay where they belong.
                if error.mean() > 4.0:
                    failures.append(f"{path}: mean error {error.mean():.2f}")
                white = got.min(axis=-1) > 200
                want = expected.min(axis=-1) == 255
                if (white != want).mean() > 0.02:
                    failures.append(f"{path}: markers out of place")
    if count != 12:
        failures.append(f"{count} snapshots listed, expected 12")
    for number in (209, 210):
        with wave.open(f"sound_{number}.wav") as sound:
            seconds = sound.getnframes() / sound.getframerate()
            if sound.getcomptype() != "NONE" or sound.getsampwidth() != 2 or not 0.05 <= seconds <= 0.5:
                failures.append(f"sound {number}: {sound.getcomptype()} {sound.getsampwidth()} bytes {seconds:.3f} s")
    for failure in failures:
        print(failure)
    print(f"{count} snapshots checked")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
