#!/usr/bin/env python3
"""Writes the program's two short sounds as 16-bit mono PCM WAVE files.

shutter.wav: a click and a short decaying noise burst (snapshot taken).
record.wav: two rising beeps (recording requested).
"""
import math
import random
import struct
import sys
import wave

RATE = 22050


def write(path, samples):
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(b"".join(struct.pack("<h", max(-32767, min(32767, int(s)))) for s in samples))


def shutter():
    rng = random.Random(209)
    n = int(RATE * 0.12)
    samples = []
    for i in range(n):
        t = i / RATE
        envelope = math.exp(-t * 45.0)
        click = math.sin(2 * math.pi * 1800 * t) * math.exp(-t * 400.0)
        samples.append(20000 * (0.6 * envelope * (rng.random() * 2 - 1) + 0.4 * click))
    return samples


def record():
    samples = []
    for frequency in (880.0, 1320.0):
        n = int(RATE * 0.08)
        for i in range(n):
            t = i / RATE
            fade = min(1.0, i / 200.0, (n - i) / 200.0)
            samples.append(14000 * fade * math.sin(2 * math.pi * frequency * t))
        samples.extend([0.0] * int(RATE * 0.03))
    return samples


if __name__ == "__main__":
    folder = sys.argv[1]
    write(folder + "/shutter.wav", shutter())
    write(folder + "/record.wav", record())
