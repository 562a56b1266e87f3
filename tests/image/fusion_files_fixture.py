"""Makes the pictures that image_test fuses (FusionFiles) and runs enfuse on
the focus series: a sharp textured picture, copies of it each blurred except
in its own band, and small random pictures for the engine model."""

import subprocess
import sys

import numpy as np
from PIL import Image
from scipy import ndimage

ENFUSE = ["enfuse", "--exposure-weight=0", "--saturation-weight=0", "--contrast-weight=1", "--hard-mask"]
BANDS = 4


def textured(width, height, seed):
    rng = np.random.default_rng(seed)
    picture = np.zeros((height, width, 3))
    for sigma, amplitude in ((0.7, 50.0), (2.0, 70.0), (6.0, 90.0)):
        noise = rng.normal(size=(height, width, 3))
        noise[..., 1] = 0.6 * noise[..., 0] + 0.4 * noise[..., 1]
        smooth = ndimage.gaussian_filter(noise, (sigma, sigma, 0))
        picture += amplitude * smooth / smooth.std()
    for _ in range(60):  # sharp-edged blocks and lines
        x, y = rng.integers(0, width - 20), rng.integers(0, height - 20)
        w, h = rng.integers(2, 40), rng.integers(2, 40)
        picture[y:y + h, x:x + w] += rng.uniform(-80, 80, 3)
    return np.clip(picture + 128, 0, 255).astype(np.uint8)


def focus_series(sharp, count):
    height = sharp.shape[0]
    blurred = ndimage.gaussian_filter(sharp.astype(float), (2.5, 2.5, 0))
    rows = np.arange(height)[:, None, None]
    series = []
    for i in range(count):
        top, bottom = i * height / count, (i + 1) * height / count
        # Sharp inside its band, blurred outside, with a short ramp between.
        inside = np.clip(np.minimum(rows - top, bottom - rows) / 6.0 + 0.5, 0, 1)
        series.append(np.clip(np.rint(sharp * inside + blurred * (1 - inside)), 0, 255).astype(np.uint8))
    return series


def save(name, array):
    Image.fromarray(array, "RGB").save(name)


def main():
    lines = []
    sharp = textured(640, 480, 7)
    save("focus_sharp.bmp", sharp)
    names = []
    for i, picture in enumerate(focus_series(sharp, BANDS)):
        names.append(f"focus_{i}.bmp")
        save(names[-1], picture)
    lines.append("focus_ours.bmp 0 " + " ".join(names))
    result = subprocess.run(ENFUSE + ["-o", "focus_enfuse.tif"] + names, capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"enfuse failed: {result.stderr}")

    # Small random pictures whose sizes make the passes stop short of the
    # padded planes, for the engine model.
    rng = np.random.default_rng(3)
    for width, height, count in ((61, 45, 3), (70, 50, 2), (33, 17, 2), (5, 3, 2)):
        names = []
        for i in range(count):
            names.append(f"model_{width}x{height}_{i}.bmp")
            save(names[-1], rng.integers(0, 256, (height, width, 3), dtype=np.uint8))
        for power in (0, 1):
            lines.append(f"model_{width}x{height}_p{power}_ours.bmp {power} " + " ".join(names))

    with open("fusion_series.txt", "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
