#!/usr/bin/python3
"""Frames for grabber_test in YUY2 and MJPG, with the BGR pictures that OpenCV
(YUY2) and PIL (JPEG) decode from them: the grabber must deliver the same
within 2 per channel."""
import numpy as np
from PIL import Image
import cv2

W, H = 320, 240


def pattern(number):
    x = np.arange(W)
    y = np.arange(H)
    img = np.empty((H, W, 3), np.uint8)
    img[:, :, 0] = (x * 255 // (W - 1))[None, :]
    img[:, :, 1] = (y * 255 // (H - 1))[:, None]
    img[:, :, 2] = 128
    band = (y % 64) < 16
    xs = np.arange(256)
    bits = ((number >> (xs // 16)) & 1) * 255
    img[np.ix_(band, xs)] = bits[None, :, None].astype(np.uint8)
    return img


for number in range(3):
    bgr = pattern(number + 1).astype(float)
    b, g, r = bgr[:, :, 0], bgr[:, :, 1], bgr[:, :, 2]
    # Studio-range BT.601, chroma of each pixel pair averaged.
    y = 16 + 0.257 * r + 0.504 * g + 0.098 * b
    u = 128 - 0.148 * r - 0.291 * g + 0.439 * b
    v = 128 + 0.439 * r - 0.368 * g - 0.071 * b
    u = (u[:, 0::2] + u[:, 1::2]) / 2
    v = (v[:, 0::2] + v[:, 1::2]) / 2
    yuy2 = np.empty((H, W * 2), np.uint8)
    yuy2[:, 0::2] = np.clip(np.rint(y), 0, 255)
    yuy2[:, 1::4] = np.clip(np.rint(u), 0, 255)
    yuy2[:, 3::4] = np.clip(np.rint(v), 0, 255)
    open(f"grab_yuy2_{number}.raw", "wb").write(yuy2.tobytes())
    want = cv2.cvtColor(yuy2.reshape(H, W, 2), cv2.COLOR_YUV2BGR_YUY2)
    open(f"grab_yuy2_{number}.bgr", "wb").write(want.tobytes())

    Image.fromarray(pattern(number + 1)[:, :, ::-1]).save(f"grab_mjpg_{number}.jpg", quality=90)
    decoded = np.asarray(Image.open(f"grab_mjpg_{number}.jpg").convert("RGB"))[:, :, ::-1]
    open(f"grab_mjpg_{number}.bgr", "wb").write(np.ascontiguousarray(decoded).tobytes())
