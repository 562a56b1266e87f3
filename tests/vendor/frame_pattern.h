// Test pictures that say where each pixel is and which frame it belongs to:
// blue grows with x, green with the row counted from the top, and every 64
// rows a band of 16 blocks of 16 x 16 pixels spells the frame number in binary
// (white = 1). check_recordings.py draws the same pictures.
#pragma once

#include <windows.h>

#include <cstdint>

inline void PaintFrame(BYTE* pixels, int width, int height, ptrdiff_t stride, int number, bool topDown) {
  for (int y = 0; y < height; ++y) {
    BYTE* row = pixels + stride * (topDown ? y : height - 1 - y);
    const bool band = y % 64 < 16;
    for (int x = 0; x < width; ++x) {
      BYTE* p = row + 4 * x;
      if (band && x < 256) {
        const BYTE v = (number >> (x / 16)) & 1 ? 255 : 0;
        p[0] = p[1] = p[2] = v;
      } else {
        p[0] = BYTE(x * 255 / (width - 1));
        p[1] = BYTE(y * 255 / (height - 1));
        p[2] = 128;
      }
      p[3] = 0;
    }
  }
}
