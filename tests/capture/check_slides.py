#!/usr/bin/python3
"""Reads the slide show's burn (slides.json and slides.avi, written by
capture_test). The frames the show must have written are modelled with numpy
from the transition arithmetic stated in vendor/fadeworks/Fadeworks.h and the
show's timing rules, which the plug-in test's renders (transitions.bin) must
match exactly; the slide of another size is scaled with the image
library's bilinear reference model. ffmpeg decodes every frame of the file;
each must match the model within 1 per channel, at its stamped time within a
frame. ffprobe reads the size, rate and duration.
"""
import json
import os
import subprocess
import sys

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "image"))
from image_reference import scale_bilinear  # noqa: E402

failures = []


def fail(text):
    failures.append(text)
    print("FAIL:", text)


def crt_first_rand(seed):
    """The C runtime's rand() right after srand(seed)."""
    x = (seed * 214013 + 2531011) & 0xFFFFFFFF
    return (x >> 16) & 0x7FFF


def crossfade(f, t, p):
    w = (p * 256 + 50) // 100
    return ((f.astype(np.int32) * (256 - w) + t.astype(np.int32) * w + 128) >> 8).astype(np.uint8)


def wipe(f, t, p):
    out = f.copy()
    e = f.shape[1] * p // 100
    out[:, :e] = t[:, :e]
    return out


def push(f, t, p):
    w = f.shape[1]
    s = w * p // 100
    out = np.empty_like(f)
    out[:, :w - s] = f[:, s:]
    out[:, w - s:] = t[:, :s]
    return out


def boxin(f, t, p):
    h, w = f.shape[:2]
    left, top = (w * p + 199) // 200, (h * p + 199) // 200
    out = t.copy()
    out[top:h - top, left:w - left] = f[top:h - top, left:w - left]
    return out


TRANSITIONS = [crossfade, wipe, push, boxin]


def written_frames(cfg, pictures):
    """(stamp, picture, what) of every WriteFrame, in order."""
    step = int(np.float32(1000.0) / np.float32(cfg["fps"]))
    progress = int(np.float32(step * 100) / np.float32(cfg["transition_ms"]) + np.float32(0.5))
    progress = max(1, min(30, progress))
    start = crt_first_rand(cfg["seed"]) % cfg["transitions"]
    out = []
    clock = 0
    previous = np.zeros_like(pictures[0])
    for j, picture in enumerate(pictures):
        index = (start + j) % cfg["transitions"]
        p = 0
        while p < 100:
            out.append((clock, TRANSITIONS[index](previous, picture, p), f"slide {j} transition {index} at {p}%"))
            p += progress
            clock += step
        out.append((clock, picture, f"slide {j} picture"))
        clock += cfg["show_ms"]
        previous = picture
    return out, step


def check_renders():
    """transitions.bin from the plug-in test: from, to, then every transition at each percent."""
    percents = [0, 3, 7, 33, 50, 64, 93, 99]
    data = np.fromfile("transitions.bin", np.uint8).reshape(-1, 23, 37, 4)
    if len(data) != 2 + len(TRANSITIONS) * len(percents):
        return fail(f"transitions.bin holds {len(data)} pictures")
    f, t = data[0], data[1]
    for index, model in enumerate(TRANSITIONS):
        for k, p in enumerate(percents):
            got = data[2 + index * len(percents) + k]
            want = model(f, t, p)
            if not np.array_equal(got, want):
                diff = np.argwhere(np.any(got != want, axis=2))
                fail(f"transition {index} at {p}%: {len(diff)} pixels differ, first at {diff[0].tolist()}")


def main():
    check_renders()
    with open("slides.json") as f:
        cfg = json.load(f)
    width, height = cfg["width"], cfg["height"]
    pictures = []
    for slide in cfg["slides"]:
        raw = np.fromfile(slide["file"], np.uint8).reshape(slide["height"], slide["width"], 4)
        if raw.shape[:2] != (height, width):
            scaled = np.zeros((height, width, 4), np.uint8)
            scale_bilinear(raw, scaled)
            raw = scaled
        pictures.append(raw)

    frames, step = written_frames(cfg, pictures)
    stamps = [s for s, _, _ in frames]
    if (cfg["fps"], cfg["transition_ms"], cfg["show_ms"]) == (30, 500, 1500):
        # The worked numbers: 15 transition frames 33 ms apart, the picture
        # one step later, the next transition one show time after that.
        if stamps[:17] != list(range(0, 463, 33)) + [495, 1995]:
            fail(f"stamps {stamps[:17]}")

    # The recorder's constant-rate time line: the step of the first stamps,
    # each frame at its rounded place, repeated until the next.
    micros = step * 1000
    places = [(s * 1000 + micros // 2) // micros for s in stamps]
    count = places[-1] + 1
    expected = [None] * count
    for place, (_, picture, _) in zip(places, frames):
        expected[place] = picture
    for i in range(1, count):
        if expected[i] is None:
            expected[i] = expected[i - 1]

    probe = json.loads(subprocess.run(
        ["ffprobe", "-v", "error", "-count_frames", "-show_streams", "-show_format", "-of", "json", cfg["avi"]],
        check=True, capture_output=True, text=True).stdout)
    video = [s for s in probe["streams"] if s["codec_type"] == "video"][0]
    if (video["width"], video["height"]) != (width, height):
        fail(f"size {video['width']} x {video['height']}")
    num, den = (int(x) for x in video["r_frame_rate"].split("/"))
    if abs(num / den - 1e6 / micros) > 1e-3:
        fail(f"rate {video['r_frame_rate']}, wanted {1e6 / micros:.4f}")
    counted = int(video["nb_read_frames"])
    if counted != count:
        fail(f"{counted} frames, wanted {count}")
    duration = float(probe["format"]["duration"])
    if abs(duration - count * micros / 1e6) > micros / 1e6:
        fail(f"duration {duration}, wanted {count * micros / 1e6:.3f}")

    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", cfg["avi"], "-map", "0:v:0", "-f", "rawvideo",
                          "-pix_fmt", "bgr24", "-"], check=True, capture_output=True).stdout
    decoded = np.frombuffer(raw, np.uint8).reshape(-1, height, width, 3).astype(np.int16)

    def matches(q, picture):
        return 0 <= q < len(decoded) and np.abs(decoded[q] - picture[:, :, :3]).max() <= 1

    # Every written frame at its stamped place, within a frame.
    for place, (stamp, picture, what) in zip(places, frames):
        if not any(matches(q, picture) for q in (place, place - 1, place + 1)):
            near = [int(np.abs(decoded[q] - picture[:, :, :3]).max()) for q in (place,) if q < len(decoded)]
            fail(f"{what} (stamp {stamp} ms, frame {place}) not found; differs by {near}")
    # And nothing else in between.
    for q in range(min(len(decoded), count)):
        if not any(0 <= r < count and np.abs(decoded[q] - expected[r][:, :, :3]).max() <= 1 for r in (q, q - 1, q + 1)):
            fail(f"frame {q} matches no modelled frame near it")

    print(f"{len(frames)} written frames, {count} in the file, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
