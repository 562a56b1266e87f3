"""Pictures for the clip-art tests, made with PIL: a 300 x 200 picture with
varied alpha (fully transparent and fully opaque parts among them), an opaque
512 x 256 one, one larger than the 640 x 480 test picture, and a file that is
no picture at all."""
import numpy as np
from PIL import Image

rng = np.random.default_rng(17)
h, w = 200, 300
pixels = rng.integers(0, 256, (h, w, 4), dtype=np.uint8)
alpha = np.tile(np.linspace(0, 255, w).round().astype(np.uint8), (h, 1))
alpha[:40, :] = 0
alpha[-40:, :] = 255
pixels[:, :, 3] = alpha
Image.fromarray(pixels, "RGBA").save("clip_alpha.png")
Image.fromarray(rng.integers(0, 256, (256, 512, 3), dtype=np.uint8), "RGB").save("clip_512.png")
Image.fromarray(rng.integers(0, 256, (800, 1000, 3), dtype=np.uint8), "RGB").save("clip_big.png")
open("clip_broken.png", "wb").write(b"\x89PNG\r\n\x1a\n this is not a picture")
