#!/usr/bin/python3
"""Test videos for video_project_test, made by ffmpeg from frames whose number
is written in blocks: a white band on top, a black band at the bottom, and
between them 16 blocks (two rows of eight) with the frame number's bits, most
significant first, white for 1. Sound, where a file has it, is a PCM sine."""
import subprocess

import numpy as np


def frames(width, height, count):
    bw, bh = width // 8, height // 4
    for n in range(count):
        img = np.full((height, width), 96, np.uint8)
        img[0:bh, :] = 255
        img[3 * bh:, :] = 0
        for bit in range(16):
            row, col = 1 + bit // 8, bit % 8
            on = (n >> (15 - bit)) & 1
            img[row * bh:(row + 1) * bh, col * bw:(col + 1) * bw] = 255 if on else 0
        yield np.repeat(img[:, :, None], 3, axis=2).tobytes()


def make(name, width, height, rate, seconds, codec, sound):
    count = int(round(rate * seconds))
    cmd = ["ffmpeg", "-v", "error", "-y", "-f", "rawvideo", "-pix_fmt", "rgb24", "-s", f"{width}x{height}",
           "-r", str(rate), "-i", "-"]
    if sound:
        cmd += ["-f", "lavfi", "-i", f"sine=frequency=440:sample_rate=8000:duration={seconds}"]
    if codec == "mjpeg":
        cmd += ["-c:v", "mjpeg", "-q:v", "2", "-pix_fmt", "yuvj420p"]
    else:
        cmd += ["-c:v", "rawvideo", "-pix_fmt", "bgr24"]
    if sound:
        cmd += ["-c:a", "pcm_s16le", "-ac", "1"]
    cmd += ["-frames:v", str(count), name]
    proc = subprocess.Popen(cmd, stdin=subprocess.PIPE)
    for frame in frames(width, height, count):
        proc.stdin.write(frame)
    proc.stdin.close()
    if proc.wait() != 0:
        raise SystemExit(f"ffmpeg failed for {name}")


make("short_mjpeg.avi", 160, 120, 20, 1.5, "mjpeg", True)
make("short_raw.avi", 160, 120, 20, 1.5, "raw", True)
make("minute.avi", 64, 48, 10, 60, "mjpeg", True)
make("long.avi", 64, 48, 5, 600, "mjpeg", False)
subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=8000:duration=2",
                "-c:a", "pcm_s16le", "audio_only.avi"], check=True)
with open("short_mjpeg.avi", "rb") as f:
    head = f.read(1000)
with open("truncated.avi", "wb") as f:
    f.write(head)
with open("not_video.avi", "w") as f:
    f.write("This is a text file, not a video.\n" * 40)
