"""Pictures for the thumbnail strip and fusion tests: focus pairs (each sharp in
one half, blurred in the other), a picture of another size, and a 4:3 picture
with coloured bars along its top and bottom that a 48 x 27 thumbnail crops off."""

import numpy as np
from PIL import Image
from scipy import ndimage


def textured(width, height, seed):
    rng = np.random.default_rng(seed)
    noise = rng.normal(size=(height, width, 3))
    picture = 60.0 * ndimage.gaussian_filter(noise, (0.8, 0.8, 0)) / 0.3
    picture += 40.0 * ndimage.gaussian_filter(rng.normal(size=(height, width, 3)), (5, 5, 0)) / 0.06
    return np.clip(picture + 128, 0, 255)


def focus_pair(width, height, seed):
    sharp = textured(width, height, seed)
    blurred = ndimage.gaussian_filter(sharp, (3.0, 3.0, 0))
    columns = np.arange(width)[None, :, None]
    left = np.clip((width / 2 - columns) / 6.0 + 0.5, 0, 1)  # 1 in the left half
    a = sharp * left + blurred * (1 - left)
    b = sharp * (1 - left) + blurred * left
    return [np.clip(np.rint(x), 0, 255).astype(np.uint8) for x in (a, b)]


def save(name, array):
    Image.fromarray(array, "RGB").save(name)


def main():
    a, b = focus_pair(640, 480, 3)
    save("focus_a.png", a)
    save("focus_b.bmp", b)  # one of each format GDI+ reads
    a, b = focus_pair(641, 480, 5)
    save("odd_a.png", a)
    save("odd_b.png", b)
    save("large.png", textured(800, 600, 9).astype(np.uint8))

    # Smooth middle, saturated bars of 50 rows top and bottom: the cover crop
    # keeps rows 60..419 only.
    y, x = np.mgrid[0:480, 0:640]
    bars = np.zeros((480, 640, 3), np.uint8)
    bars[..., 0] = (x * 255 // 639).astype(np.uint8)
    bars[..., 1] = (y * 255 // 479).astype(np.uint8)
    bars[..., 2] = 90
    bars[:50] = (255, 0, 255)
    bars[430:] = (0, 255, 0)
    save("bars.png", bars)


if __name__ == "__main__":
    main()
