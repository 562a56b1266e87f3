#include "image/BmpWriter.h"

namespace ZEvuvoro {

namespace {

constexpr uint16_t kBmpSignature = 0x4D42;

}  // namespace

bool WriteBmp32(CByteSink& sink, int width, int height, int stride, const uint8_t* data, int flip) {
  if (width < 1 || height < 1 || data == nullptr) return false;
  const uint64_t imageSize = uint64_t(height) * uint64_t(width) * 4;
  if (imageSize + 54 > UINT32_MAX) return false;
  BmpFileHeader file{kBmpSignature, uint32_t(54 + imageSize), 0, 0, 54};
  BmpInfoHeader info{40, width, height, 1, 32, 0, uint32_t(imageSize), 3780, 3780, 0, 0};
  if (!sink.Write(&file, sizeof file) || !sink.Write(&info, sizeof info)) return false;
  const size_t rowBytes = size_t(width) * 4;
  for (int i = 0; i < height; ++i) {
    const int row = flip ? height - 1 - i : i;
    if (!sink.Write(data + ptrdiff_t(row) * stride, rowBytes)) return false;
  }
  return true;
}

bool WriteBmp8(CByteSink& sink, int width, int height, int stride, const uint8_t* data) {
  if (height < 1 || stride < 1 || data == nullptr) return false;
  const uint64_t imageSize = uint64_t(height) * uint64_t(stride);
  if (imageSize + 1078 > UINT32_MAX) return false;
  BmpFileHeader file{kBmpSignature, uint32_t(imageSize + 1078), 0, 0, 1078};
  BmpInfoHeader info{40, width, height, 1, 8, 0, uint32_t(imageSize), 0, 0, 256, 256};
  uint8_t palette[1024];
  for (int i = 0; i < 256; ++i) {
    palette[i * 4 + 0] = uint8_t(i);
    palette[i * 4 + 1] = uint8_t(i);
    palette[i * 4 + 2] = uint8_t(i);
    palette[i * 4 + 3] = 255;
  }
  if (!sink.Write(&file, sizeof file) || !sink.Write(&info, sizeof info) || !sink.Write(palette, sizeof palette))
    return false;
  for (int row = height - 1; row >= 0; --row)
    if (!sink.Write(data + ptrdiff_t(row) * stride, size_t(stride))) return false;
  return true;
}

}  // namespace ZEvuvoro
