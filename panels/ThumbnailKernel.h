// The reduction behind the strip's thumbnails: every thumbnail pixel is the
// average of its cell of the cropped picture (cells of whole source pixels,
// columns and rows shared out by integer division).
#pragma once

#include <cstdint>

struct ThumbnailCrop {
  int x, y, width, height;
};

// pixels: 32-bit BGRA rows, stride bytes apart (top row first), at least as
// large as the crop. out: tw x th BGRA pixels, rows tw * 4 bytes. opaque sets
// every alpha byte to 255. False for an empty crop or target, or a crop of
// fewer pixels than the target has.
bool ReduceToThumbnail(const uint8_t* pixels, intptr_t stride, const ThumbnailCrop& crop, int tw, int th, bool opaque,
                       uint8_t* out);
// The same without SIMD: the reference the tests compare against.
bool ReduceToThumbnailScalar(const uint8_t* pixels, intptr_t stride, const ThumbnailCrop& crop, int tw, int th,
                             bool opaque, uint8_t* out);
