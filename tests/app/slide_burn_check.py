#!/usr/bin/python3
"""Reads the slide show that app_test burned through the main frame
(slide_burn.json names the file and the dialog's values). ffprobe must find
the dialog's size, its frame rate (as the show's whole-millisecond frame step
gives it) and the number of frames the show's timing writes: for each slide
transition frames one step apart while the progress stays below 100 percent,
then the picture, then the show time; the constant-rate file ends at the last
picture's place."""
import json
import subprocess
import sys

import numpy as np


def main():
    with open("slide_burn.json") as f:
        cfg = json.load(f)
    step = int(np.float32(1000.0) / np.float32(cfg["fps"]))
    progress = int(np.float32(step * 100) / np.float32(cfg["transition_ms"]) + np.float32(0.5))
    progress = max(1, min(30, progress))
    clock, last = 0, 0
    for _ in range(cfg["slides"]):
        p = 0
        while p < 100:
            p += progress
            clock += step
        last = clock
        clock += cfg["show_ms"]
    micros = step * 1000
    count = (last * 1000 + micros // 2) // micros + 1

    probe = json.loads(subprocess.run(
        ["ffprobe", "-v", "error", "-count_frames", "-show_streams", "-of", "json", cfg["avi"]],
        check=True, capture_output=True, text=True).stdout)
    video = [s for s in probe["streams"] if s["codec_type"] == "video"][0]
    failures = []
    if (video["width"], video["height"]) != (cfg["width"], cfg["height"]):
        failures.append(f"size {video['width']} x {video['height']}, wanted {cfg['width']} x {cfg['height']}")
    num, den = (int(x) for x in video["r_frame_rate"].split("/"))
    if abs(num / den - 1e6 / micros) > 1e-3:
        failures.append(f"rate {video['r_frame_rate']}, wanted {1e6 / micros:.4f}")
    if int(video["nb_read_frames"]) != count:
        failures.append(f"{video['nb_read_frames']} frames, wanted {count}")
    for failure in failures:
        print("FAIL:", failure)
    print(f"{cfg['slides']} slides at {cfg['fps']} fps: {count} frames of {cfg['width']} x {cfg['height']}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
